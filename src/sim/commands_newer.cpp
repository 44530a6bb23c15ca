#include "sim/commands_newer.h"

#include <algorithm>

namespace pk::sim {

using std::chrono::microseconds;
using std::chrono::nanoseconds;
using Arm = ChipCore::Arm;
using LoadKind = ChipCore::LoadKind;
using WriteKind = ChipCore::WriteKind;
using Cycle = ChipCore::Cycle;

void NewerFamily::command(ChipCore& chip, int code, Arm armed, nanoseconds now) const {
    if (chip.loadOrRead(code)) {
        return;
    }
    const CycleTimes times = cycleTimes(chip.model());
    switch (code) {
        case 6:
            if (chip.pc_ >= kConfigSpace) {
                chip.pc_ = kConfigSpace + ((chip.pc_ + 1 - kConfigSpace) & 0x1FFF);
            } else {
                chip.pc_ = nextProgramPc(chip.model(), chip.pc_);
            }
            break;
        case 9:
        case 11:
            if (!selfTimedBulkErase()) {
                chip.arm_ = chip.noBulkErase() ? Arm::Dead
                            : code == 9        ? Arm::BulkProgram
                                               : Arm::BulkData;
                break;
            }
            // Self-timed. Only a bulk erase sets the configuration word back, and it
            // does so whatever the protection; a protected EEPROM goes with it.
            if (!chip.noBulkErase()) {
                if (code == 11) {
                    if (!dataEraseKeepsProtected() || !chip.dataProtected()) {
                        chip.eraseData();
                    }
                } else {
                    const bool dataToo = chip.dataProtected();
                    chip.eraseProgram();  // a calibration word too
                    if (chip.pc_ >= kConfigSpace) {
                        chip.eraseIds();
                    }
                    if (dataToo) {
                        chip.eraseData();
                    }
                    chip.eraseConfig();
                }
            }
            chip.startCycle(Cycle::Erase, times.bulkErase, now);
            break;
        case 31:
            if (!chip.noBulkErase()) {
                chip.eraseProgram();
                chip.eraseData();
                if (chip.pc_ >= kConfigSpace) {
                    chip.eraseIds();
                }
                chip.eraseConfig();
                chip.eraseConfig2();
            }
            chip.startCycle(Cycle::Erase, times.chipErase, now);
            break;
        case 8:
            begin(chip, armed, now);
            break;
        case 24:
            startExternal(chip, code, armed, now);
            break;
        case 10:
        case 23:
            endExternal(chip, now);
            break;
        default:
            break;
    }
}

void NewerFamily::loaded(ChipCore& chip, std::uint16_t word, nanoseconds /*now*/) const {
    if (loadConfigDiscarded() && chip.loadKind_ == LoadKind::Config) {
        return;
    }
    chip.latch_ = word;
    chip.latchLoaded_ = true;
    chip.loadSinceEntry_ = true;
    if (chip.loadKind_ != LoadKind::Data && latchWords() > 1) {
        const auto i = static_cast<std::size_t>(chip.pc_ & (latchWords() - 1));
        chip.rowLatch_[i] = word;
        chip.rowLoaded_[i] = true;
    }
}

void NewerFamily::resetRowLatches(ChipCore& chip) {
    chip.rowLatch_.fill(0x3FFF);
    chip.rowLoaded_.fill(false);
    chip.latch_ = 0x3FFF;
    chip.latchLoaded_ = false;
}

void NewerFamily::bulkErase(ChipCore& chip, Arm armed) {
    // Both bulk erases refuse to run on protected memory; the chip erase is the way out.
    if (armed == Arm::BulkProgram && !chip.anyProgramProtected()) {
        chip.eraseProgram();
        if (chip.pc_ >= kConfigSpace) {
            chip.eraseIds();  // the configuration words stay
        }
    } else if (armed == Arm::BulkData && !chip.dataProtected()) {
        chip.eraseData();
    }
}

void NewerFamily::beginRow(ChipCore& chip, nanoseconds now) const {
    const CycleTimes times = cycleTimes(chip.model());
    const int words = latchWords();
    const bool rows = words > 1;
    const bool anyRow =
        std::any_of(chip.rowLoaded_.begin(), chip.rowLoaded_.end(), [](bool b) { return b; });
    if (!chip.latchLoaded_ && !(rows && anyRow)) {
        chip.violation(now, "Begin Programming without a load since the last programming cycle");
        return;
    }
    if (chip.loadKind_ == LoadKind::Data) {
        if (chip.model().eepromBytes == 0) {
            resetRowLatches(chip);
            return;
        }
        const int cell = kDataBase + chip.pc_ % chip.model().eepromBytes;
        const std::uint16_t before = chip.word(cell);
        const WriteKind kind = chip.writeCell(cell, chip.latch_, !rows && !dataByteErasedFirst());
        resetRowLatches(chip);
        chip.startCycle(Cycle::Write, times.dataByte, now);
        if (kind != WriteKind::None) {
            chip.restoreOnBreak(cell,
                                kind == WriteKind::Overwrite ? chip.erasedValue(cell) : before);
        }
        return;
    }
    const int a = chip.programAddress(chip.pc_);
    if (!rows) {
        // Program only; the cell must have been bulk-erased before.
        const std::uint16_t before = chip.word(a);
        const WriteKind kind = chip.writeCell(a, chip.latch_, true);
        resetRowLatches(chip);
        chip.startCycle(Cycle::Write, times.word, now);
        if (kind != WriteKind::None) {
            chip.restoreOnBreak(a, before);
        }
        return;
    }
    if (a >= kConfigSpace) {
        if (a <= kConfigSpace + 3) {
            for (int i = 0; i < 4; ++i) {
                if (chip.rowLoaded_[static_cast<std::size_t>(i)]) {
                    chip.writeCell(kConfigSpace + i, chip.rowLatch_[static_cast<std::size_t>(i)],
                                   false);
                }
            }
        } else if (a == kConfigAddress && chip.rowLoaded_[7]) {
            chip.writeCell(a, chip.rowLatch_[7], false);  // only with the PC right on it
        }
        resetRowLatches(chip);
        chip.startCycle(Cycle::Write, times.word, now);
        return;
    }
    const auto loaded = std::count(chip.rowLoaded_.begin(), chip.rowLoaded_.end(), true);
    if (loaded < 8) {
        chip.violation(now, "Begin Erase/Programming with " + std::to_string(loaded) +
                                " of the eight write latches loaded");
    }
    const int base = a & ~7;
    for (int i = 0; i < 8; ++i) {
        const auto k = static_cast<std::size_t>(i);
        chip.writeCell(base + i, chip.rowLoaded_[k] ? chip.rowLatch_[k] : 0x3FFF, false);
    }
    resetRowLatches(chip);
    chip.startCycle(Cycle::Write, times.word, now);
    if (!chip.programProtected(base)) {
        chip.restoreOnBreak(base, 0x3FFF);  // broken off, the row is left erased
    }
}

void NewerFamily::startExternal(ChipCore& chip, int code, Arm armed, nanoseconds now) const {
    const bool bulk = armed == Arm::BulkProgram || armed == Arm::BulkData || armed == Arm::Dead;
    if (code == 8 && !bulk && !chip.loadSinceEntry_) {
        chip.violation(now, "Begin Erase without a Load Data since programming mode was entered");
        return;
    }
    const bool anyRow =
        std::any_of(chip.rowLoaded_.begin(), chip.rowLoaded_.end(), [](bool b) { return b; });
    if (code == 24 && !chip.latchLoaded_ && !anyRow) {
        chip.violation(now,
                       "Begin Programming Only without a load since the last programming cycle");
        return;
    }
    chip.extCode_ = code;
    chip.extArm_ = code == 8 ? armed : Arm::None;
    chip.extStart_ = now;
    chip.extPc_ = chip.pc_;
    chip.extKind_ = chip.loadKind_;
}

void NewerFamily::endExternal(ChipCore& chip, nanoseconds now) const {
    if (chip.extCode_ < 0) {
        if (endAloneLogged()) {
            chip.violation(now, "End Programming without Begin Erase or Begin Programming");
        }
        resetRowLatches(chip);  // 23 sets the write latches to all ones
        chip.discharge(now);
        return;
    }
    const CycleTimes times = cycleTimes(chip.model());
    const bool bulk = chip.extArm_ != Arm::None;
    const nanoseconds least = bulk ? times.bulkErase : times.externalMin;
    const auto length = now - chip.extStart_;
    if (length < least) {
        chip.violation(
            now, "Begin to End Programming only " +
                     std::to_string(std::chrono::duration_cast<microseconds>(length).count()) +
                     " µs (at least " +
                     std::to_string(std::chrono::duration_cast<microseconds>(least).count()) +
                     " µs)");
    } else {
        // The least a host-timed cycle may last is its share of the floor.
        chip.countCycle(least);
        if (chip.extCode_ == 24) {
            applyProgramOnly(chip);
        } else if (bulk) {
            bulkErase(chip, chip.extArm_);
        } else {
            applyRowErase(chip);
        }
    }
    chip.extCode_ = -1;
    chip.extArm_ = Arm::None;
    // The program latches go back to ones; the data latch stays for a 24 that
    // programs the byte just erased.
    const std::uint16_t dataLatch = chip.latch_;
    const bool dataLoaded = chip.latchLoaded_ && chip.loadKind_ == LoadKind::Data;
    resetRowLatches(chip);
    if (dataLoaded) {
        chip.latch_ = dataLatch;
        chip.latchLoaded_ = true;
    }
    chip.discharge(now);
}

void NewerFamily::applyProgramOnly(ChipCore& chip) const {
    const ChipModel& model = chip.model();
    if (chip.extKind_ == LoadKind::Data) {
        if (model.eepromBytes > 0 && chip.latchLoaded_) {
            chip.writeCell(kDataBase + chip.extPc_ % model.eepromBytes, chip.latch_, true);
        }
        return;
    }
    const int n = latchWords();
    const int a = chip.programAddress(chip.extPc_);
    if (n == 1) {
        // One program word, from the single latch.
        if (chip.latchLoaded_ && a < kConfigSpace) {
            chip.writeCell(a, chip.latch_, true);
        }
        return;
    }
    if (a >= kConfigSpace) {
        const auto k = static_cast<std::size_t>(a & (n - 1));
        if ((a == kConfigAddress || a == kConfig2Address) && chip.rowLoaded_[k]) {
            chip.writeCell(a, chip.rowLatch_[k], !configProgramOverwrites());
        } else if (a <= kConfigSpace + 3) {
            for (int i = 0; i < 4; ++i) {
                if (chip.rowLoaded_[static_cast<std::size_t>(i)]) {
                    chip.writeCell(kConfigSpace + i, chip.rowLatch_[static_cast<std::size_t>(i)],
                                   true);
                }
            }
        }
        return;
    }
    const int base = a & ~(n - 1);
    for (int i = 0; i < n; ++i) {
        if (chip.rowLoaded_[static_cast<std::size_t>(i)]) {
            chip.writeCell(base + i, chip.rowLatch_[static_cast<std::size_t>(i)], true);
        }
    }
}

void NewerFamily::applyRowErase(ChipCore& chip) {
    const ChipModel& model = chip.model();
    if (chip.extKind_ == LoadKind::Data) {
        if (model.eepromBytes > 0 && !chip.dataProtected()) {
            const int n = chip.extPc_ % model.eepromBytes;
            if (!chip.stuck(kDataBase + n)) {
                chip.eeprom_[static_cast<std::size_t>(n)] = 0xFF;
            }
        }
        return;
    }
    const int a = chip.programAddress(chip.extPc_);
    if (a >= kConfigSpace) {
        chip.eraseIds();  // the configuration words keep their bits
        return;
    }
    const int base = a & ~31;
    for (int i = base; i < base + 32 && i < model.programWords; ++i) {
        if (!chip.programProtected(i) && !chip.stuck(i)) {
            chip.program_[static_cast<std::size_t>(i)] = 0x3FFF;
        }
    }
}

}  // namespace pk::sim
