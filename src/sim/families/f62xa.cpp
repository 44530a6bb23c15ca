// 16F627A/628A/648A: entered VPP first; 8 only clears bits (program only,
// self-timed), on data bytes and the configuration word too, so every burn
// needs a bulk erase first; 9 and 11 erase by themselves; Increment wraps at
// the end of the implemented program memory.

#include "sim/commands_newer.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;

class F62xA final : public NewerFamily {
  public:
    Family family() const override { return Family::F62xA; }
    Vihh vihh() const override { return {1000, 1350}; }
    std::string_view file() const override { return "f62xa"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // TPROG at most 4 ms, TDPROG and TERA at most 6 ms.
        return {milliseconds(4), milliseconds(6), milliseconds(4), milliseconds(6),
                milliseconds(6)};
    }

    bool vppFirst() const override { return true; }
    bool runsOwnProgram(const ChipCore& chip) const override {
        return ownProgramRuns(chip.config_, splitFosc(chip.config_));
    }

    bool programProtected(const ChipCore& chip, int /*address*/) const override {
        return (chip.config_ & 0x2000) == 0;  // one CP bit for all of program memory
    }

    CommandSet commands() const override { return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 11}); }

  protected:
    int nextProgramPc(const ChipModel& model, int pc) const override {
        return (pc + 1) % model.programWords;  // wraps at the end of the chip's memory
    }
    bool selfTimedBulkErase() const override { return true; }
};

}  // namespace

const FamilyBehaviour& familyF62xA() {
    static const F62xA behaviour;
    return behaviour;
}

}  // namespace pk::sim
