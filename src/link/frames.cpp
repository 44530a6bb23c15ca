#include "link/frames.h"

#include "link/range_error.h"

namespace pk {

namespace {

void sendBit(LineBus& bus, const Circuit& c, bool one) {
    // The data line changes while the clock is high; the chip latches it on the
    // falling edge one wait later.
    if (c.leadingWait) {
        bus.lineWait(LineRule::Edge);
    }
    bus.change(c.clockHigh);
    bus.lineWait(LineRule::Edge);
    bus.change(one ? c.dataHigh : c.dataLow);
    bus.lineWait(LineRule::Edge);
    bus.change(c.clockLow);
    bus.lineWait(LineRule::Edge);
}

}  // namespace

void Kommando(LineBus& bus, std::uint16_t command) {
    const Circuit& c = bus.circuit();
    bus.change(c.take);
    bus.frameStart();
    for (int k = 0; k < 6; ++k) {
        sendBit(bus, c, ((command >> k) & 1) != 0);
    }
    bus.frameEnd();
}

void WrDaten(LineBus& bus, std::uint16_t word) {
    const Circuit& c = bus.circuit();
    bus.change(c.take);
    if (word > 0x7FFF) {
        throw RangeError();
    }
    const std::uint16_t frame = static_cast<std::uint16_t>((word << 1) | 0x8001);
    bus.frameStart();
    for (int k = 0; k < 16; ++k) {
        sendBit(bus, c, ((frame >> k) & 1) != 0);
    }
    bus.frameEnd();
}

std::uint16_t RdDaten(LineBus& bus) {
    const Circuit& c = bus.circuit();
    bus.lineWait(LineRule::Edge);
    bus.change(c.release);
    bus.lineWait(LineRule::Edge);
    bus.frameStart();
    std::uint16_t v = 0;
    for (int k = 0; k < 16; ++k) {
        v = static_cast<std::uint16_t>(v << 1);
        bus.change(c.clockHigh);
        bus.lineWait(LineRule::ReadValid);
        // The first read lets the line settle after the clock edge; only the second counts.
        (void)bus.ReadPort(bus.portBase() + kStatusOffset);
        if (bus.sampleBit()) {
            v = static_cast<std::uint16_t>(v + 1);
        }
        bus.lineWait(LineRule::Edge);
        bus.change(c.clockLow);
        bus.lineWait(LineRule::Edge);
    }
    bus.frameEnd();
    // The first bit received stands in bit 15: reverse, then drop start and stop bits.
    std::uint16_t reversed = 0;
    for (int k = 0; k < 16; ++k) {
        if ((v >> k) & 1) {
            reversed = static_cast<std::uint16_t>(reversed | (1u << (15 - k)));
        }
    }
    return static_cast<std::uint16_t>((reversed >> 1) & 0x3FFF);
}

}  // namespace pk
