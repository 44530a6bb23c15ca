// 16F716: no data EEPROM, four write latches; 24 .. 14, timed by the host,
// programs the row holding the PC without erasing it, and 14 sets the latches
// back to ones; 9 is the only erase; CP in bit 13; no calibration. Entered VDD
// first.

#include "sim/commands_latched.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F716 final : public LatchedFamily {
  public:
    Family family() const override { return Family::F716; }
    Vihh vihh() const override { return {1100, 1350}; }
    std::string_view file() const override { return "f716"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // 24 .. 14 takes up to 2 ms over voltage and temperature: the host gives
        // it that. TERA at most 6 ms.
        return {milliseconds(2), milliseconds(0), milliseconds(2), milliseconds(6),
                milliseconds(0), milliseconds(0), milliseconds(2)};
    }

    bool vppFirst() const override { return false; }
    bool runsOwnProgram(const ChipCore& /*chip*/) const override { return false; }

    CommandSet commands() const override { return commandSet({0, 2, 4, 6, 9, 14, 24}); }
    int endCode() const override { return 14; }

  protected:
    int latchWords(const ChipModel& /*model*/) const override { return 4; }
    std::uint16_t cpBit() const override { return 0x2000; }
    bool endResetsLatches() const override { return true; }
};

}  // namespace

const FamilyBehaviour& familyF716() {
    static const F716 behaviour;
    return behaviour;
}

}  // namespace pk::sim
