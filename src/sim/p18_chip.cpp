#include "sim/p18_chip.h"

#include <algorithm>

#include "sim/p18_registers.h"

namespace pk::sim {

using namespace p18reg;
using std::chrono::microseconds;
using std::chrono::nanoseconds;

namespace {

constexpr nanoseconds kP12 = microseconds(2);
constexpr nanoseconds kSetupHold{15};  // P3, P4

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

// ---- Registers ------------------------------------------------------------

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