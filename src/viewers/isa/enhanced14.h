#pragma once
// The enhanced mid-range instruction set (PIC12F1xxx/PIC16F1xxx, 14-bit words),
// as the enhanced listing (enhanced_listing.h) writes it: upper-case mnemonics,
// the core registers by name and the others as 0x.., the destination as w/f,
// literals as ..h, signed FSR offsets as gpasm reads them (.5, -.32) and
// CALL/GOTO/BRA targets as the label M and four hex digits.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pk {

// One program word taken apart.
struct EnhancedDecoded {
    std::string_view mnemonic;  // "DW" for a word that is no instruction
    std::string operands;       // as the listing writes them, comma separated
    std::string comment;        // without the "; ", empty when none

    bool skip = false;   // DECFSZ, INCFSZ, BTFSC, BTFSS
    bool call = false;   // CALL
    bool jump = false;   // GOTO, BRA
    bool stop = false;   // GOTO, BRA, BRW, RETURN, RETFIE, RESET, SLEEP
    bool retlw = false;  // RETLW
    // Word address a CALL, GOTO or BRA goes to. CALL and GOTO give bits 10..0
    // only: the page bits come from PCLATH, which the listing cannot know.
    std::optional<std::uint16_t> target;
};

// Decodes bits 13..0 of the program word at word address `address` (higher bits
// of the word are ignored; the address only matters to BRA).
EnhancedDecoded decodeEnhanced(std::uint16_t word, std::uint16_t address);

// The name the listing gives a target address: "M" and four hex digits.
std::string enhancedLabel(std::uint16_t address);

}  // namespace pk
