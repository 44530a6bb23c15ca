#pragma once
// The serial frames of the chips' programming protocol, on the line bus: a
// 6-bit command, a 16-bit data frame sent, a 16-bit data frame read. Each ends
// with the clock low. Only in programming mode.

#include <cstdint>

#include "link/line_bus.h"

namespace pk {

// Serial command codes, named as in the chips' programming data sheets.
namespace cmd {
inline constexpr std::uint16_t LoadConfiguration = 0;
inline constexpr std::uint16_t EraseSetup1 = 1;  // first of the code-protected erase pair
inline constexpr std::uint16_t LoadDataForProgramMemory = 2;
inline constexpr std::uint16_t LoadDataForDataMemory = 3;
inline constexpr std::uint16_t ReadDataFromProgramMemory = 4;
inline constexpr std::uint16_t ReadDataFromDataMemory = 5;
inline constexpr std::uint16_t IncrementAddress = 6;
inline constexpr std::uint16_t EraseSetup2 = 7;  // second of the code-protected erase pair
inline constexpr std::uint16_t BeginEraseProgrammingCycle = 8;  // 16F7x: Begin Programming
inline constexpr std::uint16_t BulkEraseProgramMemory = 9;
inline constexpr std::uint16_t BulkEraseDataMemory = 11;
inline constexpr std::uint16_t EndProgramming = 14;  // 16F7x
// 16F84A, 16F87x, 16F62x: programs an erased word without erasing it first.
// 16F87xA, 16F87/88, 16F818/819: externally timed, ended by 23.
inline constexpr std::uint16_t BeginProgrammingOnly = 24;
inline constexpr std::uint16_t EndRowProgramming = 23;  // also sets the latches to ones
inline constexpr std::uint16_t ChipErase = 31;          // everything, protection included
}  // namespace cmd

// Sends the low 6 bits, least significant first.
void Kommando(LineBus& bus, std::uint16_t command);
// Sends (word x 2) OR 0x8001; RangeError for word > 0x7FFF before any bit
// (the AN589 driver has taken the lines by then).
void WrDaten(LineBus& bus, std::uint16_t word);
// Clocks in a frame; returns the 14-bit word between start and stop bit.
std::uint16_t RdDaten(LineBus& bus);

}  // namespace pk
