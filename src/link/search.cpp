#include "link/search.h"

#include "link/progmode.h"

namespace pk {

std::uint8_t SearchExtraBits(std::int32_t driverIndex, std::int32_t switchIndex) {
    const Circuit* c = findCircuit(driverIndex, switchIndex);
    return c != nullptr ? c->searchExtraBits : 0x00;
}

bool loopBackTest(LineBus& bus) {
    // Without a chip in the socket the circuit feeds its data output back to the
    // acknowledge input; both inversions of the 7406 variant cancel, so bit 6
    // must follow D0 for every variant. A floating port reads 1 and fails the first half.
    // The loop-back runs through the driver and the pull-up only; the data-sheet
    // timing gives it what it gives a voltage step.
    const Circuit& c = bus.circuit();
    const std::uint8_t extra = c.searchExtraBits;
    const std::int32_t base = bus.portBase();
    const int pause = bus.dataSheetTiming() ? ProgrammingMode::pauses(true).first : 100;
    // Where the test holds VPP on (the 7406 variants), a chip left in the socket
    // must see clock and data low before MCLR rises, as on entering programming
    // mode: first the lines low with both voltages off, then VPP with the lines
    // still low. VDD stays off, so the chip does not take the mode when the test
    // moves the data line.
    const auto linesLow = [&c](std::uint8_t d) { return c.dataLow.apply(c.clockLow.apply(d)); };
    if (vppOn(c, extra).value_or(false)) {
        bus.WritePort(base, linesLow(c.voltageIdle.term.apply(0)));
        bus.Delay();
        bus.WritePort(base, linesLow(extra));
    }
    bool failed = false;
    bus.WritePort(base, static_cast<std::uint8_t>(extra | kD1));
    bus.sleepMs(pause);
    if (bus.ReadPort(base + kStatusOffset) & kStatusData) {
        failed = true;
    }
    bus.WritePort(base, static_cast<std::uint8_t>(extra | kD1 | kD0));
    bus.sleepMs(pause);
    if (!(bus.ReadPort(base + kStatusOffset) & kStatusData)) {
        failed = true;
    }
    return !failed;
}

bool findProgrammer(LineBus& bus) {
    if (bus.settings().QuickAndDirty) {
        // That circuit cannot read back; it is always on LPT1.
        bus.setPortBase(kLpt1);
        return true;
    }
    bus.setPortBase(kLpt2);
    if (loopBackTest(bus)) {
        return true;
    }
    bus.setPortBase(kLpt1);
    return loopBackTest(bus);
}

}  // namespace pk
