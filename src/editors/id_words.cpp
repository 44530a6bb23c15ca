#include "editors/id_words.h"

namespace pk {

std::array<std::int32_t, 4> idWordsFromFile(const MemoryImage& image) {
    std::array<std::int32_t, 4> ids{};
    for (std::size_t k = 0; k < ids.size(); ++k) {
        ids[k] = image.HexWords[MemoryImage::IdBase + k];
    }
    return ids;
}

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

bool hasEepromData(const MemoryImage& image, std::int32_t dataLastAddr) {
    for (std::int32_t n = 0; n <= dataLastAddr; ++n) {
        if (image.present(static_cast<std::size_t>(MemoryImage::EepromBase + n))) {
            return true;
        }
    }
    return false;
}

}  // namespace pk
