// 12F683, 16F684/688, 16F631/677/685/687/689/690: four write latches; 8
// programs self-timed without erasing, data bytes too (the host bulk-erases
// the EEPROM first); 24 .. 10 timed by the host; bits 13:12 of the
// configuration word read 1; the factory calibration word at 0x2008. Entered
// VPP first, or VDD first unless the chip runs its own program.

#include "sim/commands_latched.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F6xx final : public LatchedFamily {
  public:
    Family family() const override { return Family::F6xx; }
    Vihh vihh() const override { return {1000, 1300}; }
    std::string_view file() const override { return "f6xx"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // TPROG1 3 ms (program) and 6 ms (data); TERA at most 6 ms; 24 .. 10
        // (TPROG2) at least 3 ms.
        return {milliseconds(3), milliseconds(6), milliseconds(3), milliseconds(6),
                milliseconds(0), milliseconds(0), milliseconds(3)};
    }

    Calibration calibration() const override {
        // FCAL6:0 in bits 12..6, POR and BOR levels below; bit 13 reads 1.
        return {0x2008, 1, {0x2ABC, 0x3FFF}, {0x1FFF, 0x3FFF}};
    }

    CommandSet commands() const override {
        return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 10, 11, 17, 24});
    }

  protected:
    int latchWords(const ChipModel& /*model*/) const override { return 4; }
};

}  // namespace

const FamilyBehaviour& familyF6xx() {
    static const F6xx behaviour;
    return behaviour;
}

}  // namespace pk::sim
