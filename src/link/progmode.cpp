#include "link/progmode.h"

namespace pk {

namespace {

ProgrammingMode::Pauses pausesFor(const LineBus& bus) {
    return ProgrammingMode::pauses(bus.dataSheetTiming());
}

}  // namespace

EntryOrder ProgrammingMode::orderFor(const Circuit& c, EntryOrder wanted) {
    return c.entryOrders.can(wanted) ? wanted : EntryOrder::VddFirst;
}

void ProgrammingMode::start(EntryOrder wanted, bool vddOffFirst) {
    // Clock and data are held low while the voltages come up. VDD first keeps
    // VPP off an unpowered chip; VPP first holds a chip in reset that would
    // otherwise start its program (internal oscillator, MCLR as input).
    const Circuit& c = bus_.circuit();
    if (settleFrom_) {
        // Whole milliseconds, as every voltage pause.
        const auto owed = std::chrono::ceil<std::chrono::milliseconds>(
            std::chrono::milliseconds(pausesFor(bus_).second) -
            (bus_.clock().monotonic() - *settleFrom_));
        settleFrom_.reset();
        if (owed.count() > 0) {
            bus_.sleepMs(static_cast<int>(owed.count()));
        }
    }
    bus_.forgetWritten();
    bus_.change(c.entry);
    const EntryOrder order = orderFor(c, wanted);
    if (order != EntryOrder::VddFirst) {
        // Without the pause after VDD, clock and data must still be low a while
        // before MCLR rises.
        bus_.Delay();
    }
    const ProgrammingMode::Pauses pause = pausesFor(bus_);
    const bool vddFirst = order != EntryOrder::VppFirst;
    bus_.change(vddFirst ? c.vddOn : c.vppOn);
    // A chip with internal oscillator could start its code in a long pause.
    if (order != EntryOrder::VddThenVppFast) {
        bus_.sleepMs(pause.first);
    }
    bus_.change(vddFirst ? c.vppOn : c.vddOn);
    active_ = true;
    vddOffFirst_ = vddOffFirst && c.entryOrders.can(EntryOrder::VppFirst);
    bus_.sleepMs(pause.second);
}

void ProgrammingMode::end() {
    // VPP goes first, so the chip never sees 12 V without its supply; unless
    // its data sheet asks VDD first, which the circuit can then do.
    const Circuit& c = bus_.circuit();
    const ProgrammingMode::Pauses pause = pausesFor(bus_);
    bus_.change(vddOffFirst_ ? c.vddOff : c.vppOff);
    active_ = false;
    bus_.sleepMs(pause.first);
    bus_.change(vddOffFirst_ ? c.vppOff : c.vddOff);
    bus_.change(c.endLines);
    if (bus_.dataSheetTiming()) {
        settleFrom_ = bus_.clock().monotonic();
        return;
    }
    bus_.sleepMs(pause.second);
}

void ProgrammingMode::idle() {
    if (!bus_.PortOpen()) {
        return;
    }
    const Circuit& c = bus_.circuit();
    bus_.change(c.idle);
    bus_.change(c.voltageIdle);
}

void ProgrammingMode::safeIdle() {
    if (!bus_.PortOpen()) {
        return;
    }
    // Only the terms: a prompt here would ask at exit for what end() asked.
    const Circuit& c = bus_.circuit();
    bus_.change(c.vppOff.term);
    bus_.change(c.vddOff.term);
    bus_.change(c.idle);
    bus_.change(c.voltageIdle.term);
    active_ = false;
}

}  // namespace pk
