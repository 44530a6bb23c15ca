#pragma once
// The assembler listing of the loaded HEX file: every present program word as a
// line in PIC16 (14-bit) assembler, with register and bit names, generated labels
// for CALL and GOTO targets and empty lines after jumps and returns. Each word is
// taken apart by the decoder of isa/midrange14.h.
//
// The text is exactly what users compare with their own assembler listings, so
// the layout is fixed to the character. Lines end with "\n".

#include <array>
#include <cstdint>
#include <string>

#include "image/memory_image.h"

namespace pk {

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
