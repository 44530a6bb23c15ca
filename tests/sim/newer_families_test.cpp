// The rules only the newer families have: row writes through several latches,
// the 16F62xA's program-only writes, erase and protection, the 16F87/88's
// second configuration word and the order in which VDD and VPP must come up.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bench_fixture.h"

namespace pk::sim::test {
namespace {

// Loads n words (value base + i) from the PC on, with an increment between them.
void loadRow(Board& b, int n, std::uint16_t base) {
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            b.host.increment();
        }
        b.host.load(2, static_cast<std::uint16_t>(base + i));
    }
}

// Begin Programming Only, ended by End Programming after ms milliseconds.
void programOnly(Board& b, int ms) {
    b.host.command(24);
    b.host.sleepMs(ms);
    b.host.command(23);
    b.host.sleepMs(1);
}

void chipErase(Board& b) {
    b.host.load(0, 0x3FFF);
    b.host.command(31);
    b.host.sleepMs(10);
}

struct Case {
    const char* what;
    const char* chip;
    std::function<void(Board&)> prepare;  // on the chip, before the sequence
    std::function<void(Board&)> run;      // inside programming mode
    std::vector<std::pair<int, std::uint16_t>> expected;
    const char* violation;  // "": none
};

TEST(SimNewerFamilies, WritesEraseAndProtection) {
    const auto fill = [](int value) {
        return [value](Board& b) {
            for (int a = 0; a < 64; ++a) {
                b.chip->setWord(a, static_cast<std::uint16_t>(value));
            }
        };
    };
    const auto nothing = [](Board&) {};
    const Case cases[] = {
        {"16F877A: eight loads and 8 erase and write the row",
         "16F877A",
         fill(0x0000),
         [](Board& b) {
             b.host.increment(8);
             loadRow(b, 8, 0x100);
             b.host.command(8);
             b.host.sleepMs(8);
         },
         {{7, 0}, {8, 0x100}, {15, 0x107}, {16, 0}},
         ""},
        {"16F877A: one load and 8 erase the other seven words",
         "16F877A",
         fill(0x0000),
         [](Board& b) {
             b.host.load(2, 0x0123);
             b.host.command(8);
             b.host.sleepMs(8);
         },
         {{0, 0x0123}, {1, 0x3FFF}, {7, 0x3FFF}, {8, 0}},
         "1 of the eight write latches"},
        {"16F877A: 24 clears bits of the loaded words only",
         "16F877A",
         fill(0x3F0F),
         [](Board& b) {
             b.host.increment(2);
             loadRow(b, 2, 0x30F0);
             programOnly(b, 1);
         },
         {{1, 0x3F0F}, {2, 0x3000}, {3, 0x3001}, {4, 0x3F0F}},
         ""},
        {"16F877A: 24 ended at once writes nothing",
         "16F877A",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             b.host.command(24);
             b.host.command(23);
             b.host.sleepMs(1);
         },
         {{0, 0x3FFF}},
         "(at least 1000 µs)"},
        {"16F877A: protected, only the chip erase clears it",
         "16F877A",
         [](Board& b) {
             b.chip->setWord(5, 0x1234);
             b.chip->setWord(0x2100, 0x12);
             b.chip->setWord(0x2007, 0x1EFF);
         },
         [](Board& b) {
             b.host.load(2, 0x3FFF);
             b.host.command(9);
             b.host.command(8);
             b.host.sleepMs(8);
             EXPECT_EQ(b.chip->word(5), 0x1234) << "bulk erase refused under protection";
             chipErase(b);
         },
         {{5, 0x3FFF}, {0x2007, 0x3FFF}, {0x2100, 0xFF}},
         ""},
        {"16F877A: the row of 8 on the configuration word writes it alone",
         "16F877A",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x3FFF);
             b.host.increment(7);
             b.host.load(2, 0x3F3A);
             b.host.command(8);
             b.host.sleepMs(8);
         },
         {{0x2007, 0x3F3A}, {0x2000, 0x3FFF}},
         ""},
        {"16F628A: 8 only clears bits, 9 erases all and the protection",
         "16F628A",
         [](Board& b) {
             b.chip->setWord(0, 0x0000);
             b.chip->setWord(0x2007, 0x1FFF);
         },
         [](Board& b) {
             b.host.load(2, 0x3FFF);
             b.host.command(8);
             b.host.sleepMs(4);
             EXPECT_EQ(b.chip->word(0), 0x0000);
             b.host.load(0, 0x3FFF);
             b.host.command(9);
             b.host.sleepMs(6);
         },
         {{0, 0x3FFF}, {0x2007, 0x3FFF}, {0x2000, 0x3FFF}},
         ""},
        {"16F628A: a programmed word is written with 8 after the bulk erase",
         "16F628A",
         nothing,
         [](Board& b) {
             b.host.increment(0x7FF);
             b.host.load(2, 0x2A55);
             b.host.command(8);
             b.host.sleepMs(4);
             b.host.increment();  // wraps to 0 at the end of the 2K words
             b.host.load(2, 0x0001);
             b.host.command(8);
             b.host.sleepMs(4);
         },
         {{0x7FF, 0x2A55}, {0, 0x0001}},
         ""},
        {"16F628A: a shorter wait than TPROG",
         "16F628A",
         nothing,
         [](Board& b) {
             b.host.load(2, 0x0000);
             b.host.command(8);
             b.host.sleepMs(2);
             b.host.read(4);
         },
         {{0, 0x3FFF}},
         "clock edge during a programming cycle"},
        {"16F628A: the 16F628's Begin Programming Only does not exist",
         "16F628A",
         nothing,
         [](Board& b) {
             b.host.load(2, 0x0000);
             b.host.command(24);
             b.host.sleepMs(8);
         },
         {{0, 0x3FFF}},
         "command 24 is not supported"},
        {"16F88: the row erase clears 32 words, 24 writes four",
         "16F88",
         fill(0x0000),
         [](Board& b) {
             b.host.load(2, 0x3FFF);
             b.host.command(8);
             b.host.sleepMs(1);
             b.host.command(23);
             b.host.sleepMs(1);
             loadRow(b, 4, 0x200);
             programOnly(b, 1);
         },
         {{0, 0x200}, {3, 0x203}, {4, 0x3FFF}, {31, 0x3FFF}, {32, 0}},
         ""},
        {"16F88: 8 needs its End Programming",
         "16F88",
         nothing,
         [](Board& b) {
             b.host.load(2, 0x3FFF);
             b.host.command(8);
             b.host.sleepMs(1);
             b.host.read(4);
         },
         {},
         "command 4 between Begin and End Programming"},
        {"16F88: the chip erase lifts the protection",
         "16F818",
         [](Board& b) {
             b.chip->setWord(0, 0);
             b.chip->setWord(0x2007, 0x1FFF);
         },
         [](Board& b) { chipErase(b); },
         {{0, 0x3FFF}, {0x2007, 0x3FFF}},
         ""},
        {"16F88: the second configuration word",
         "16F88",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x0000);  // discarded on this chip
             b.host.increment(7);
             b.host.load(2, 0x3F2F);
             programOnly(b, 1);
             b.host.increment();
             b.host.load(2, 0x3FFE);
             programOnly(b, 1);
             EXPECT_EQ(b.host.read(4), 0x3FFE);
         },
         {{0x2007, 0x3F2F}, {0x2008, 0x3FFE}, {0x2000, 0x3FFF}},
         ""},
        {"16F818: no second configuration word",
         "16F818",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x0000);
             b.host.increment(8);
             b.host.load(2, 0x0000);
             programOnly(b, 1);
         },
         {{0x2008, 0x3FFF}},
         ""},
        {"12F629: 9 erases the calibration word and the bandgap bits with everything else",
         "12F629",
         [](Board& b) {
             b.chip->setWord(0, 0x0000);
             b.chip->setWord(0x2000, 0x0001);
             b.chip->setWord(0x2007, 0x2079);  // protected, bandgap 10
         },
         [](Board& b) {
             b.host.load(0, 0x3FFF);
             b.host.command(9);
             b.host.sleepMs(8);
         },
         {{0, 0x3FFF}, {0x3FF, 0x3FFF}, {0x2000, 0x3FFF}, {0x2007, 0x31FF}},
         ""},
        {"12F629: 8 clears bits of a program word and erases a data byte first",
         "12F675",
         [](Board& b) {
             b.chip->setWord(0, 0x0F0F);
             b.chip->setWord(0x2100, 0x0F);
         },
         [](Board& b) {
             b.host.load(2, 0x3333);
             b.host.command(8);
             b.host.sleepMs(3);
             b.host.load(3, 0xF0);
             b.host.command(8);
             b.host.sleepMs(6);
         },
         {{0, 0x0303}, {0x2100, 0xF0}},
         ""},
        {"12F629: protected words read 0, the calibration word does not",
         "16F630",
         [](Board& b) { b.chip->setWord(0x2007, 0x2079); },
         [](Board& b) {
             EXPECT_EQ(b.host.read(4), 0);
             b.host.increment(0x3FF);
             EXPECT_EQ(b.host.read(4), 0x3454);
         },
         {},
         ""},
        {"12F629: 24 is ended by 10; 11 keeps a protected EEPROM",
         "16F676",
         [](Board& b) {
             b.chip->setWord(0x2007, 0x20F9);  // data protected
             b.chip->setWord(0x2100, 0x12);
         },
         [](Board& b) {
             b.host.load(2, 0x1234);
             b.host.command(24);
             b.host.sleepMs(2);
             b.host.command(10);
             b.host.sleepMs(1);
             b.host.command(11);
             b.host.sleepMs(8);
         },
         {{0, 0x1234}, {0x2100, 0x12}},
         ""},
        {"12F629: no End Programming 23",
         "12F629",
         nothing,
         [](Board& b) { b.host.command(23); },
         {},
         "command 23 is not supported"},
        {"16F818: 0x1FFF steps into configuration space",
         "16F818",
         nothing,
         [](Board& b) {
             b.host.increment(0x1FFF);
             EXPECT_EQ(b.chip->pc(), 0x1FFF);
             b.host.increment();
             EXPECT_EQ(b.chip->pc(), 0x2000);
         },
         {},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Board b(c.chip);
        c.prepare(b);
        b.host.startProgmode();
        c.run(b);
        b.host.endProgmode();
        for (const auto& [address, value] : c.expected) {
            EXPECT_EQ(b.chip->word(address), value) << std::hex << address;
        }
        if (*c.violation == '\0') {
            EXPECT_TRUE(b.log().violations().empty()) << b.violations();
        } else {
            EXPECT_NE(b.violations().find(c.violation), std::string::npos) << b.violations();
        }
    }
}

// A chip on its internal oscillator with MCLR disabled (FOSC2:0 = 100, MCLRE = 0).
TEST(SimNewerFamilies, EntryOrderOnAChipRunningItsOwnProgram) {
    struct Row {
        const char* chip;
        std::uint16_t config;
        bool vppFirst;
        int vppAfterUs;  // VDD first: VPP this long after VDD
        bool enters;
    };
    const Row rows[] = {
        {"16F628A", 0x3F50, false, 100000, false}, {"16F628A", 0x3F50, true, 0, true},
        {"16F648A", 0x3FFF, false, 100000, true},  {"16F88", 0x3F50, false, 100000, false},
        {"16F88", 0x3F50, false, 100, true},       {"16F819", 0x3FFF, false, 100000, true},
        {"16F877A", 0x3F7C, false, 100000, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + (r.vppFirst ? " VPP first" : " VDD first") + " " +
                     std::to_string(r.vppAfterUs));
        Board b(r.chip, 1, 0, 1, true);
        b.chip->setWord(0x2007, r.config);
        b.idle();
        b.host.entryLow();
        b.host.wait();
        if (r.vppFirst) {
            b.host.vppOn();
            b.clock.busyWait(std::chrono::microseconds(10));
            b.host.vddOn();
        } else {
            b.host.vddOn();
            b.clock.busyWait(std::chrono::microseconds(r.vppAfterUs));
            b.host.vppOn();
        }
        b.host.sleepMs(1);
        EXPECT_EQ(b.chip->inProgrammingMode(), r.enters);
        b.host.vppOff();
        b.host.vddOff();
        EXPECT_EQ(b.log().violations().empty(), r.enters) << b.violations();
    }
}

// The self-timed chip erase lasts what each chip's programming data sheet gives:
// a clock edge before that breaks it off.
TEST(SimNewerFamilies, ChipEraseLastsWhatTheChipsDataSheetGives) {
    struct Row {
        const char* chip;
        int waitMs;
        bool early;
    };
    const Row rows[] = {
        {"16F818", 8, false}, {"16F819", 8, false}, {"16F819", 7, true},
        {"16F88", 8, true},   {"16F87", 10, false}, {"16F877A", 8, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + " " + std::to_string(r.waitMs) + " ms");
        Board b(r.chip);
        b.chip->setWord(0, 0x0000);
        b.host.startProgmode();
        b.host.load(0, 0x3FFF);
        b.host.command(31);
        b.host.sleepMs(r.waitMs);
        b.host.command(6);
        b.host.endProgmode();
        EXPECT_EQ(b.violations().find("clock edge during an erase cycle") != std::string::npos,
                  r.early)
            << b.violations();
    }
}

}  // namespace
}  // namespace pk::sim::test
