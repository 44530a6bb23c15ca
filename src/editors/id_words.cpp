#include "editors/id_words.h"

namespace pk {

std::string idLabelText(const std::array<std::int32_t, 4>& ids) {
    std::string text = "ID: ";
    for (std::int32_t v : ids) {
        text += idPresent(v) ? std::to_string(v) : std::string("xx");
        text += "  ";
    }
    return text;
}

bool anyIdPresent(const std::array<std::int32_t, 4>& ids) {
    for (std::int32_t v : ids) {
        if (idPresent(v)) {
            return true;
        }
    }
    return false;
}

}  // namespace pk
