// How a chip takes programming mode and when it refuses it: broken entry
// sequences, each with what it logs and whether the chip answers afterwards;
// and how soon after its rising clock edge a read bit is on the data line.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "bench_fixture.h"

namespace pk::sim::test {
namespace {

using std::chrono::microseconds;
using std::chrono::nanoseconds;

// The device ID, read in whatever mode the sequence left the chip.
std::uint16_t deviceIdNow(Board& b) {
    b.host.load(0, 0);
    b.host.increment(6);
    return b.host.read(4);
}

// VPP, then VDD, with clock and data held low throughout.
void vppFirst(Board& b) {
    b.host.entryLow();
    b.host.wait();
    b.host.vppOn();
    b.host.sleepMs(1);
    b.host.vddOn();
    b.host.sleepMs(1);
}

struct Entry {
    const char* what;
    const char* chip;
    bool strict;
    std::function<void(Board&)> enter;
    const char* violation;  // "": none
    bool answers;           // in programming mode, and reading the device ID
};

TEST(SimEntry, BrokenEntrySequencesAreLoggedAndRefused) {
    const Entry rows[] = {
        {"VPP first with the lines low throughout", "16F628A", false, vppFirst, "", true},
        {"data high when VPP rises", "16F628A", false,
         [](Board& b) {
             b.host.entryLow();
             b.host.dataBit(true);
             b.host.wait();
             b.host.vppOn();
             b.host.sleepMs(1);
             b.host.dataBit(false);
             b.host.sleepMs(1);
             b.host.vddOn();
             b.host.sleepMs(1);
         },
         "no programming mode: data high when VPP came on", false},
        {"clock high when VPP rises", "12F629", false,
         [](Board& b) {
             b.host.entryLow();
             b.host.clockHigh();
             b.host.wait();
             b.host.vppOn();
             b.host.sleepMs(1);
             b.host.clockLow();
             b.host.sleepMs(1);
             b.host.vddOn();
             b.host.sleepMs(1);
         },
         "no programming mode: clock high when VPP came on", false},
        {"a data pulse between VPP and VDD", "16F627", false,
         [](Board& b) {
             b.host.entryLow();
             b.host.wait();
             b.host.vppOn();
             b.host.sleepMs(1);
             b.host.dataBit(true);
             b.host.wait();
             b.host.dataBit(false);
             b.host.sleepMs(1);
             b.host.vddOn();
             b.host.sleepMs(1);
         },
         "no programming mode: clock or data went high between VPP and VDD", false},
        {"clock high while VDD rises after VPP", "16F676", false,
         [](Board& b) {
             b.host.entryLow();
             b.host.wait();
             b.host.vppOn();
             b.host.sleepMs(1);
             b.host.clockHigh();
             b.host.vddOn();
             b.host.clockLow();
             b.host.sleepMs(1);
         },
         "no programming mode: clock high when VDD came on after VPP", false},
        {"VDD and the clock in one port write", "16F648A", false,
         [](Board& b) {
             b.host.entryLow();
             b.host.wait();
             b.host.vppOn();
             b.host.sleepMs(1);
             b.host.change(kD1, kD2);  // pnp switch: VDD on is D2 clear; clock high D1
             b.host.clockLow();
             b.host.sleepMs(1);
         },
         "no programming mode: clock high when VDD came on after VPP", false},
        {"lines low only 50 ns before VPP (logged, still entered)", "16F628", true,
         [](Board& b) {
             b.host.dataBit(true);
             b.host.wait();
             b.host.entryLow();
             b.clock.busyWait(nanoseconds(50));
             b.host.vppOn();
             b.host.sleepMs(1);
             b.host.vddOn();
             b.host.sleepMs(1);
         },
         "clock and data low less than 100 ns before VPP came on", true},
        {"refused, then VPP off and a clean VPP-first entry", "16F628A", false,
         [](Board& b) {
             b.host.dataBit(true);
             b.host.wait();
             b.host.vppOn();
             b.host.entryLow();
             b.host.sleepMs(1);
             b.host.vddOn();
             b.host.sleepMs(1);
             b.host.vddOff();
             b.host.vppOff();
             b.host.sleepMs(1);
             vppFirst(b);
         },
         "no programming mode: data high when VPP came on", true},
        {"VPP first on a chip that asks VDD first", "16F877", false, vppFirst,
         "VDD switched on while VPP is already on (VPP before VDD)", false},
        {"VDD first with the clock high (logged, still entered)", "16F877", false,
         [](Board& b) {
             b.host.entryLow();
             b.host.vddOn();
             b.host.sleepMs(100);
             b.host.clockHigh();  // stays high: the first command bit falls from here
             b.host.wait();
             b.host.vppOn();
             b.host.sleepMs(1);
         },
         "programming mode entered with clock high", true},
        {"VDD first on a 16F628A running its own program", "16F628A", false,
         [](Board& b) {
             b.host.vddOff();
             b.chip->setWord(0x2007, 0x3F50);  // INTRC, RA6/RA7 as I/O, MCLRE = 0
             b.host.startProgmode();
         },
         "no programming mode: VDD came on before VPP", false},
        {"VPP first on a 16F628A running its own program", "16F628A", false,
         [](Board& b) {
             b.chip->setWord(0x2007, 0x3F50);
             vppFirst(b);
         },
         "", true},
    };
    for (const Entry& row : rows) {
        SCOPED_TRACE(row.what);
        Board b(row.chip, 1, 1, 1, row.strict);
        row.enter(b);
        const std::string v = b.violations();
        if (*row.violation == '\0') {
            EXPECT_TRUE(v.empty()) << v;
        } else {
            EXPECT_NE(v.find(row.violation), std::string::npos) << v;
        }
        EXPECT_EQ(b.chip->inProgrammingMode(), row.answers);
        EXPECT_EQ(deviceIdNow(b), row.answers ? b.chip->word(0x2006) : 0x3FFF)
            << "a refusing chip answers nothing";
        b.host.endProgmode();
    }
}

// Reads program word 0 with the data line sampled `after` each rising clock edge.
std::uint16_t readSampledAfter(Board& b, nanoseconds after) {
    b.host.command(4);
    b.host.wait();
    b.host.release();
    b.host.wait();
    std::uint32_t frame = 0;
    for (int k = 0; k < 16; ++k) {
        b.host.clockHigh();
        b.clock.busyWait(after);
        if (b.host.sample()) {
            frame |= 1u << k;
        }
        b.host.wait();
        b.host.clockLow();
        b.host.wait();
    }
    return static_cast<std::uint16_t>((frame >> 1) & 0x3FFF);
}

TEST(SimEntry, ReadBitIsOnTheLineOnlyTdly3AfterItsEdge) {
    struct Sampling {
        const char* chip;
        int afterNs;
        bool valid;
    };
    // 80 ns on every family but the 16F7x, which takes 200 ns.
    const Sampling rows[] = {
        {"16F84A", 0, false},  {"16F84A", 80, true},  {"16F877", 79, false}, {"16F628A", 80, true},
        {"16F74", 100, false}, {"16F74", 199, false}, {"16F74", 200, true},  {"12F675", 60, false},
    };
    for (const Sampling& row : rows) {
        SCOPED_TRACE(std::string(row.chip) + " sampled " + std::to_string(row.afterNs) + " ns");
        Board b(row.chip, 1, 1, 1, true);
        b.chip->setWord(0, 0x1A5C);
        b.host.startProgmode();
        const std::uint16_t w = readSampledAfter(b, nanoseconds(row.afterNs));
        b.host.endProgmode();
        const std::string v = b.violations();
        if (row.valid) {
            EXPECT_EQ(w, 0x1A5C);
            EXPECT_TRUE(v.empty()) << v;
        } else {
            EXPECT_NE(w, 0x1A5C) << "an early sample sees the bit before";
            EXPECT_NE(v.find("ns after the rising clock edge"), std::string::npos) << v;
        }
    }
}

// The board's VPP against the chip's VIHH range: outside it every rise of VPP is
// logged, inside it nothing.
TEST(SimEntry, VppOutsideTheChipsRangeIsLogged) {
    struct Row {
        const char* chip;
        int centivolts;
        const char* violation;  // "": none
    };
    const Row rows[] = {
        {"16F877", 1300, ""},
        {"16F877", 1360, "VPP 13.60 V on MCLR, above the VIHH maximum 13.50 V"},
        {"16F77", 1200, "VPP 12.00 V on MCLR, below the VIHH minimum 12.75 V"},
        {"16F77", 1325, ""},
        {"16F628A", 1000, ""},
        {"16F84A", 1450, "above the VIHH maximum 14.00 V"},
        {"16F887", 1300, "VPP 13.00 V on MCLR, above the VIHH maximum 12.00 V"},
        {"16F917", 1200, ""},
        {"16F785", 1250, "above the VIHH maximum 12.00 V"},
        {"16F690", 1300, ""},
        {"12F615", 990, "below the VIHH minimum 10.00 V"},
        {"16F716", 1350, ""},
        {"16F716", 1050, "below the VIHH minimum 11.00 V"},
        {"16F72", 1270, "below the VIHH minimum 12.75 V"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + " at " + std::to_string(r.centivolts));
        Board b(r.chip);
        b.circuit.setVpp(r.centivolts);
        b.host.startProgmode();
        b.host.endProgmode();
        const std::string v = b.violations();
        if (*r.violation == '\0') {
            EXPECT_TRUE(v.empty()) << v;
        } else {
            EXPECT_NE(v.find(r.violation), std::string::npos) << v;
        }
    }
}

}  // namespace
}  // namespace pk::sim::test
