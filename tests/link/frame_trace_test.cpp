// The frames port access by port access: the classic timing against the old
// algorithm written out here from the line map, and what the data-sheet timing
// spends per bit.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "link/programmer.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

using namespace std::chrono_literals;

struct Access {
    std::chrono::nanoseconds at;
    bool isWrite;
    int port;
    std::uint8_t value;
    bool operator==(const Access&) const = default;
};

std::string show(const std::vector<Access>& log, std::size_t i) {
    if (i >= log.size()) {
        return "(end)";
    }
    const Access& a = log[i];
    return std::to_string(a.at.count()) + " ns " + (a.isWrite ? "write " : "read ") +
           std::to_string(a.port) + " = " + std::to_string(a.value);
}

// A port on which every access takes 1 us of virtual time, as through ppdev, so
// a missing, extra or moved access or wait shifts every later time stamp. The
// status register answers a fixed bit pattern, one bit per status read, with
// the other status bits set so a sample that forgets to mask shows.
class TimedPort : public PortIo {
  public:
    explicit TimedPort(VirtualClock& clock, std::uint8_t data) : clock_(clock), data_(data) {}
    void write(int port, std::uint8_t value) override {
        log.push_back({clock_.monotonic(), true, port, value});
        if (port == kLpt1) {
            data_ = value;
        }
        clock_.advance(1us);
    }
    std::uint8_t read(int port) override {
        std::uint8_t v = 0xFF;
        if (port == kLpt1) {
            v = data_;
        } else if (port == kLpt1 + 1) {
            v = ((0xB5C3u >> (statusReads_++ % 16)) & 1) != 0 ? 0xC7 : 0x87;
        }
        log.push_back({clock_.monotonic(), false, port, v});
        clock_.advance(1us);
        return v;
    }
    bool available() const override { return true; }
    std::vector<Access> log;

  private:
    VirtualClock& clock_;
    std::uint8_t data_;
    unsigned statusReads_ = 0;
};

// The old frames, from the line map by driver: every line change one read and
// one write of the data register, one Delay for each wait, and two status reads
// per received bit of which the second counts.
class OldFrames {
  public:
    OldFrames(PortIo& port, VirtualClock& clock, int driver)
        : port_(port), clock_(clock), driver_(driver) {}

    void kommando(std::uint16_t command) {
        take();
        for (int k = 0; k < 6; ++k) {
            bit(((command >> k) & 1) != 0);
        }
    }
    void wrDaten(std::uint16_t word) {
        take();
        const unsigned frame = (static_cast<unsigned>(word) << 1) | 0x8001u;
        for (int k = 0; k < 16; ++k) {
            bit(((frame >> k) & 1) != 0);
        }
    }
    std::uint16_t rdDaten() {
        wait();
        if (driver_ == 0) {
            rmw(0x01, 0);
        } else if (driver_ == 1) {
            rmw(0, 0x01);
        } else {
            rmw(0x21, 0x04);
        }
        wait();
        unsigned v = 0;
        for (int k = 0; k < 16; ++k) {
            clock(true);
            wait();
            (void)port_.read(kLpt1 + 1);
            const bool set = (port_.read(kLpt1 + 1) & 0x40) != 0;
            v = (v << 1) | ((set != (driver_ == 0)) ? 1u : 0u);
            wait();
            clock(false);
            wait();
        }
        unsigned reversed = 0;
        for (int k = 0; k < 16; ++k) {
            reversed |= ((v >> k) & 1u) << (15 - k);
        }
        return static_cast<std::uint16_t>((reversed >> 1) & 0x3FFF);
    }

  private:
    // 400 ms over 10001 calls of 101 units, DelayCount 100, rounded up.
    void wait() { clock_.busyWait(39997ns); }
    void rmw(std::uint8_t clear, std::uint8_t set) {
        const std::uint8_t d = port_.read(kLpt1);
        port_.write(kLpt1, static_cast<std::uint8_t>((d & ~clear) | set));
    }
    // The 7406 inverts: a high line is a cleared bit.
    void line(std::uint8_t mask, bool high) {
        if (high != (driver_ == 0)) {
            rmw(0, mask);
        } else {
            rmw(mask, 0);
        }
    }
    void clock(bool high) { line(0x02, high); }
    void take() {
        if (driver_ == 2) {
            rmw(0x24, 0);
        }
    }
    void bit(bool one) {
        if (driver_ != 0) {
            wait();
        }
        clock(true);
        wait();
        line(0x01, one);
        wait();
        clock(false);
        wait();
    }

    PortIo& port_;
    VirtualClock& clock_;
    int driver_;
};

// Frames in the order a burn and a verify send them, with runs of equal bits
// and changes at every bit.
template <typename Send, typename Write, typename Read>
std::vector<std::uint16_t> exchange(Send send, Write write, Read read) {
    std::vector<std::uint16_t> got;
    send(0x02);
    write(0x1234);
    send(0x46);
    send(0x04);
    got.push_back(read());
    send(0x02);
    write(0x3FFF);
    send(0x02);
    write(0x0000);
    send(0x2A);
    write(0x2AAA);
    send(0x05);
    got.push_back(read());
    got.push_back(read());
    return got;
}

TEST(ClassicFrames, EveryCircuitMakesTheOldAccessesAtTheOldTimes) {
    for (const Circuit& c : kCircuits) {
        const int driver = static_cast<int>(c.driver);
        const int sw = static_cast<int>(c.voltage);
        for (const std::uint8_t start : {0x00, 0x40, 0x3F}) {
            SCOPED_TRACE("driver " + std::to_string(driver) + " switch " + std::to_string(sw) +
                         " from " + std::to_string(start));
            VirtualClock newClock;
            TimedPort newPort(newClock, start);
            ScriptedDialog dialog;
            ProgrammerSettings s;
            s.DriverIndex = driver;
            s.SwitchIndex = sw;
            s.Timing = TimingMode::Classic;
            s.DelayCount = 100;
            std::int32_t base = kLpt1;
            ProgrammerLink link(newPort, newClock, dialog, s, base);
            const auto got =
                exchange([&](std::uint16_t k) { link.Kommando(k); },
                         [&](std::uint16_t w) { link.WrDaten(w); }, [&] { return link.RdDaten(); });

            VirtualClock oldClock;
            TimedPort oldPort(oldClock, start);
            OldFrames old(oldPort, oldClock, driver);
            const auto want =
                exchange([&](std::uint16_t k) { old.kommando(k); },
                         [&](std::uint16_t w) { old.wrDaten(w); }, [&] { return old.rdDaten(); });

            EXPECT_EQ(got, want);
            EXPECT_EQ(newClock.busyWaited(), oldClock.busyWaited());
            ASSERT_EQ(newPort.log.size(), oldPort.log.size());
            for (std::size_t i = 0; i < oldPort.log.size(); ++i) {
                ASSERT_EQ(newPort.log[i], oldPort.log[i])
                    << "access " << i << ": " << show(newPort.log, i) << ", was "
                    << show(oldPort.log, i);
            }
        }
    }
}

// The lines of a data-register value by driver, from the line map: the 7406
// inverts clock and data.
bool clockUp(std::uint8_t v, int driver) {
    return ((v & 0x02) != 0) != (driver == 0);
}
bool dataUp(std::uint8_t v, int driver) {
    return ((v & 0x01) != 0) != (driver == 0);
}

struct Counted {
    int writes = 0, dataReads = 0, statusReads = 0;
    bool operator==(const Counted&) const = default;
};

void PrintTo(const Counted& n, std::ostream* os) {
    *os << n.writes << " writes, " << n.dataReads << " data-register reads, " << n.statusReads
        << " status reads";
}

Counted count(const std::vector<Access>& log, std::size_t from) {
    Counted n;
    for (std::size_t i = from; i < log.size(); ++i) {
        n.writes += log[i].isWrite ? 1 : 0;
        n.dataReads += !log[i].isWrite && log[i].port == kLpt1 ? 1 : 0;
        n.statusReads += !log[i].isWrite && log[i].port == kLpt1 + 1 ? 1 : 0;
    }
    return n;
}

// In the data-sheet timing a sent bit is two writes on every circuit: the
// clock rises with the data bit, then falls alone; a received bit is the rising
// edge, one status read and the falling edge. A write that moves the clock
// moves nothing but clock and data, so no voltage switch ever changes with it.
TEST(DataSheetFrames, EveryCircuitSendsABitInTwoWritesAndReceivesOneInThreeAccesses) {
    struct Frame {
        const char* what;
        std::uint16_t value;
        bool read;
        Counted want;
    };
    // After entry the lines are taken: no frame here needs the AN589 take.
    // A read releases the data line once, in a write of its own.
    const Frame frames[] = {
        {"command 2", 0x02, false, {12, 0, 0}}, {"word 0x2AAA", 0x2AAA, false, {32, 0, 0}},
        {"command 2", 0x02, false, {12, 0, 0}}, {"word 0x3FFF", 0x3FFF, false, {32, 0, 0}},
        {"command 4", 0x04, false, {12, 0, 0}}, {"read", 0, true, {1 + 32, 0, 16}},
    };
    for (const Circuit& c : kCircuits) {
        const int driver = static_cast<int>(c.driver);
        SCOPED_TRACE("driver " + std::to_string(driver) + " switch " +
                     std::to_string(static_cast<int>(c.voltage)));
        VirtualClock clock;
        TimedPort port(clock, 0x40);
        ScriptedDialog dialog;
        ProgrammerSettings s;
        s.DriverIndex = driver;
        s.SwitchIndex = static_cast<int>(c.voltage);
        s.Timing = TimingMode::DataSheet;
        std::int32_t base = kLpt1;
        ProgrammerLink link(port, clock, dialog, s, base);
        link.StartProgmode();
        std::uint8_t reg = port.log.back().value;
        for (const Frame& f : frames) {
            SCOPED_TRACE(f.what);
            const std::size_t from = port.log.size();
            std::vector<int> latched;
            if (f.read) {
                (void)link.RdDaten();
            } else if (f.value < 0x40) {
                link.Kommando(f.value);
            } else {
                link.WrDaten(f.value);
            }
            EXPECT_EQ(count(port.log, from), f.want);
            for (std::size_t i = from; i < port.log.size(); ++i) {
                if (!port.log[i].isWrite) {
                    continue;
                }
                const std::uint8_t v = port.log[i].value;
                if (clockUp(v, driver) != clockUp(reg, driver)) {
                    EXPECT_EQ((v ^ reg) & ~0x03, 0) << "write " << i - from;
                }
                if (clockUp(reg, driver) && !clockUp(v, driver)) {
                    EXPECT_EQ(v ^ reg, 0x02) << "the falling edge alone, write " << i - from;
                    latched.push_back(dataUp(v, driver) ? 1 : 0);
                }
                reg = v;
            }
            if (!f.read) {
                const unsigned bits = f.value < 0x40 ? f.value : ((f.value << 1) | 0x8001u);
                const int n = f.value < 0x40 ? 6 : 16;
                ASSERT_EQ(latched.size(), static_cast<std::size_t>(n));
                for (int k = 0; k < n; ++k) {
                    EXPECT_EQ(latched[static_cast<std::size_t>(k)], (bits >> k) & 1) << k;
                }
            }
        }
    }
}

}  // namespace
}  // namespace pk
