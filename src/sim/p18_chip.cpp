#include "sim/p18_chip.h"

#include <cstdio>

#include <algorithm>

namespace pk::sim {

using std::chrono::microseconds;
using std::chrono::nanoseconds;

namespace {

// SFRs in the access bank (address & 0xFF).
constexpr std::uint8_t kEecon1 = 0xA6;
constexpr std::uint8_t kEecon2 = 0xA7;
constexpr std::uint8_t kEedata = 0xA8;
constexpr std::uint8_t kEeadr = 0xA9;
constexpr std::uint8_t kEeadrh = 0xAA;
constexpr std::uint8_t kStatus = 0xD8;
constexpr std::uint8_t kTablat = 0xF5;
constexpr std::uint8_t kTblptrL = 0xF6;
constexpr std::uint8_t kTblptrH = 0xF7;
constexpr std::uint8_t kTblptrU = 0xF8;

constexpr int kRd = 0;
constexpr int kWr = 1;
constexpr int kWren = 2;
constexpr int kFree = 4;
constexpr int kCfgs = 6;
constexpr int kEepgd = 7;

constexpr std::uint32_t kPointerMask = 0x3FFFFF;
constexpr int kRowBytes = 64;

// Configuration byte indexes (0x300000 + n) of the protection bits.
constexpr int kConfig5L = 8;   // CPx
constexpr int kConfig5H = 9;   // CPD (7), CPB (6)
constexpr int kConfig6L = 10;  // WRTx
constexpr int kConfig6H = 11;  // WRTD (7), WRTB (6), WRTC (5)
constexpr int kConfig7L = 12;  // EBTRx
constexpr int kConfig7H = 13;  // EBTRB (6)

constexpr nanoseconds kP12 = microseconds(2);
constexpr nanoseconds kSetupHold{15};  // P3, P4

std::string hex(std::uint32_t v, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(v));
    return text;
}

std::string micros(nanoseconds d) {
    return std::to_string(std::chrono::duration_cast<microseconds>(d).count()) + " µs";
}

bool isRead(int code) {
    return code == 0b0010 || (code >= 0b1000 && code <= 0b1011);
}

}  // namespace

P18Chip::P18Chip(ChipCore& core, const P18Part& part)
    : core_(core),
      part_(part),
      scheme_(*part.scheme),
      flash_(static_cast<std::size_t>(part.flashBytes), 0xFF),
      eeprom_(static_cast<std::size_t>(part.eepromBytes), 0xFF),
      buffer_(static_cast<std::size_t>(part.writeBuffer), 0xFF) {
    ids_.fill(0xFF);
    config_ = part.configErased;
}

void P18Chip::violation(nanoseconds now, const std::string& text) {
    core_.violation(now, text);
}

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

std::uint32_t P18Chip::tablePointer() const {
    return (static_cast<std::uint32_t>(access_[kTblptrU]) << 16 |
            static_cast<std::uint32_t>(access_[kTblptrH]) << 8 | access_[kTblptrL]) &
           kPointerMask;
}

void P18Chip::setTablePointer(std::uint32_t a) {
    a &= kPointerMask;
    access_[kTblptrU] = static_cast<std::uint8_t>(a >> 16);
    access_[kTblptrH] = static_cast<std::uint8_t>(a >> 8);
    access_[kTblptrL] = static_cast<std::uint8_t>(a);
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

// ---- Mode and lines ---------------------------------------------------------

void P18Chip::entered(nanoseconds now) {
    access_.fill(0);
    w_ = 0;
    eraseLow_ = 0;
    eraseHigh_ = 0;
    panel_ = 0;  // single-panel writes until told otherwise
    rises_ = 0;
    falls_ = 0;
    code_ = 0;
    shift_ = 0;
    reading_ = false;
    entry_ = now;
    firstEdge_ = true;
    lastFall_.reset();
    pending_.reset();
    gotoSecond_ = false;
    skipNext_ = false;
    unlock_ = 0;
    tablatMoved_ = false;
    std::fill(buffer_.begin(), buffer_.end(), 0xFF);
    bufferRegion_.reset();
    configLatch_.reset();
    armed_ = Timed::None;
    timed_ = Timed::None;
    lowUntil_.reset();
    eraseArmed_ = false;
    eraseReady_ = false;
    eraseEnd_.reset();
    busy_ = Busy::None;
}

void P18Chip::left(nanoseconds now) {
    if (timed_ != Timed::None) {
        violation(now, "programming mode left while the clock held a programming cycle");
        timed_ = Timed::None;
    }
    if (eraseEnd_ && now < *eraseEnd_) {
        violation(now, "programming mode left during the bulk erase (" + micros(*eraseEnd_ - now) +
                           " early)");
    }
    if (busy_ != Busy::None && now < busyUntil_) {
        violation(now, std::string("programming mode left during a self-timed ") +
                           (busy_ == Busy::Eeprom ? "EEPROM write" : "row erase") + " (" +
                           micros(busyUntil_ - now) + " early)");
    }
    busy_ = Busy::None;
    eraseEnd_.reset();
    reading_ = false;
}

void P18Chip::lines(const ChipPins& before, const ChipPins& pins, nanoseconds now) {
    if (pins.data != before.data && !reading_) {
        if (lastFall_ && now - *lastFall_ < kSetupHold && pins.clock == before.clock) {
            violation(now, "data line changed less than 15 ns after the falling clock edge");
        }
    }
    if (eraseEnd_ && now < *eraseEnd_ && pins.data && !eraseDataLogged_) {
        eraseDataLogged_ = true;
        violation(now, "data line high during the bulk erase (it must stay low for P11)");
    }
    if (pins.clock != before.clock) {
        edge(pins.clock, pins.data, now);
    }
}

void P18Chip::edge(bool up, bool data, nanoseconds now) {
    settle(now);
    if (eraseEnd_) {
        if (now < *eraseEnd_) {
            // The chip is busy and ignores the clock.
            if (!eraseClockLogged_) {
                eraseClockLogged_ = true;
                violation(now, "clock edge during the bulk erase (" + micros(*eraseEnd_ - now) +
                                   " before P11 ends)");
            }
            return;
        }
        if (up && now < *eraseEnd_ + scheme_.p10) {
            violation(now, "clock rose " + micros(now - *eraseEnd_) +
                               " after the bulk erase; P10 asks " + micros(scheme_.p10));
        }
        if (up) {
            eraseEnd_.reset();
        }
    }
    if (up) {
        rising(now);
    } else {
        falling(data, now);
    }
}

void P18Chip::rising(nanoseconds now) {
    if (firstEdge_) {
        firstEdge_ = false;
        if (now - entry_ < kP12) {
            violation(now, "first clock less than 2 µs (P12) after VPP came on");
        }
    }
    if (lowUntil_) {
        if (now < *lowUntil_) {
            violation(now, "clock rose " + micros(now - (*lowUntil_ - scheme_.p10)) +
                               " after a programming cycle; P10 asks " + micros(scheme_.p10));
        }
        lowUntil_.reset();
    }
    ++rises_;
    if (rises_ == 1 && reading_) {
        // The last read's byte stays on the line until here.
        reading_ = false;
        core_.out_.reset();
        core_.outChangedAt_.reset();
    }
    if (rises_ == 4) {
        // The instruction loaded last runs in these clocks.
        tablatMoved_ = false;
        staleTablat_ = access_[kTablat];
        if (pending_) {
            const std::uint16_t op = *pending_;
            pending_.reset();
            if (skipNext_) {
                skipNext_ = false;
            } else {
                execute(op, now);
            }
            if (eraseArmed_) {
                eraseArmed_ = false;
                eraseReady_ = true;
            }
        }
        if (armed_ != Timed::None) {
            timed_ = armed_;
            timedAt_ = armedAt_;
            timedByWr_ = false;
            timedStart_ = now;
            armed_ = Timed::None;
        }
    }
    if (reading_ && rises_ >= 13 && rises_ <= 20) {
        bool bit = ((readByte_ >> (rises_ - 13)) & 1) != 0;
        if (core_.flakyEvery_ > 0 &&
            ++core_.drivenBits_ % static_cast<unsigned>(core_.flakyEvery_) == 0) {
            bit = !bit;
        }
        core_.out_ = bit;
        core_.outChangedAt_ = now;
    }
}

void P18Chip::falling(bool data, nanoseconds now) {
    const bool chipDrives = reading_ && falls_ >= 12;
    if (!chipDrives && now - core_.lastDataChange_ < kSetupHold) {
        violation(now, now == core_.lastDataChange_
                           ? "data line changed in the same port write as the falling clock edge"
                           : "data line changed less than 15 ns before the falling clock edge");
    }
    lastFall_ = now;
    if (falls_ < 20) {
        shift_ |= static_cast<std::uint32_t>(data ? 1 : 0) << falls_;
    }
    ++falls_;
    if (falls_ == 4) {
        code_ = static_cast<int>(shift_ & 0xF);
        if (timed_ != Timed::None) {
            finishTimed(now);
        }
        if (eraseReady_) {
            startBulkErase(now);
        }
        decode(now);
    } else if (falls_ == 20) {
        const auto operand = static_cast<std::uint16_t>(shift_ >> 4);
        rises_ = 0;
        falls_ = 0;
        shift_ = 0;
        if (!isRead(code_)) {
            operandDone(operand, now);
        }
    }
}

void P18Chip::decode(nanoseconds now) {
    const std::uint32_t tp = tablePointer();
    if (core_.log_ != nullptr) {
        core_.log_->command({now, code_, static_cast<int>(tp), std::nullopt});
    }
    switch (code_) {
        case 0b0000:
        case 0b1100:
        case 0b1101:
        case 0b1110:
        case 0b1111:
            return;  // the operand follows
        case 0b0010:
            readByte_ = access_[kTablat];
            if (scheme_.nopBeforeTablat && tablatMoved_) {
                readByte_ = staleTablat_;
                violation(now,
                          "TABLAT shifted out right after MOVWF TABLAT: the old value "
                          "comes out, a NOP must come between");
            }
            break;
        case 0b1000:
        case 0b1001:
        case 0b1010:
        case 0b1011: {
            busy(now, "table read", true);
            std::uint32_t a = tp;
            if (code_ == 0b1011) {
                a = (a + 1) & kPointerMask;
                setTablePointer(a);
            }
            access_[kTablat] = tableRead(a);
            readByte_ = access_[kTablat];
            if (code_ == 0b1001) {
                setTablePointer(a + 1);
            } else if (code_ == 0b1010) {
                setTablePointer(a - 1);
            }
            break;
        }
        default:
            violation(now, "command " + hex(static_cast<std::uint32_t>(code_), 1) +
                               " is not a PIC18 command");
            return;
    }
    reading_ = true;
    if (core_.log_ != nullptr) {
        core_.log_->commandData(readByte_);
    }
}

void P18Chip::operandDone(std::uint16_t operand, nanoseconds now) {
    if (core_.log_ != nullptr) {
        core_.log_->commandData(operand);
    }
    if (code_ == 0b0000) {
        pending_ = operand;
    } else if (code_ >= 0b1100) {
        tableWrite(code_, operand, now);
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

// ---- Core instructions --------------------------------------------------------

int P18Chip::eepromAddress() const {
    if (eeprom_.empty()) {
        return 0;
    }
    // EEADRH exists only where 256 addresses are not enough.
    const int high = eeprom_.size() > 256 ? access_[kEeadrh] << 8 : 0;
    return (high | access_[kEeadr]) % static_cast<int>(eeprom_.size());
}

std::uint8_t P18Chip::reg(std::uint8_t f) const {
    return f == kEecon2 ? 0 : access_[f];
}

void P18Chip::setReg(std::uint8_t f, std::uint8_t v, nanoseconds now) {
    if (f == kEecon1) {
        const std::uint8_t old = access_[kEecon1];
        // WR is only ever set by software, RD clears itself.
        access_[kEecon1] = static_cast<std::uint8_t>((v & ~(1u << kRd)) | (old & (1u << kWr)));
        if ((v & (1u << kRd)) != 0 && !eecon1(kEepgd) && !eecon1(kCfgs) && !eeprom_.empty()) {
            const int n = eepromAddress();
            const std::uint8_t value = configBitClear(kConfig5H, 7) ? 0 : eeprom_[n];
            access_[kEedata] =
                static_cast<std::uint8_t>(core_.misread(static_cast<int>(kP18Eeprom) + n, value));
        }
        if ((v & (1u << kWr)) != 0 && (old & (1u << kWr)) == 0) {
            startWr(now);
        } else if ((v & (1u << kWr)) != 0) {
            busy(now, "WR set", false);
        }
        return;
    }
    if (f == kTblptrU) {
        v = static_cast<std::uint8_t>(v & 0x3F);
    }
    access_[f] = v;
}

void P18Chip::startWr(nanoseconds now) {
    access_[kEecon1] = static_cast<std::uint8_t>(access_[kEecon1] | (1u << kWr));
    const bool unlocked = !scheme_.unlock || unlock_ == 2;
    if (!eecon1(kWren)) {
        violation(now, "WR set with WREN clear: nothing is written");
        clearWr();
        return;
    }
    if (!unlocked) {
        violation(now, "WR set without 55h, AAh written to EECON2 just before: nothing is written");
        clearWr();
        return;
    }
    if (eecon1(kCfgs)) {
        violation(now, "WR set with CFGS: configuration bytes are written by 1111");
        clearWr();
        return;
    }
    if (!eecon1(kEepgd)) {
        if (eeprom_.empty()) {
            clearWr();
            return;
        }
        busy_ = Busy::Eeprom;
        busyUntil_ = now + scheme_.eepromWrite;
        core_.countCycle(scheme_.eepromWrite);
        const int n = eepromAddress();
        const std::uint32_t at = kP18Eeprom + static_cast<std::uint32_t>(n);
        if (!configBitClear(kConfig6H, 7) && !bad(at)) {
            // A byte write erases the byte first; a stuck cell keeps its 0 bits.
            const std::uint8_t v = access_[kEedata];
            eeprom_[n] = stuck(at) ? static_cast<std::uint8_t>(eeprom_[n] & v) : v;
        }
        return;
    }
    if (!eecon1(kFree)) {
        violation(now, "WR on program memory without FREE: the buffer is programmed by 1111");
        clearWr();
        return;
    }
    if (scheme_.selfTimedRowErase) {
        busy_ = Busy::RowErase;
        busyUntil_ = now + scheme_.p11;
        core_.countCycle(scheme_.p11);
        rowErase(tablePointer(), now);
        return;
    }
    // Timed by the host: the erase runs while this command's 4th clock is high.
    timed_ = Timed::RowErase;
    timedAt_ = tablePointer();
    timedByWr_ = true;
    timedStart_ = now;
}

void P18Chip::execute(std::uint16_t op, nanoseconds now) {
    const auto hi = static_cast<std::uint8_t>(op >> 8);
    const auto f = static_cast<std::uint8_t>(op);
    const int bit = (op >> 9) & 7;
    const bool accessBank = (op & 0x0100) == 0;
    const int unlockBefore = unlock_;
    unlock_ = 0;
    if (gotoSecond_) {
        gotoSecond_ = false;
        if ((op & 0xF000) != 0xF000) {
            violation(now, "GOTO without its second word (" + hex(op, 4) + ")");
        }
        return;
    }
    if (op == 0x0000 || (op & 0xF000) == 0xF000) {
        return;  // NOP, or a second word on its own
    }
    if (hi == 0x0E) {  // MOVLW
        w_ = f;
        unlock_ = unlockBefore;
    } else if (hi == 0x09) {  // IORLW
        w_ = static_cast<std::uint8_t>(w_ | f);
    } else if (hi == 0x0A) {  // XORLW
        w_ = static_cast<std::uint8_t>(w_ ^ f);
    } else if (hi == 0x6E) {  // MOVWF f
        if (f == kEecon2) {
            unlock_ = w_ == 0x55 ? 1 : (w_ == 0xAA && unlockBefore == 1 ? 2 : 0);
        }
        if (f == kTablat) {
            tablatMoved_ = true;
        }
        setReg(f, w_, now);
    } else if (hi == 0x6A) {  // CLRF f
        setReg(f, 0, now);
    } else if (hi == 0x50 || hi == 0x52) {  // MOVF f,W / MOVF f,F
        if (f == kEecon1) {
            settle(now);
        }
        if (hi == 0x50) {
            w_ = reg(f);
        }
    } else if (hi == 0x28 || hi == 0x2A) {  // INCF f,W / INCF f,F
        const std::uint8_t r = static_cast<std::uint8_t>(reg(f) + 1);
        access_[kStatus] = static_cast<std::uint8_t>((access_[kStatus] & ~1u) | (r == 0 ? 1 : 0));
        if (hi == 0x2A) {
            setReg(f, r, now);
        } else {
            w_ = r;
        }
    } else if ((op & 0xF000) == 0x8000 && accessBank) {  // BSF f,b
        if (f == kEecon1 && bit == kWr) {
            unlock_ = unlockBefore;
        }
        setReg(f, static_cast<std::uint8_t>(reg(f) | (1u << bit)), now);
        unlock_ = 0;
    } else if ((op & 0xF000) == 0x9000 && accessBank) {  // BCF f,b
        setReg(f, static_cast<std::uint8_t>(reg(f) & ~(1u << bit)), now);
    } else if ((op & 0xF000) == 0xB000 && accessBank) {  // BTFSC f,b
        skipNext_ = ((reg(f) >> bit) & 1) == 0;
    } else if (hi == 0xEF) {  // GOTO, first word
        gotoSecond_ = true;
    } else {
        violation(now, "core instruction " + hex(op, 4) + " is not one the model executes");
    }
}

}  // namespace pk::sim
