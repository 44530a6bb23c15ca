#include "sim/commands_classic.h"

namespace pk::sim {

using std::chrono::nanoseconds;
using Arm = ChipCore::Arm;
using LoadKind = ChipCore::LoadKind;

void ClassicFamily::command(ChipCore& chip, int code, Arm armed, nanoseconds now) const {
    if (chip.loadOrRead(code)) {
        return;
    }
    switch (code) {
        case 6:
            chip.pc_ = chip.pc_ < kConfigSpace
                           ? (chip.pc_ + 1) & 0x1FFF
                           : kConfigSpace + ((chip.pc_ + 1 - kConfigSpace) & 0x1FFF);
            break;
        case 8:
            begin(chip, true, armed, now);
            break;
        case 24:
            begin(chip, false, Arm::None, now);
            break;
        case 9:
            chip.arm_ = chip.noBulkErase() ? Arm::Dead : Arm::BulkProgram;
            break;
        case 11:
            chip.arm_ = chip.noBulkErase() ? Arm::Dead : Arm::BulkData;
            break;
        case 1:
            chip.arm_ = Arm::Setup1;
            break;
        case 7:
            if (armed == Arm::Setup1) {
                chip.arm_ = Arm::Setup17;
            }
            break;
        default:
            break;
    }
}

void ClassicFamily::loaded(ChipCore& chip, std::uint16_t word, nanoseconds /*now*/) const {
    chip.latch_ = word;
    chip.latchLoaded_ = true;
}

void ClassicFamily::begin(ChipCore& chip, bool erase, Arm armed, nanoseconds now) const {
    const bool hadLoad = chip.latchLoaded_;
    const std::uint16_t latch = chip.latch_;
    chip.latchLoaded_ = false;
    chip.latch_ = 0x3FFF;
    if (!hadLoad) {
        chip.violation(now, std::string("Begin ") +
                                (erase ? "Erase/Programming" : "Programming Only") +
                                " without a load since the last programming cycle");
        if (armed == Arm::None) {
            return;
        }
    }

    const CycleTimes times = cycleTimes(chip.model());
    if (armed == Arm::Dead) {
        // The broken erase runs, erasing nothing.
        chip.startCycle(ChipCore::Cycle::Erase, times.bulkErase, now);
        return;
    }
    if (armed == Arm::BulkProgram || armed == Arm::BulkData) {
        if (!erase) {
            chip.violation(now, "bulk erase must be started with command 8");
            return;
        }
        if (!chip.anyProtected()) {
            if (armed == Arm::BulkData) {
                chip.eraseData();
            } else {
                chip.eraseProgram();
                if (chip.pc_ >= kConfigSpace) {
                    chip.eraseIds();
                }
            }
        }
        chip.startCycle(ChipCore::Cycle::Erase, times.bulkErase, now);
        return;
    }
    if (armed == Arm::Setup17) {
        if (!erase) {
            chip.violation(now, "the erase after commands 1 and 7 must be started with command 8");
            return;
        }
        if (chip.pc_ == kConfigAddress) {
            // The way out of code protection: the whole chip is erased with it.
            chip.eraseAll();
        } else if (!chip.anyProtected()) {
            if (chip.pc_ >= kConfigSpace) {
                chip.eraseProgram();
                chip.eraseIds();
            } else if (chip.loadKind_ == LoadKind::Data) {
                chip.eraseData();
            } else {
                chip.eraseProgram();
            }
        }
        chip.startCycle(ChipCore::Cycle::Erase, times.setupErase, now);
        return;
    }

    // A single word (or byte).
    int cell;
    nanoseconds length;
    if (chip.loadKind_ == LoadKind::Data) {
        if (chip.model().eepromBytes == 0) {
            return;
        }
        cell = kDataBase + chip.pc_ % chip.model().eepromBytes;
        length = erase ? times.dataByte : times.programOnly;
    } else {
        cell = chip.programAddress(chip.pc_);
        length = erase ? times.word : times.programOnly;
    }
    const std::uint16_t before = chip.word(cell);
    const ChipCore::WriteKind kind = chip.writeCell(cell, latch, !erase);
    chip.startCycle(ChipCore::Cycle::Write, length, now);
    if (kind != ChipCore::WriteKind::None) {
        // Broken off, an erase-and-write leaves the cell erased; a write that only
        // clears bits leaves what was there.
        chip.restoreOnBreak(
            cell, kind == ChipCore::WriteKind::Overwrite ? chip.erasedValue(cell) : before);
    }
}

}  // namespace pk::sim
