// A PIC18F's memories: the cells and their protection, the erases, the
// programming cycles that write them and the table reads and writes.

#include "sim/p18_chip.h"

#include <algorithm>

#include "sim/p18_registers.h"

namespace pk::sim {

using namespace p18reg;
using std::chrono::nanoseconds;

// ---- Memory ---------------------------------------------------------------

std::uint8_t P18Chip::byte(std::uint32_t a) const {
    if (a < flash_.size()) {
        return flash_[a];
    }
    if (a >= kP18Ids && a < kP18Ids + kP18IdBytes) {
        return ids_[a - kP18Ids];
    }
    if (a >= kP18Config && a < kP18Config + kP18ConfigBytes) {
        const std::size_t i = a - kP18Config;
        return static_cast<std::uint8_t>(config_[i] & part_.configMask[i]);
    }
    if (a == kP18DeviceId || a == kP18DeviceId + 1) {
        return static_cast<std::uint8_t>(part_.deviceId >> (a == kP18DeviceId ? 0 : 8));
    }
    if (a >= kP18Eeprom && a < kP18Eeprom + eeprom_.size()) {
        return eeprom_[a - kP18Eeprom];
    }
    return 0;
}

void P18Chip::setByte(std::uint32_t a, std::uint8_t value) {
    if (a < flash_.size()) {
        flash_[a] = value;
    } else if (a >= kP18Ids && a < kP18Ids + kP18IdBytes) {
        ids_[a - kP18Ids] = value;
    } else if (a >= kP18Config && a < kP18Config + kP18ConfigBytes) {
        config_[a - kP18Config] = value;
    } else if (a >= kP18Eeprom && a < kP18Eeprom + eeprom_.size()) {
        eeprom_[a - kP18Eeprom] = value;
    }
}

void P18Chip::eraseAll() {
    erase(p18erase::kChip);
}

std::vector<std::uint8_t> P18Chip::contents() const {
    std::vector<std::uint8_t> all(flash_.begin(), flash_.end());
    all.insert(all.end(), ids_.begin(), ids_.end());
    all.insert(all.end(), config_.begin(), config_.end());
    all.insert(all.end(), eeprom_.begin(), eeprom_.end());
    return all;
}

bool P18Chip::bad(std::uint32_t a) const {
    return core_.badCell_ && static_cast<std::uint32_t>(*core_.badCell_) == a;
}

bool P18Chip::stuck(std::uint32_t a) const {
    return core_.stuck(static_cast<int>(a));
}

bool P18Chip::configBitClear(int index, int bit) const {
    const auto i = static_cast<std::size_t>(index);
    return ((part_.configMask[i] >> bit) & 1) != 0 && ((config_[i] >> bit) & 1) == 0;
}

int P18Chip::blockOf(std::uint32_t a) const {
    return a < static_cast<std::uint32_t>(part_.bootBytes)
               ? -1
               : static_cast<int>(a / static_cast<std::uint32_t>(part_.blockBytes));
}

bool P18Chip::readProtected(std::uint32_t a) const {
    const int b = blockOf(a);
    return b < 0 ? configBitClear(kConfig5H, 6) : configBitClear(kConfig5L, b);
}

bool P18Chip::writeProtected(std::uint32_t a) const {
    // Whether a code-protected block also refuses writes over ICSP is not
    // documented; refusing is the safe guess, a verify shows it either way.
    const int b = blockOf(a);
    const bool wrt = b < 0 ? configBitClear(kConfig6H, 6) : configBitClear(kConfig6L, b);
    return wrt || readProtected(a);
}

void P18Chip::erase(std::uint16_t clears) {
    using namespace p18erase;
    const auto protectionBack = [&](int index, int bit) {
        const auto i = static_cast<std::size_t>(index);
        if (!stuck(kP18Config + static_cast<std::uint32_t>(index))) {
            config_[i] =
                static_cast<std::uint8_t>(config_[i] | (part_.configMask[i] & (1u << bit)));
        }
    };
    for (std::uint32_t a = 0; a < flash_.size(); ++a) {
        const int b = blockOf(a);
        const bool hit = b < 0 ? (clears & kBoot) != 0 : ((clears >> b) & 1) != 0 && b < 6;
        if (hit && !stuck(a)) {
            flash_[a] = 0xFF;
        }
    }
    for (int b = 0; b < 6; ++b) {
        if (((clears >> b) & 1) != 0) {
            protectionBack(kConfig5L, b);
            protectionBack(kConfig6L, b);
            protectionBack(kConfig7L, b);
        }
    }
    if ((clears & kBoot) != 0) {
        protectionBack(kConfig5H, 6);
        protectionBack(kConfig6H, 6);
        protectionBack(kConfig7H, 6);
    }
    if ((clears & kEeprom) != 0) {
        for (std::uint32_t n = 0; n < eeprom_.size(); ++n) {
            if (!stuck(kP18Eeprom + n)) {
                eeprom_[n] = 0xFF;
            }
        }
        protectionBack(kConfig5H, 7);
        protectionBack(kConfig6H, 7);
    }
    if ((clears & kIds) != 0) {
        for (std::uint32_t n = 0; n < ids_.size(); ++n) {
            if (!stuck(kP18Ids + n)) {
                ids_[n] = 0xFF;
            }
        }
    }
    if ((clears & kConfig) != 0) {
        for (std::uint32_t n = 0; n < config_.size(); ++n) {
            if (!stuck(kP18Config + n)) {
                config_[n] = part_.configErased[n];
            }
        }
    }
}

// ---- Self-timed cycles ------------------------------------------------------

void P18Chip::settle(nanoseconds now) {
    if (busy_ != Busy::None && now >= busyUntil_) {
        busy_ = Busy::None;
        clearWr();
    }
}

bool P18Chip::busy(nanoseconds now, const char* what, bool flashOnly) {
    settle(now);
    // An EEPROM write keeps only the EEPROM busy; a row erase the whole flash.
    if (busy_ == Busy::None || (flashOnly && busy_ == Busy::Eeprom)) {
        return false;
    }
    violation(now, std::string(what) + " while a self-timed " +
                       (busy_ == Busy::Eeprom ? "EEPROM write" : "row erase") + " runs (" +
                       micros(busyUntil_ - now) + " left)");
    return true;
}

void P18Chip::clearWr() {
    access_[kEecon1] = static_cast<std::uint8_t>(access_[kEecon1] & ~(1u << kWr));
}

void P18Chip::startBulkErase(nanoseconds now) {
    eraseReady_ = false;
    const std::uint16_t code =
        static_cast<std::uint16_t>((scheme_.eraseHighRegister ? eraseHigh_ << 8 : 0) | eraseLow_);
    eraseEnd_ = now + scheme_.p11;
    eraseClockLogged_ = false;
    eraseDataLogged_ = false;
    core_.countCycle(scheme_.p11 + scheme_.p10);
    const auto known = std::find_if(scheme_.eraseCodes.begin(), scheme_.eraseCodes.end(),
                                    [code](const P18EraseCode& e) { return e.code == code; });
    if (known == scheme_.eraseCodes.end()) {
        violation(now, "erase code " + hex(code, 4) + " (3C0005:3C0004) is not one the " +
                           std::string(part_.name) + " knows; nothing is erased");
        return;
    }
    if (!core_.noBulkErase()) {
        erase(known->clears);
    }
}

void P18Chip::finishTimed(nanoseconds now) {
    const Timed what = timed_;
    timed_ = Timed::None;
    lowUntil_ = now + scheme_.p10;
    // The clock held low for P10 is the chip's time too.
    core_.countCycle(scheme_.p10);
    if (timedByWr_) {
        clearWr();
    } else if (code_ != 0b0000) {
        violation(now, "programming cycle timed by command " +
                           hex(static_cast<std::uint32_t>(code_), 1) + " instead of a NOP");
    }
    const nanoseconds held = now - timedStart_;
    core_.countCycle(scheme_.p9);
    if (held < scheme_.p9) {
        violation(now, "programming clock held high " + micros(held) + "; P9 asks " +
                           micros(scheme_.p9) + ", nothing is written");
        std::fill(buffer_.begin(), buffer_.end(), 0xFF);
        bufferRegion_.reset();
        configLatch_.reset();
        return;
    }
    switch (what) {
        case Timed::Program:
            programBuffer(timedAt_, now);
            break;
        case Timed::Config:
            writeConfig(timedAt_, now);
            break;
        case Timed::RowErase:
            rowErase(timedAt_, now);
            break;
        case Timed::None:
            break;
    }
}

void P18Chip::programBuffer(std::uint32_t at, nanoseconds now) {
    const auto size = static_cast<std::uint32_t>(buffer_.size());
    const std::uint32_t region = at & ~(size - 1);
    if (bufferRegion_ && *bufferRegion_ != region) {
        violation(now, "write buffer filled for " + hex(*bufferRegion_, 6) +
                           " but programming started at " + hex(region, 6));
    }
    if (scheme_.panelRegister && (panel_ & 0x40) != 0) {
        violation(now, "multi-panel writes (3C0006 bit 6) are not modelled; single panel used");
    }
    int overwritten = 0;
    std::uint32_t first = 0;
    std::uint8_t had = 0;
    std::uint8_t asked = 0;
    bool nowhere = false;
    for (std::uint32_t i = 0; i < size; ++i) {
        const std::uint32_t a = region + i;
        const std::uint8_t v = buffer_[i];
        std::uint8_t* cell = nullptr;
        if (a < flash_.size()) {
            cell = writeProtected(a) ? nullptr : &flash_[a];
        } else if (a >= kP18Ids && a < kP18Ids + kP18IdBytes) {
            cell = &ids_[a - kP18Ids];
        } else if (a < kP18Ids || a >= kP18Ids + static_cast<std::uint32_t>(kRowBytes)) {
            nowhere = nowhere || v != 0xFF;
        }
        if (cell == nullptr || v == 0xFF || bad(a)) {
            continue;
        }
        if ((*cell & v) != v) {
            if (overwritten++ == 0) {
                first = a;
                had = *cell;
                asked = v;
            }
        }
        *cell = static_cast<std::uint8_t>(*cell & v);
    }
    if (nowhere) {
        violation(now, "programming at " + hex(region, 6) + ", where there is no program memory");
    }
    if (overwritten > 0) {
        violation(now, "write over unerased memory at " + hex(first, 6) + " (holds " + hex(had, 2) +
                           ", " + hex(asked, 2) + " written; " + std::to_string(overwritten) +
                           " bytes): a write only clears bits");
    }
    std::fill(buffer_.begin(), buffer_.end(), 0xFF);
    bufferRegion_.reset();
}

void P18Chip::writeConfig(std::uint32_t at, nanoseconds now) {
    const std::uint32_t i = at - kP18Config;
    if (at < kP18Config || i >= kP18ConfigBytes) {
        violation(now, "configuration write at " + hex(at, 6) + ", outside 300000..30000D");
        return;
    }
    if (!configLatch_) {
        violation(now, "configuration write without a byte loaded");
        return;
    }
    const std::uint8_t v = *configLatch_;
    configLatch_.reset();
    if (configBitClear(kConfig6H, 5) || bad(at)) {
        return;  // WRTC = 0: the configuration is write-protected
    }
    config_[i] = static_cast<std::uint8_t>(v & part_.configMask[i]);
}

void P18Chip::rowErase(std::uint32_t at, nanoseconds now) {
    const std::uint32_t row = at & ~static_cast<std::uint32_t>(kRowBytes - 1);
    if (row == kP18Ids) {
        for (std::uint32_t n = 0; n < ids_.size(); ++n) {
            if (!stuck(kP18Ids + n)) {
                ids_[n] = 0xFF;
            }
        }
        return;
    }
    if (row >= flash_.size()) {
        violation(now, "row erase at " + hex(row, 6) + ", where there is no program memory");
        return;
    }
    if (writeProtected(row)) {
        return;
    }
    for (std::uint32_t a = row; a < row + kRowBytes; ++a) {
        if (!stuck(a)) {
            flash_[a] = 0xFF;
        }
    }
}

// ---- Table reads and writes ---------------------------------------------------

std::uint8_t P18Chip::tableRead(std::uint32_t a) {
    std::uint8_t v = 0;
    if (a < flash_.size()) {
        v = readProtected(a) ? 0 : flash_[a];
    } else if (a >= kP18Ids) {
        v = byte(a);  // IDs, configuration and device ID stay readable
    }
    return static_cast<std::uint8_t>(core_.misread(static_cast<int>(a), v));
}

void P18Chip::tableWrite(int code, std::uint16_t operand, nanoseconds now) {
    busy(now, "table write", true);
    const std::uint32_t a = tablePointer();
    const bool odd = (a & 1) != 0;
    const auto lo = static_cast<std::uint8_t>(operand);
    const auto hi = static_cast<std::uint8_t>(operand >> 8);
    const std::uint8_t own = odd ? hi : lo;
    if (a == kP18EraseLow) {
        eraseLow_ = own;
        eraseArmed_ = (own & 0x80) != 0;
    } else if (a == kP18EraseHigh) {
        eraseHigh_ = scheme_.eraseHighRegister ? own : 0;
    } else if (a == kP18Panel) {
        panel_ = scheme_.panelRegister ? own : 0;
    } else if (eecon1(kCfgs)) {
        if (a >= kP18Config && a < kP18Config + kP18ConfigBytes) {
            configLatch_ = own;
        } else {
            violation(now, "table write at " + hex(a, 6) + " with CFGS set");
        }
    } else if (!eecon1(kEepgd)) {
        violation(now, "table write at " + hex(a, 6) + " with EEPGD clear");
    } else {
        const auto size = static_cast<std::uint32_t>(buffer_.size());
        const std::uint32_t region = a & ~(size - 1);
        if (!bufferRegion_) {
            bufferRegion_ = region;
        } else if (*bufferRegion_ != region) {
            violation(now, "write buffer filled for " + hex(*bufferRegion_, 6) +
                               ", then loaded at " + hex(a, 6));
        }
        const std::uint32_t i = (a & ~1u) & (size - 1);
        buffer_[i] = lo;
        buffer_[i + 1] = hi;
    }
    const bool start = code == 0b1111 || (code == 0b1110 && scheme_.startOn1110);
    if (start) {
        armed_ = eecon1(kCfgs) ? Timed::Config : eecon1(kFree) ? Timed::RowErase : Timed::Program;
        armedAt_ = a;
    }
    if (code == 0b1101 || (code == 0b1110 && scheme_.startOn1110)) {
        setTablePointer(a + 2);
    } else if (code == 0b1110) {
        setTablePointer(a - 2);
    }
}

}  // namespace pk::sim
