// Faults a test can switch on, each leading to a visible failure, and a whole
// chip written and read back.

#include <gtest/gtest.h>

#include "bench_fixture.h"

namespace pk::sim::test {
namespace {

// Writes one program word and reads it back, as the program's burn does.
std::uint16_t writeAndRead(Board& b, std::uint16_t word) {
    b.host.load(2, word);
    b.host.command(8);
    b.host.sleepMs(20);
    return b.host.read(4);
}

TEST(SimFaults, EmptySocketReadsAllOnes) {
    Board b(nullptr);
    b.host.startProgmode();
    EXPECT_EQ(b.host.read(4), 0x3FFF);
    EXPECT_EQ(writeAndRead(b, 0x0123), 0x3FFF);
    b.host.endProgmode();
    EXPECT_EQ(b.log().count(4), 0) << "nobody decodes commands";
}

TEST(SimFaults, StuckDataLine) {
    Board low("16F84A");
    low.circuit.setDataStuck(false);
    low.host.startProgmode();
    EXPECT_EQ(low.host.read(4), 0);
    low.host.endProgmode();
    EXPECT_EQ(low.chip->word(0), 0x3FFF);

    Board high("16F84A");
    high.circuit.setDataStuck(true);
    high.host.startProgmode();
    EXPECT_EQ(writeAndRead(high, 0x0000), 0x3FFF);
    high.host.endProgmode();
    EXPECT_NE(high.violations().find("entered with data high"), std::string::npos)
        << high.violations();
}

TEST(SimFaults, OpenClockLineReachesNothing) {
    Board b("16F877");
    b.circuit.setClockOpen(true);
    b.host.startProgmode();
    EXPECT_EQ(writeAndRead(b, 0x0055), 0x3FFF);
    b.host.endProgmode();
    EXPECT_EQ(b.chip->word(0), 0x3FFF);
    EXPECT_EQ(b.log().commands().size(), 0u);
}

TEST(SimFaults, NoVppMeansNoProgrammingMode) {
    Board b("16F628");
    b.circuit.setNoVpp(true);
    b.host.startProgmode();
    EXPECT_FALSE(b.chip->inProgrammingMode());
    EXPECT_EQ(writeAndRead(b, 0x0055), 0x3FFF);
    b.host.endProgmode();
    EXPECT_EQ(b.log().modeEntries(), 0);
}

TEST(SimFaults, BadCellNeverPrograms) {
    Board b("16F876");
    b.chip->setBadCell(100);
    b.host.startProgmode();
    b.host.increment(99);
    EXPECT_EQ(writeAndRead(b, 0x0099), 0x0099);
    b.host.command(6);
    EXPECT_EQ(writeAndRead(b, 0x0100), 0x3FFF);
    b.host.endProgmode();
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();
}

TEST(SimFaults, StuckCellSurvivesEveryErase) {
    for (const char* name : {"16F84A", "16F877", "16F73", "16F628"}) {
        SCOPED_TRACE(name);
        Board b(name);
        const bool f7x = b.chip->model().family == Family::F7x;
        b.chip->setStuckCell(3);
        b.chip->setWord(3, 0x1234);
        b.chip->setWord(4, 0x1234);
        b.host.startProgmode();
        if (!f7x) {
            // Programming still clears bits of it (an erase-and-write cannot set them).
            b.host.increment(3);
            EXPECT_EQ(writeAndRead(b, 0x3FF0), 0x1230);
        }
        b.host.endProgmode();
        b.host.startProgmode();
        if (f7x) {
            b.host.command(9);
            b.host.sleepMs(30);
        } else {
            // The protection-removal erase clears the whole chip on every family here.
            b.host.load(0, 0x3FFF);
            b.host.increment(7);
            b.host.command(1);
            b.host.command(7);
            b.host.command(8);
            b.host.sleepMs(20);
        }
        b.host.endProgmode();
        EXPECT_EQ(b.chip->word(4), 0x3FFF);
        EXPECT_NE(b.chip->word(3), 0x3FFF);
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(SimFaults, NoBulkEraseLeavesTheChipAsItWas) {
    for (const char* name : {"16F84A", "16F76", "16F627"}) {
        SCOPED_TRACE(name);
        Board b(name);
        const bool f7x = b.chip->model().family == Family::F7x;
        b.chip->setNoBulkErase(true);
        b.chip->setWord(7, 0x0007);
        b.chip->setWord(0x2100, 0x07);
        b.host.startProgmode();
        if (f7x) {
            b.host.command(9);
            b.host.sleepMs(30);
        } else {
            for (int c : {9, 11}) {
                b.host.load(2, 0x3FFF);
                b.host.command(c);
                b.host.command(8);
                b.host.sleepMs(20);
            }
        }
        b.host.endProgmode();
        EXPECT_EQ(b.chip->word(7), 0x0007);
        if (!f7x) {
            EXPECT_EQ(b.chip->word(0x2100), 0x07);
            EXPECT_EQ(b.chip->word(0), 0x3FFF) << "the Begin after a dead erase writes nothing";
        }
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(SimFaults, FlakyReadsFlipEveryNthBitFromASeededPhase) {
    auto readAll = [](unsigned seed) {
        Board b("16F84A");
        b.chip->setFlaky(20, seed);
        b.host.startProgmode();
        std::vector<std::uint16_t> words;
        for (int i = 0; i < 10; ++i) {
            words.push_back(b.host.read(4));
        }
        b.host.endProgmode();
        return words;
    };
    const auto a = readAll(3);
    int flipped = 0;
    for (std::uint16_t w : a) {
        for (int k = 0; k < 14; ++k) {
            flipped += ((w >> k) & 1) == 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(flipped, 140 / 20) << "every 20th driven bit";
    EXPECT_EQ(readAll(3), a) << "same seed, same reads";
    EXPECT_NE(readAll(4), a);
}

TEST(SimFaults, WrongChipAnswersWithItsOwnId) {
    Board b("16F628");
    b.host.startProgmode();
    b.host.load(0, 0);
    b.host.increment(6);
    EXPECT_EQ(b.host.read(4) & 0x3FE0, 0x07C0);
    b.host.endProgmode();
}

TEST(SimWholeChip, SixteenF877WrittenAndReadBack) {
    Board b("16F877");
    auto value = [](int a) { return static_cast<std::uint16_t>((a * 0x2F1 + 7) & 0x3FFF); };
    b.host.startProgmode();
    for (int a = 0; a < 8192; ++a) {
        b.host.load(2, value(a));
        b.host.command(8);
        b.host.sleepMs(20);
        b.host.command(6);
    }
    b.host.endProgmode();
    b.host.startProgmode();
    int bad = 0;
    for (int a = 0; a < 8192; ++a) {
        bad += b.host.read(4) != value(a) ? 1 : 0;
        b.host.command(6);
    }
    b.host.endProgmode();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(b.log().count(8), 8192);
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();
}

}  // namespace
}  // namespace pk::sim::test
