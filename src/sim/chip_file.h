#pragma once
// The simulated chip's memories kept in an Intel HEX file between runs, in the
// layout of the program's own HEX files (program word n at byte 2n, low byte
// first; ID locations at 0x4000, configuration word at 0x400E, EEPROM byte n at
// 0x4200 + 2n), read and written with the program's one HEX reader and writer.
// A PIC18F's file is laid out as its own HEX files are (INHX32, IDs at 0x200000,
// configuration bytes at 0x300000, EEPROM byte n at 0xF00000 + n).

#include <string>

#include "sim/chip.h"

namespace pk::sim {

// Loads what the file gives into the chip (the rest stays as it is); fails with
// a message naming the file and the line the reader could not take.
bool loadChipFile(SimChip& chip, const std::string& path, std::string* error);
// Writes all of the chip's memories (erased words are left out, as the program
// leaves them out of its own files); atomically, so an interrupted save never
// leaves half a file.
bool saveChipFile(const SimChip& chip, const std::string& path, std::string* error);

}  // namespace pk::sim
