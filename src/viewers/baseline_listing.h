#pragma once
// The assembler listing of a baseline (12-bit) PIC's HEX file: every present
// program word as a line with its word address, generated labels for CALL and
// GOTO targets, empty lines after jumps and returns, a note on the factory
// oscillator calibration in the last word, and after the program the ID words and
// the configuration word as data lines.
//
// It reads like the 14-bit listing (see reassembler.h), columns and all. A target
// is the one within the page, as the word holds it (see isa/baseline12.h), and its
// label sits at that address. Lines end with "\n".

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace pk {

// The whole listing. Words with bit 15 set are not in the file. `resetVector` is
// the last program word: on chips with an internal oscillator it holds the
// calibration as MOVLW, and such a word there is marked as that. The ID words
// follow program memory (their first address is program.size()); `heading` is
// the line at the top, usually the file name.
std::string baselineListing(std::span<const std::uint16_t> program, std::uint32_t resetVector,
                            std::span<const std::uint16_t> ids, std::optional<std::uint16_t> config,
                            const std::string& heading);

}  // namespace pk
