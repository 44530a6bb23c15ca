// 16F873A..877A: eight write latches (PC bits 2..0); 8 erases and writes the
// row holding the PC, or runs the bulk erase 9 or 11 armed; 24 .. 23 only
// clears bits, timed by the host; 31 erases the whole chip, protection too.

#include "sim/commands_newer.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using Arm = ChipCore::Arm;

class F87xA final : public NewerFamily {
  public:
    Family family() const override { return Family::F87xA; }
    Vihh vihh() const override { return {850, 1350}; }
    std::string_view file() const override { return "f87xa"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // Begin Erase/Programming and chip erase at most 8 ms each; the host
        // times 24 .. 23 itself, at least 1 ms. At 4.5 to 5.5 V, 100 ns between
        // frames.
        return {milliseconds(8), milliseconds(8), milliseconds(1), milliseconds(8), milliseconds(8),
                milliseconds(8), milliseconds(1), nanoseconds(80), nanoseconds(100)};
    }

    bool programProtected(const ChipCore& chip, int /*address*/) const override {
        return (chip.config_ & 0x2000) == 0;  // one CP bit for all of program memory
    }

    CommandSet commands() const override {
        return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 11, 23, 24, 31});
    }

  protected:
    int latchWords() const override { return 8; }

    void begin(ChipCore& chip, Arm armed, nanoseconds now) const override {
        if (armed == Arm::BulkProgram || armed == Arm::BulkData || armed == Arm::Dead) {
            bulkErase(chip, armed);
            chip.startCycle(ChipCore::Cycle::Erase, cycleTimes(chip.model()).bulkErase, now);
        } else {
            beginRow(chip, now);
        }
    }
};

}  // namespace

const FamilyBehaviour& familyF87xA() {
    static const F87xA behaviour;
    return behaviour;
}

}  // namespace pk::sim
