#include "link/programmer.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "link/range_error.h"

namespace pk {

ProgrammerLink::ProgrammerLink(PortIo& port, Clock& clock, UserDialog& dialog,
                               ProgrammerSettings& settings, std::int32_t& portBase)
    : port_(port), clock_(clock), dialog_(dialog), settings_(settings), portBase_(portBase) {}

// ---- Port access ----

void ProgrammerLink::WritePort(std::int32_t port, std::uint8_t value) {
    if (port < 0) {
        throw RangeError();
    }
    port_.write(port, value);
}

std::uint8_t ProgrammerLink::ReadPort(std::int32_t port) {
    if (port < 0) {
        throw RangeError();
    }
    return port_.read(port);
}

// ---- Line terms ----

void ProgrammerLink::change(std::uint8_t clear, std::uint8_t set) {
    std::uint8_t v = ReadPort(portBase_);
    v = static_cast<std::uint8_t>((v & ~clear) | set);
    WritePort(portBase_, v);
}

// Clock, data and sampling know only "inverting" (below 1) or "direct"; every
// other term is a case on the exact index and leaves unknown variants alone.

void ProgrammerLink::clockHigh() {
    driver() < 1 ? change(kD1, 0) : change(0, kD1);
}

void ProgrammerLink::clockLow() {
    driver() < 1 ? change(0, kD1) : change(kD1, 0);
}

void ProgrammerLink::dataBit(bool one) {
    const bool setD0 = (driver() < 1) != one;
    setD0 ? change(0, kD0) : change(kD0, 0);
}

bool ProgrammerLink::sampleBit() {
    const bool high = (ReadPort(portBase_ + 1) & kStatusData) != 0;
    return driver() < 1 ? !high : high;
}

void ProgrammerLink::releaseData() {
    switch (driver()) {
        case 0:
            change(kD0, 0);
            break;
        case 1:
            change(0, kD0);
            break;
        case 2:
            change(kD0 | kD5, kD2);
            break;
        default:
            break;
    }
}

void ProgrammerLink::takeLines() {
    if (driver() == 2) {
        change(kD2 | kD5, 0);
    }
}

void ProgrammerLink::entryLow() {
    switch (driver()) {
        case 0:
            change(0, kD0 | kD1);
            break;
        case 1:
            change(kD0 | kD1, 0);
            break;
        case 2:
            change(kD0 | kD1 | kD2 | kD5, 0);
            break;
        default:
            break;
    }
}

void ProgrammerLink::idleLow() {
    switch (driver()) {
        case 0:
            change(0, kD0 | kD1);
            break;
        case 1:
            change(kD0 | kD1, 0);
            break;
        case 2:
            change(kD0 | kD1 | kD5, kD2);
            break;
        default:
            break;
    }
}

void ProgrammerLink::endProgmodeLines() {
    if (driver() == 2) {
        change(0, kD2 | kD5);
    }
}

void ProgrammerLink::voltageIdle() {
    switch (switchIndex()) {
        case 0:
            change(kD2 | kD3, 0);
            break;
        case 1:
            change(0, kD2 | kD3);
            break;
        case 2:
            dialog_.manualSwitch(kManualIdle);
            break;
        case 3:
            change(kD3, kD4);
            break;
        default:
            break;
    }
}

void ProgrammerLink::vddOn() {
    switch (switchIndex()) {
        case 0:
            change(0, kD2);
            break;
        case 1:
            change(kD2, 0);
            break;
        case 3:
            change(kD3, kD4);
            break;
        default:
            break;
    }
}

void ProgrammerLink::vppOn() {
    switch (switchIndex()) {
        case 0:
            change(0, kD3);
            break;
        case 1:
            change(kD3, 0);
            break;
        case 2:
            dialog_.manualSwitch(kManualVppOn);
            break;
        case 3:
            change(kD4, kD3);
            break;
        default:
            break;
    }
}

void ProgrammerLink::vppOff() {
    switch (switchIndex()) {
        case 0:
            change(kD3, 0);
            break;
        case 1:
            change(0, kD3);
            break;
        case 2:
            dialog_.manualSwitch(kManualVppOff);
            break;
        case 3:
            change(kD3, kD4);
            break;
        default:
            break;
    }
}

void ProgrammerLink::vddOff() {
    switch (switchIndex()) {
        case 0:
            change(kD2, 0);
            break;
        case 1:
            change(0, kD2);
            break;
        default:
            break;
    }
}

// ---- Timing ----

std::chrono::nanoseconds ProgrammerLink::delayLength() const {
    // The reference run is 10001 calls of 101 units in 400 ms. Rounded up so a
    // wait is never shorter than calibrated; a counted loop was seen to run up
    // to 45 % short under frequency scaling, a deadline never is.
    const std::int64_t units = static_cast<std::int64_t>(settings_.DelayCount) + 1;
    if (units <= 0) {
        return std::chrono::nanoseconds(0);
    }
    constexpr std::int64_t referenceNs = 400'000'000;
    constexpr std::int64_t referenceUnits = 10001LL * 101;
    return std::chrono::nanoseconds((units * referenceNs + referenceUnits - 1) / referenceUnits);
}

void ProgrammerLink::Delay() {
    const auto d = delayLength();
    if (d.count() > 0) {
        clock_.busyWait(d);
    }
}

void ProgrammerLink::Bremse() {
    settings_.DelayCount = 100;
    const std::int64_t t1 = clock_.timeOfDayMs();
    for (int i = 0; i < 10001; ++i) {
        Delay();
    }
    const std::int64_t t2 = clock_.timeOfDayMs();
    // Only seconds and milliseconds count; one change of the minute is allowed for.
    const std::int64_t s1 = (t1 / 1000) % 60;
    const std::int64_t ms1 = t1 % 1000;
    std::int64_t s2 = (t2 / 1000) % 60;
    const std::int64_t ms2 = t2 % 1000;
    if (s2 < s1) {
        s2 += 60;
    }
    const std::int64_t elapsed = (s2 - s1) * 1000 + ms2 - ms1;
    if (elapsed <= 0) {
        // A clock step or a run of a whole minute: nothing to scale by. 100 is
        // the reference count, and with a deadline wait it is the right length.
        settings_.DelayCount = 100;
        return;
    }
    const double wanted = 400.0 / static_cast<double>(elapsed) * 100.0;
    const int oldMode = std::fegetround();
    std::fesetround(FE_TONEAREST);  // halves go to the even integer
    const double rounded = std::nearbyint(wanted);
    std::fesetround(oldMode);
    if (rounded > std::numeric_limits<std::int32_t>::max() ||
        rounded < std::numeric_limits<std::int32_t>::min()) {
        throw RangeError();
    }
    settings_.DelayCount = static_cast<std::int32_t>(rounded);
}

// ---- Serial frames ----

void ProgrammerLink::sendBit(bool one) {
    // The data line changes while the clock is high; the chip latches it on the
    // falling edge one wait later.
    if (driver() >= 1) {
        Delay();
    }
    clockHigh();
    Delay();
    dataBit(one);
    Delay();
    clockLow();
    Delay();
}

void ProgrammerLink::Kommando(std::uint16_t command) {
    if (driver() == 2) {
        takeLines();
    }
    for (int k = 0; k < 6; ++k) {
        sendBit(((command >> k) & 1) != 0);
    }
}

void ProgrammerLink::WrDaten(std::uint16_t word) {
    if (driver() == 2) {
        takeLines();
    }
    if (word > 0x7FFF) {
        throw RangeError();
    }
    const std::uint16_t frame = static_cast<std::uint16_t>((word << 1) | 0x8001);
    for (int k = 0; k < 16; ++k) {
        sendBit(((frame >> k) & 1) != 0);
    }
}

std::uint16_t ProgrammerLink::RdDaten() {
    Delay();
    releaseData();
    Delay();
    std::uint16_t v = 0;
    for (int k = 0; k < 16; ++k) {
        v = static_cast<std::uint16_t>(v << 1);
        clockHigh();
        Delay();
        // The first read lets the line settle after the clock edge; only the second counts.
        (void)ReadPort(portBase_ + 1);
        if (sampleBit()) {
            v = static_cast<std::uint16_t>(v + 1);
        }
        Delay();
        clockLow();
        Delay();
    }
    // The first bit received stands in bit 15: reverse, then drop start and stop bits.
    std::uint16_t reversed = 0;
    for (int k = 0; k < 16; ++k) {
        if ((v >> k) & 1) {
            reversed = static_cast<std::uint16_t>(reversed | (1u << (15 - k)));
        }
    }
    return static_cast<std::uint16_t>((reversed >> 1) & 0x3FFF);
}

// ---- Programming mode ----

void ProgrammerLink::StartProgmode() {
    // Clock and data are held low while VDD comes up, then VPP on MCLR selects
    // programming mode; VDD first so the chip does not start running its program.
    entryLow();
    vddOn();
    clock_.sleepMs(100);
    vppOn();
    inProgmode_ = true;
    clock_.sleepMs(150);
}

void ProgrammerLink::EndProgmode() {
    // VPP goes first, so the chip never sees 12 V without its supply.
    vppOff();
    inProgmode_ = false;
    clock_.sleepMs(100);
    vddOff();
    endProgmodeLines();
    clock_.sleepMs(150);
}

void ProgrammerLink::Anfang() {
    if (!PortOpen()) {
        return;
    }
    idleLow();
    voltageIdle();
}

void ProgrammerLink::safeIdle() {
    if (!PortOpen()) {
        return;
    }
    const bool automatic = switchIndex() != 2;
    if (automatic) {
        vppOff();
        vddOff();
    }
    idleLow();
    if (automatic) {
        voltageIdle();
    }
    inProgmode_ = false;
}

// ---- Search ----

std::uint8_t ProgrammerLink::SearchExtraBits(std::int32_t driverIndex, std::int32_t switchIndex) {
    // Rows are the drivers, columns the voltage switches.
    static constexpr std::uint8_t table[12] = {
        0x08, 0x04, 0x00, 0x00,  // "7406"
        0x04, 0x08, 0x00, 0x00,  // "7407 / keine"
        0x00, 0x00, 0x00, 0x30,  // "AN589 / FA"
    };
    const std::int64_t index = static_cast<std::int64_t>(driverIndex) * 4 + switchIndex;
    return index >= 0 && index < 12 ? table[index] : 0x00;
}

bool ProgrammerLink::loopBackTest() {
    // Without a chip in the socket the circuit feeds its data output back to the
    // acknowledge input; both inversions of the 7406 variant cancel, so bit 6
    // must follow D0 for every variant. A floating port reads 1 and fails the first half.
    const std::uint8_t extra = SearchExtraBits(driver(), switchIndex());
    bool failed = false;
    WritePort(portBase_, static_cast<std::uint8_t>(extra | 0x02));
    clock_.sleepMs(100);
    if (ReadPort(portBase_ + 1) & kStatusData) {
        failed = true;
    }
    WritePort(portBase_, static_cast<std::uint8_t>(extra | 0x03));
    clock_.sleepMs(100);
    if (!(ReadPort(portBase_ + 1) & kStatusData)) {
        failed = true;
    }
    return !failed;
}

bool ProgrammerLink::findProgrammer() {
    if (settings_.QuickAndDirty) {
        // That circuit cannot read back; it is always on LPT1.
        portBase_ = kLpt1;
        return true;
    }
    portBase_ = kLpt2;
    if (loopBackTest()) {
        return true;
    }
    portBase_ = kLpt1;
    return loopBackTest();
}

}  // namespace pk
