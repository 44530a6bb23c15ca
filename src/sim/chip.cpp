#include "sim/chip.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace pk::sim {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

namespace {

constexpr int kConfigSpace = 0x2000;
constexpr int kDeviceIdAddress = 0x2006;
constexpr int kConfigAddress = 0x2007;
constexpr int kConfig2Address = 0x2008;
constexpr int kDataBase = 0x2100;
constexpr std::uint16_t kFactoryOsccal = 0x3454;  // RETLW 0x54
}  // namespace

const std::vector<ChipModel>& chipModels() {
    // Device IDs carry a plausible silicon revision in bits 4..0.
    static const std::vector<ChipModel> models{
        {"16F84", Family::F84, 1024, 64, 0x0000, 0x3FFF},
        {"16F84A", Family::F84, 1024, 64, 0x0561, 0x3FFF},
        {"16F870", Family::F87x, 2048, 64, 0x0D06, 0x3BFF},
        {"16F871", Family::F87x, 2048, 64, 0x0D26, 0x3BFF},
        {"16F872", Family::F87x, 2048, 64, 0x08E6, 0x3BFF},
        {"16F873", Family::F87x, 4096, 128, 0x0966, 0x3BFF},
        {"16F874", Family::F87x, 4096, 128, 0x0926, 0x3BFF},
        {"16F876", Family::F87x, 8192, 256, 0x09E6, 0x3BFF},
        {"16F877", Family::F87x, 8192, 256, 0x09A6, 0x3BFF},
        {"16F73", Family::F7x, 4096, 0, 0x0602, 0x005F},
        {"16F74", Family::F7x, 4096, 0, 0x0622, 0x005F},
        {"16F76", Family::F7x, 8192, 0, 0x0642, 0x005F},
        {"16F77", Family::F7x, 8192, 0, 0x0662, 0x005F},
        {"16F627", Family::F62x, 1024, 128, 0x07A3, 0x3DFF},
        {"16F628", Family::F62x, 2048, 128, 0x07C3, 0x3DFF},
        {"16F627A", Family::F62xA, 1024, 128, 0x1042, 0x21FF},
        {"16F628A", Family::F62xA, 2048, 128, 0x1062, 0x21FF},
        {"16F648A", Family::F62xA, 4096, 256, 0x1102, 0x21FF},
        {"16F873A", Family::F87xA, 4096, 128, 0x0E43, 0x2FCF},
        {"16F874A", Family::F87xA, 4096, 128, 0x0E63, 0x2FCF},
        {"16F876A", Family::F87xA, 8192, 256, 0x0E03, 0x2FCF},
        {"16F877A", Family::F87xA, 8192, 256, 0x0E23, 0x2FCF},
        {"16F87", Family::F88, 4096, 256, 0x0723, 0x3FFF, 0x0003},
        {"16F88", Family::F88, 4096, 256, 0x0763, 0x3FFF, 0x0003},
        {"16F818", Family::F88, 1024, 128, 0x04C3, 0x3FFF, 0, milliseconds(8)},
        {"16F819", Family::F88, 2048, 256, 0x04E3, 0x3FFF, 0, milliseconds(8)},
        {"12F629", Family::F629, 1024, 128, 0x0F82, 0x31FF},
        {"12F675", Family::F629, 1024, 128, 0x0FC2, 0x31FF},
        {"16F630", Family::F629, 1024, 128, 0x10C2, 0x31FF},
        {"16F676", Family::F629, 1024, 128, 0x10E2, 0x31FF},
    };
    return models;
}

CycleTimes cycleTimes(const ChipModel& model) {
    switch (model.family) {
        case Family::F84:
            if (model.deviceId == 0) {
                // 16F84: Microchip's own programmer times every cycle at 20 ms; the
                // erase sequences wait 10 ms.
                return {milliseconds(20), milliseconds(20), milliseconds(20), milliseconds(10),
                        milliseconds(10)};
            }
            // 16F84A: erase and write of a word about 8 ms, program only 4 ms,
            // the erase sequences 10 ms.
            return {milliseconds(8), milliseconds(8), milliseconds(4), milliseconds(10),
                    milliseconds(10)};
        case Family::F87x:
            // tera and tprog at most 4 ms each; the erase sequence waits 8 ms.
            return {milliseconds(8), milliseconds(8), milliseconds(4), milliseconds(8),
                    milliseconds(8)};
        case Family::F62x:
            // Tera at most 5 ms, Tprog at most 8 ms; every 8 erases, then writes.
            return {milliseconds(13), milliseconds(13), milliseconds(8), milliseconds(13),
                    milliseconds(13)};
        case Family::F7x:
            // Programming is timed by the host (8 .. 14); the chip erase runs 30 ms.
            // A read bit is valid 200 ns after the rising edge, not 80.
            return {milliseconds(1),  milliseconds(1), milliseconds(1), milliseconds(30),
                    milliseconds(30), milliseconds(0), milliseconds(0), nanoseconds(200)};
        case Family::F62xA:
            // TPROG at most 4 ms, TDPROG and TERA at most 6 ms.
            return {milliseconds(4), milliseconds(6), milliseconds(4), milliseconds(6),
                    milliseconds(6)};
        case Family::F87xA:
            // Begin Erase/Programming and chip erase at most 8 ms each; the host
            // times 24 .. 23 itself, at least 1 ms.
            return {milliseconds(8), milliseconds(8), milliseconds(1), milliseconds(8),
                    milliseconds(8), milliseconds(8), milliseconds(1)};
        case Family::F88: {
            // Everything but the chip erase is timed by the host: at least 1 ms, a
            // bulk erase 2 ms. The chip erase: the 16F87/88 8 ms in DS39607B, 10 ms
            // in the later revision; the 16F818/819 8 ms (DS39603C).
            const nanoseconds chipErase =
                model.chipErase.count() > 0 ? model.chipErase : milliseconds(10);
            return {milliseconds(1), milliseconds(1), milliseconds(1), milliseconds(2),
                    milliseconds(2), chipErase,       milliseconds(1)};
        }
        case Family::F629:
            // TPROG1 at most 2.5 ms for a program word, 6 ms for a data byte; TERA
            // at most 8 ms; 24 .. 10 at least TPROG2, 2 ms.
            return {microseconds(2500), milliseconds(6), milliseconds(2), milliseconds(8),
                    milliseconds(0),    milliseconds(0), milliseconds(2)};
    }
    return {};
}

const ChipModel* findChip(std::string_view name) {
    std::string n;
    for (char c : name) {
        n += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (n.rfind("PIC", 0) == 0) {
        n.erase(0, 3);
    }
    for (const auto& s : chipModels()) {
        if (s.name == n) {
            return &s;
        }
    }
    return nullptr;
}

SimChip::SimChip(const ChipModel& model)
    : model_(model),
      program_(static_cast<std::size_t>(model.programWords), 0x3FFF),
      eeprom_(static_cast<std::size_t>(model.eepromBytes), 0xFF) {
    ids_.fill(0x3FFF);
    if (model.family == Family::F629) {
        // What the factory measured: an oscillator calibration and bandgap bits 10.
        program_.back() = kFactoryOsccal;
        config_ = static_cast<std::uint16_t>(model.configMask & ~0x1000);
    }
}

void SimChip::eraseAll() {
    eraseProgram();
    eraseData();
    eraseIds();
    if (!stuck(kConfigAddress)) {
        config_ = erasedConfig();
    }
    if (!stuck(kConfig2Address)) {
        config2_ = 0x3FFF;
    }
}

std::vector<std::uint16_t> SimChip::contents() const {
    std::vector<std::uint16_t> all(program_.begin(), program_.end());
    all.insert(all.end(), ids_.begin(), ids_.end());
    all.push_back(config_);
    all.push_back(config2_);
    all.insert(all.end(), eeprom_.begin(), eeprom_.end());
    return all;
}

void SimChip::setFlaky(int everyNth, unsigned seed) {
    flakyEvery_ = everyNth > 0 ? everyNth : 0;
    drivenBits_ = flakyEvery_ > 0 ? seed % static_cast<unsigned>(flakyEvery_) : 0;
}

std::uint16_t SimChip::misread(int address, std::uint16_t value) {
    if (!misreadCell_ || *misreadCell_ != address || misreadLeft_ <= 0) {
        return value;
    }
    return --misreadLeft_ == 0 ? static_cast<std::uint16_t>(value ^ 1) : value;
}

// ---- Memory -------------------------------------------------------------

std::uint16_t SimChip::word(int address) const {
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
    if (address == kConfig2Address) {
        return model_.configMask2 != 0 ? config2_ : 0x3FFF;
    }
    if (address >= kDataBase && address < kDataBase + model_.eepromBytes) {
        return eeprom_[static_cast<std::size_t>(address - kDataBase)];
    }
    return 0x3FFF;
}

void SimChip::setWord(int address, std::uint16_t value) {
    if (address >= 0 && address < kConfigSpace) {
        program_[static_cast<std::size_t>(address % model_.programWords)] = value & 0x3FFF;
    } else if (address >= kConfigSpace && address <= kConfigSpace + 3) {
        ids_[static_cast<std::size_t>(address - kConfigSpace)] = value & 0x3FFF;
    } else if (address == kConfigAddress) {
        // Unimplemented bits read 1; bits 11:9 of the 12F629 family read 0.
        const std::uint16_t unimplemented =
            model_.family == Family::F629 ? 0 : (~model_.configMask & 0x3FFF);
        config_ = static_cast<std::uint16_t>((value & model_.configMask) | unimplemented);
    } else if (address == kConfig2Address && model_.configMask2 != 0) {
        config2_ = static_cast<std::uint16_t>((value & model_.configMask2) |
                                              (~model_.configMask2 & 0x3FFF));
    } else if (address >= kDataBase && address < kDataBase + model_.eepromBytes) {
        eeprom_[static_cast<std::size_t>(address - kDataBase)] = static_cast<std::uint8_t>(value);
    }
}

std::uint16_t SimChip::erasedValue(int address) const {
    return address >= kDataBase ? 0xFF : 0x3FFF;
}

void SimChip::eraseProgram() {
    for (std::size_t a = 0; a < program_.size(); ++a) {
        if (!stuck(static_cast<int>(a))) {
            program_[a] = 0x3FFF;
        }
    }
}

void SimChip::eraseData() {
    for (std::size_t n = 0; n < eeprom_.size(); ++n) {
        if (!stuck(kDataBase + static_cast<int>(n))) {
            eeprom_[n] = 0xFF;
        }
    }
}

void SimChip::eraseIds() {
    for (std::size_t i = 0; i < ids_.size(); ++i) {
        if (!stuck(kConfigSpace + static_cast<int>(i))) {
            ids_[i] = 0x3FFF;
        }
    }
}

// ---- Code protection ----------------------------------------------------

bool SimChip::programProtected(int address) const {
    const int a = address % model_.programWords;
    const int cfg = config_;
    switch (model_.family) {
        case Family::F84:
            return (cfg & 0x3FF0) != 0x3FF0;
        case Family::F7x:
            return (cfg & 0x0010) == 0;
        case Family::F87x: {
            // Both copies of CP1:CP0 count; a 0 in either protects.
            const int cp = ((cfg >> 12) & 3) & ((cfg >> 4) & 3);
            if (cp == 3) {
                return false;
            }
            if (cp == 0 || model_.programWords <= 2048) {
                return true;  // 870..872 know only "off" and "all"
            }
            const int top = model_.programWords;
            return cp == 2 ? a >= top - 0x100 : a >= top / 2;
        }
        case Family::F62x: {
            const int cp = ((cfg >> 12) & 3) & ((cfg >> 10) & 3);
            if (model_.programWords == 1024) {  // 16F627
                return cp == 0 || (cp == 1 && a >= 0x200);
            }
            return cp == 0 || (cp == 1 && a >= 0x200) || (cp == 2 && a >= 0x400);
        }
        case Family::F62xA:
        case Family::F87xA:
        case Family::F88:
            return (cfg & 0x2000) == 0;  // one CP bit for all of program memory
        case Family::F629:
            return (cfg & 0x0080) == 0;
    }
    return false;
}

bool SimChip::anyProgramProtected() const {
    return programProtected(model_.programWords - 1);
}

bool SimChip::dataProtected() const {
    switch (model_.family) {
        case Family::F84:
            return anyProgramProtected();  // no CPD bit: CP covers the EEPROM too
        case Family::F87x:
        case Family::F62x:
        case Family::F62xA:
        case Family::F87xA:
        case Family::F88:
        case Family::F629:
            return (config_ & 0x0100) == 0;
        case Family::F7x:
            return false;
    }
    return false;
}

// ---- Pins ---------------------------------------------------------------

void SimChip::violation(nanoseconds now, std::string text) {
    if (log_ != nullptr) {
        log_->violation(now, std::string(model_.name) + ": " + text);
    }
}

void SimChip::plug(const ChipPins& pins) {
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

bool SimChip::runsOwnProgram() const {
    // The 16F62x, 16F62xA, 16F87/88 and 16F818/819 can run on their internal
    // oscillator with MCLR as an input (FOSC2:0 = 10x, MCLRE = 0): then nothing on
    // MCLR stops them once VDD is on. All keep FOSC2 in bit 4, MCLRE in bit 5.
    const Family f = model_.family;
    if (f != Family::F62x && f != Family::F62xA && f != Family::F88 && f != Family::F629) {
        return false;
    }
    // The 12F629 family keeps FOSC2:0 in bits 2..0.
    const int fosc = f == Family::F629 ? config_ & 7 : ((config_ >> 2) & 4) | (config_ & 3);
    const bool internalOscillator = fosc == 4 || fosc == 5;
    const bool mclrDisabled = (config_ & 0x0020) == 0;
    return internalOscillator && mclrDisabled;
}

void SimChip::trackLines(const ChipPins& before, const ChipPins& pins, nanoseconds now) {
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

void SimChip::settled(const ChipPins& pins, nanoseconds now) {
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

void SimChip::checkEntryLines(const ChipPins& pins, nanoseconds now) {
    if (const char* high = highLines(pins)) {
        violation(now, std::string("programming mode entered with ") + high + " high");
    } else if (linesLowSince_ && now - *linesLowSince_ < nanoseconds(100)) {
        violation(now, "clock and data low less than 100 ns before VPP came on");
    }
}

SimChip::VppFirstLines SimChip::startVppFirst(const ChipPins& pins, nanoseconds now) {
    if (const char* high = highLines(pins)) {
        violation(now, std::string("no programming mode: ") + high + " high when VPP came on");
        return VppFirstLines::HighAtVpp;
    }
    if (linesLowSince_ && now - *linesLowSince_ < nanoseconds(100)) {
        violation(now, "clock and data low less than 100 ns before VPP came on");
    }
    return VppFirstLines::Low;
}

void SimChip::finishVppFirst(const ChipPins& pins, nanoseconds now) {
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

void SimChip::update(const ChipPins& pins, nanoseconds now) {
    const ChipPins before = prev_;
    prev_ = pins;
    trackLines(before, pins, now);
    // A self-timed cycle that has run out is simply over.
    if (cycle_ != Cycle::None && now >= cycleEnd_) {
        cycle_ = Cycle::None;
    }
    const bool vppRose = pins.vpp && !before.vpp;

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
            // The 16F87/88 and 16F818/819 give the host 250 µs before their program starts.
            running_ = model_.family != Family::F88 && runsOwnProgram();
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
        const bool late = model_.family == Family::F88 && !running_ && runsOwnProgram() &&
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
        checkEntryLines(pins, now);
        enterMode(pins, now);
        return;
    }
    if (mode_ && pins.clock != before.clock) {
        clockEdge(pins.clock, pins.data, now);
    }
}

void SimChip::enterMode(const ChipPins& /*pins*/, nanoseconds now) {
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
    resetRowLatches();
    loadSinceEntry_ = false;
    extCode_ = -1;
    extArm_ = Arm::None;
    if (log_ != nullptr) {
        log_->modeEntered();
    }
}

void SimChip::leaveMode(nanoseconds now) {
    if (cycle_ != Cycle::None && now < cycleEnd_) {
        interruptCycle(now, "supply switched off during a programming cycle");
    }
    if (programming7x_) {
        violation(now, "programming mode left between Begin Programming and End Programming");
        programming7x_ = false;
    }
    if (extCode_ >= 0) {
        violation(now, "programming mode left between Begin and End Programming");
        extCode_ = -1;
    }
    cycle_ = Cycle::None;
    mode_ = false;
    out_.reset();
    outChangedAt_.reset();
}

void SimChip::interruptCycle(nanoseconds now, const char* why) {
    const auto left = std::chrono::duration_cast<microseconds>(cycleEnd_ - now).count();
    violation(now, std::string(why) + " (" + std::to_string(left) + " µs early)");
    if (cycleCell_ >= 0) {
        setWord(cycleCell_, cycleRestore_);
    }
    cycle_ = Cycle::None;
    cycleCell_ = -1;
}

void SimChip::startCycle(Cycle kind, nanoseconds length, nanoseconds now) {
    cycle_ = kind;
    cycleEnd_ = now + length;
    cycleCell_ = -1;
    cycleTime_ += length;
}

// ---- Serial protocol ----------------------------------------------------

void SimChip::clockEdge(bool rising, bool data, nanoseconds now) {
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
        if (lastUnitEnd_ && now - *lastUnitEnd_ < microseconds(1)) {
            violation(now, "less than 1 µs between commands or between a command and its data");
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

bool SimChip::sampled(nanoseconds now) {
    if (!outChangedAt_) {
        return true;
    }
    const nanoseconds valid = cycleTimes(model_).dataValid;
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

void SimChip::endUnit(nanoseconds now) {
    lastUnitEnd_ = now;
    fallingEdges_ = 0;
    risingEdges_ = 0;
    shift_ = 0;
    phase_ = Phase::Command;
}

bool SimChip::supports(int code) const {
    const Family f = model_.family;
    if (newFamily()) {
        switch (code) {
            case 0:
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
            case 8:
            case 9:
            case 11:
                return true;
            case 24:
                return f != Family::F62xA;
            case 23:
            case 31:
                return f != Family::F62xA && f != Family::F629;
            case 10:
                return f == Family::F629;
            default:
                return false;
        }
    }
    const bool old84 = f == Family::F84 && model_.deviceId == 0;
    switch (code) {
        case 0:
        case 2:
        case 4:
        case 6:
        case 8:
            return true;
        case 9:
            return f != Family::F87x;  // its only erase is the 1, 7 pair
        case 11:
            return f != Family::F7x && f != Family::F87x;
        case 3:
        case 5:
        case 1:
        case 7:
            return f != Family::F7x;
        case 24:
            return f != Family::F7x && !old84;
        case 14:
            return f == Family::F7x;
        default:
            return false;
    }
}

void SimChip::decode(int code, nanoseconds now) {
    if (log_ != nullptr) {
        log_->command({now, code, pc_, std::nullopt});
    }
    if (!supports(code)) {
        violation(now, "command " + std::to_string(code) + " is not supported by this chip");
        return;
    }
    if (programming7x_ && code != 14) {
        violation(now, "command " + std::to_string(code) +
                           " between Begin Programming and End Programming; programming aborted");
        programming7x_ = false;
    }

    if (extCode_ >= 0 && code != endCode()) {
        violation(now, "command " + std::to_string(code) +
                           " between Begin and End Programming; the cycle is aborted");
        extCode_ = -1;
        extArm_ = Arm::None;
    }

    // The erase commands arm only the command that follows them directly.
    const Arm armed = arm_;
    arm_ = Arm::None;
    if (newFamily() &&
        (code == 6 || code == 8 || code == 9 || code == 10 || code == 11 || code >= 23)) {
        decodeNew(code, armed, now);
        return;
    }

    switch (code) {
        case 0:
            pc_ = kConfigSpace;
            loadKind_ = LoadKind::Config;
            phase_ = Phase::Load;
            break;
        case 2:
            loadKind_ = LoadKind::Program;
            phase_ = Phase::Load;
            break;
        case 3:
            loadKind_ = LoadKind::Data;
            phase_ = Phase::Load;
            break;
        case 4:
            readWord_ = misread(programAddress(pc_), readProgram(pc_));
            phase_ = Phase::Read;
            if (log_ != nullptr) {
                log_->commandData(readWord_);
            }
            break;
        case 5:
            readWord_ = misread(kDataBase + pc_ % std::max(model_.eepromBytes, 1), readData(pc_));
            phase_ = Phase::Read;
            if (log_ != nullptr) {
                log_->commandData(readWord_);
            }
            break;
        case 6:
            pc_ = pc_ < kConfigSpace ? (pc_ + 1) & 0x1FFF
                                     : kConfigSpace + ((pc_ + 1 - kConfigSpace) & 0x1FFF);
            break;
        case 8:
            arm_ = armed;  // begin() consumes it
            begin(true, now);
            arm_ = Arm::None;
            break;
        case 24:
            begin(false, now);
            break;
        case 9:
            if (model_.family == Family::F7x) {
                if (noBulkErase_) {
                    break;
                }
                // Self-timed; removes code protection together with everything else.
                eraseProgram();
                eraseIds();
                if (!stuck(kConfigAddress)) {
                    config_ = 0x3FFF;
                }
                latch7x_ = {0x3FFF, 0x3FFF};
                latch7xLoaded_ = {false, false};
                startCycle(Cycle::Erase7x, cycleTimes(model_).bulkErase, now);
            } else {
                arm_ = noBulkErase_ ? Arm::Dead : Arm::BulkProgram;
            }
            break;
        case 11:
            arm_ = noBulkErase_ ? Arm::Dead : Arm::BulkData;
            break;
        case 1:
            arm_ = Arm::Setup1;
            break;
        case 7:
            if (armed == Arm::Setup1) {
                arm_ = Arm::Setup17;
            }
            break;
        case 14:
            end7x(now);
            break;
        default:
            break;
    }
}

void SimChip::loaded(std::uint16_t word, nanoseconds /*now*/) {
    if (log_ != nullptr) {
        log_->commandData(word);
    }
    if (newFamily()) {
        if (model_.family == Family::F88 && loadKind_ == LoadKind::Config) {
            return;  // Load Configuration only moves the PC on these chips
        }
        latch_ = word;
        latchLoaded_ = true;
        loadSinceEntry_ = true;
        if (loadKind_ != LoadKind::Data && latchWords() > 1) {
            const auto i = static_cast<std::size_t>(pc_ & (latchWords() - 1));
            rowLatch_[i] = word;
            rowLoaded_[i] = true;
        }
        return;
    }
    if (model_.family == Family::F7x) {
        latch7x_[static_cast<std::size_t>(pc_ & 1)] = word;
        latch7xLoaded_[static_cast<std::size_t>(pc_ & 1)] = true;
    } else {
        latch_ = word;
        latchLoaded_ = true;
    }
}

int SimChip::programAddress(int pc) const {
    if (pc >= kConfigSpace && pc < kConfigSpace + 0x10) {
        return pc;
    }
    return (pc & 0x1FFF) % model_.programWords;
}

std::uint16_t SimChip::readProgram(int pc) const {
    const int a = programAddress(pc);
    if (a < kConfigSpace) {
        // The 12F629 family's calibration word stays readable under protection.
        const bool calibration = model_.family == Family::F629 && a == model_.programWords - 1;
        return programProtected(a) && !calibration ? 0 : program_[static_cast<std::size_t>(a)];
    }
    return word(a);  // IDs, device ID, configuration; reserved words read 0x3FFF
}

std::uint16_t SimChip::readData(int pc) const {
    if (model_.eepromBytes == 0) {
        return 0x3FFF;
    }
    if (dataProtected()) {
        return 0;
    }
    return eeprom_[static_cast<std::size_t>(pc % model_.eepromBytes)];
}

SimChip::WriteKind SimChip::writeCell(int address, std::uint16_t latch, bool andOnly) {
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
    if (address == kConfigAddress || (address == kConfig2Address && model_.configMask2 != 0)) {
        // Protection cannot be lifted by rewriting the word: only an erase sets bits.
        const bool onlyClear = andOnly || anyProtected();
        const std::uint16_t old = address == kConfigAddress ? config_ : config2_;
        setWord(address, onlyClear ? (old & latch) : latch);
        return onlyClear ? WriteKind::ClearBits : WriteKind::Overwrite;
    }
    return WriteKind::None;  // reserved words and the device ID take no writes
}

void SimChip::begin(bool erase, nanoseconds now) {
    if (model_.family == Family::F7x) {
        if (!latch7xLoaded_[0] && !latch7xLoaded_[1]) {
            violation(now, "Begin Programming without a load since the last programming cycle");
            return;
        }
        programming7x_ = true;
        cycleTime_ += cycleTimes(model_).word;
        programStart7x_ = now;
        programPc7x_ = pc_;
        return;
    }

    const Arm armed = arm_;
    const bool hadLoad = latchLoaded_;
    const std::uint16_t latch = latch_;
    latchLoaded_ = false;
    latch_ = 0x3FFF;
    if (!hadLoad) {
        violation(now, std::string("Begin ") + (erase ? "Erase/Programming" : "Programming Only") +
                           " without a load since the last programming cycle");
        if (armed == Arm::None) {
            return;
        }
    }

    const CycleTimes times = cycleTimes(model_);
    if (armed == Arm::Dead) {
        startCycle(Cycle::Erase, times.bulkErase, now);  // the broken erase runs, erasing nothing
        return;
    }
    if (armed == Arm::BulkProgram || armed == Arm::BulkData) {
        if (!erase) {
            violation(now, "bulk erase must be started with command 8");
            return;
        }
        if (!anyProtected()) {
            if (armed == Arm::BulkData) {
                eraseData();
            } else {
                eraseProgram();
                if (pc_ >= kConfigSpace) {
                    eraseIds();
                }
            }
        }
        startCycle(Cycle::Erase, times.bulkErase, now);
        return;
    }
    if (armed == Arm::Setup17) {
        if (!erase) {
            violation(now, "the erase after commands 1 and 7 must be started with command 8");
            return;
        }
        if (pc_ == kConfigAddress) {
            // The way out of code protection: the whole chip is erased with it.
            eraseAll();
        } else if (!anyProtected()) {
            if (pc_ >= kConfigSpace) {
                eraseProgram();
                eraseIds();
            } else if (loadKind_ == LoadKind::Data) {
                eraseData();
            } else {
                eraseProgram();
            }
        }
        startCycle(Cycle::Erase, times.setupErase, now);
        return;
    }

    // A single word (or byte).
    int cell;
    nanoseconds length;
    if (loadKind_ == LoadKind::Data) {
        if (model_.eepromBytes == 0) {
            return;
        }
        cell = kDataBase + pc_ % model_.eepromBytes;
        length = erase ? times.dataByte : times.programOnly;
    } else {
        cell = programAddress(pc_);
        length = erase ? times.word : times.programOnly;
    }
    const std::uint16_t before = word(cell);
    const WriteKind kind = writeCell(cell, latch, !erase);
    startCycle(Cycle::Write, length, now);
    if (kind != WriteKind::None) {
        // Broken off, an erase-and-write leaves the cell erased; a write that only
        // clears bits leaves what was there.
        cycleCell_ = cell;
        cycleRestore_ = kind == WriteKind::Overwrite ? erasedValue(cell) : before;
    }
}

void SimChip::end7x(nanoseconds now) {
    if (!programming7x_) {
        violation(now, "End Programming without Begin Programming");
        return;
    }
    programming7x_ = false;
    const auto length = now - programStart7x_;
    const int base = programPc7x_ & ~1;
    if (length < milliseconds(1)) {
        violation(now,
                  "Begin Programming to End Programming only " +
                      std::to_string(std::chrono::duration_cast<microseconds>(length).count()) +
                      " µs (at least 1 ms)");
    } else {
        for (int i = 0; i < 2; ++i) {
            if (latch7xLoaded_[static_cast<std::size_t>(i)]) {
                writeCell(programAddress(base + i), latch7x_[static_cast<std::size_t>(i)], true);
            }
        }
    }
    latch7x_ = {0x3FFF, 0x3FFF};
    latch7xLoaded_ = {false, false};
    dischargeUntil_ = now + microseconds(100);
}

// ---- The 16F62xA, 16F87xA, 16F87/88 and 16F818/819 ------------------------

int SimChip::latchWords() const {
    switch (model_.family) {
        case Family::F87xA:
            return 8;
        case Family::F88:
            return 4;
        default:
            return 1;
    }
}

void SimChip::resetRowLatches() {
    rowLatch_.fill(0x3FFF);
    rowLoaded_.fill(false);
    latch_ = 0x3FFF;
    latchLoaded_ = false;
}

void SimChip::decodeNew(int code, Arm armed, nanoseconds now) {
    const Family f = model_.family;
    const CycleTimes times = cycleTimes(model_);
    switch (code) {
        case 6:
            if (pc_ >= kConfigSpace) {
                pc_ = kConfigSpace + ((pc_ + 1 - kConfigSpace) & 0x1FFF);
            } else if (f == Family::F62xA) {
                pc_ = (pc_ + 1) % model_.programWords;  // wraps at the end of the chip's memory
            } else if (f == Family::F88) {
                pc_ = pc_ + 1;  // 0x1FFF steps into configuration space
            } else {
                pc_ = (pc_ + 1) & 0x1FFF;
            }
            break;
        case 9:
        case 11:
            if (f != Family::F62xA && f != Family::F629) {
                arm_ = noBulkErase_ ? Arm::Dead : code == 9 ? Arm::BulkProgram : Arm::BulkData;
                break;
            }
            // Self-timed. Only a bulk erase sets the configuration word back, and it
            // does so whatever the protection; a protected EEPROM goes with it.
            if (!noBulkErase_) {
                if (code == 11) {
                    // The 12F629 family keeps a protected EEPROM from 11 alone.
                    if (f != Family::F629 || !dataProtected()) {
                        eraseData();
                    }
                } else {
                    const bool dataToo = dataProtected();
                    eraseProgram();  // on the 12F629 family the calibration word too
                    if (pc_ >= kConfigSpace) {
                        eraseIds();
                    }
                    if (dataToo) {
                        eraseData();
                    }
                    if (!stuck(kConfigAddress)) {
                        config_ = erasedConfig();
                    }
                }
            }
            startCycle(Cycle::Erase, times.bulkErase, now);
            break;
        case 31:
            if (!noBulkErase_) {
                eraseProgram();
                eraseData();
                if (pc_ >= kConfigSpace) {
                    eraseIds();
                }
                if (!stuck(kConfigAddress)) {
                    config_ = 0x3FFF;
                }
                if (!stuck(kConfig2Address)) {
                    config2_ = 0x3FFF;
                }
            }
            startCycle(Cycle::Erase, times.chipErase, now);
            break;
        case 8:
            if (f == Family::F88) {
                startExternal(code, armed, now);
            } else if (f == Family::F87xA && (armed == Arm::BulkProgram || armed == Arm::BulkData ||
                                              armed == Arm::Dead)) {
                bulkErase(armed);
                startCycle(Cycle::Erase, times.bulkErase, now);
            } else {
                beginRow(now);
            }
            break;
        case 24:
            startExternal(code, armed, now);
            break;
        case 10:
        case 23:
            endExternal(now);
            break;
        default:
            break;
    }
}

void SimChip::bulkErase(Arm armed) {
    // Both bulk erases refuse to run on protected memory; the chip erase is the way out.
    if (armed == Arm::BulkProgram && !anyProgramProtected()) {
        eraseProgram();
        if (pc_ >= kConfigSpace) {
            eraseIds();  // the configuration words stay
        }
    } else if (armed == Arm::BulkData && !dataProtected()) {
        eraseData();
    }
}

// 8 on the 16F62xA (one word, program only) and the 16F87xA (erase and write a row).
void SimChip::beginRow(nanoseconds now) {
    const CycleTimes times = cycleTimes(model_);
    const bool rows = latchWords() > 1;
    const bool f629 = model_.family == Family::F629;
    const bool anyRow = std::any_of(rowLoaded_.begin(), rowLoaded_.end(), [](bool b) { return b; });
    if (!latchLoaded_ && !(rows && anyRow)) {
        violation(now, "Begin Programming without a load since the last programming cycle");
        return;
    }
    if (loadKind_ == LoadKind::Data) {
        if (model_.eepromBytes == 0) {
            resetRowLatches();
            return;
        }
        const int cell = kDataBase + pc_ % model_.eepromBytes;
        const std::uint16_t before = word(cell);
        // The 12F629 family erases the byte before it writes it; the 16F62xA does not.
        const WriteKind kind = writeCell(cell, latch_, !rows && f629 == false);
        resetRowLatches();
        startCycle(Cycle::Write, times.dataByte, now);
        if (kind != WriteKind::None) {
            cycleCell_ = cell;
            cycleRestore_ = kind == WriteKind::Overwrite ? erasedValue(cell) : before;
        }
        return;
    }
    const int a = programAddress(pc_);
    if (!rows) {
        // 16F62xA, 12F629 family: program only; the cell must have been bulk-erased before.
        const std::uint16_t before = word(a);
        const WriteKind kind = writeCell(a, latch_, true);
        resetRowLatches();
        startCycle(Cycle::Write, times.word, now);
        if (kind != WriteKind::None) {
            cycleCell_ = a;
            cycleRestore_ = before;
        }
        return;
    }
    if (a >= kConfigSpace) {
        if (a <= kConfigSpace + 3) {
            for (int i = 0; i < 4; ++i) {
                if (rowLoaded_[static_cast<std::size_t>(i)]) {
                    writeCell(kConfigSpace + i, rowLatch_[static_cast<std::size_t>(i)], false);
                }
            }
        } else if (a == kConfigAddress && rowLoaded_[7]) {
            writeCell(a, rowLatch_[7], false);  // only with the PC right on it
        }
        resetRowLatches();
        startCycle(Cycle::Write, times.word, now);
        return;
    }
    const auto loaded = std::count(rowLoaded_.begin(), rowLoaded_.end(), true);
    if (loaded < 8) {
        violation(now, "Begin Erase/Programming with " + std::to_string(loaded) +
                           " of the eight write latches loaded");
    }
    const int base = a & ~7;
    for (int i = 0; i < 8; ++i) {
        const auto k = static_cast<std::size_t>(i);
        writeCell(base + i, rowLoaded_[k] ? rowLatch_[k] : 0x3FFF, false);
    }
    resetRowLatches();
    startCycle(Cycle::Write, times.word, now);
    if (!programProtected(base)) {
        cycleCell_ = base;  // broken off, the row is left erased
        cycleRestore_ = 0x3FFF;
    }
}

void SimChip::startExternal(int code, Arm armed, nanoseconds now) {
    const bool bulk = armed == Arm::BulkProgram || armed == Arm::BulkData || armed == Arm::Dead;
    if (code == 8 && !bulk && !loadSinceEntry_) {
        violation(now, "Begin Erase without a Load Data since programming mode was entered");
        return;
    }
    const bool anyRow = std::any_of(rowLoaded_.begin(), rowLoaded_.end(), [](bool b) { return b; });
    if (code == 24 && !latchLoaded_ && !anyRow) {
        violation(now, "Begin Programming Only without a load since the last programming cycle");
        return;
    }
    extCode_ = code;
    extArm_ = code == 8 ? armed : Arm::None;
    extStart_ = now;
    extPc_ = pc_;
    extKind_ = loadKind_;
}

void SimChip::endExternal(nanoseconds now) {
    if (extCode_ < 0) {
        if (model_.family == Family::F88 || model_.family == Family::F629) {
            violation(now, "End Programming without Begin Erase or Begin Programming");
        }
        resetRowLatches();  // 23 sets the write latches to all ones
        dischargeUntil_ = now + microseconds(100);
        return;
    }
    const CycleTimes times = cycleTimes(model_);
    const bool bulk = extArm_ != Arm::None;
    const nanoseconds least = bulk ? times.bulkErase : times.externalMin;
    const auto length = now - extStart_;
    if (length < least) {
        violation(now,
                  "Begin to End Programming only " +
                      std::to_string(std::chrono::duration_cast<microseconds>(length).count()) +
                      " µs (at least " +
                      std::to_string(std::chrono::duration_cast<microseconds>(least).count()) +
                      " µs)");
    } else if (extCode_ == 24) {
        applyProgramOnly();
    } else if (bulk) {
        bulkErase(extArm_);
    } else {
        applyRowErase();
    }
    extCode_ = -1;
    extArm_ = Arm::None;
    // The program latches go back to ones; the data latch stays for a 24 that
    // programs the byte just erased.
    const std::uint16_t dataLatch = latch_;
    const bool dataLoaded = latchLoaded_ && loadKind_ == LoadKind::Data;
    resetRowLatches();
    if (dataLoaded) {
        latch_ = dataLatch;
        latchLoaded_ = true;
    }
    dischargeUntil_ = now + microseconds(100);
}

void SimChip::applyProgramOnly() {
    if (extKind_ == LoadKind::Data) {
        if (model_.eepromBytes > 0 && latchLoaded_) {
            writeCell(kDataBase + extPc_ % model_.eepromBytes, latch_, true);
        }
        return;
    }
    const int n = latchWords();
    const int a = programAddress(extPc_);
    if (n == 1) {
        // The 12F629 family: one program word, from the single latch.
        if (latchLoaded_ && a < kConfigSpace) {
            writeCell(a, latch_, true);
        }
        return;
    }
    if (a >= kConfigSpace) {
        const auto k = static_cast<std::size_t>(a & (n - 1));
        if ((a == kConfigAddress || a == kConfig2Address) && rowLoaded_[k]) {
            // The 16F87/88 and 16F818/819 write their configuration words with 0 and 1.
            writeCell(a, rowLatch_[k], model_.family != Family::F88);
        } else if (a <= kConfigSpace + 3) {
            for (int i = 0; i < 4; ++i) {
                if (rowLoaded_[static_cast<std::size_t>(i)]) {
                    writeCell(kConfigSpace + i, rowLatch_[static_cast<std::size_t>(i)], true);
                }
            }
        }
        return;
    }
    const int base = a & ~(n - 1);
    for (int i = 0; i < n; ++i) {
        if (rowLoaded_[static_cast<std::size_t>(i)]) {
            writeCell(base + i, rowLatch_[static_cast<std::size_t>(i)], true);
        }
    }
}

void SimChip::applyRowErase() {
    if (extKind_ == LoadKind::Data) {
        if (model_.eepromBytes > 0 && !dataProtected()) {
            const int n = extPc_ % model_.eepromBytes;
            if (!stuck(kDataBase + n)) {
                eeprom_[static_cast<std::size_t>(n)] = 0xFF;
            }
        }
        return;
    }
    const int a = programAddress(extPc_);
    if (a >= kConfigSpace) {
        eraseIds();  // the configuration words keep their bits
        return;
    }
    const int base = a & ~31;
    for (int i = base; i < base + 32 && i < model_.programWords; ++i) {
        if (!programProtected(i) && !stuck(i)) {
            program_[static_cast<std::size_t>(i)] = 0x3FFF;
        }
    }
}

}  // namespace pk::sim
