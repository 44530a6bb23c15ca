// 16F913/914/916/917/946: as the 16F88x (four latches on the 4K parts, eight
// on the 8K ones), with one configuration word (bit 13 reads 1) and two
// factory calibration words at 0x2008 and 0x2009, both erased by a 9 at either.

#include "sim/commands_latched.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F91x final : public LatchedFamily {
  public:
    Family family() const override { return Family::F91x; }
    Vihh vihh() const override { return {1000, 1200}; }
    std::string_view file() const override { return "f91x"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // TPROG1 3 ms (program) and 6 ms (data); TERA at most 6 ms; 24 .. 10
        // (TPROG2) at least 3 ms.
        return {milliseconds(3), milliseconds(6), milliseconds(3), milliseconds(6),
                milliseconds(0), milliseconds(0), milliseconds(3)};
    }

    Calibration calibration() const override {
        // CALIB1: FCAL6:0 in bits 12..6, POR1:0 in 4..3, BOR2:0 in 2..0.
        // CALIB2: LVD2:0 in bits 2..0. The other bits read 1.
        return {0x2008, 2, {0x2A75, 0x3FFD}, {0x1FDF, 0x0007}};
    }

    CommandSet commands() const override {
        return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 10, 11, 17, 24});
    }

  protected:
    int latchWords(const ChipModel& model) const override {
        return model.programWords > 4096 ? 8 : 4;  // 916/917/946 write rows of eight
    }
    bool dataWriteErases() const override { return true; }
};

}  // namespace

const FamilyBehaviour& familyF91x() {
    static const F91x behaviour;
    return behaviour;
}

}  // namespace pk::sim
