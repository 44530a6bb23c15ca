#include "sim/baseline_chip.h"

#include <cstdio>
#include <string>

namespace pk::sim {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

namespace {

// The data sheets give TPROG as 1 ms typical, 2 ms at most. The host times it,
// and only the maximum is sure to have programmed every chip, so that is what
// the model asks for.
constexpr nanoseconds kProgram = milliseconds(2);
// TERA, the longest a bulk erase may run.
constexpr nanoseconds kErase = milliseconds(10);

std::string hex3(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%03X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

BaselineChip::BaselineChip(ChipCore& core, const BaselinePart& part)
    : core_(core), part_(part), cells_(static_cast<std::size_t>(part.configAddress + 1), 0) {
    eraseAll();
}

// ---- Memory -------------------------------------------------------------

BaselineChip::Region BaselineChip::regionOf(int address) const {
    if (address >= 0 && address < part_.programWords) {
        return Region::Program;
    }
    if (address == part_.configAddress) {
        return Region::Config;
    }
    if (address >= part_.idAddress && address < part_.idAddress + part_.idAreaWords) {
        return Region::Ids;
    }
    if (part_.dataAddress >= 0 && address >= part_.dataAddress &&
        address < part_.dataAddress + kBaselineDataWords) {
        return Region::Data;
    }
    return Region::None;
}

bool BaselineChip::implemented(int address) const {
    return regionOf(address) != Region::None;
}

std::uint16_t BaselineChip::word(int address) const {
    return implemented(address) ? cells_[static_cast<std::size_t>(address)] : 0;
}

void BaselineChip::setWord(int address, std::uint16_t value) {
    switch (regionOf(address)) {
        case Region::None:
            return;
        case Region::Config:
            value = static_cast<std::uint16_t>((value & part_.configMask) |
                                               (~part_.configMask & 0xFFF));
            break;
        case Region::Data:
            value &= 0xFF;
            break;
        default:
            value &= 0xFFF;
            break;
    }
    cells_[static_cast<std::size_t>(address)] = value;
}

std::uint16_t BaselineChip::erased(int address) const {
    return regionOf(address) == Region::Data ? 0x0FF : 0xFFF;
}

void BaselineChip::eraseCell(int address) {
    if (implemented(address) && !core_.stuck(address)) {
        cells_[static_cast<std::size_t>(address)] = erased(address);
    }
}

void BaselineChip::eraseRange(int first, int count) {
    for (int a = first; a < first + count; ++a) {
        eraseCell(a);
    }
}

void BaselineChip::eraseAll() {
    for (int a = 0; a <= part_.configAddress; ++a) {
        if (implemented(a)) {
            cells_[static_cast<std::size_t>(a)] = erased(a);
        }
    }
    if (part_.osccalAtResetVector) {
        setWord(part_.programWords - 1, factoryOsccalWord());
    }
    if (part_.backupOsccal >= 0) {
        setWord(part_.backupOsccal, factoryOsccalWord());
    }
}

void BaselineChip::writeCell(int address, std::uint16_t latch) {
    if (!implemented(address) || (core_.badCell_ && *core_.badCell_ == address)) {
        return;
    }
    // Flash programming only clears bits; an erase is the only way back to 1.
    setWord(address, word(address) & latch);
}

bool BaselineChip::codeProtected() const {
    return ((word(part_.configAddress) >> part_.cpBit) & 1) == 0;
}

bool BaselineChip::dataProtected() const {
    return part_.cpdfBit >= 0 && ((word(part_.configAddress) >> part_.cpdfBit) & 1) == 0;
}

bool BaselineChip::readsZero(int address) const {
    // The reset vector holds the oscillator calibration, which a protected
    // chip must still hand to its programmer, and the first 0x40 words stay
    // readable too.
    const bool guarded = address >= kBaselineUnprotectedWords && address < part_.programWords - 1;
    return (guarded && codeProtected()) || (regionOf(address) == Region::Data && dataProtected());
}

// ---- Commands -------------------------------------------------------------

void BaselineChip::resetLatches() {
    latch_.fill(0xFFF);
    loaded_.fill(false);
}

void BaselineChip::entered(nanoseconds /*now*/) {
    core_.pc_ = part_.configAddress;
    resetLatches();
}

void BaselineChip::loaded(std::uint16_t word, nanoseconds /*now*/) {
    // The 12-bit core drops the top two bits of the 14 in the frame.
    const auto i = static_cast<std::size_t>(part_.rowWords == 4 ? core_.pc_ & 3 : 0);
    latch_[i] = static_cast<std::uint16_t>(word & 0xFFF);
    loaded_[i] = true;
}

void BaselineChip::command(int code, nanoseconds now) {
    switch (code) {
        case 2:
            core_.loadOrRead(2);
            break;
        case 4: {
            const int pc = core_.pc_;
            const std::uint16_t value = readsZero(pc) ? 0 : word(pc);
            core_.readWord_ = core_.misread(pc, value);
            core_.phase_ = ChipCore::Phase::Read;
            if (core_.log_ != nullptr) {
                core_.log_->commandData(core_.readWord_);
            }
            break;
        }
        case 6:
            // The configuration word is the top of the PC's range.
            core_.pc_ = (core_.pc_ + 1) & part_.configAddress;
            break;
        case 8:
            begin(now);
            break;
        case 14:
            end(now);
            break;
        case 9:
            bulkErase(now);
            break;
        default:
            break;
    }
}

void BaselineChip::begin(nanoseconds now) {
    if (!loaded_[0] && !loaded_[1] && !loaded_[2] && !loaded_[3]) {
        core_.violation(now, "Begin Programming without a load since the last programming cycle");
        return;
    }
    if (!implemented(core_.pc_)) {
        core_.violation(now, "Begin Programming at " + hex3(core_.pc_) + ", where nothing is");
    }
    core_.extCode_ = 8;
    core_.extStart_ = now;
    core_.extPc_ = core_.pc_;
    core_.countCycle(kProgram);
}

void BaselineChip::end(nanoseconds now) {
    if (core_.extCode_ < 0) {
        core_.violation(now, "End Programming without Begin Programming");
        resetLatches();
        return;
    }
    core_.extCode_ = -1;
    const nanoseconds length = now - core_.extStart_;
    if (length < kProgram) {
        core_.violation(
            now, "Begin Programming to End Programming only " +
                     std::to_string(std::chrono::duration_cast<microseconds>(length).count()) +
                     " µs (TPROG: 2 ms); nothing written");
    } else if (part_.rowWords == 4) {
        const int row = core_.extPc_ & ~3;
        for (int i = 0; i < 4; ++i) {
            if (loaded_[static_cast<std::size_t>(i)]) {
                writeCell(row + i, latch_[static_cast<std::size_t>(i)]);
            }
        }
    } else {
        writeCell(core_.extPc_, latch_[0]);
    }
    resetLatches();
    core_.discharge(now);
}

void BaselineChip::bulkErase(nanoseconds now) {
    if (core_.noBulkErase()) {
        return;
    }
    const int pc = core_.pc_;
    const Region region = regionOf(pc);
    const bool chip = region == Region::Ids && part_.idEraseClearsAll;
    // CPDF as it was before the configuration word goes.
    const bool dataWasProtected = dataProtected();
    if (region == Region::Program || region == Region::Config || chip) {
        eraseRange(0, part_.programWords);
        eraseCell(part_.configAddress);
        if (part_.dataAddress >= 0 && dataWasProtected) {
            eraseRange(part_.dataAddress, kBaselineDataWords);
        }
        if (core_.eraseAtCalibration() && part_.backupOsccal >= 0) {
            eraseCell(part_.backupOsccal);
        }
    }
    if (region == Region::Ids) {
        eraseRange(part_.idAddress, part_.idAreaWords);
    } else if (region == Region::Data && !dataWasProtected) {
        eraseRange(part_.dataAddress, kBaselineDataWords);
    } else if (region == Region::None) {
        core_.violation(now, "Bulk Erase at " + hex3(pc) + ", where nothing is: nothing erased");
    }
    core_.startCycle(ChipCore::Cycle::Erase, kErase, now);
}

}  // namespace pk::sim
