// The frames port access by port access: the classic timing against the old
// algorithm written out here from the line map.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
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

}  // namespace
}  // namespace pk
