// 16F627/628: the classic commands, entered VPP first; an erase step and a
// write step in every 8. CP1:CP0 are stored twice and protect all, or from
// 0x200 or 0x400 up.

#include "sim/commands_classic.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F62x final : public ClassicFamily {
  public:
    Family family() const override { return Family::F62x; }
    Vihh vihh() const override { return {1200, 1400}; }
    std::string_view file() const override { return "f62x"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // Tera at most 5 ms, Tprog at most 8 ms; every 8 erases, then writes.
        return {milliseconds(13), milliseconds(13), milliseconds(8), milliseconds(13),
                milliseconds(13)};
    }

    bool vppFirst() const override { return true; }
    bool runsOwnProgram(const ChipCore& chip) const override {
        return ownProgramRuns(chip.config_, splitFosc(chip.config_));
    }

    bool programProtected(const ChipCore& chip, int address) const override {
        const int cfg = chip.config_;
        const int cp = ((cfg >> 12) & 3) & ((cfg >> 10) & 3);
        if (chip.model().programWords == 1024) {  // 16F627
            return cp == 0 || (cp == 1 && address >= 0x200);
        }
        return cp == 0 || (cp == 1 && address >= 0x200) || (cp == 2 && address >= 0x400);
    }

    CommandSet commands() const override {
        return commandSet({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 24});
    }
};

}  // namespace

const FamilyBehaviour& familyF62x() {
    static const F62x behaviour;
    return behaviour;
}

}  // namespace pk::sim
