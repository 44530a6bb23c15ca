#include "device/p18_catalogue.h"

#include <cctype>

namespace pk {

const P18Device* p18ByDeviceId(std::uint16_t idWord) {
    for (const P18Device& d : kP18Devices) {
        if (d.matches(idWord)) {
            return &d;
        }
    }
    return nullptr;
}

const P18Device* p18ByName(std::string_view name) {
    auto lower = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    if (name.size() > 3 && lower(name[0]) == 'p' && lower(name[1]) == 'i' &&
        lower(name[2]) == 'c') {
        name.remove_prefix(3);
    }
    for (const P18Device& d : kP18Devices) {
        if (d.name.size() != name.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            same = lower(name[i]) == lower(d.name[i]);
        }
        if (same) {
            return &d;
        }
    }
    return nullptr;
}

std::optional<std::uint16_t> p18EraseCode(const P18Device& d, std::uint16_t clears) {
    for (const P18EraseCode& e : d.family->eraseCodes) {
        if (e.clears == clears) {
            return e.code;
        }
    }
    return std::nullopt;
}

ByteRegions p18Regions(const P18Device& d) {
    ByteRegions r;
    r.programBytes = d.programBytes;
    r.configBytes = static_cast<std::uint32_t>(d.configBytes());
    r.eepromBytes = d.eepromBytes;
    return r;
}

}  // namespace pk
