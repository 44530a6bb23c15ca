#pragma once
// The mid-range PIC16 (14-bit) instruction set, as the assembler listing
// (reassembler.h) writes it: upper-case mnemonics, register and bit names,
// literals as ..h and CALL/GOTO targets as the label M and four hex digits.

#include <cstdint>
#include <string>
#include <string_view>

namespace pk {

// One program word taken apart by the decoder.
struct DecodedWord {
    std::string_view mnemonic;  // at most 8 characters
    std::string operand1;
    std::string_view operand2;  // destination "w"/"f" or a bit name; empty when none
    std::string comment;        // register names or a character comment; empty when none

    bool skip = false;         // DECFSZ, INCFSZ, BTFSC, BTFSS
    bool call = false;         // CALL
    bool jump = false;         // GOTO
    bool stop = false;         // GOTO, RETURN, RETFIE, SLEEP: end of a straight run
    bool retlw = false;        // RETLW
    std::uint16_t target = 0;  // CALL/GOTO target (bits 10..0)
};

// Decodes bits 13..0 of a program word (higher bits are ignored).
DecodedWord decodeWord(std::uint16_t word);

// Name of a file register (bits 6..0 of the operand) and the comment it adds.
struct RegisterName {
    std::string operand;  // "STATUS", or "0x" and two hex digits
    std::string comment;  // "PORTB/TRISB " and the like, or empty
};
RegisterName registerName(unsigned reg);

// The second operand of BCF/BSF/BTFSC/BTFSS: a bit name for STATUS and INTCON,
// otherwise the bit number.
std::string_view bitName(std::string_view registerOperand, unsigned bit);

}  // namespace pk
