#pragma once
// The assembler listing of the loaded HEX file: every present program word as a
// line in PIC16 (14-bit) assembler, with register and bit names, generated labels
// for CALL and GOTO targets and empty lines after jumps and returns.
//
// The text is exactly what users compare with their own assembler listings, so
// the layout is fixed to the character. Lines end with "\n".

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/memory_image.h"

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

// Produces the listing. One object can be run any number of times; each run
// starts from scratch.
class Reassembler {
  public:
    // A word that is the target of some CALL or GOTO (bit 14, never set in file words).
    static constexpr std::uint16_t LabelMark = 0x4000;

    // The whole listing of program words 0..progLastAddr of image.HexWords.
    std::string run(const MemoryImage& image, std::int32_t progLastAddr);

    // Whether the last run saw a GOTO from the reset vector past the interrupt vector.
    bool interruptLabel() const { return InterruptLabel; }

  private:
    // Empty-line bookkeeping of a pass; carried from the first pass into the second.
    struct PassState {
        std::int32_t skipFollow = -1;   // address after the latest skip instruction
        std::int32_t retlwFollow = -1;  // address after the latest RETLW
        bool gap = false;               // absent words passed since the last line
    };

    void pass(std::string& out, const std::string& fileName, std::int32_t lastAddr,
              PassState& state);

    std::array<std::uint16_t, MemoryImage::Size> ListingWords{};
    bool InterruptLabel = false;
};

// Convenience: a fresh Reassembler's run.
std::string reassemble(const MemoryImage& image, std::int32_t progLastAddr);

}  // namespace pk
