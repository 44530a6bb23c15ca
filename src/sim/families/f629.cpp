// 12F629/675 and 16F630/676: entered VPP first; 8 programs a word without
// erasing it (AND) but erases a data byte before writing it; 24 .. 10 programs
// a word, timed by the host; 9 and 11 erase by themselves. The factory's
// oscillator calibration word (0x3FF) and bandgap bits (13:12) go with a bulk
// erase, so a programmer reads them first; the calibration word stays
// readable under protection. Bits 11:9 of the configuration word read 0.

#include "sim/commands_newer.h"

namespace pk::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr std::uint16_t kFactoryOsccal = 0x3454;  // RETLW 0x54

class F629 final : public NewerFamily {
  public:
    Family family() const override { return Family::F629; }
    Vihh vihh() const override { return {850, 1350}; }
    std::string_view file() const override { return "f629"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // TPROG1 at most 2.5 ms for a program word, 6 ms for a data byte; TERA
        // at most 8 ms; 24 .. 10 at least TPROG2, 2 ms.
        return {microseconds(2500), milliseconds(6), milliseconds(2), milliseconds(8),
                milliseconds(0),    milliseconds(0), milliseconds(2)};
    }

    bool vppFirst() const override { return true; }
    bool runsOwnProgram(const ChipCore& chip) const override {
        return ownProgramRuns(chip.config_, chip.config_ & 7);  // FOSC2:0 in bits 2..0
    }

    void factoryState(ChipCore& chip) const override {
        // What the factory measured: an oscillator calibration and bandgap bits 10.
        chip.program_.back() = kFactoryOsccal;
        chip.config_ = static_cast<std::uint16_t>(chip.model().configMask & ~0x1000);
    }
    std::uint16_t erasedConfig(const ChipModel& model) const override { return model.configMask; }
    std::uint16_t configReadsOne(const ChipModel& /*model*/) const override { return 0; }
    bool readableWhenProtected(const ChipModel& model, int address) const override {
        return address == model.programWords - 1;  // the calibration word
    }
    bool programProtected(const ChipCore& chip, int /*address*/) const override {
        return (chip.config_ & 0x0080) == 0;
    }

    CommandSet commands() const override {
        return commandSet({0, 2, 3, 4, 5, 6, 8, 9, 10, 11, 24});
    }
    int endCode() const override { return 10; }

  protected:
    bool selfTimedBulkErase() const override { return true; }
    bool dataEraseKeepsProtected() const override { return true; }
    bool dataByteErasedFirst() const override { return true; }
    bool endAloneLogged() const override { return true; }
};

}  // namespace

const FamilyBehaviour& familyF629() {
    static const F629 behaviour;
    return behaviour;
}

}  // namespace pk::sim
