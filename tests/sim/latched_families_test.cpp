// The later mid-range flash chips (16F88x, 16F6xx, 12F61x/16F61x, 16F716,
// 16F91x, 16F785): program-only latch rows, configuration space one word at
// a time, erases reaching as far as the PC stands, factory calibration words,
// protection, and the entry order of a chip running its own program.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench_fixture.h"
#include "sim/chip_file.h"
#include "sim/family.h"
#include "sim/options.h"

namespace pk::sim::test {
namespace {

// Inside every chip's VIHH range here (10..12 V, 10..13 V, 11..13.5 V).
constexpr int kVpp = 1200;

// Loads n words (value base + i) from the PC on, with an increment between them.
void loadRow(Board& b, int n, std::uint16_t base) {
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            b.host.increment();
        }
        b.host.load(2, static_cast<std::uint16_t>(base + i));
    }
}

// Begin Programming (24) ended by the chip's end code ms milliseconds later.
void hostTimed(Board& b, int end, int ms) {
    b.host.command(24);
    b.host.sleepMs(ms);
    b.host.command(end);
    b.host.sleepMs(1);
}

void selfTimed(Board& b, int ms) {
    b.host.command(8);
    b.host.sleepMs(ms);
}

// Bulk Erase Program with the PC steps increments into configuration space
// (-1: in program memory).
void eraseAt(Board& b, int steps) {
    if (steps >= 0) {
        b.host.load(0, 0x3FFF);
        b.host.increment(steps);
    }
    b.host.command(9);
    b.host.sleepMs(6);
}

// A used chip: program words, an ID, data and the given configuration.
std::function<void(Board&)> used(std::uint16_t config) {
    return [config](Board& b) {
        for (int a = 0; a < 48; ++a) {
            b.chip->setWord(a, 0x0F0F);
        }
        b.chip->setWord(0x2000, 0x0001);
        b.chip->setWord(0x2100, 0x12);
        b.chip->setWord(0x2007, config);
    };
}

struct Case {
    const char* what;
    const char* chip;
    std::function<void(Board&)> prepare;  // on the chip, before the sequence
    std::function<void(Board&)> run;      // inside programming mode
    std::vector<std::pair<int, std::uint16_t>> expected;
    const char* violation;  // "": none
};

TEST(SimLatchedFamilies, WritesErasesAndCalibration) {
    const auto nothing = [](Board&) {};
    const auto plain = used(0x3FFF);
    const Case cases[] = {
        // Rows: only bits go 1 -> 0, only the row holding the PC.
        {"16F886: eight loads and 8 program the row, ANDed",
         "16F886",
         plain,
         [](Board& b) {
             b.host.increment(8);
             loadRow(b, 8, 0x3F30);
             selfTimed(b, 3);
         },
         {{7, 0x0F0F}, {8, 0x0F00}, {15, 0x0F07}, {16, 0x0F0F}},
         ""},
        {"16F883: four latches, the row is PC & ~3",
         "16F883",
         nothing,
         [](Board& b) {
             b.host.increment(5);
             b.host.load(2, 0x0005);
             selfTimed(b, 3);
         },
         {{4, 0x3FFF}, {5, 0x0005}, {8, 0x3FFF}},
         ""},
        {"16F887: 24 .. 10 programs the row, TPROG2 2 ms",
         "16F887",
         nothing,
         [](Board& b) {
             loadRow(b, 8, 0x0100);
             hostTimed(b, 10, 2);
         },
         {{0, 0x0100}, {7, 0x0107}},
         ""},
        {"16F887: 24 .. 10 too short writes nothing",
         "16F887",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             hostTimed(b, 10, 1);
         },
         {{0, 0x3FFF}},
         "(at least 2000 µs)"},
        {"16F887: a command right after the end code",
         "16F887",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             b.host.command(24);
             b.host.sleepMs(2);
             b.host.command(10);
             b.host.setDelay(std::chrono::microseconds(5));
             b.host.command(6);
             b.host.setDelay(std::chrono::microseconds(40));
         },
         {{0, 0}},
         "less than 100 µs after End Programming"},
        {"16F887: reading before TPROG1 is over",
         "16F887",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             selfTimed(b, 2);
             b.host.read(4);
         },
         {},
         "clock edge during a programming cycle"},
        {"16F882: IDs, CONFIG1 and CONFIG2 one word at a time",
         "16F882",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x3FFF);
             b.host.load(2, 0x0002);
             selfTimed(b, 3);
             b.host.increment(7);
             b.host.load(2, 0x2FF4);
             selfTimed(b, 3);
             b.host.increment();
             b.host.load(2, 0x0000);
             selfTimed(b, 3);
         },
         {{0x2000, 0x0002}, {0x2001, 0x3FFF}, {0x2007, 0x2FF4}, {0x2008, 0x38FF}},
         ""},
        {"16F884: 8 erases a data byte before writing it",
         "16F884",
         plain,
         [](Board& b) {
             b.host.load(3, 0xED);
             selfTimed(b, 6);
         },
         {{0x2100, 0xED}},
         ""},
        {"16F886: writing the calibration word",
         "16F886",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x3FFF);
             b.host.increment(9);
             b.host.load(2, 0x0000);
             selfTimed(b, 3);
         },
         {{0x2009, 0x2000}},
         "calibration word 0x2009 written"},
        {"16F886: 17 erases the 16-word row",
         "16F886",
         plain,
         [](Board& b) {
             b.host.increment(20);
             b.host.command(17);
             b.host.sleepMs(6);
         },
         {{15, 0x0F0F}, {16, 0x3FFF}, {31, 0x3FFF}, {32, 0x0F0F}},
         ""},
        {"16F886: 17 does nothing under CP",
         "16F886",
         used(0x3FBF),
         [](Board& b) {
             b.host.command(17);
             b.host.sleepMs(6);
         },
         {{0, 0x0F0F}},
         ""},
        {"16F886: a protected row is not programmed",
         "16F886",
         used(0x3FBF),
         [](Board& b) {
             b.host.load(2, 0);
             selfTimed(b, 3);
         },
         {{0, 0x0F0F}},
         ""},

        // 16F6xx: data bytes only lose bits; calibration at 0x2008.
        {"16F690: a row of four, ANDed",
         "16F690",
         plain,
         [](Board& b) {
             b.host.increment(4);
             loadRow(b, 4, 0x3300);
             selfTimed(b, 3);
         },
         {{3, 0x0F0F}, {4, 0x0300}, {7, 0x0303}, {8, 0x0F0F}},
         ""},
        {"12F683: 8 on a data byte only clears bits",
         "12F683",
         plain,
         [](Board& b) {
             b.host.load(3, 0xF0);
             selfTimed(b, 6);
         },
         {{0x2100, 0x10}},
         ""},
        {"16F684: 24 .. 10 needs 3 ms",
         "16F684",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             hostTimed(b, 10, 2);
         },
         {{0, 0x3FFF}},
         "(at least 3000 µs)"},
        {"16F689: writing the calibration word",
         "16F689",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x3FFF);
             b.host.increment(8);
             b.host.load(2, 0x3F00);
             selfTimed(b, 3);
         },
         {{0x2008, 0x2A00}},
         "calibration word 0x2008 written"},
        // 12F61x/16F61x: 24 .. 10 only, one latch on the 1K parts.
        {"12F609: one latch, the last load is the word",
         "12F609",
         nothing,
         [](Board& b) {
             b.host.load(2, 0x0AAA);
             b.host.increment();
             b.host.load(2, 0x0555);
             hostTimed(b, 10, 3);
         },
         {{0, 0x3FFF}, {1, 0x0555}},
         ""},
        {"16F616: a row of four",
         "16F616",
         plain,
         [](Board& b) {
             loadRow(b, 4, 0x3F00);
             hostTimed(b, 10, 3);
         },
         {{0, 0x0F00}, {3, 0x0F03}, {4, 0x0F0F}},
         ""},
        {"12F615: 24 .. 10 needs 3 ms",
         "12F615",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             hostTimed(b, 10, 2);
         },
         {{0, 0x3FFF}},
         "(at least 3000 µs)"},
        {"12F615: no self-timed 8",
         "12F615",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             selfTimed(b, 3);
         },
         {{0, 0x3FFF}},
         "command 8 is not supported"},
        {"16F616: writing the calibration word",
         "16F616",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x3FFF);
             b.host.increment(8);
             b.host.load(2, 0x0000);
             hostTimed(b, 10, 3);
         },
         {{0x2008, 0x203F}},
         "calibration word 0x2008 written"},

        // 16F716: 24 .. 14, and 14 sets the latches to ones.
        {"16F716: a row of four with 24 .. 14",
         "16F716",
         plain,
         [](Board& b) {
             loadRow(b, 4, 0x3F00);
             hostTimed(b, 14, 2);
         },
         {{0, 0x0F00}, {3, 0x0F03}, {4, 0x0F0F}},
         ""},
        {"16F716: 14 alone drops what the latches held",
         "16F716",
         nothing,
         [](Board& b) {
             b.host.load(2, 0x0000);
             b.host.command(14);
             b.host.sleepMs(1);
             b.host.increment();
             b.host.load(2, 0x1111);
             hostTimed(b, 14, 2);
         },
         {{0, 0x3FFF}, {1, 0x1111}},
         ""},
        {"16F716: 24 .. 14 shorter than 2 ms",
         "16F716",
         nothing,
         [](Board& b) {
             b.host.load(2, 0);
             hostTimed(b, 14, 1);
         },
         {{0, 0x3FFF}},
         "(at least 2000 µs)"},
        // 16F91x: two calibration words, both go with a 9 at either.
        {"16F916: eight latches, the row is PC & ~7",
         "16F916",
         nothing,
         [](Board& b) {
             b.host.increment(8);
             b.host.load(2, 0x0008);
             b.host.increment(7);
             selfTimed(b, 3);
         },
         {{8, 0x0008}, {12, 0x3FFF}},
         ""},
        {"16F946: writing CALIB2",
         "16F946",
         nothing,
         [](Board& b) {
             b.host.load(0, 0x3FFF);
             b.host.increment(9);
             b.host.load(2, 0x0000);
             selfTimed(b, 3);
         },
         {{0x2009, 0x3FF8}},
         "calibration word 0x2009 written"},
        // 16F785: Load Configuration takes only ones; TPROG1 2.5 ms.
        {"16F785: Load Configuration with zeros",
         "16F785",
         nothing,
         [](Board& b) { b.host.load(0, 0x0000); },
         {},
         "data must be all ones"},
        {"16F785: a row of four in 2.5 ms, a data byte erased first",
         "16F785",
         plain,
         [](Board& b) {
             b.host.load(3, 0xED);
             selfTimed(b, 6);
             loadRow(b, 4, 0x3F00);
             b.host.command(8);
             b.clock.busyWait(std::chrono::microseconds(2500));
             b.host.read(4);
         },
         {{0, 0x0F00}, {3, 0x0F03}, {0x2100, 0xED}},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Board b(c.chip);
        b.circuit.setVpp(kVpp);
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

// What the host reads back: code protection hides program memory and data,
// never the IDs, configuration or calibration.
TEST(SimLatchedFamilies, ReadBackUnderProtection) {
    struct Row {
        const char* chip;
        std::uint16_t config;
        std::uint16_t program;  // word 0 as read
        std::uint16_t data;     // byte 0 as read
        int kept;               // a calibration word (the 16F716: its configuration)
        std::uint16_t keptValue;
    };
    const Row rows[] = {
        {"16F887", 0x3FFF, 0x0123, 0x45, 0x2009, 0x2D2B},
        {"16F887", 0x3FBF, 0x0000, 0x45, 0x2009, 0x2D2B},
        {"16F887", 0x3F7F, 0x0123, 0x00, 0x2009, 0x2D2B},
        {"16F690", 0x3F3F, 0x0000, 0x00, 0x2008, 0x2ABC},
        {"12F615", 0x3FBF, 0x0000, 0x3FFF, 0x2008, 0x2EFF},
        {"16F917", 0x3F7F, 0x0123, 0x00, 0x2009, 0x3FFD},
        {"16F785", 0x3FBF, 0x0000, 0x45, 0x2008, 0x1B6A},
        {"16F716", 0x1FFF, 0x0000, 0x3FFF, 0x2007, 0x1FFF},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + " config " + std::to_string(r.config));
        Board b(r.chip);
        b.circuit.setVpp(kVpp);
        b.chip->setWord(0, 0x0123);
        b.chip->setWord(0x2100, 0x45);
        b.chip->setWord(0x2000, 0x0007);
        b.chip->setWord(0x2007, r.config);
        const bool hasData = b.chip->model().eepromBytes > 0;
        b.host.startProgmode();
        EXPECT_EQ(b.host.read(4), r.program);
        if (hasData) {
            EXPECT_EQ(b.host.read(5), r.data);
        }
        b.host.load(0, 0x3FFF);
        EXPECT_EQ(b.host.read(4), 0x0007);
        b.host.increment(r.kept - 0x2000);
        EXPECT_EQ(b.host.read(4), r.keptValue);
        b.host.endProgmode();
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

// A chip on its internal oscillator with MCLR disabled (FOSC2:0 = 100, MCLRE = 0)
// is reached only VPP first; the 16F716 only VDD first.
TEST(SimLatchedFamilies, EntryOrder) {
    struct Row {
        const char* chip;
        std::uint16_t config;
        bool vppFirst;
        bool enters;
        const char* violation;  // "": none
    };
    const Row rows[] = {
        {"16F887", 0x3FDC, false, false, "runs its own program"},
        {"16F887", 0x3FDC, true, true, ""},
        {"16F887", 0x3FFC, false, true, ""},  // MCLR enabled
        {"16F690", 0x3FDD, false, false, "runs its own program"},
        {"16F690", 0x3FDD, true, true, ""},
        {"16F690", 0x3FDA, false, true, ""},  // HS oscillator
        {"12F615", 0x3FDC, false, false, "runs its own program"},
        {"12F615", 0x3FDC, true, true, ""},
        {"16F917", 0x3FDC, false, false, "runs its own program"},
        {"16F917", 0x3FDC, true, true, ""},
        {"16F785", 0x3FDC, false, false, "runs its own program"},
        {"16F785", 0x3FDC, true, true, ""},
        {"16F716", 0x3FFF, false, true, ""},
        {"16F716", 0x3FFF, true, false, "(VPP before VDD)"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + (r.vppFirst ? " VPP first " : " VDD first ") +
                     std::to_string(r.config));
        Board b(r.chip, 1, 0, 1, true);
        b.circuit.setVpp(kVpp);
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
            b.clock.busyWait(std::chrono::milliseconds(100));
            b.host.vppOn();
        }
        b.host.sleepMs(1);
        EXPECT_EQ(b.chip->inProgrammingMode(), r.enters);
        if (r.enters) {
            EXPECT_EQ(b.host.read(4), 0x3FFF);
        }
        b.host.vppOff();
        b.host.vddOff();
        if (*r.violation == '\0') {
            EXPECT_TRUE(b.log().violations().empty()) << b.violations();
        } else {
            EXPECT_NE(b.violations().find(r.violation), std::string::npos) << b.violations();
        }
    }
}

// How far 9 and 11 reach: 9 takes the IDs with the PC in configuration space,
// the calibration words only with the PC on one of them (or with the fault
// erase-at-calibration), a protected EEPROM with program memory; 11 leaves a
// protected EEPROM alone.
TEST(SimLatchedFamilies, ErasesByWhereThePcStands) {
    std::string error;
    const auto fault = parseSimFault("erase-at-calibration", &error);
    ASSERT_TRUE(fault.has_value()) << error;
    EXPECT_EQ(fault->kind, SimFault::Kind::EraseAtCalibration);
    EXPECT_FALSE(parseSimFault("erase-at-calibration:1").has_value());

    struct Row {
        const char* chip;
        std::uint16_t config;
        int code;
        int steps;  // increments after Load Configuration (-1: PC in program memory)
        bool fault;
        // Erased afterwards:
        bool program, ids, calibration, data;
    };
    const Row rows[] = {
        {"16F883", 0x3FBF, 9, -1, false, true, false, false, false},  // CP on
        {"16F883", 0x3FFF, 9, 0, false, true, true, false, false},
        {"16F883", 0x3FFF, 9, 9, false, true, true, true, false},
        {"16F883", 0x3FFF, 9, 0, true, true, true, true, false},
        {"16F887", 0x3F7F, 9, -1, false, true, false, false, true},  // CPD on
        {"16F887", 0x3F7F, 11, -1, false, false, false, false, false},
        {"16F887", 0x3FFF, 11, -1, false, false, false, false, true},
        {"16F688", 0x3FFF, 9, 8, false, true, true, true, false},
        {"16F631", 0x3FFF, 9, 0, false, true, true, false, false},
        {"16F690", 0x3FFF, 9, 0, true, true, true, true, false},
        {"16F677", 0x3F7F, 11, -1, false, false, false, false, false},
        {"12F609", 0x3FFF, 9, 8, false, true, true, true, false},
        {"12F615", 0x3FBF, 9, 0, false, true, true, false, false},
        {"12F609", 0x3FFF, 9, -1, true, true, false, true, false},
        {"16F716", 0x1FFF, 9, 0, false, true, true, false, false},  // CP (bit 13) on
        {"16F716", 0x3FFF, 9, -1, false, true, false, false, false},
        {"16F913", 0x3FFF, 9, 8, false, true, true, true, false},
        {"16F914", 0x3FFF, 9, 9, false, true, true, true, false},
        {"16F917", 0x3FFF, 9, 0, false, true, true, false, false},
        {"16F913", 0x3FFF, 9, 0, true, true, true, true, false},
        {"16F917", 0x3F7F, 11, -1, false, false, false, false, false},
        {"16F785", 0x3FFF, 9, 9, false, true, true, true, false},
        {"16F785", 0x3FFF, 9, 0, false, true, true, false, false},
        {"16F785", 0x3FFF, 9, -1, true, true, false, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + " " + std::to_string(r.code) + " after " +
                     std::to_string(r.steps) + (r.fault ? " with the fault" : ""));
        Board b(r.chip);
        b.circuit.setVpp(kVpp);
        used(r.config)(b);
        b.chip->setEraseAtCalibration(r.fault);
        const auto cal = b.chip->model().behaviour->calibration();
        const bool hasData = b.chip->model().eepromBytes > 0;
        const std::uint16_t config = b.chip->word(0x2007);
        for (int i = 0; i < cal.count; ++i) {
            EXPECT_NE(b.chip->word(cal.first + i), 0x3FFF) << "the factory's calibration";
        }
        b.host.startProgmode();
        if (r.code == 9) {
            eraseAt(b, r.steps);
        } else {
            b.host.command(11);
            b.host.sleepMs(6);
        }
        b.host.endProgmode();
        EXPECT_EQ(b.chip->word(5) == 0x3FFF, r.program);
        EXPECT_EQ(b.chip->word(0x2007), r.program ? 0x3FFF : config) << "goes with program memory";
        EXPECT_EQ(b.chip->word(0x2000) == 0x3FFF, r.ids);
        for (int i = 0; i < cal.count; ++i) {
            EXPECT_EQ(b.chip->word(cal.first + i) == 0x3FFF, r.calibration) << i;
        }
        if (hasData) {
            EXPECT_EQ(b.chip->word(0x2100) == 0xFF, r.data);
        }
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

// The chip file keeps the calibration words; a file without them means erased.
TEST(SimLatchedFamilies, CalibrationInTheChipFile) {
    const std::string path = testing::TempDir() + "calibration_chip_file.hex";
    std::filesystem::remove(path);
    std::string err;
    for (const char* name : {"16F887", "16F690", "16F917"}) {
        SCOPED_TRACE(name);
        SimChip a(*findChip(name));
        a.setWord(0x2008, 0x1234);
        a.setWord(0x2009, 0x0421);
        ASSERT_TRUE(saveChipFile(a, path, &err)) << err;
        SimChip b(*findChip(name));
        b.setWord(0x2008, 0x3FFF);
        ASSERT_TRUE(loadChipFile(b, path, &err)) << err;
        EXPECT_EQ(b.word(0x2008), a.word(0x2008));
        EXPECT_EQ(b.word(0x2009), a.word(0x2009));
        EXPECT_EQ(b.contents(), a.contents());
    }
    {
        std::ofstream(path) << ":00000001FF\r\n";
        SimChip c(*findChip("16F690"));
        ASSERT_TRUE(loadChipFile(c, path, &err)) << err;
        EXPECT_EQ(c.word(0x2008), 0x3FFF);
    }
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace pk::sim::test
