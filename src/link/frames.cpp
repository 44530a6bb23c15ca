#include "link/frames.h"

#include <optional>

#include "link/range_error.h"

namespace pk {

namespace {

// How one bit goes out. In the classic timing the clock rises, the data line
// changes while it is high, and the clock falls one wait later, each its own
// write. The chips latch only on the falling edge and need the data there 100 ns
// before and after it, so in the data-sheet timing the data bit goes out with
// the rising edge, where the row can write both at once; the wait after each
// falling edge keeps the hold time before the next bit's data.
struct BitTerms {
    std::optional<LineTerm> riseWith[2];  // clock high and data bit 0 or 1, one write

    explicit BitTerms(const LineBus& bus) : riseWith{bus.riseWith(false), bus.riseWith(true)} {}
};

void sendBit(LineBus& bus, const Circuit& c, const BitTerms& terms, bool one) {
    if (c.leadingWait) {
        bus.lineWait(LineRule::Edge);
    }
    if (const std::optional<LineTerm>& both = terms.riseWith[one ? 1 : 0]) {
        bus.change(*both);
    } else {
        bus.change(c.clockHigh);
        bus.lineWait(LineRule::Edge);
        bus.change(one ? c.dataHigh : c.dataLow);
    }
    bus.lineWait(LineRule::Edge);
    bus.change(c.clockLow);
    bus.lineWait(LineRule::Edge);
}

}  // namespace

void Kommando(LineBus& bus, std::uint16_t command) {
    const Circuit& c = bus.circuit();
    const BitTerms terms(bus);
    bus.change(c.take);
    bus.frameStart();
    for (int k = 0; k < 6; ++k) {
        sendBit(bus, c, terms, ((command >> k) & 1) != 0);
    }
    bus.frameEnd();
}

void WrDaten(LineBus& bus, std::uint16_t word) {
    const Circuit& c = bus.circuit();
    const BitTerms terms(bus);
    bus.change(c.take);
    if (word > 0x7FFF) {
        throw RangeError();
    }
    const std::uint16_t frame = static_cast<std::uint16_t>((word << 1) | 0x8001);
    bus.frameStart();
    for (int k = 0; k < 16; ++k) {
        sendBit(bus, c, terms, ((frame >> k) & 1) != 0);
    }
    bus.frameEnd();
}

std::uint16_t RdDaten(LineBus& bus) {
    const Circuit& c = bus.circuit();
    bus.lineWait(LineRule::Edge);
    bus.change(c.release);
    bus.lineWait(LineRule::Edge);
    bus.frameStart();
    // The classic timing reads the status twice and keeps the second, so the
    // line has settled after the edge. The data-sheet timing has waited the
    // chip's data-valid time since the edge already: one read is the bit.
    const bool settleRead = !bus.dataSheetTiming();
    std::uint16_t v = 0;
    for (int k = 0; k < 16; ++k) {
        v = static_cast<std::uint16_t>(v << 1);
        bus.change(c.clockHigh);
        bus.lineWait(LineRule::ReadValid);
        if (settleRead) {
            (void)bus.ReadPort(bus.portBase() + kStatusOffset);
        }
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
