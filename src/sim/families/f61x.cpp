// 12F609/615, 16F610/616: no data EEPROM, no self-timed programming; 24 .. 10,
// timed by the host, programs one word (16F616: a row of four) without
// erasing it; 9 is the only erase; no CPD; the factory calibration word
// (FCAL6:0) at 0x2008. Entered VPP first, or VDD first unless the chip runs
// its own program.

#include "sim/commands_latched.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F61x final : public LatchedFamily {
  public:
    Family family() const override { return Family::F61x; }
    Vihh vihh() const override { return {1000, 1300}; }
    std::string_view file() const override { return "f61x"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // 24 .. 10 (TPROG) at least 3 ms; TERA at most 6 ms.
        return {milliseconds(3), milliseconds(0), milliseconds(3), milliseconds(6),
                milliseconds(0), milliseconds(0), milliseconds(3)};
    }

    Calibration calibration() const override {
        // FCAL6:0 in bits 12..6; the others read 1.
        return {0x2008, 1, {0x2EFF, 0x3FFF}, {0x1FC0, 0x3FFF}};
    }

    CommandSet commands() const override { return commandSet({0, 2, 4, 6, 9, 10, 24}); }

  protected:
    int latchWords(const ChipModel& model) const override {
        return model.programWords > 1024 ? 4 : 1;  // the 16F616 writes rows of four
    }
};

}  // namespace

const FamilyBehaviour& familyF61x() {
    static const F61x behaviour;
    return behaviour;
}

}  // namespace pk::sim
