#include "image/hex_text.h"

#include <cstdio>

namespace pk {

std::string hexWord(std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(value));
    return buf;
}

std::string hexByte(std::uint32_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(value & 0xFF));
    return buf;
}

}  // namespace pk
