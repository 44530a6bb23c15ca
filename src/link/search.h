#pragma once
// The search for the port the Korvel hangs on: a loop-back test without a chip
// in the socket, at LPT2 and then LPT1.

#include <cstdint>

#include "link/line_bus.h"

namespace pk {

// Bits held at 1 besides clock and data during the loop-back test: the row's,
// 0x00 for a combination without a row.
std::uint8_t SearchExtraBits(std::int32_t driverIndex, std::int32_t switchIndex);

// The loop-back test at PortBase: status bit 6 must follow D0. Writes whole bytes.
bool loopBackTest(LineBus& bus);

// Tests LPT2, then LPT1 (Quick and Dirty: LPT1 untested); sets PortBase.
// Returns whether the programmer was found. Touches nothing else: the caller
// brings the lines to idle and tells the user.
bool findProgrammer(LineBus& bus);

}  // namespace pk
