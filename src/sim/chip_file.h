#pragma once
// The simulated chip's memories kept in an Intel HEX file between runs, in the
// layout of the program's own HEX files: program word n at byte 2n (low byte
// first), ID locations at 0x4000, configuration word at 0x400E, EEPROM byte n at
// 0x4200 + 2n. A small reader and writer of our own, so the simulator does not
// depend on the program's HEX code that it helps to test.

#include <cstdint>
#include <map>
#include <string>

#include "sim/chip.h"

namespace pk::sim {

// Byte address -> byte. Records 00, 01, 02 and 04 are understood; a line with
// a bad checksum or syntax fails with a message naming the line.
bool readIntelHex(const std::string& text, std::map<std::uint32_t, std::uint8_t>& bytes,
                  std::string* error);
std::string writeIntelHex(const std::map<std::uint32_t, std::uint8_t>& bytes);

// Loads what the file gives into the chip (the rest stays as it is).
bool loadChipFile(SimChip& chip, const std::string& path, std::string* error);
// Writes all of the chip's memories; atomically (temporary file, then rename),
// so an interrupted save never leaves half a file.
bool saveChipFile(const SimChip& chip, const std::string& path, std::string* error);

}  // namespace pk::sim
