#pragma once
// The command set the older flash chips share (16F84/84A, 16F87x, 16F62x, and
// with its own programming the 16F7x): one write latch, 8 erases and writes or
// starts the erase armed just before it, 24 only clears bits, 9 and 11 arm a
// bulk erase, 1 and 7 arm the erase that also removes code protection.

#include "sim/family.h"

namespace pk::sim {

class ClassicFamily : public FamilyBehaviour {
  public:
    void command(ChipCore& chip, int code, ChipCore::Arm armed,
                 std::chrono::nanoseconds now) const override;
    void loaded(ChipCore& chip, std::uint16_t word, std::chrono::nanoseconds now) const override;

  protected:
    // 8 (erase) or 24: the latch into the cell the PC selects, or the erase
    // the commands before armed.
    void begin(ChipCore& chip, bool erase, ChipCore::Arm armed, std::chrono::nanoseconds now) const;
};

}  // namespace pk::sim
