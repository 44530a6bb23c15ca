#pragma once
// The assembler listing of a PIC18F HEX file: every present program word as a
// line in PIC18 assembler with its byte address, generated labels for branch,
// call and jump targets, empty lines after jumps and returns, and after the
// program the ID, configuration and data EEPROM bytes as data lines.
//
// It reads like the 14-bit listing (see reassembler.h): upper-case mnemonics,
// registers as 0x.., literals as ..h, labels M and the target address. The
// destination and the access bit are written W/F and A/B as gpdasm -n writes
// them; the fast-return bit as FAST, or nothing when clear. Lines end with "\n".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/byte_image.h"

namespace pk {

// One PIC18 instruction taken apart.
struct P18Decoded {
    std::string_view mnemonic;  // "DW" for a word that is no instruction
    std::string operands;       // as the listing writes them, comma separated
    std::string comment;        // without the "; ", empty when none

    int words = 1;                        // 2 for MOVFF, LFSR, CALL and GOTO with their second word
    std::optional<std::uint32_t> target;  // byte address a branch, call or jump goes to
    bool skip = false;                    // may skip the next instruction
    bool stop = false;                    // GOTO, BRA, RETURN, RETFIE, RESET, SLEEP
    bool retlw = false;
};

// Decodes the program word at byte address `address`. `next` is the word after it
// when the image holds one: a two-word instruction takes it when it begins with
// 1111 (as the chip requires), otherwise the first word is shown as data.
P18Decoded decodeP18(std::uint16_t word, std::optional<std::uint16_t> next, std::uint32_t address);

// The name the listing gives a target address: "M" and six hex digits.
std::string p18Label(std::uint32_t address);

// The whole listing of the image's HexBytes.
std::string p18Listing(const ByteImage& image);

}  // namespace pk
