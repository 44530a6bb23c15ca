// 16F882..887: four write latches (882/883/884) or eight (886/887); 8 programs
// self-timed without erasing (a data byte is erased first), 24 .. 10 timed by
// the host; CONFIG2 at 0x2008 (bits 10..8), the factory calibration word at
// 0x2009. Entered VPP first, or VDD first unless the chip runs its own program.

#include "sim/commands_latched.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F88x final : public LatchedFamily {
  public:
    Family family() const override { return Family::F88x; }
    Vihh vihh() const override { return {1000, 1200}; }
    std::string_view file() const override { return "f88x"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // TPROG1 3 ms (program) and 6 ms (data); TERA at most 6 ms; 24 .. 10
        // (TPROG2) at least 2 ms.
        return {milliseconds(3), milliseconds(6), milliseconds(2), milliseconds(6),
                milliseconds(0), milliseconds(0), milliseconds(2)};
    }

    Calibration calibration() const override {
        // FCAL6:0 in bits 12..6, POR2:0 in 5..3, BOR2:0 in 2..0; bit 13 reads 1.
        return {0x2009, 1, {0x2D2B, 0x3FFF}, {0x1FFF, 0x3FFF}};
    }

    CommandSet commands() const override {
        return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 10, 11, 17, 24});
    }

  protected:
    int latchWords(const ChipModel& model) const override {
        return model.programWords > 4096 ? 8 : 4;  // 886/887 write rows of eight
    }
    bool dataWriteErases() const override { return true; }
};

}  // namespace

const FamilyBehaviour& familyF88x() {
    static const F88x behaviour;
    return behaviour;
}

}  // namespace pk::sim
