// 16F73/74/76/77: no data EEPROM, two write latches selected by PC bit 0;
// 8 starts programming the even/odd pair holding the PC (old AND latch), the
// host times it and ends it with 14; 9 erases by itself, protection included.

#include "sim/commands_classic.h"

namespace pk::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

class F7x final : public ClassicFamily {
  public:
    Family family() const override { return Family::F7x; }
    Vihh vihh() const override { return {1275, 1325}; }
    std::string_view file() const override { return "f7x"; }

    CycleTimes cycleTimes(const ChipModel& /*model*/) const override {
        // Programming is timed by the host (8 .. 14); the chip erase runs 30 ms.
        // A read bit is valid 200 ns after the rising edge, not 80.
        return {milliseconds(1),  milliseconds(1), milliseconds(1), milliseconds(30),
                milliseconds(30), milliseconds(0), milliseconds(0), nanoseconds(200)};
    }

    bool programProtected(const ChipCore& chip, int /*address*/) const override {
        return (chip.config_ & 0x0010) == 0;
    }
    bool dataProtected(const ChipCore& /*chip*/) const override { return false; }

    CommandSet commands() const override { return commandSet({0, 2, 4, 6, 8, 9, 14}); }

    void command(ChipCore& chip, int code, ChipCore::Arm armed, nanoseconds now) const override {
        if (chip.programming7x_ && code != 14) {
            chip.violation(now, "command " + std::to_string(code) +
                                    " between Begin Programming and End Programming; "
                                    "programming aborted");
            chip.programming7x_ = false;
        }
        switch (code) {
            case 8:
                begin(chip, now);
                break;
            case 9:
                bulkErase(chip, now);
                break;
            case 14:
                end(chip, now);
                break;
            default:
                ClassicFamily::command(chip, code, armed, now);
                break;
        }
    }

    void loaded(ChipCore& chip, std::uint16_t word, nanoseconds /*now*/) const override {
        chip.latch7x_[static_cast<std::size_t>(chip.pc_ & 1)] = word;
        chip.latch7xLoaded_[static_cast<std::size_t>(chip.pc_ & 1)] = true;
    }

    void leaveMode(ChipCore& chip, nanoseconds now) const override {
        if (chip.programming7x_) {
            chip.violation(now,
                           "programming mode left between Begin Programming and End Programming");
            chip.programming7x_ = false;
        }
    }

  private:
    void begin(ChipCore& chip, nanoseconds now) const {
        if (!chip.latch7xLoaded_[0] && !chip.latch7xLoaded_[1]) {
            chip.violation(now,
                           "Begin Programming without a load since the last programming cycle");
            return;
        }
        chip.programming7x_ = true;
        chip.countCycle(cycleTimes(chip.model()).word);
        chip.programStart7x_ = now;
        chip.programPc7x_ = chip.pc_;
    }

    void bulkErase(ChipCore& chip, nanoseconds now) const {
        if (chip.noBulkErase()) {
            return;
        }
        // Self-timed; removes code protection together with everything else.
        chip.eraseProgram();
        chip.eraseIds();
        chip.eraseConfig();
        chip.latch7x_ = {0x3FFF, 0x3FFF};
        chip.latch7xLoaded_ = {false, false};
        chip.startCycle(ChipCore::Cycle::Erase7x, cycleTimes(chip.model()).bulkErase, now);
    }

    void end(ChipCore& chip, nanoseconds now) const {
        if (!chip.programming7x_) {
            chip.violation(now, "End Programming without Begin Programming");
            return;
        }
        chip.programming7x_ = false;
        const auto length = now - chip.programStart7x_;
        const int base = chip.programPc7x_ & ~1;
        if (length < milliseconds(1)) {
            chip.violation(
                now, "Begin Programming to End Programming only " +
                         std::to_string(std::chrono::duration_cast<microseconds>(length).count()) +
                         " µs (at least 1 ms)");
        } else {
            for (int i = 0; i < 2; ++i) {
                if (chip.latch7xLoaded_[static_cast<std::size_t>(i)]) {
                    chip.writeCell(chip.programAddress(base + i),
                                   chip.latch7x_[static_cast<std::size_t>(i)], true);
                }
            }
        }
        chip.latch7x_ = {0x3FFF, 0x3FFF};
        chip.latch7xLoaded_ = {false, false};
        chip.discharge(now);
    }
};

}  // namespace

const FamilyBehaviour& familyF7x() {
    static const F7x behaviour;
    return behaviour;
}

}  // namespace pk::sim
