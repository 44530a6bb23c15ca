#include "link/frames.h"

#include "link/range_error.h"

namespace pk {

namespace {

void sendBit(LineBus& bus, const Circuit& c, bool one) {
    // The data line changes while the clock is high; the chip latches it on the
    // falling edge one wait later.
    if (c.leadingWait) {
        bus.Delay();
    }
    bus.change(c.clockHigh);
    bus.Delay();
    bus.change(one ? c.dataHigh : c.dataLow);
    bus.Delay();
    bus.change(c.clockLow);
    bus.Delay();
}

}  // namespace

void Kommando(LineBus& bus, std::uint16_t command) {
    const Circuit& c = bus.circuit();
    bus.change(c.take);
    for (int k = 0; k < 6; ++k) {
        sendBit(bus, c, ((command >> k) & 1) != 0);
    }
}

void WrDaten(LineBus& bus, std::uint16_t word) {
    const Circuit& c = bus.circuit();
    bus.change(c.take);
    if (word > 0x7FFF) {
        throw RangeError();
    }
    const std::uint16_t frame = static_cast<std::uint16_t>((word << 1) | 0x8001);
    for (int k = 0; k < 16; ++k) {
        sendBit(bus, c, ((frame >> k) & 1) != 0);
    }
}

std::uint16_t RdDaten(LineBus& bus) {
    const Circuit& c = bus.circuit();
    bus.Delay();
    bus.change(c.release);
    bus.Delay();
    std::uint16_t v = 0;
    for (int k = 0; k < 16; ++k) {
        v = static_cast<std::uint16_t>(v << 1);
        bus.change(c.clockHigh);
        bus.Delay();
        // The first read lets the line settle after the clock edge; only the second counts.
        (void)bus.ReadPort(bus.portBase() + kStatusOffset);
        if (bus.sampleBit()) {
            v = static_cast<std::uint16_t>(v + 1);
        }
        bus.Delay();
        bus.change(c.clockLow);
        bus.Delay();
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

}  // namespace pk
