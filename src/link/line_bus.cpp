#include "link/line_bus.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "link/range_error.h"

namespace pk {

namespace {

// What unusable settings drive: nothing at all. Polarity and waits as the
// direct driver, so frames keep their length.
constexpr Circuit kNoCircuit{Driver::Direct7407,
                             VoltageSwitch::Pnp,
                             false,
                             true,
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             {},
                             0,
                             {},
                             {},
                             {},
                             {},
                             {},
                             {true, false},
                             0};

}  // namespace

LineBus::LineBus(PortIo& port, Clock& clock, UserDialog& dialog, ProgrammerSettings& settings,
                 std::int32_t& portBase)
    : port_(port), clock_(clock), dialog_(dialog), settings_(settings), portBase_(portBase) {}

const Circuit& LineBus::circuit() const {
    const Circuit* c = findCircuit(settings_);
    return c != nullptr ? *c : kNoCircuit;
}

void LineBus::WritePort(std::int32_t port, std::uint8_t value) {
    if (port < 0) {
        throw RangeError();
    }
    port_.write(port, value);
    if (port == portBase_) {
        written_ = value;
        writtenAt_ = port;
    } else if (port == writtenAt_) {
        writtenAt_.reset();
    }
}

std::uint8_t LineBus::ReadPort(std::int32_t port) {
    if (port < 0) {
        throw RangeError();
    }
    return port_.read(port);
}

void LineBus::change(LineTerm term) {
    if (term.empty()) {
        return;
    }
    if (!dataSheetTiming()) {
        WritePort(portBase_, term.apply(ReadPort(portBase_)));
    } else {
        // The data register holds what was last written to it, and only this
        // program writes it: no need to ask the port again. A term that would
        // leave every line as it is writes nothing.
        if (writtenAt_ != portBase_) {
            written_ = ReadPort(portBase_);
            writtenAt_ = portBase_;
        }
        const std::uint8_t next = term.apply(written_);
        if (next == written_) {
            return;
        }
        WritePort(portBase_, next);
    }
    // Taken after the write: the change happened at the latest now.
    lastChange_ = clock_.monotonic();
}

void LineBus::change(const VoltageStep& step) {
    change(step.term);
    if (step.prompt != nullptr) {
        dialog_.manualSwitch(step.prompt);
    }
}

bool LineBus::sampleBit() {
    return dataInHigh(circuit(), ReadPort(portBase_ + kStatusOffset));
}

std::chrono::nanoseconds LineBus::delayLength() const {
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

void LineBus::Delay() {
    const auto d = delayLength();
    if (d.count() > 0) {
        clock_.busyWait(d);
    }
}

void LineBus::waitUntil(std::chrono::nanoseconds t) {
    const auto now = clock_.monotonic();
    if (now < t) {
        clock_.busyWait(t - now);
    }
}

void LineBus::lineWait(LineRule rule) {
    if (!dataSheetTiming()) {
        Delay();
        return;
    }
    waitUntil(lastChange_ + (rule == LineRule::ReadValid ? kReadValid : kEdgeHold));
}

void LineBus::frameStart(std::chrono::nanoseconds gap) {
    if (dataSheetTiming()) {
        waitUntil(frameEnd_ + gap);
    }
}

std::optional<LineTerm> LineBus::riseWith(bool one) const {
    if (!dataSheetTiming()) {
        return std::nullopt;
    }
    const Circuit& c = circuit();
    return oneWrite(c, c.clockHigh, one ? c.dataHigh : c.dataLow);
}

void LineBus::frameEnd() {
    // The frame's last line change is its falling clock edge.
    frameEnd_ = lastChange_;
}

void LineBus::Bremse() {
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

}  // namespace pk
