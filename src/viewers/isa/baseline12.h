#pragma once
// The baseline (12-bit) PIC instruction set of the 10F2xx, 12F5xx, 16F505/506/526
// and 16F54/57/59, as the baseline listing (baseline_listing.h) writes it: the
// layout of the 14-bit listing, with upper-case mnemonics, core registers and
// STATUS bits by name, other files as 0x.., literals as ..h and CALL/GOTO targets
// as the label M and four hex digits.

#include <cstdint>
#include <string>
#include <string_view>

namespace pk {

// One 12-bit program word taken apart.
struct BaselineDecoded {
    std::string_view mnemonic;  // "DW" for a word that is no instruction
    std::string operands;       // as the listing writes them, comma separated
    std::string comment;        // without the "; ", empty when none

    bool skip = false;   // DECFSZ, INCFSZ, BTFSC, BTFSS
    bool call = false;   // CALL
    bool jump = false;   // GOTO
    bool stop = false;   // GOTO, SLEEP: end of a straight run
    bool retlw = false;  // RETLW, the only return there is
    // CALL/GOTO target within its page: the chip takes the page from STATUS
    // PA0..PA2 at run time, so the word alone tells no more (gpdasm shows the same).
    // CALL reaches only the first half of a page: bit 8 is always clear.
    std::uint16_t target = 0;
};

// Decodes bits 11..0 of a program word (higher bits are ignored).
BaselineDecoded decodeBaseline(std::uint16_t word);

// The name the listing gives a target address: "M" and four hex digits.
std::string baselineLabel(std::uint16_t address);

}  // namespace pk
