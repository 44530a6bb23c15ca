#pragma once
// What both assembler listings (14-bit and PIC18) lay their columns out with.

#include <cstddef>
#include <string>

namespace pk::listing {

// `digits` upper-case hex digits of value, most significant first.
inline void appendHex(std::string& out, unsigned value, int digits) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
        out += kHexDigits[(value >> shift) & 0xF];
    }
}

// Spaces up to column start + width.
inline void padTo(std::string& out, std::size_t start, std::size_t width) {
    if (out.size() < start + width) {
        out.append(start + width - out.size(), ' ');
    }
}

}  // namespace pk::listing
