#pragma once
// Chip facts the simulator tests share: which catalogue entry a simulated chip
// belongs to, and a configuration word that reads back exactly as burnt.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/catalogue.h"

namespace pk::testfacts {

// Catalogue entry of a simulated chip name such as "16F877", through the same
// table the "/p16f877" switch uses.
inline std::int32_t typeOf(std::string_view chip) {
    std::string sw = "/p" + std::string(chip);
    std::transform(sw.begin(), sw.end(), sw.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto match = lookupSwitch(sw);
    return match ? match->type : Dev16F84;
}

// A configuration word without code protection, with the family's unimplemented
// bits as ones (so the chip reads back what was burnt).
inline std::uint16_t plainConfig(std::int32_t type) {
    switch (deviceInfo(type)->configLayout) {
        case ConfigLayout::Layout84:
            return 0x3FF1;
        case ConfigLayout::Layout87x:
            return 0x3F72;
        case ConfigLayout::Layout7x:
            return 0x3FFA;
        case ConfigLayout::Layout62x:
            return 0x3F62;
        case ConfigLayout::Layout62xA:
            return 0x3F62;
        case ConfigLayout::Layout87xA:
        case ConfigLayout::Layout88:
            return 0x3F72;
        case ConfigLayout::Layout629:
            // Bits 11:9 read 0; the simulated chip's factory bandgap bits are 10.
            return 0x21F9;
        case ConfigLayout::Layout88x:
            return 0x2FF1;  // LVP (bit 12) off
        case ConfigLayout::Layout6xx:
        case ConfigLayout::Layout91x:
        case ConfigLayout::Layout61x:
            return 0x3FF1;
        case ConfigLayout::Layout716:
            return 0x3FF9;
    }
    return 0x3FFF;
}

// A configuration word with which the chip runs its own program as soon as VDD
// comes on: internal oscillator with its pins as I/O, MCLR disabled, no code
// protection. 0 for a layout without internal oscillator.
inline std::uint16_t ownProgramConfig(std::int32_t type) {
    switch (deviceInfo(type)->configLayout) {
        case ConfigLayout::Layout62x:
        case ConfigLayout::Layout62xA:
        case ConfigLayout::Layout88:
            return 0x3F50;  // FOSC2:0 = 100 (bits 4, 1:0), MCLRE (bit 5) = 0
        case ConfigLayout::Layout629:
            return 0x2194;  // FOSC2:0 = 100 (bits 2:0), MCLRE (bit 5) = 0, bandgap 10
        case ConfigLayout::Layout88x:
            return 0x2FD4;  // the same, LVP off
        case ConfigLayout::Layout6xx:
        case ConfigLayout::Layout91x:
        case ConfigLayout::Layout61x:
            return 0x3FD4;
        default:
            return 0;
    }
}

}  // namespace pk::testfacts
