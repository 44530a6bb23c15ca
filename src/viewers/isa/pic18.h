#pragma once
// The PIC18 instruction set (the standard one), as the PIC18F listing
// (p18_listing.h) writes it: upper-case mnemonics, registers as 0x.., literals as
// ..h, the destination and the access bit as W/F and A/B, targets as labels.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

}  // namespace pk
