#pragma once
// The assembler listing of an enhanced mid-range chip (PIC12F1xxx/PIC16F1xxx):
// every present program word as a line in assembler with its word address,
// generated labels for CALL, GOTO and BRA targets, empty lines after jumps and
// returns, and after the program the user IDs, the configuration words and the
// data EEPROM bytes as comment lines.
//
// It reads like the 14-bit listing (see reassembler.h): the same columns, START
// at the reset vector and INT at the interrupt vector when the reset vector
// jumps past it. Lines end with "\n". Each word is taken apart by the decoder
// of isa/enhanced14.h.

#include <cstdint>
#include <span>
#include <string>

namespace pk {

// `program` holds the words from address 0, `configArea` those from 0x8000 (user
// IDs at 0x8000..0x8003, configuration words from 0x8007), `eeprom` the data
// EEPROM bytes; bit 15 set marks an entry the file does not hold. `heading` is
// the line under the title, usually the file's name.
std::string enhancedListing(std::span<const std::uint16_t> program,
                            std::span<const std::uint16_t> configArea,
                            std::span<const std::uint16_t> eeprom, const std::string& heading);

}  // namespace pk
