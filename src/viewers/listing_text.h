#pragma once
// What both assembler listings (14-bit and PIC18) lay their columns out with.

#include <cstddef>
#include <string>
#include <string_view>

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

// The instruction columns of a line: the mnemonic in 8, the operands in 13, then
// "; comment" where there is one, and the line's end.
inline void appendInstruction(std::string& out, std::string_view mnemonic,
                              std::string_view operand1, std::string_view operand2,
                              std::string_view comment) {
    std::size_t start = out.size();
    out += mnemonic;
    padTo(out, start, 8);
    start = out.size();
    out += operand1;
    if (!operand2.empty()) {
        out += ',';
        out += operand2;
    }
    padTo(out, start, 13);
    if (!comment.empty()) {
        out += "; ";
        out += comment;
    }
    out += '\n';
}

}  // namespace pk::listing
