#pragma once
// The serial frames of the chips' programming protocol, on the line bus: a
// 6-bit command, a 16-bit data frame sent, a 16-bit data frame read. Each ends
// with the clock low. Only in programming mode.

#include <cstdint>

#include "link/line_bus.h"

namespace pk {

// Sends the low 6 bits, least significant first.
void Kommando(LineBus& bus, std::uint16_t command);
// Sends (word x 2) OR 0x8001; RangeError for word > 0x7FFF before any bit
// (the AN589 driver has taken the lines by then).
void WrDaten(LineBus& bus, std::uint16_t word);
// Clocks in a frame; returns the 14-bit word between start and stop bit.
std::uint16_t RdDaten(LineBus& bus);

}  // namespace pk
