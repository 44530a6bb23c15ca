#include "sim/commands_latched.h"

#include <cstdio>

#include <string>

namespace pk::sim {

using std::chrono::duration_cast;
using std::chrono::microseconds;
using std::chrono::nanoseconds;
using Arm = ChipCore::Arm;
using Cycle = ChipCore::Cycle;
using LoadKind = ChipCore::LoadKind;
using WriteKind = ChipCore::WriteKind;

namespace {

std::string hex(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

std::string us(nanoseconds t) {
    return std::to_string(duration_cast<microseconds>(t).count());
}

}  // namespace

void LatchedFamily::factoryState(ChipCore& chip) const {
    const Calibration cal = calibration();
    for (int i = 0; i < cal.count; ++i) {
        chip.setWord(cal.first + i, cal.factory[static_cast<std::size_t>(i)]);
    }
}

bool LatchedFamily::programProtected(const ChipCore& chip, int /*address*/) const {
    return (chip.config_ & cpBit()) == 0;
}

bool LatchedFamily::dataProtected(const ChipCore& chip) const {
    return chip.model().eepromBytes > 0 && (chip.config_ & 0x0080) == 0;
}

void LatchedFamily::command(ChipCore& chip, int code, Arm /*armed*/, nanoseconds now) const {
    if (chip.loadOrRead(code)) {
        return;
    }
    switch (code) {
        case 6:
            chip.pc_ = chip.pc_ >= kConfigSpace
                           ? kConfigSpace + ((chip.pc_ + 1 - kConfigSpace) & 0x1FFF)
                           : (chip.pc_ + 1) & 0x1FFF;
            break;
        case 8:
            begin(chip, now);
            break;
        case 24:
            startExternal(chip, now);
            break;
        case 9:
        case 11:
            bulkErase(chip, code, now);
            break;
        case 17:
            rowErase(chip, now);
            break;
        default:
            if (code == endCode()) {
                endExternal(chip, now);
            }
            break;
    }
}

void LatchedFamily::loaded(ChipCore& chip, std::uint16_t word, nanoseconds now) const {
    if (chip.loadKind_ == LoadKind::Config && loadConfigAllOnes() && word != 0x3FFF) {
        chip.violation(now, "Load Configuration with " + hex(word) + ": its data must be all ones");
    }
    chip.latch_ = word;
    chip.latchLoaded_ = true;
    if (chip.loadKind_ != LoadKind::Data) {
        const auto i = static_cast<std::size_t>(chip.pc_ & (latchWords(chip.model()) - 1));
        chip.rowLatch_[i] = word;
        chip.rowLoaded_[i] = true;
    }
}

void LatchedFamily::resetLatches(ChipCore& chip) {
    chip.rowLatch_.fill(0x3FFF);
    chip.rowLoaded_.fill(false);
    chip.latch_ = 0x3FFF;
    chip.latchLoaded_ = false;
}

void LatchedFamily::begin(ChipCore& chip, nanoseconds now) const {
    if (!chip.latchLoaded_) {
        chip.violation(now, "Begin Programming without a load since the last programming cycle");
        return;
    }
    program(chip, chip.pc_, chip.loadKind_, true, now);
}

void LatchedFamily::program(ChipCore& chip, int pc, LoadKind kind, bool selfTimed,
                            nanoseconds now) const {
    const ChipModel& model = chip.model();
    const CycleTimes times = cycleTimes(model);
    if (kind == LoadKind::Data) {
        if (model.eepromBytes > 0) {
            const int cell = kDataBase + (pc & 0xFF) % model.eepromBytes;
            const std::uint16_t before = chip.word(cell);
            // Only the self-timed write erases the byte before writing it.
            const WriteKind w =
                chip.writeCell(cell, chip.latch_, !(selfTimed && dataWriteErases()));
            if (selfTimed) {
                chip.startCycle(Cycle::Write, times.dataByte, now);
                if (w != WriteKind::None) {
                    chip.restoreOnBreak(cell, w == WriteKind::Overwrite ? 0xFF : before);
                }
            }
        }
        resetLatches(chip);
        return;
    }
    const int a = chip.programAddress(pc);
    if (a >= kConfigSpace) {
        configWord(chip, a, now);
        // These words are not in the latch rows: the latches keep what they hold.
        chip.latchLoaded_ = false;
        if (selfTimed) {
            chip.startCycle(Cycle::Write, times.word, now);
        }
        return;
    }
    const int n = latchWords(model);
    const int base = a & ~(n - 1);
    const std::uint16_t before = chip.word(base);
    for (int i = 0; i < n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (chip.rowLoaded_[k]) {
            chip.writeCell(base + i, chip.rowLatch_[k], true);
        }
    }
    resetLatches(chip);
    if (selfTimed) {
        chip.startCycle(Cycle::Write, times.word, now);
        chip.restoreOnBreak(base, before);
    }
}

void LatchedFamily::configWord(ChipCore& chip, int address, nanoseconds now) const {
    if (chip.calibrationIndex(address) >= 0) {
        // The factory's measurement; only a host that lost it rewrites it.
        chip.violation(now, "calibration word " + hex(address) + " written");
    }
    // One word: the last one loaded. The device ID and empty words take nothing.
    chip.writeCell(address, chip.latch_, true);
}

void LatchedFamily::startExternal(ChipCore& chip, nanoseconds now) const {
    if (!chip.latchLoaded_) {
        chip.violation(now, "Begin Programming without a load since the last programming cycle");
        return;
    }
    chip.extCode_ = 24;
    chip.extArm_ = Arm::None;
    chip.extStart_ = now;
    chip.extPc_ = chip.pc_;
    chip.extKind_ = chip.loadKind_;
}

void LatchedFamily::endExternal(ChipCore& chip, nanoseconds now) const {
    chip.discharge(now);
    if (chip.extCode_ < 0) {
        if (!endResetsLatches()) {
            chip.violation(now, "End Programming without Begin Programming");
        }
        resetLatches(chip);
        return;
    }
    chip.extCode_ = -1;
    const CycleTimes times = cycleTimes(chip.model());
    const nanoseconds least = chip.extKind_ == LoadKind::Data ? times.dataByte : times.externalMin;
    const nanoseconds length = now - chip.extStart_;
    if (length < least) {
        chip.violation(now, "Begin to End Programming only " + us(length) + " µs (at least " +
                                us(least) + " µs)");
        resetLatches(chip);
        return;
    }
    chip.countCycle(least);
    program(chip, chip.extPc_, chip.extKind_, false, now);
    if (endResetsLatches()) {
        resetLatches(chip);
    }
}

void LatchedFamily::bulkErase(ChipCore& chip, int code, nanoseconds now) const {
    if (!chip.noBulkErase()) {
        if (code == 11) {
            if (!chip.dataProtected()) {
                chip.eraseData();  // a protected EEPROM goes only with program memory
            }
        } else {
            // Protection goes with what it protects.
            if (chip.dataProtected()) {
                chip.eraseData();
            }
            chip.eraseProgram();
            chip.eraseConfig();
            chip.eraseConfig2();
            if (chip.pc_ >= kConfigSpace) {
                chip.eraseIds();
            }
            if (chip.calibrationIndex(chip.pc_) >= 0 || chip.eraseAtCalibration()) {
                chip.eraseCalibration();
            }
        }
    }
    chip.startCycle(Cycle::Erase, cycleTimes(chip.model()).bulkErase, now);
}

void LatchedFamily::rowErase(ChipCore& chip, nanoseconds now) const {
    const ChipModel& model = chip.model();
    if (chip.pc_ < kConfigSpace && !chip.anyProgramProtected()) {
        const int base = chip.programAddress(chip.pc_) & ~15;
        for (int a = base; a < base + 16 && a < model.programWords; ++a) {
            if (!chip.stuck(a)) {
                chip.program_[static_cast<std::size_t>(a)] = 0x3FFF;
            }
        }
    }
    chip.startCycle(Cycle::Erase, cycleTimes(model).bulkErase, now);
}

}  // namespace pk::sim
