#pragma once
// Numbers in hex as every message, listing and JSON field of the program writes
// them: "0x" and upper-case digits.

#include <cstdint>
#include <string>

namespace pk {

// At least four digits: 0x0000..0xFFFF, wider values in full.
std::string hexWord(std::uint32_t value);

// The low byte with two digits: 0x00..0xFF.
std::string hexByte(std::uint32_t value);

}  // namespace pk
