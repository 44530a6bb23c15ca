#pragma once
// A baseline (12-bit core) PIC in high-voltage programming mode. ChipCore
// keeps the pins, the entry, the frames and the log, and hands each decoded
// command and loaded word here; this class holds the memories at the chip's
// physical addresses and what the six commands do to them. The framing is the
// 14-bit chips' (6-bit commands, 16-clock data frames, LSb first, latched on
// the falling edge, tdly 1 µs, 100 µs after End Programming), so it is shared
// rather than copied.
//
// clang-format off
// Entry
//   VDD first, then VPP within VIHH (12.5 .. 13.5 V); VPP first, or outside
//   VIHH, gives no programming mode (logged). The PC starts at the
//   configuration word.
// Addresses (physical; the PC counts modulo configuration address + 1)
//   0 .. programWords-1 program memory, its last word the reset vector (a
//   MOVLW k with the factory OSCCAL k where the part has one); the ID area
//   (4 user IDs, then the backup OSCCAL and reserved words); 12F519/16F526:
//   64 flash data bytes at 0x400 (bits 11..8 read 0); the configuration word
//   at the top (unimplemented bits read 1). Increment steps from the last
//   program word into whatever follows it and wraps to 0 only from the
//   configuration word, which is the top of the PC's range. Other addresses
//   hold nothing: they read 0 and take no writes.
// Commands: 2 Load Data, 4 Read Data, 6 Increment, 8 Begin Programming, 14
//   End Programming, 9 Bulk Erase; others are logged and ignored.
//   Words are 12 bits: bits 13..12 of a load are dropped, of a read are 0.
//   8 .. 14 is timed by the host and must last TPROG (2 ms); shorter writes
//   nothing (logged). Programming only clears bits (old AND latch). One latch,
//   or on the 16F57/59 four selected by PC<1:0>, written together as the row
//   PC<11:2> that holds the PC at 8. 9 runs by itself for TERA (10 ms, a
//   clock edge before is logged) and erases by the PC:
//     configuration word or program memory: program memory (reset vector too)
//       and the configuration word; on the 12F519/16F526 the flash data too
//       when CPDF = 0;
//     ID area: everything, user IDs and backup OSCCAL too (12F519/16F526:
//       the ID area only);
//     flash data (12F519/16F526): the flash data, unless CPDF = 0.
// Protection
//   CP = 0: program words 0x040 .. programWords-2 read 0; the first 0x40
//   words, the reset vector, the IDs, the backup OSCCAL and the configuration
//   word stay readable. CPDF = 0: flash data reads 0. Writes are not blocked.
// Faults (ChipCore's, at physical addresses): bad cell, stuck cell, misread,
// flaky, no bulk erase; erase-at-calibration makes every 9 that clears the
// reset vector clear the backup OSCCAL too.
// clang-format on

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/chip_core.h"
#include "sim/families/baseline.h"

namespace pk::sim {

class BaselineChip {
  public:
    BaselineChip(ChipCore& core, const BaselinePart& part);

    const BaselinePart& part() const { return part_; }

    // Stored contents at a physical address, ignoring protection; 0 where
    // nothing is implemented. setWord keeps the bits a cell stores.
    std::uint16_t word(int address) const;
    void setWord(int address, std::uint16_t value);
    bool implemented(int address) const;
    // As from the factory: all erased but the reset vector and backup OSCCAL,
    // which hold MOVLW k with the part's factory k.
    void eraseAll();
    std::uint16_t factoryOsccalWord() const { return 0xC00 | part_.factoryOsccal; }
    // Every cell in one list, to tell whether anything changed.
    std::vector<std::uint16_t> contents() const { return cells_; }

    bool codeProtected() const;
    bool dataProtected() const;
    // What a Read Data at this address gives 0 for.
    bool readsZero(int address) const;

    // ---- From ChipCore and the family behaviour -----------------------------
    void entered(std::chrono::nanoseconds now);
    void command(int code, std::chrono::nanoseconds now);
    void loaded(std::uint16_t word, std::chrono::nanoseconds now);

  private:
    enum class Region { Program, Config, Ids, Data, None };
    Region regionOf(int address) const;
    std::uint16_t erased(int address) const;
    void eraseCell(int address);
    void eraseRange(int first, int count);
    void writeCell(int address, std::uint16_t latch);
    void begin(std::chrono::nanoseconds now);
    void end(std::chrono::nanoseconds now);
    void bulkErase(std::chrono::nanoseconds now);
    void resetLatches();

    ChipCore& core_;
    const BaselinePart& part_;
    std::vector<std::uint16_t> cells_;  // 0 .. configAddress
    std::array<std::uint16_t, 4> latch_{};
    std::array<bool, 4> loaded_{};
};

}  // namespace pk::sim
