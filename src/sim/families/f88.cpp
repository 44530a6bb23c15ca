// 16F87/88 and 16F818/819: four write latches (PC bits 1..0); 8 is Begin
// Erase, timed by the host and ended by 23 (a 32-word row, one data byte, or
// the IDs); 24 .. 23 programs, the configuration words with 0 and 1; Load
// Configuration discards its data; Increment steps 0x1FFF into configuration
// space. A chip on its internal oscillator with MCLR disabled starts its own
// program 250 µs after VDD.

#include "sim/commands_newer.h"

namespace pk::sim {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

class F88 final : public NewerFamily {
  public:
    Family family() const override { return Family::F88; }
    Vihh vihh() const override { return {850, 1350}; }
    std::string_view file() const override { return "f88"; }

    CycleTimes cycleTimes(const ChipModel& model) const override {
        // Everything but the chip erase is timed by the host: at least 1 ms, a
        // bulk erase 2 ms. The chip erase: the 16F87/88 8 ms in DS39607B, 10 ms
        // in the later revision; the 16F818/819 8 ms (DS39603C).
        const nanoseconds chipErase =
            model.chipErase.count() > 0 ? model.chipErase : milliseconds(10);
        // At 4.5 to 5.5 V, 100 ns between frames.
        return {milliseconds(1), milliseconds(1), milliseconds(1), milliseconds(2), milliseconds(2),
                chipErase,       milliseconds(1), nanoseconds(80), nanoseconds(100)};
    }

    bool runsOwnProgram(const ChipCore& chip) const override {
        return ownProgramRuns(chip.config_, splitFosc(chip.config_));
    }
    bool programStartsLate() const override { return true; }

    bool programProtected(const ChipCore& chip, int /*address*/) const override {
        return (chip.config_ & 0x2000) == 0;  // one CP bit for all of program memory
    }

    CommandSet commands() const override {
        return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 11, 23, 24, 31});
    }

  protected:
    int latchWords() const override { return 4; }
    int nextProgramPc(const ChipModel& /*model*/, int pc) const override {
        return pc + 1;  // 0x1FFF steps into configuration space
    }
    bool loadConfigDiscarded() const override { return true; }
    bool endAloneLogged() const override { return true; }
    bool configProgramOverwrites() const override { return true; }

    void begin(ChipCore& chip, ChipCore::Arm armed, nanoseconds now) const override {
        startExternal(chip, 8, armed, now);
    }
};

}  // namespace

const FamilyBehaviour& familyF88() {
    static const F88 behaviour;
    return behaviour;
}

}  // namespace pk::sim
