#include "link/frames18.h"

#include <optional>
#include <stdexcept>

namespace pk::p18 {

namespace {

// P5 and P5A: 40 ns from a command to its operand and from an operand to the
// next command, where the 14-bit chips want 1 us.
constexpr std::chrono::nanoseconds kGap{40};

// The data-sheet timing raises the clock with the data bit in one write where
// the circuit allows it (LineBus::riseWith).
struct BitTerms {
    std::optional<LineTerm> riseWith[2];
    explicit BitTerms(const LineBus& bus) : riseWith{bus.riseWith(false), bus.riseWith(true)} {}
};

// One bit as the 14-bit frames send it: the data line changes while the clock
// is high, the chip latches it on the falling edge one wait later. `hold` keeps
// the clock high a while before it falls, then low a while after. A command's
// first bit always goes out after its rising edge: after a read the chip drives
// the line up to that edge.
void sendBit(LineBus& bus, const Circuit& c, const BitTerms& terms, bool one, bool takeLine = false,
             Hold hold = {}) {
    if (c.leadingWait) {
        bus.lineWait(LineRule::Edge);
    }
    if (const std::optional<LineTerm>& both = terms.riseWith[one ? 1 : 0]; both && !takeLine) {
        bus.change(*both);
    } else {
        bus.change(c.clockHigh);
        bus.lineWait(LineRule::Edge);
        if (takeLine) {
            // Only now may the PC's driver come back on the line (AN589).
            bus.change(c.take);
        }
        bus.change(one ? c.dataHigh : c.dataLow);
    }
    bus.lineWait(LineRule::Edge);
    if (hold.high.count() > 0) {
        bus.sleepFor(hold.high);
    }
    bus.change(c.clockLow);
    bus.lineWait(LineRule::Edge);
    if (hold.low.count() > 0) {
        bus.sleepFor(hold.low);
    }
}

// Before and after each clock pulse of a transfer: with Pace::EveryBit each one
// is a frame of its own to the bus.
struct Pulse {
    LineBus& bus;
    Pace pace;
    Pulse(LineBus& b, Pace p) : bus(b), pace(p) {
        if (pace == Pace::EveryBit) {
            bus.frameStart(kFrameGap);
        }
    }
    Pulse(const Pulse&) = delete;
    Pulse& operator=(const Pulse&) = delete;
    ~Pulse() {
        if (pace == Pace::EveryBit) {
            bus.frameEnd();
        }
    }
};

void sendCommand(LineBus& bus, const Circuit& c, const BitTerms& terms, Command command,
                 Hold fourthClock = {}, Pace pace = Pace::Frame) {
    const int code = static_cast<int>(command);
    bus.frameStart(kGap);
    for (int k = 0; k < 4; ++k) {
        const Pulse pulse(bus, pace);
        sendBit(bus, c, terms, ((code >> k) & 1) != 0, k == 0, k == 3 ? fourthClock : Hold{});
    }
    bus.frameEnd();
}

void sendOperand(LineBus& bus, const Circuit& c, const BitTerms& terms, std::uint16_t operand,
                 Pace pace = Pace::Frame) {
    bus.frameStart(kGap);
    for (int k = 0; k < 16; ++k) {
        const Pulse pulse(bus, pace);
        sendBit(bus, c, terms, ((operand >> k) & 1) != 0);
    }
    bus.frameEnd();
}

}  // namespace

void send(LineBus& bus, Command command, std::uint16_t operand, Pace pace) {
    const Circuit& c = bus.circuit();
    const BitTerms terms(bus);
    sendCommand(bus, c, terms, command, {}, pace);
    sendOperand(bus, c, terms, operand, pace);
}

std::uint8_t read(LineBus& bus, Command command, Pace pace) {
    if (!isRead(command)) {
        throw std::invalid_argument("not a read command");
    }
    const Circuit& c = bus.circuit();
    const BitTerms terms(bus);
    sendCommand(bus, c, terms, command, {}, pace);
    bus.frameStart(kGap);
    // The chip reads its byte during these eight clocks; the line is still its input.
    for (int k = 0; k < 8; ++k) {
        const Pulse pulse(bus, pace);
        sendBit(bus, c, terms, false);
    }
    // Turn-around with the clock low (P6): the PC lets go, the chip takes over.
    bus.change(c.release);
    bus.lineWait(LineRule::Edge);
    std::uint8_t value = 0;
    for (int k = 0; k < 8; ++k) {
        const Pulse pulse(bus, pace);
        if (c.leadingWait) {
            bus.lineWait(LineRule::Edge);
        }
        bus.change(c.clockHigh);
        bus.lineWait(LineRule::ReadValid);
        // The classic timing reads twice and keeps the second, so the line has
        // settled; the data-sheet timing has waited the data-valid time already.
        if (!bus.dataSheetTiming()) {
            (void)bus.ReadPort(bus.portBase() + kStatusOffset);
        }
        if (bus.sampleBit()) {
            value = static_cast<std::uint8_t>(value | (1u << k));
        }
        bus.lineWait(LineRule::Edge);
        bus.change(c.clockLow);
        bus.lineWait(LineRule::Edge);
    }
    bus.frameEnd();
    return value;
}

void holdNop(LineBus& bus, Hold hold) {
    const Circuit& c = bus.circuit();
    const BitTerms terms(bus);
    sendCommand(bus, c, terms, Command::Core, hold);
    sendOperand(bus, c, terms, op::kNop);
}

void setTablePointer(LineBus& bus, std::uint32_t address) {
    core(bus, op::movlw(static_cast<std::uint8_t>((address >> 16) & 0x3F)));
    core(bus, op::movwf(op::kTblptrU));
    core(bus, op::movlw(static_cast<std::uint8_t>(address >> 8)));
    core(bus, op::movwf(op::kTblptrH));
    core(bus, op::movlw(static_cast<std::uint8_t>(address)));
    core(bus, op::movwf(op::kTblptrL));
}

void tableWrite(LineBus& bus, Command command, std::uint16_t word) {
    if (static_cast<int>(command) < static_cast<int>(Command::TableWrite)) {
        throw std::invalid_argument("not a table write command");
    }
    send(bus, command, word);
}

void writeAndProgram(LineBus& bus, std::uint16_t word, Hold p9p10) {
    tableWrite(bus, Command::TableWriteStart, word);
    programmingNop(bus, p9p10);
}

std::uint8_t shiftOutTablat(LineBus& bus) {
    nop(bus);
    return read(bus, Command::ShiftOutTablat);
}

void enter(ProgrammingMode& mode) {
    mode.start(EntryOrder::VddFirst);
}

void leave(LineBus& bus, ProgrammingMode& mode) {
    nop(bus);
    mode.end();
}

}  // namespace pk::p18
