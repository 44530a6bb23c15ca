#include "device/config_fields.h"

#include <cstdio>

namespace pk {

std::string_view groupLabel(FieldGroup g) {
    constexpr std::string_view kLabels[] = {"Takt", "Reset/Überwachung", "Peripherie", "Schutz"};
    return kLabels[static_cast<std::size_t>(g)];
}

std::uint16_t fieldValue(const ConfigField& f, std::span<const std::uint16_t> cells) {
    return static_cast<std::uint16_t>((cells[static_cast<std::size_t>(f.cell)] & f.mask) >>
                                      f.shift());
}

void setFieldValue(const ConfigField& f, std::span<std::uint16_t> cells, std::uint16_t raw) {
    std::uint16_t& c = cells[static_cast<std::size_t>(f.cell)];
    const auto bits = static_cast<std::uint16_t>((raw << f.shift()) & f.mask);
    c = static_cast<std::uint16_t>((c & ~f.mask) | bits);
}

const FieldValue* findValue(const ConfigField& f, std::uint16_t raw) {
    for (const FieldValue& v : f.values) {
        if (v.raw == raw) {
            return &v;
        }
    }
    return nullptr;
}

std::string valueName(const ConfigField& f, std::uint16_t raw) {
    if (const FieldValue* v = findValue(f, raw)) {
        return std::string(v->name);
    }
    char text[24];
    std::snprintf(text, sizeof text, "reserviert (0x%X)", static_cast<unsigned>(raw));
    return text;
}

}  // namespace pk
