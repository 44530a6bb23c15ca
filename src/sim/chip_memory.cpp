// ChipCore's memories of a 14-bit chip: its cells, erases and protection, and the
// reads and writes at the PC. A PIC18F keeps its own (p18_chip.h).

#include "sim/chip_core.h"

#include "sim/baseline_chip.h"
#include "sim/family.h"

namespace pk::sim {

// ---- Memory -------------------------------------------------------------

std::uint16_t ChipCore::word(int address) const {
    if (baseline_) {
        return baseline_->word(address);
    }
    if (address >= 0 && address < kConfigSpace) {
        return program_[static_cast<std::size_t>(address % model_.programWords)];
    }
    if (address >= kConfigSpace && address <= kConfigSpace + 3) {
        return ids_[static_cast<std::size_t>(address - kConfigSpace)];
    }
    if (address == kDeviceIdAddress) {
        return model_.deviceId != 0 ? model_.deviceId : 0x3FFF;
    }
    if (address == kConfigAddress) {
        return config_;
    }
    if (const int i = calibrationIndex(address); i >= 0) {
        return calibration_[static_cast<std::size_t>(i)];
    }
    if (address == kConfig2Address) {
        return model_.configMask2 != 0 ? config2_ : 0x3FFF;
    }
    if (address >= kDataBase && address < kDataBase + model_.eepromBytes) {
        return eeprom_[static_cast<std::size_t>(address - kDataBase)];
    }
    return 0x3FFF;
}

void ChipCore::setWord(int address, std::uint16_t value) {
    if (baseline_) {
        baseline_->setWord(address, value);
        return;
    }
    if (address >= 0 && address < kConfigSpace) {
        program_[static_cast<std::size_t>(address % model_.programWords)] = value & 0x3FFF;
    } else if (address >= kConfigSpace && address <= kConfigSpace + 3) {
        ids_[static_cast<std::size_t>(address - kConfigSpace)] = value & 0x3FFF;
    } else if (address == kConfigAddress) {
        config_ = static_cast<std::uint16_t>((value & model_.configMask) |
                                             behaviour().configReadsOne(model_));
    } else if (const int i = calibrationIndex(address); i >= 0) {
        const std::uint16_t stored =
            behaviour().calibration().implemented[static_cast<std::size_t>(i)];
        calibration_[static_cast<std::size_t>(i)] =
            static_cast<std::uint16_t>((value & stored) | (~stored & 0x3FFF));
    } else if (address == kConfig2Address && model_.configMask2 != 0) {
        config2_ = static_cast<std::uint16_t>((value & model_.configMask2) |
                                              (~model_.configMask2 & 0x3FFF));
    } else if (address >= kDataBase && address < kDataBase + model_.eepromBytes) {
        eeprom_[static_cast<std::size_t>(address - kDataBase)] = static_cast<std::uint8_t>(value);
    }
}

std::uint16_t ChipCore::erasedValue(int address) const {
    return address >= kDataBase ? 0xFF : 0x3FFF;
}

void ChipCore::eraseProgram() {
    for (std::size_t a = 0; a < program_.size(); ++a) {
        if (!stuck(static_cast<int>(a))) {
            program_[a] = 0x3FFF;
        }
    }
}

void ChipCore::eraseData() {
    for (std::size_t n = 0; n < eeprom_.size(); ++n) {
        if (!stuck(kDataBase + static_cast<int>(n))) {
            eeprom_[n] = 0xFF;
        }
    }
}

void ChipCore::eraseIds() {
    for (std::size_t i = 0; i < ids_.size(); ++i) {
        if (!stuck(kConfigSpace + static_cast<int>(i))) {
            ids_[i] = 0x3FFF;
        }
    }
}

void ChipCore::eraseConfig() {
    if (!stuck(kConfigAddress)) {
        config_ = behaviour().erasedConfig(model_);
    }
}

void ChipCore::eraseConfig2() {
    if (!stuck(kConfig2Address)) {
        config2_ = 0x3FFF;
    }
}

int ChipCore::calibrationIndex(int address) const {
    const FamilyBehaviour::Calibration cal = behaviour().calibration();
    const int i = address - cal.first;
    return cal.count > 0 && i >= 0 && i < cal.count ? i : -1;
}

void ChipCore::eraseCalibration() {
    const FamilyBehaviour::Calibration cal = behaviour().calibration();
    for (int i = 0; i < cal.count; ++i) {
        if (!stuck(cal.first + i)) {
            calibration_[static_cast<std::size_t>(i)] = 0x3FFF;
        }
    }
}

// ---- Reads and writes at the PC -----------------------------------------

int ChipCore::programAddress(int pc) const {
    if (pc >= kConfigSpace && pc < kConfigSpace + 0x10) {
        return pc;
    }
    return (pc & 0x1FFF) % model_.programWords;
}

std::uint16_t ChipCore::readProgram(int pc) const {
    const int a = programAddress(pc);
    if (a < kConfigSpace) {
        return programProtected(a) && !behaviour().readableWhenProtected(model_, a)
                   ? 0
                   : program_[static_cast<std::size_t>(a)];
    }
    return word(a);  // IDs, device ID, configuration; reserved words read 0x3FFF
}

std::uint16_t ChipCore::readData(int pc) const {
    if (model_.eepromBytes == 0) {
        return 0x3FFF;
    }
    if (dataProtected()) {
        return 0;
    }
    return eeprom_[static_cast<std::size_t>(pc % model_.eepromBytes)];
}

ChipCore::WriteKind ChipCore::writeCell(int address, std::uint16_t latch, bool andOnly) {
    if (badCell_ && *badCell_ == address) {
        return WriteKind::None;
    }
    // The erase half of an erase-and-write cycle cannot set the bits of a stuck cell.
    andOnly = andOnly || stuck(address);
    if (address >= kDataBase) {
        if (dataProtected()) {
            return WriteKind::None;
        }
        auto& cell = eeprom_[static_cast<std::size_t>(address - kDataBase)];
        cell = static_cast<std::uint8_t>(andOnly ? (cell & latch) : latch);
        return andOnly ? WriteKind::ClearBits : WriteKind::Overwrite;
    }
    if (address < kConfigSpace) {
        if (programProtected(address)) {
            return WriteKind::None;
        }
        auto& cell = program_[static_cast<std::size_t>(address)];
        cell = static_cast<std::uint16_t>(andOnly ? (cell & latch) : latch);
        return andOnly ? WriteKind::ClearBits : WriteKind::Overwrite;
    }
    if (address <= kConfigSpace + 3) {
        auto& cell = ids_[static_cast<std::size_t>(address - kConfigSpace)];
        cell = static_cast<std::uint16_t>(andOnly ? (cell & latch) : latch);
        return andOnly ? WriteKind::ClearBits : WriteKind::Overwrite;
    }
    if (const int i = calibrationIndex(address); i >= 0) {
        setWord(address,
                calibration_[static_cast<std::size_t>(i)] & latch);  // flash: bits only clear
        return WriteKind::ClearBits;
    }
    if (address == kConfigAddress || (address == kConfig2Address && model_.configMask2 != 0)) {
        // Protection cannot be lifted by rewriting the word: only an erase sets bits.
        const bool onlyClear = andOnly || anyProtected();
        const std::uint16_t old = address == kConfigAddress ? config_ : config2_;
        setWord(address, onlyClear ? (old & latch) : latch);
        return onlyClear ? WriteKind::ClearBits : WriteKind::Overwrite;
    }
    return WriteKind::None;  // reserved words and the device ID take no writes
}

std::uint16_t ChipCore::misread(int address, std::uint16_t value) {
    if (!misreadCell_ || *misreadCell_ != address || misreadLeft_ <= 0) {
        return value;
    }
    return --misreadLeft_ == 0 ? static_cast<std::uint16_t>(value ^ 1) : value;
}

// ---- Code protection ----------------------------------------------------

bool ChipCore::programProtected(int address) const {
    if (baseline_) {
        return baseline_->readsZero(address);
    }
    return behaviour().programProtected(*this, address % model_.programWords);
}

bool ChipCore::anyProgramProtected() const {
    if (baseline_) {
        return baseline_->codeProtected();
    }
    return programProtected(model_.programWords - 1);
}

bool ChipCore::dataProtected() const {
    return behaviour().dataProtected(*this);
}

bool FamilyBehaviour::dataProtected(const ChipCore& chip) const {
    return (chip.config_ & 0x0100) == 0;
}

}  // namespace pk::sim
