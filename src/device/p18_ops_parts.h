#pragma once
// What the PIC18F routine files share beside p18_ops.h: the programming-mode
// bracket and where an address lies.

#include <cstdint>

#include "device/p18_ops.h"

namespace pk {

// Programming mode for one stay: VDD first, then VPP. Left with a NOP first
// (it takes the data line back from a chip still driving its last read bit),
// also when a step throws. A bracket opened inside another one stays in its
// stay: a command holds one from its type check to its end, as the data
// sheets' sessions do, and spends the entry's pauses once.
class P18Ops::Bracket {
  public:
    // `pace`: of the NOP that leaves (the last transfer a 14-bit chip may see).
    explicit Bracket(P18Ops& ops, p18::Pace pace = p18::Pace::Frame)
        : ops_(ops), outer_(ops.brackets_ == 0), pace_(pace) {
        if (outer_) {
            ops_.link_.StartProgmode(EntryOrder::VddFirst);
        }
        ++ops_.brackets_;
        open_ = true;
    }
    Bracket(const Bracket&) = delete;
    Bracket& operator=(const Bracket&) = delete;
    ~Bracket() {
        if (open_) {
            try {
                close();
            } catch (...) {
                // Already unwinding or closing: the voltages must go off regardless.
                try {
                    ops_.link_.safeIdle();
                } catch (...) {
                }
            }
        }
    }
    void close() {
        open_ = false;
        --ops_.brackets_;
        if (!outer_) {
            return;
        }
        try {
            p18::send(ops_.link_.bus(), p18::Command::Core, p18::op::kNop, pace_);
        } catch (...) {
            ops_.link_.EndProgmode();
            throw;
        }
        ops_.link_.EndProgmode();
    }

  private:
    P18Ops& ops_;
    bool outer_;
    p18::Pace pace_;
    bool open_ = false;
};

// The area a chip byte address lies in.
inline Area areaOf(std::uint32_t address) {
    if (address >= p18addr::kEeprom) {
        return Area::Data;
    }
    if (address >= p18addr::kConfig) {
        return Area::Config;
    }
    if (address >= p18addr::kIds) {
        return Area::Id;
    }
    return Area::Program;
}

}  // namespace pk
