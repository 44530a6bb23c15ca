// 16F785: as the 16F6xx with four latches, but 8 erases a data byte before
// writing it, Load Configuration takes only all ones, and two factory
// calibration words (oscillator, POR, BOR, bandgap) sit at 0x2008 and 0x2009,
// both erased by a 9 at either.

#include "sim/commands_latched.h"

namespace pk::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

class F785 final : public LatchedFamily {
  public:
    Family family() const override { return Family::F785; }
    Vihh vihh() const override { return {1000, 1200}; }
    std::string_view file() const override { return "f785"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // TPROG1 at most 2.5 ms (program) and 6 ms (data); TERA at most 6 ms;
        // 24 .. 10 (TPROG2) at least 2 ms.
        return {microseconds(2500), milliseconds(6), microseconds(2500), milliseconds(6),
                milliseconds(0),    milliseconds(0), milliseconds(2)};
    }

    Calibration calibration() const override {
        return {0x2008, 2, {0x1B6A, 0x3E21}, {0x3FFF, 0x3FFF}};
    }

    CommandSet commands() const override {
        return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 10, 11, 17, 24});
    }

  protected:
    int latchWords(const ChipModel& /*model*/) const override { return 4; }
    bool dataWriteErases() const override { return true; }
    bool loadConfigAllOnes() const override { return true; }
};

}  // namespace

const FamilyBehaviour& familyF785() {
    static const F785 behaviour;
    return behaviour;
}

}  // namespace pk::sim
