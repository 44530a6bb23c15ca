// The PIC18F routines around the commands: texts, timing, the steps inside a
// bracket, detection, the command frame, and the commands that only read.

#include "device/p18_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "device/p18_ops_parts.h"
#include "device/vpp_finding.h"
#include "image/hex_text.h"
#include "image/memory_image.h"

namespace pk {

namespace op = p18::op;
using p18::Command;

// ---- Protection and texts ---------------------------------------------------

P18Protection p18Protection(const P18Device& d, const P18ConfigBytes& config) {
    auto cleared = [&](int index, std::uint8_t bits) {
        const auto i = static_cast<std::size_t>(index);
        const std::uint8_t own = static_cast<std::uint8_t>(bits & d.configMask[i]);
        return (config[i] & own) != own;
    };
    P18Protection p;
    p.code = cleared(p18cfg::k5L, 0xFF) || cleared(p18cfg::k5H, p18cfg::kCpb);
    p.data = cleared(p18cfg::k5H, p18cfg::kCpd);
    p.write = cleared(p18cfg::k6L, 0xFF) || cleared(p18cfg::k6H, 0xFF);
    p.tableRead = cleared(p18cfg::k7L, 0xFF) || cleared(p18cfg::k7H, 0xFF);
    return p;
}

std::string p18NoChipMessage(std::uint16_t idWord) {
    return std::string(kNoChipMessage) + ": Device-ID liest " + hexWord(idWord) + ", " +
           (idWord == 0xFFFF ? kOnesHint : kZerosHint) +
           " Beim PIC18F muss außerdem PGM (RB5) über einen Widerstand auf Masse liegen.";
}

std::string p18WrongTypeMessage(const P18Detection& found, const P18Device& selected) {
    const std::string inSocket =
        found.device != nullptr ? "ein " + std::string(found.device->name)
                                : "ein unbekannter PIC (Device-ID " + hexWord(found.idWord) + ")";
    return std::string(kWrongTypeText) + ": im Sockel steckt " + inSocket + ", gewählt ist " +
           std::string(selected.name) + ".";
}

std::string p18AddressText(std::uint32_t address) {
    char text[32];
    if (address >= p18addr::kEeprom) {
        std::snprintf(text, sizeof text, "EEPROM 0x%02X",
                      static_cast<unsigned>(address - p18addr::kEeprom));
    } else {
        std::snprintf(text, sizeof text, "Adresse 0x%06X", static_cast<unsigned>(address));
    }
    return text;
}

std::string p18FailureMessage(const WordFailure& f) {
    const char* what = "";
    switch (f.area) {
        case Area::Program:
            what = "Programmbyte";
            break;
        case Area::Data:
            what = "EEPROM-Byte";
            break;
        case Area::Id:
            what = "ID-Byte";
            break;
        case Area::Config:
            what = "Konfigurationsbyte";
            break;
    }
    char bytes[64];
    const auto addr = p18AddressText(static_cast<std::uint32_t>(f.address));
    switch (f.check) {
        case WordFailure::Check::ReadTwice:
            std::snprintf(bytes, sizeof bytes, "0x%02X und 0x%02X", f.wanted, f.read);
            return std::string(what) + " las sich zweimal verschieden! " + addr + ": " + bytes +
                   ".\r" + kCheckConnectionHint;
        case WordFailure::Check::VerifyPass:
            std::snprintf(bytes, sizeof bytes, "0x%02X erwartet, 0x%02X gelesen", f.wanted, f.read);
            return std::string(what) + " verschieden! " + addr + ": " + bytes +
                   ".\rEin codegeschützter Bereich liest 0x00 – dann zuerst CP entfernen.";
        default:
            std::snprintf(bytes, sizeof bytes, "0x%02X geschrieben, 0x%02X gelesen", f.wanted,
                          f.read);
            return std::string(what) + " nicht gebrannt! " + addr + ": " + bytes +
                   ".\rBitte VPP und VDD am Sockel, das Kabel und die Hardwareeinstellung prüfen; "
                   "bleibt der Fehler an derselben Adresse, ist der PIC defekt.";
    }
}

std::string p18UnstableReadMessage(std::int32_t bytes) {
    return (bytes == 1 ? std::string("1 Byte las") : std::to_string(bytes) + " Bytes lasen") +
           " sich zweimal verschieden – bitte die Verbindung prüfen.";
}

// ---- Timing -----------------------------------------------------------------

std::chrono::nanoseconds P18Ops::wait(std::chrono::microseconds chipTime) const {
    const std::chrono::nanoseconds t = chipTime;
    if (settings_.Timing == TimingMode::DataSheet) {
        return t + t * kDataSheetMarginPercent / 100;
    }
    return t * kClassicFactor;
}

p18::Hold P18Ops::programmingHold(const P18Device& d) const {
    return {wait(d.family->times.p9), wait(d.family->times.p10)};
}

// ---- Routines inside a bracket ----------------------------------------------

std::vector<std::uint8_t> P18Ops::readBytes(std::uint32_t address, std::uint32_t n) {
    LineBus& bus = link_.bus();
    p18::setTablePointer(bus, address);
    // One read without increment first: with table-read protection the first
    // read after loading the pointer may come back 0.
    (void)p18::read(bus, Command::TableRead);
    std::vector<std::uint8_t> out;
    out.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        out.push_back(p18::readPostInc(bus));
    }
    return out;
}

std::vector<std::uint8_t> P18Ops::readProgram(const P18Device& d) {
    constexpr std::uint32_t kChunk = 1024;
    std::vector<std::uint8_t> out;
    out.reserve(d.programBytes);
    for (std::uint32_t a = 0; a < d.programBytes; a += kChunk) {
        const auto part = readBytes(a, std::min(kChunk, d.programBytes - a));
        out.insert(out.end(), part.begin(), part.end());
        report_.setPanel(0, p18AddressText(a));
    }
    return out;
}

void P18Ops::bulkErase(const P18Device& d, std::uint16_t code) {
    LineBus& bus = link_.bus();
    const auto low = static_cast<std::uint8_t>(code);
    const auto high = static_cast<std::uint8_t>(code >> 8);
    // The byte goes in both halves of the operand: the chip takes the half of
    // the register's address (even: low half, odd: high half).
    if (d.family->eraseHighRegister) {
        p18::setTablePointer(bus, p18addr::kEraseHigh);
        p18::tableWrite(bus, Command::TableWrite, static_cast<std::uint16_t>(high << 8 | high));
    }
    p18::setTablePointer(bus, p18addr::kEraseLow);
    p18::tableWrite(bus, Command::TableWrite, static_cast<std::uint16_t>(low << 8 | low));
    p18::nop(bus);
    // The erase starts as the next NOP's fourth clock falls and runs by itself
    // for P11; the data line stays low meanwhile, then P10 before the operand.
    p18::holdNop(
        bus, {std::chrono::nanoseconds(0), wait(d.family->times.p11) + wait(d.family->times.p10)});
}

void P18Ops::selectSinglePanel(const P18Device& d) {
    if (!d.family->panelRegister) {
        return;
    }
    // 0x3C0006 = 0: each 8-byte buffer goes to its own panel only.
    LineBus& bus = link_.bus();
    p18::core(bus, op::bsf(op::kEecon1, op::kEepgd));
    p18::core(bus, op::bsf(op::kEecon1, op::kCfgs));
    p18::setTablePointer(bus, p18addr::kPanel);
    p18::tableWrite(bus, Command::TableWrite, 0x0000);
}

void P18Ops::writeBuffer(const P18Device& d, std::uint32_t address,
                         const std::vector<std::uint8_t>& bytes) {
    LineBus& bus = link_.bus();
    p18::core(bus, op::bsf(op::kEecon1, op::kEepgd));
    p18::core(bus, op::bcf(op::kEecon1, op::kCfgs));
    p18::setTablePointer(bus, address);
    const std::size_t last = bytes.size() - 2;
    for (std::size_t i = 0; i < last; i += 2) {
        p18::tableWrite(bus, Command::TableWritePostInc,
                        static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    // The last word starts the write; the pointer still lies in the buffer's region.
    p18::writeAndProgram(bus, static_cast<std::uint16_t>(bytes[last] | bytes[last + 1] << 8),
                         programmingHold(d));
}

namespace {

void selectEeprom(LineBus& bus, std::uint32_t n) {
    p18::core(bus, op::bcf(op::kEecon1, op::kEepgd));
    p18::core(bus, op::bcf(op::kEecon1, op::kCfgs));
    p18::core(bus, op::movlw(static_cast<std::uint8_t>(n)));
    p18::core(bus, op::movwf(op::kEeadr));
    // EEADRH exists only on parts with more than 256 bytes; elsewhere the write goes nowhere.
    p18::core(bus, op::movlw(static_cast<std::uint8_t>(n >> 8)));
    p18::core(bus, op::movwf(op::kEeadrh));
}

std::uint8_t readEecon1(LineBus& bus) {
    p18::core(bus, op::movfToW(op::kEecon1));
    p18::core(bus, op::movwf(op::kTablat));
    return p18::shiftOutTablat(bus);
}

}  // namespace

bool P18Ops::writeEepromByte(const P18Device& d, std::uint32_t n, std::uint8_t value) {
    LineBus& bus = link_.bus();
    const P18Family& f = *d.family;
    selectEeprom(bus, n);
    p18::core(bus, op::movlw(value));
    p18::core(bus, op::movwf(op::kEedata));
    p18::core(bus, op::bsf(op::kEecon1, op::kWren));
    if (f.eepromWrite != P18EepromWrite::PollWr) {
        // The older families start a write only right after 55h, AAh in EECON2.
        p18::core(bus, op::movlw(0x55));
        p18::core(bus, op::movwf(op::kEecon2));
        p18::core(bus, op::movlw(0xAA));
        p18::core(bus, op::movwf(op::kEecon2));
    }
    p18::core(bus, op::bsf(op::kEecon1, op::kWr));
    // WR is set while this NOP's command goes in; the write starts on its fourth clock.
    p18::nop(bus);
    bus.sleepFor(wait(f.times.eepromWrite));
    bool done = true;
    if (f.eepromWrite != P18EepromWrite::UnlockFixedWait) {
        // The chip clears WR when the byte is written; a few more looks, then give up.
        done = false;
        for (int i = 0; i < 8 && !done; ++i) {
            done = (readEecon1(bus) & (1u << op::kWr)) == 0;
            if (!done) {
                bus.sleepFor(wait(f.times.eepromWrite) / 4);
            }
        }
    }
    bus.sleepFor(wait(f.times.p10));
    p18::core(bus, op::bcf(op::kEecon1, op::kWren));
    return done;
}

std::uint8_t P18Ops::readEepromByte(std::uint32_t n) {
    LineBus& bus = link_.bus();
    selectEeprom(bus, n);
    p18::core(bus, op::bsf(op::kEecon1, op::kRd));
    p18::core(bus, op::movfToW(op::kEedata));
    p18::core(bus, op::movwf(op::kTablat));
    return p18::shiftOutTablat(bus);
}

std::vector<std::uint8_t> P18Ops::readEeprom(const P18Device& d) {
    std::vector<std::uint8_t> out;
    out.reserve(d.eepromBytes);
    for (std::uint32_t n = 0; n < d.eepromBytes; ++n) {
        out.push_back(readEepromByte(n));
    }
    return out;
}

void P18Ops::writeConfigByte(const P18Device& d, int index, std::uint8_t value) {
    LineBus& bus = link_.bus();
    p18::core(bus, op::bsf(op::kEecon1, op::kEepgd));
    p18::core(bus, op::bsf(op::kEecon1, op::kCfgs));
    // The PC out of code space: protection bits written while it runs inside a
    // block they protect could block the following table writes.
    p18::core(bus, op::gotoFirst(0x100000));
    p18::core(bus, op::gotoSecond(0x100000));
    const std::uint32_t address = p18addr::kConfig + static_cast<std::uint32_t>(index);
    p18::setTablePointer(bus, address);
    // One byte per cycle: the even address takes the operand's low half, the odd one its high half.
    const bool odd = (address & 1) != 0;
    p18::writeAndProgram(bus, static_cast<std::uint16_t>(odd ? value << 8 : value),
                         programmingHold(d));
    p18::core(bus, op::bcf(op::kEecon1, op::kCfgs));
}

// ---- Failures and progress --------------------------------------------------

void P18Ops::fail(Area area, std::uint32_t address, std::uint8_t wanted, std::uint8_t read,
                  WordFailure::Check check, bool show) {
    switch (area) {
        case Area::Program:
            ++errors_.ProgramErrorCount;
            break;
        case Area::Data:
            ++errors_.DataErrorCount;
            break;
        case Area::Id:
        case Area::Config:
            ++errors_.ConfigIdErrorCount;
            break;
    }
    WordFailure f;
    f.area = area;
    f.address = static_cast<std::int32_t>(address);
    f.wanted = wanted;
    f.read = read;
    f.check = check;
    // Recorded for the result; the message is this module's, with byte addresses.
    report_.holdFailures(true);
    report_.failure(f);
    if (show) {
        report_.message(p18FailureMessage(f));
    }
}

void P18Ops::progress(double done, double total) {
    if (!gauge_.visible) {
        gauge_ = {};
        gauge_.visible = true;
        runStart_ = clock_.monotonic();
    }
    const int p = total > 0 ? static_cast<int>(std::trunc(std::clamp(done / total, 0.0, 1.0) *
                                                          RunGaugeState::Maximum))
                            : 0;
    if (p > gauge_.progress || done == 0) {
        gauge_.progress = std::max(p, gauge_.progress);
        gauge_.remaining = remainingTime(clock_.monotonic() - runStart_, done, total);
        report_.showRunGauge(gauge_);
    }
}

void P18Ops::gaugeDone() {
    if (gauge_.visible) {
        gauge_.progress = RunGaugeState::Maximum;
        report_.showRunGauge(gauge_);
        gauge_.visible = false;
        report_.showRunGauge(gauge_);
    }
    gauge_ = {};
}

// ---- Detection --------------------------------------------------------------

std::uint16_t P18Ops::readDeviceId() {
    LineBus& bus = link_.bus();
    p18::setTablePointer(bus, p18addr::kDeviceId);
    // The NOP keeps a 14-bit chip put in by mistake safe: with it, that chip's
    // 6-bit decoder finds in these frames only loads, reads and codes it does
    // not know, whatever the released line reads; without it, a
    // begin-programming and a bulk erase.
    p18::nop(bus);
    (void)p18::read(bus, Command::TableRead);
    const std::uint8_t low = p18::readPostInc(bus);
    const std::uint8_t high = p18::readPostInc(bus);
    return static_cast<std::uint16_t>(high << 8 | low);
}

// A 14-bit chip takes these clocks as its own 6-bit commands and 16-bit data
// frames. Each instruction that sets the table pointer goes to a PIC18F after
// the same four transfers: TABLAT shifted out, a table read (the first ID
// read is the last one of these), NOP 0xF002 and BSF 0x18,3 (a RAM bit nothing
// uses). To a 14-bit chip they are three Load Data (2), two Increment Address
// (6) and the command of one more Load Data, whose data frame is the
// instruction itself; the second ID read is two more Load Data, and the NOP
// that leaves begins a Load Configuration (0) whose data frame never comes. So
// it decodes nothing but these codes, with all six bits as its command table
// gives them (its don't-care bits change nothing), never drives the line and
// never programs. The PIC18F's own reads drive the line only in their last eight
// clocks, where the PC has let go of it; to a 14-bit chip these are data bits
// of a load. A 14-bit frame may end at any clock: each gets its own gap.
std::uint16_t P18Ops::readDeviceIdAnyFamily() {
    LineBus& bus = link_.bus();
    constexpr p18::Pace pace = p18::Pace::EveryBit;
    const auto lead = [&](Command read) -> std::uint8_t {
        (void)p18::read(bus, Command::ShiftOutTablat, pace);
        const std::uint8_t b = p18::read(bus, read, pace);
        p18::send(bus, Command::Core, 0xF002, pace);
        p18::send(bus, Command::Core, op::bsf(0x18, 3), pace);
        return b;
    };
    const std::uint32_t id = p18addr::kDeviceId;
    for (const std::uint16_t instruction :
         {op::movlw(static_cast<std::uint8_t>((id >> 16) & 0x3F)), op::movwf(op::kTblptrU),
          op::movlw(static_cast<std::uint8_t>(id >> 8)), op::movwf(op::kTblptrH),
          op::movlw(static_cast<std::uint8_t>(id)), op::movwf(op::kTblptrL)}) {
        (void)lead(Command::TableRead);
        p18::send(bus, Command::Core, instruction, pace);
    }
    const std::uint8_t low = lead(Command::TableReadPostInc);
    p18::send(bus, Command::Core, op::kNop, pace);
    (void)p18::read(bus, Command::ShiftOutTablat, pace);
    const std::uint8_t high = p18::read(bus, Command::TableReadPostInc, pace);
    return static_cast<std::uint16_t>(high << 8 | low);
}

P18Detection P18Ops::detect(P18IdRead how) {
    P18Detection r;
    {
        const bool any = how == P18IdRead::AnyFamily;
        Bracket b(*this, any ? p18::Pace::EveryBit : p18::Pace::Frame);
        r.idWord = any ? readDeviceIdAnyFamily() : readDeviceId();
        // Only a PIC18F gets the rest.
        if (p18ByDeviceId(r.idWord) != nullptr) {
            const auto config = readBytes(p18addr::kConfig, p18addr::kConfigBytes);
            std::copy(config.begin(), config.end(), r.config.begin());
        }
        b.close();
    }
    if (r.idWord == 0xFFFF || r.idWord == 0x0000) {
        r.outcome = Outcome::NoChip;
        report_.setPanel(0, std::string(kRevisionPrefix) + "?");
        report_.showCodeProtection(false, false);
        return r;
    }
    r.device = p18ByDeviceId(r.idWord);
    if (r.device == nullptr) {
        r.outcome = Outcome::WrongType;
        report_.setPanel(0,
                         std::string(kRevisionPrefix) + "? (Device-ID " + hexWord(r.idWord) + ")");
        report_.showCodeProtection(false, false);
        return r;
    }
    r.revision = r.idWord & r.device->revisionMask;
    for (std::size_t i = 0; i < r.config.size(); ++i) {
        r.config[i] = static_cast<std::uint8_t>(r.config[i] & r.device->configMask[i]);
    }
    r.protection = p18Protection(*r.device, r.config);
    report_.setPanel(0, std::string(kRevisionPrefix) + std::to_string(r.revision));
    report_.showCodeProtection(r.protection.code, r.protection.data);
    return r;
}

// ---- Command frame ----------------------------------------------------------

bool P18Ops::vppAllowed(const P18Device& d) {
    report_.setPartVpp(d.family->vpp);
    if (vppAccepted.count(d.name) == 0) {
        if (const auto finding = vppFinding(d.name, d.family->vpp, settings_.VppTenths)) {
            if (!report_.confirmVpp(*finding, "Trotzdem fortfahren?")) {
                return false;
            }
            vppAccepted.insert(d.name);
        }
    }
    return true;
}

Outcome P18Ops::begin(const P18Device& d, CommandResult& r, std::unique_ptr<Bracket>* session) {
    errors_ = {};
    (void)report_.takeFailures();
    report_.holdFailures(false);
    report_.countersCleared();
    gauge_ = {};
    r.countersValid = true;
    if (settings_.QuickAndDirty) {
        report_.message(kP18NoReadText);
        return Outcome::Cancelled;
    }
    if (!vppAllowed(d)) {
        return Outcome::Cancelled;
    }
    if (session != nullptr) {
        *session = std::make_unique<Bracket>(*this);
    }
    const P18Detection found = detect();
    if (found.outcome == Outcome::NoChip) {
        report_.setPanel(1, kNoChipMessage);
        report_.message(p18NoChipMessage(found.idWord));
        return Outcome::NoChip;
    }
    if (found.device != &d) {
        report_.message(p18WrongTypeMessage(found, d));
        return Outcome::WrongType;
    }
    return Outcome::Ok;
}

void P18Ops::finish(CommandResult& r, std::unique_ptr<Bracket>* session) {
    if (session != nullptr && *session) {
        (*session)->close();
        session->reset();
    }
    gaugeDone();
    report_.holdFailures(false);
    r.counters = errors_;
    r.failures = report_.takeFailures();
    if (r.outcome == Outcome::Ok && errors_.sum() > 0) {
        r.outcome = Outcome::Failed;
    }
    report_.countersDone(errors_);
}

// ---- Verify and read --------------------------------------------------------

CommandResult P18Ops::verify(const P18Device& d, ByteImage& image, bool includeData) {
    CommandResult r;
    if (image.regions() != p18Regions(d)) {
        report_.message(kP18ImageMismatchText);
        r.outcome = Outcome::FileUnusable;
        return r;
    }
    std::unique_ptr<Bracket> session;
    r.outcome = begin(d, r, &session);
    if (r.outcome != Outcome::Ok) {
        finish(r, &session);
        return r;
    }
    r.dataIncluded = includeData && d.eepromBytes > 0;
    std::fill(image.ReadBack.begin(), image.ReadBack.end(), ByteImage::AbsentByte);
    // Every difference is counted and kept; one message names the first.
    auto compare = [&](ByteArea area, std::uint32_t base, std::uint32_t offset, std::uint8_t read,
                       std::uint8_t mask) {
        const auto file = image.area(image.HexBytes, area);
        image.area(image.ReadBack, area)[offset] = static_cast<std::uint8_t>(read & mask);
        const auto wanted = static_cast<std::uint8_t>(file[offset] & mask);
        if ((read & mask) != wanted) {
            fail(areaOf(base + offset), base + offset, wanted,
                 static_cast<std::uint8_t>(read & mask), WordFailure::Check::VerifyPass, false);
        }
    };
    {
        Bracket b(*this);
        const auto file = image.area(image.HexBytes, ByteArea::Program);
        // Whole 64-byte stretches that hold a byte of the file.
        constexpr std::uint32_t kStretch = 64;
        for (std::uint32_t a = 0; a < d.programBytes; a += kStretch) {
            const auto first = file.begin() + a;
            if (std::none_of(first, first + kStretch, present)) {
                continue;
            }
            const auto read = readBytes(a, kStretch);
            for (std::uint32_t i = 0; i < kStretch; ++i) {
                if (present(file[a + i])) {
                    compare(ByteArea::Program, 0, a + i, read[i], 0xFF);
                }
            }
            progress(a + kStretch, d.programBytes);
            report_.setPanel(0, p18AddressText(a));
        }
        const auto ids = image.area(image.HexBytes, ByteArea::Id);
        const auto idRead = readBytes(p18addr::kIds, p18addr::kIdBytes);
        for (std::uint32_t i = 0; i < p18addr::kIdBytes; ++i) {
            if (present(ids[i])) {
                compare(ByteArea::Id, p18addr::kIds, i, idRead[i], 0xFF);
            }
        }
        const auto config = image.area(image.HexBytes, ByteArea::Config);
        const auto cfgRead = readBytes(p18addr::kConfig, p18addr::kConfigBytes);
        for (std::uint32_t i = 0; i < p18addr::kConfigBytes; ++i) {
            if (present(config[i]) && d.configMask[i] != 0) {
                compare(ByteArea::Config, p18addr::kConfig, i, cfgRead[i], d.configMask[i]);
            }
        }
        if (r.dataIncluded) {
            const auto data = image.area(image.HexBytes, ByteArea::Eeprom);
            for (std::uint32_t n = 0; n < d.eepromBytes; ++n) {
                if (present(data[n])) {
                    compare(ByteArea::Eeprom, p18addr::kEeprom, n, readEepromByte(n), 0xFF);
                }
            }
        }
        b.close();
    }
    if (!report_.failures().empty()) {
        const WordFailure first = report_.failures().front();
        report_.message(failureMessage(first, report_.partVpp()) + " (" +
                        std::to_string(report_.failures().size()) + " Byte(s) verschieden)");
    }
    finish(r, &session);
    return r;
}

std::vector<std::uint16_t> P18Ops::readAll(const P18Device& d) {
    const ByteRegions regions = p18Regions(d);
    std::vector<std::uint16_t> all(regions.totalBytes(), ByteImage::AbsentByte);
    Bracket b(*this);
    const auto program = readProgram(d);
    std::copy(program.begin(), program.end(), all.begin());
    const auto ids = readBytes(p18addr::kIds, p18addr::kIdBytes);
    std::copy(ids.begin(), ids.end(), all.begin() + regions.place(ByteArea::Id).first);
    const auto config = readBytes(p18addr::kConfig, p18addr::kConfigBytes);
    const std::size_t cfgFirst = regions.place(ByteArea::Config).first;
    for (std::size_t i = 0; i < config.size(); ++i) {
        // Unimplemented bits read 0; a byte the part lacks stays absent.
        if (d.configMask[i] != 0) {
            all[cfgFirst + i] = static_cast<std::uint8_t>(config[i] & d.configMask[i]);
        }
    }
    const auto eeprom = readEeprom(d);
    std::copy(eeprom.begin(), eeprom.end(), all.begin() + regions.place(ByteArea::Eeprom).first);
    b.close();
    return all;
}

CommandResult P18Ops::read(const P18Device& d, ByteImage& image) {
    CommandResult r;
    if (image.regions() != p18Regions(d)) {
        report_.message(kP18ImageMismatchText);
        r.outcome = Outcome::FileUnusable;
        return r;
    }
    r.outcome = begin(d, r);
    if (r.outcome != Outcome::Ok) {
        finish(r);
        return r;
    }
    r.dataIncluded = d.eepromBytes > 0;
    progress(0, 2);
    const auto first = readAll(d);
    progress(1, 2);
    const auto second = readAll(d);
    image.ReadBack = first;
    const ByteRegions regions = p18Regions(d);
    for (ByteArea area : kByteAreas) {
        const ByteAreaPlace p = regions.place(area);
        for (std::uint32_t i = 0; i < p.size; ++i) {
            const std::size_t k = p.first + i;
            if (first[k] != second[k]) {
                ++r.unstable;
                fail(areaOf(p.base + i), p.base + i, static_cast<std::uint8_t>(first[k]),
                     static_cast<std::uint8_t>(second[k]), WordFailure::Check::ReadTwice, false);
            }
        }
    }
    if (r.unstable > 0) {
        report_.message(p18UnstableReadMessage(r.unstable));
    } else {
        report_.setPanel(1, kReadDoneText);
    }
    finish(r);
    return r;
}

}  // namespace pk
