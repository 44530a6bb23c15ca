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
// Each word is taken apart by the decoder of isa/pic18.h.

#include <string>

#include "image/byte_image.h"

namespace pk {

// The whole listing of the image's HexBytes.
std::string p18Listing(const ByteImage& image);

}  // namespace pk
