#include "sim/chip_core.h"

#include <cstdio>

#include <algorithm>

#include "sim/baseline_chip.h"
#include "sim/family.h"
#include "sim/p18_chip.h"

namespace pk::sim {

using std::chrono::microseconds;
using std::chrono::nanoseconds;

ChipCore::ChipCore(const ChipModel& model)
    : model_(model),
      program_(static_cast<std::size_t>(model.programWords), 0x3FFF),
      eeprom_(static_cast<std::size_t>(model.eepromBytes), 0xFF) {
    ids_.fill(0x3FFF);
    if (model.p18 != nullptr) {
        p18_ = std::make_unique<P18Chip>(*this, *model.p18);
    }
    if (model.baseline != nullptr) {
        baseline_ = std::make_unique<BaselineChip>(*this, *model.baseline);
    }
    behaviour().factoryState(*this);
}

ChipCore::~ChipCore() = default;

void ChipCore::eraseAll() {
    if (p18_) {
        p18_->eraseAll();
        return;
    }
    if (baseline_) {
        baseline_->eraseAll();
        return;
    }
    eraseProgram();
    eraseData();
    eraseIds();
    eraseConfig();
    eraseConfig2();
    eraseCalibration();
}

std::vector<std::uint16_t> ChipCore::contents() const {
    if (p18_) {
        const std::vector<std::uint8_t> bytes = p18_->contents();
        return std::vector<std::uint16_t>(bytes.begin(), bytes.end());
    }
    if (baseline_) {
        return baseline_->contents();
    }
    std::vector<std::uint16_t> all(program_.begin(), program_.end());
    all.insert(all.end(), ids_.begin(), ids_.end());
    all.push_back(config_);
    all.push_back(config2_);
    all.insert(all.end(), calibration_.begin(), calibration_.end());
    all.insert(all.end(), eeprom_.begin(), eeprom_.end());
    return all;
}

void ChipCore::setFlaky(int everyNth, unsigned seed) {
    flakyEvery_ = everyNth > 0 ? everyNth : 0;
    drivenBits_ = flakyEvery_ > 0 ? seed % static_cast<unsigned>(flakyEvery_) : 0;
}

// ---- Pins ---------------------------------------------------------------

bool ChipCore::checkVihh(nanoseconds now) {
    const FamilyBehaviour::Vihh range = behaviour().vihh();
    auto volts = [](int centivolts) {
        char text[16];
        std::snprintf(text, sizeof text, "%d.%02d V", centivolts / 100, centivolts % 100);
        return std::string(text);
    };
    if (suppliedVpp_ > range.maxCentivolts) {
        violation(now, "VPP " + volts(suppliedVpp_) + " on MCLR, above the VIHH maximum " +
                           volts(range.maxCentivolts));
        return false;
    }
    if (suppliedVpp_ < range.minCentivolts) {
        violation(now, "VPP " + volts(suppliedVpp_) + " on MCLR, below the VIHH minimum " +
                           volts(range.minCentivolts));
        return false;
    }
    return true;
}

void ChipCore::violation(nanoseconds now, std::string text) {
    if (log_ != nullptr) {
        log_->violation(now, std::string(model_.name) + ": " + text);
    }
}

void ChipCore::plug(const ChipPins& pins) {
    prev_ = pins;
    mode_ = false;
    out_.reset();
    // Low since before the chip was put in: as good as forever.
    const bool low = !pins.clock && !pins.data;
    linesLowSince_ = low ? std::optional<nanoseconds>(nanoseconds::min() / 2) : std::nullopt;
    running_ = pins.vdd && !pins.vpp && runsOwnProgram();
    refusedLogged_ = false;
    vppFirst_ = pins.vpp && !pins.vdd && vppFirstEntry()
                    ? (low ? VppFirstLines::Low : VppFirstLines::WentHigh)
                    : VppFirstLines::None;
}

bool ChipCore::vppFirstEntry() const {
    return behaviour().vppFirst();
}

bool ChipCore::runsOwnProgram() const {
    return behaviour().runsOwnProgram(*this);
}

void ChipCore::trackLines(const ChipPins& before, const ChipPins& pins, nanoseconds now) {
    const bool wasLow = !before.clock && !before.data;
    const bool isLow = !pins.clock && !pins.data;
    if (!isLow) {
        linesLowSince_.reset();
    } else if (!wasLow || !linesLowSince_) {
        linesLowSince_ = now;
    }
    if (pins.data != before.data) {
        // The chip latches on the falling edge; the line must hold 100 ns after it.
        if (mode_ && lastLatch_ && now - *lastLatch_ < nanoseconds(100) &&
            !(before.clock && !pins.clock)) {
            violation(now, "data line changed less than 100 ns after the falling clock edge");
        }
        lastDataChange_ = now;
    }
}

void ChipCore::settled(const ChipPins& pins, nanoseconds now) {
    const ChipPins before = prev_;
    prev_ = pins;
    trackLines(before, pins, now);
}

namespace {

// Which of clock and data are high, for the log; nullptr when both are low.
const char* highLines(const ChipPins& pins) {
    return pins.clock && pins.data ? "clock and data"
           : pins.clock            ? "clock"
           : pins.data             ? "data"
                                   : nullptr;
}

}  // namespace

void ChipCore::checkEntryLines(const ChipPins& pins, nanoseconds now) {
    if (const char* high = highLines(pins)) {
        violation(now, std::string("programming mode entered with ") + high + " high");
    } else if (linesLowSince_ && now - *linesLowSince_ < nanoseconds(100)) {
        violation(now, "clock and data low less than 100 ns before VPP came on");
    }
}

ChipCore::VppFirstLines ChipCore::startVppFirst(const ChipPins& pins, nanoseconds now) {
    if (const char* high = highLines(pins)) {
        violation(now, std::string("no programming mode: ") + high + " high when VPP came on");
        return VppFirstLines::HighAtVpp;
    }
    if (linesLowSince_ && now - *linesLowSince_ < nanoseconds(100)) {
        violation(now, "clock and data low less than 100 ns before VPP came on");
    }
    return VppFirstLines::Low;
}

void ChipCore::finishVppFirst(const ChipPins& pins, nanoseconds now) {
    // Clock and data stay low from before VPP until after VDD (TSET0, THLD0);
    // otherwise the chip does not take the mode and answers nothing.
    if (const char* high = highLines(pins)) {
        violation(now,
                  std::string("no programming mode: ") + high + " high when VDD came on after VPP");
        return;
    }
    if (vppFirst_ == VppFirstLines::WentHigh) {
        violation(now, "no programming mode: clock or data went high between VPP and VDD");
        return;
    }
    if (vppFirst_ != VppFirstLines::Low) {
        return;  // logged when VPP came on
    }
    if (now - vppRoseAt_ < microseconds(5)) {
        violation(now, "VDD switched on less than 5 µs after VPP");
    }
    enterMode(pins, now);
}

void ChipCore::update(const ChipPins& pins, nanoseconds now) {
    const ChipPins before = prev_;
    prev_ = pins;
    trackLines(before, pins, now);
    // A self-timed cycle that has run out is simply over.
    if (cycle_ != Cycle::None && now >= cycleEnd_) {
        cycle_ = Cycle::None;
    }
    const bool vppRose = pins.vpp && !before.vpp;
    const bool vppInRange = !vppRose || checkVihh(now);

    if (!pins.vdd) {
        running_ = false;
        refusedLogged_ = false;
        if (mode_ && pins.vpp && !vppFirstEntry()) {
            violation(now, "VDD switched off while VPP is still on");
        }
        if (mode_) {
            leaveMode(now);
        }
        if (!pins.vpp || !vppFirstEntry()) {
            vppFirst_ = VppFirstLines::None;
        } else if (vppRose) {
            // VPP first: MCLR rises now, the mode begins when VDD follows.
            vppRoseAt_ = now;
            vppFirst_ = startVppFirst(pins, now);
        } else if (before.vdd) {
            // VDD went off under VPP: a new VPP-first entry can begin from here.
            vppFirst_ = pins.clock || pins.data ? VppFirstLines::WentHigh : VppFirstLines::Low;
        } else if (vppFirst_ == VppFirstLines::Low && (pins.clock || pins.data)) {
            vppFirst_ = VppFirstLines::WentHigh;  // told when VDD follows
        }
        return;
    }
    if (!before.vdd) {
        if (pins.vpp && !before.vpp) {
            violation(now, "VDD and VPP switched on together");
        } else if (pins.vpp && !vppFirstEntry()) {
            violation(now, "VDD switched on while VPP is already on (VPP before VDD)");
        } else if (pins.vpp) {
            finishVppFirst(pins, now);
        } else {
            vddRoseAt_ = now;
            // Some chips give the host 250 µs before their program starts.
            running_ = !behaviour().programStartsLate() && runsOwnProgram();
        }
        return;
    }
    if (mode_ && !pins.vpp) {
        leaveMode(now);
        // Powered on without VPP, the chip starts its program as after a reset.
        running_ = runsOwnProgram();
        return;
    }
    if (!mode_ && vppRose) {
        const bool late = behaviour().programStartsLate() && !running_ && runsOwnProgram() &&
                          now - vddRoseAt_ > microseconds(250);
        if (running_ || late) {
            if (!refusedLogged_) {
                refusedLogged_ = true;
                violation(now, late ? "no programming mode: VPP came more than 250 µs after VDD "
                                      "and the chip runs its own program (internal oscillator, "
                                      "MCLR disabled)"
                                    : "no programming mode: VDD came on before VPP and the chip "
                                      "runs its own program (internal oscillator, MCLR disabled)");
            }
            running_ = true;
            return;
        }
        if (baseline_ && !vppInRange) {
            // Nothing in the baseline data sheets allows another VPP: no mode.
            violation(now, "no programming mode: VPP outside VIHH");
            return;
        }
        checkEntryLines(pins, now);
        enterMode(pins, now);
        return;
    }
    if (mode_ && p18_) {
        p18_->lines(before, pins, now);
    } else if (mode_ && pins.clock != before.clock) {
        clockEdge(pins.clock, pins.data, now);
    }
}

void ChipCore::enterMode(const ChipPins& /*pins*/, nanoseconds now) {
    mode_ = true;
    entryTime_ = now;
    firstEdgeChecked_ = false;
    out_.reset();
    outChangedAt_.reset();
    phase_ = Phase::Command;
    fallingEdges_ = 0;
    risingEdges_ = 0;
    shift_ = 0;
    lastUnitEnd_.reset();
    lastLatch_.reset();
    pc_ = 0;
    loadKind_ = LoadKind::None;
    latch_ = 0x3FFF;
    latchLoaded_ = false;
    latch7x_ = {0x3FFF, 0x3FFF};
    latch7xLoaded_ = {false, false};
    arm_ = Arm::None;
    programming7x_ = false;
    dischargeUntil_.reset();
    rowLatch_.fill(0x3FFF);
    rowLoaded_.fill(false);
    loadSinceEntry_ = false;
    extCode_ = -1;
    extArm_ = Arm::None;
    if (p18_) {
        p18_->entered(now);
    }
    if (baseline_) {
        baseline_->entered(now);
    }
    if (log_ != nullptr) {
        log_->modeEntered();
    }
}

void ChipCore::leaveMode(nanoseconds now) {
    if (cycle_ != Cycle::None && now < cycleEnd_) {
        interruptCycle(now, "supply switched off during a programming cycle");
    }
    behaviour().leaveMode(*this, now);
    if (extCode_ >= 0) {
        violation(now, "programming mode left between Begin and End Programming");
        extCode_ = -1;
    }
    cycle_ = Cycle::None;
    mode_ = false;
    out_.reset();
    outChangedAt_.reset();
}

void ChipCore::interruptCycle(nanoseconds now, const char* why) {
    const auto left = std::chrono::duration_cast<microseconds>(cycleEnd_ - now).count();
    violation(now, std::string(why) + " (" + std::to_string(left) + " µs early)");
    if (cycleCell_ >= 0) {
        setWord(cycleCell_, cycleRestore_);
    }
    cycle_ = Cycle::None;
    cycleCell_ = -1;
}

void ChipCore::startCycle(Cycle kind, nanoseconds length, nanoseconds now) {
    cycle_ = kind;
    cycleEnd_ = now + length;
    cycleCell_ = -1;
    cycleTime_ += length;
}

// ---- Serial protocol ----------------------------------------------------

void ChipCore::clockEdge(bool rising, bool data, nanoseconds now) {
    if (cycle_ != Cycle::None && now < cycleEnd_) {
        interruptCycle(now, cycle_ == Cycle::Write ? "clock edge during a programming cycle"
                                                   : "clock edge during an erase cycle");
    }
    if (rising && fallingEdges_ == 0 && risingEdges_ == 0) {
        // First rising edge of a command or frame.
        if (!firstEdgeChecked_) {
            firstEdgeChecked_ = true;
            if (now - entryTime_ < microseconds(5)) {
                violation(now, "first clock less than 5 µs after VPP came on");
            }
        }
        const nanoseconds gap = behaviour().cycleTimes(model_).frameGap;
        if (lastUnitEnd_ && now - *lastUnitEnd_ < gap) {
            const std::string least = gap >= microseconds(1)
                                          ? std::to_string(gap / microseconds(1)) + " µs"
                                          : std::to_string(gap.count()) + " ns";
            violation(now,
                      "less than " + least + " between commands or between a command and its data");
        }
    }
    if (!rising && dischargeUntil_) {
        if (now < *dischargeUntil_) {
            violation(now, "bit latched less than 100 µs after End Programming");
        }
        dischargeUntil_.reset();
    }

    if (rising) {
        ++risingEdges_;
        if (phase_ == Phase::Read) {
            if (risingEdges_ >= 2) {
                outChangedAt_ = now;  // the new level is there only tdly3 later
            }
            if (risingEdges_ >= 2 && risingEdges_ <= 15) {
                bool bit = ((readWord_ >> (risingEdges_ - 2)) & 1) != 0;
                if (flakyEvery_ > 0 && ++drivenBits_ % static_cast<unsigned>(flakyEvery_) == 0) {
                    bit = !bit;
                }
                out_ = bit;
            } else {
                out_.reset();
            }
        }
        return;
    }

    // Falling edge: the chip latches a bit (reads ignore the line).
    if (phase_ != Phase::Read) {
        if (now - lastDataChange_ < nanoseconds(100)) {
            violation(now,
                      now == lastDataChange_
                          ? "data line changed in the same port write as the falling clock "
                            "edge"
                          : "data line changed less than 100 ns before the falling clock edge");
        }
        lastLatch_ = now;
    }
    if (phase_ != Phase::Read && fallingEdges_ < 32) {
        shift_ |= static_cast<std::uint32_t>(data ? 1 : 0) << fallingEdges_;
    }
    ++fallingEdges_;
    switch (phase_) {
        case Phase::Command:
            if (fallingEdges_ == 6) {
                const int code = static_cast<int>(shift_ & 0x3F);
                endUnit(now);
                decode(code, now);
            }
            break;
        case Phase::Load:
            if (fallingEdges_ == 16) {
                const auto word = static_cast<std::uint16_t>((shift_ >> 1) & 0x3FFF);
                endUnit(now);
                loaded(word, now);
            }
            break;
        case Phase::Read:
            if (fallingEdges_ == 16) {
                out_.reset();
                endUnit(now);
            }
            break;
    }
}

bool ChipCore::sampled(nanoseconds now) {
    if (!outChangedAt_) {
        return true;
    }
    const nanoseconds valid = behaviour().cycleTimes(model_).dataValid;
    const nanoseconds since = now - *outChangedAt_;
    if (since >= valid) {
        outChangedAt_.reset();
        return true;
    }
    violation(now, "data line sampled " + std::to_string(since.count()) +
                       " ns after the rising clock edge (the chip's bit is valid after " +
                       std::to_string(valid.count()) + " ns)");
    return false;
}

void ChipCore::endUnit(nanoseconds now) {
    lastUnitEnd_ = now;
    fallingEdges_ = 0;
    risingEdges_ = 0;
    shift_ = 0;
    phase_ = Phase::Command;
}

void ChipCore::decode(int code, nanoseconds now) {
    if (log_ != nullptr) {
        log_->command({now, code, pc_, std::nullopt});
    }
    if (!behaviour().supports(model_, code)) {
        violation(now, "command " + std::to_string(code) + " is not supported by this chip");
        return;
    }
    if (extCode_ >= 0 && code != behaviour().endCode()) {
        violation(now, "command " + std::to_string(code) +
                           " between Begin and End Programming; the cycle is aborted");
        extCode_ = -1;
        extArm_ = Arm::None;
    }
    // The erase commands arm only the command that follows them directly.
    const Arm armed = arm_;
    arm_ = Arm::None;
    behaviour().command(*this, code, armed, now);
}

bool ChipCore::loadOrRead(int code) {
    switch (code) {
        case 0:
            pc_ = kConfigSpace;
            loadKind_ = LoadKind::Config;
            phase_ = Phase::Load;
            return true;
        case 2:
            loadKind_ = LoadKind::Program;
            phase_ = Phase::Load;
            return true;
        case 3:
            loadKind_ = LoadKind::Data;
            phase_ = Phase::Load;
            return true;
        case 4:
            readWord_ = misread(programAddress(pc_), readProgram(pc_));
            phase_ = Phase::Read;
            if (log_ != nullptr) {
                log_->commandData(readWord_);
            }
            return true;
        case 5:
            readWord_ = misread(kDataBase + pc_ % std::max(model_.eepromBytes, 1), readData(pc_));
            phase_ = Phase::Read;
            if (log_ != nullptr) {
                log_->commandData(readWord_);
            }
            return true;
        default:
            return false;
    }
}

void ChipCore::loaded(std::uint16_t word, nanoseconds now) {
    if (log_ != nullptr) {
        log_->commandData(word);
    }
    behaviour().loaded(*this, word, now);
}

}  // namespace pk::sim
