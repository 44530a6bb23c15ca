// The chips behind the board: mode entry, the serial protocol, each family's
// programming and erase sequences, code protection and the violation log.

#include <gtest/gtest.h>

#include <functional>

#include <string>

#include "bench_fixture.h"
#include "sim/family.h"

namespace pk::sim::test {
namespace {

// Reads the device ID and configuration word the way autodetection does.
std::pair<std::uint16_t, std::uint16_t> readIdAndConfig(Board& b) {
    b.host.startProgmode();
    b.host.load(0, 0);
    for (int i = 0; i < 6; ++i) {
        b.host.command(6);
        b.host.sleepMs(1);
    }
    const std::uint16_t id = b.host.read(4);
    b.host.command(6);
    b.host.sleepMs(1);
    const std::uint16_t cfg = b.host.read(4);
    b.host.endProgmode();
    return {id, cfg};
}

TEST(SimChip, EveryChipAnswersWithItsDeviceIdAndErasedConfiguration) {
    for (const ChipModel& model : chipModels()) {
        SCOPED_TRACE(std::string(model.name));
        Board b(std::string(model.name).c_str());
        // No one VPP suits every chip: the middle of each one's VIHH range.
        const auto vihh = model.behaviour->vihh();
        b.circuit.setVpp((vihh.minCentivolts + vihh.maxCentivolts) / 2);
        const auto [id, cfg] = readIdAndConfig(b);
        EXPECT_EQ(id, model.name == "16F84" ? 0x3FFF : model.deviceId);
        // The 12F629 family: bits 11:9 read 0, the factory's bandgap bits 10.
        EXPECT_EQ(cfg, model.family == Family::F629 ? 0x21FF : 0x3FFF);
        EXPECT_EQ(b.log().modeEntries(), 1);
        EXPECT_EQ(b.log().commandTrace(), "0(0000) 6 6 6 6 6 6 4 6 4");
        if (model.family == Family::F785) {
            // Its Load Configuration takes only all ones, even before a read.
            EXPECT_NE(b.violations().find("data must be all ones"), std::string::npos);
        } else {
            EXPECT_TRUE(b.log().violations().empty()) << b.violations();
        }
    }
    EXPECT_EQ(findChip("pic16f877")->deviceId & 0x3FE0, 0x09A0);
    EXPECT_EQ(findChip("16F628")->deviceId & 0x3FE0, 0x07C0);
    EXPECT_EQ(findChip("16F999"), nullptr);
}

TEST(SimChip, EveryDriverAndSwitchReadsTheSameWords) {
    const int variants[][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {1, 2}, {2, 3}, {0, 3}};
    for (const auto& v : variants) {
        SCOPED_TRACE("driver " + std::to_string(v[0]) + " switch " + std::to_string(v[1]));
        Board b("16F877", v[0], v[1]);
        b.chip->setWord(0, 0x2ABC);
        b.chip->setWord(1, 0x0001);
        b.host.startProgmode();
        EXPECT_EQ(b.host.read(4), 0x2ABC);
        b.host.command(6);
        EXPECT_EQ(b.host.read(4), 0x0001);
        b.host.load(2, 0x1234);
        b.host.command(8);
        b.host.sleepMs(20);
        EXPECT_EQ(b.host.read(4), 0x1234);
        b.host.endProgmode();
        EXPECT_FALSE(b.chip->inProgrammingMode());
        EXPECT_EQ(b.chip->word(1), 0x1234);
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(SimChip, MismatchedSettingsReadNothingUseful) {
    // A 7406 board driven as if it had a 7407: the chip never enters programming mode
    // the right way, and what comes back is not the stored word.
    VirtualClock clock;
    SimCircuit c(clock, {0, 1}, 1);
    SimChip* chip = c.insertChip(std::make_unique<SimChip>(*findChip("16F84A")));
    chip->setWord(0, 0x0123);
    BitBang host(c, clock, 1, 1);
    host.change(0x0C, 0x03);
    host.startProgmode();
    EXPECT_NE(host.read(4), 0x0123);
}

TEST(SimChip, WordByWordProgrammingOfEachFamily) {
    for (const char* name : {"16F84", "16F84A", "16F872", "16F877", "16F627", "16F628"}) {
        SCOPED_TRACE(name);
        Board b(name);
        const ChipModel& model = b.chip->model();
        // Program memory: read, load, begin, wait, read back.
        b.host.startProgmode();
        for (int a = 0; a < 4; ++a) {
            EXPECT_EQ(b.host.read(4), 0x3FFF);
            b.host.load(2, static_cast<std::uint16_t>(0x0100 + a));
            b.host.command(8);
            b.host.sleepMs(20);
            EXPECT_EQ(b.host.read(4), 0x0100 + a);
            b.host.command(6);
        }
        b.host.endProgmode();
        // Data EEPROM, byte n at address counter n.
        b.host.startProgmode();
        for (int a = 0; a < 3; ++a) {
            b.host.load(3, static_cast<std::uint16_t>(0xA0 + a));
            b.host.command(8);
            b.host.sleepMs(20);
            EXPECT_EQ(b.host.read(5) & 0xFF, 0xA0 + a);
            b.host.command(6);
        }
        b.host.endProgmode();
        // ID locations and configuration word.
        b.host.startProgmode();
        b.host.load(0, 0x3FFF);
        for (int i = 0; i < 4; ++i) {
            b.host.load(2, static_cast<std::uint16_t>(0x3F81 + i));
            b.host.command(8);
            b.host.sleepMs(20);
            EXPECT_EQ(b.host.read(4), 0x3F81 + i) << "all 14 bits stored";
            b.host.command(6);
        }
        b.host.increment(3);
        b.host.load(2, 0x0000 | 0x3FF0 | 0x0001);
        b.host.command(8);
        b.host.sleepMs(20);
        EXPECT_EQ(b.host.read(4), 0x3FF1);
        b.host.endProgmode();

        EXPECT_EQ(b.chip->word(3), 0x0103);
        EXPECT_EQ(b.chip->word(0x2102), 0xA2);
        EXPECT_EQ(b.chip->word(0x2003), 0x3F84);
        EXPECT_EQ(b.log().count(8), 4 + 3 + 5);
        EXPECT_EQ(b.log().modeEntries(), 3);
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
        EXPECT_EQ(model.family == Family::F84 ? 1024 : model.programWords, model.programWords);
    }
}

TEST(SimChip, ProgramOnlyCycleClearsBitsOnly) {
    Board b("16F84A");
    b.chip->setWord(0, 0x30F0);
    b.host.startProgmode();
    b.host.load(2, 0x0FFF);
    b.host.command(24);
    b.host.sleepMs(5);
    EXPECT_EQ(b.host.read(4), 0x00F0);
    b.host.endProgmode();
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();

    Board old("16F84");
    old.host.startProgmode();
    old.host.load(2, 0);
    old.host.command(24);
    EXPECT_NE(old.violations().find("not supported"), std::string::npos) << old.violations();
}

TEST(SimChip, UnimplementedConfigurationBitsReadAsOne) {
    const std::pair<const char*, std::uint16_t> cases[] = {
        {"16F84A", 0x0000}, {"16F877", 0x0400}, {"16F77", 0x3FA0}, {"16F628", 0x0200}};
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        Board b(name);
        b.host.startProgmode();
        b.host.load(0, 0);
        b.host.increment(7);
        b.host.load(2, 0);
        if (b.chip->model().family == Family::F7x) {
            b.host.command(8);
            b.host.sleepMs(4);
            b.host.command(14);
        } else {
            b.host.command(8);
            b.host.sleepMs(15);
        }
        EXPECT_EQ(b.host.read(4), expected);
        b.host.endProgmode();
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(SimChip, AddressCounterWraps) {
    Board b("16F84A");
    b.chip->setWord(0, 0x0AAA);
    b.chip->setWord(0x3FF, 0x0555);
    b.host.startProgmode();
    b.host.increment(0x3FF);
    EXPECT_EQ(b.host.read(4), 0x0555);
    EXPECT_EQ(b.chip->pc(), 0x3FF);
    b.host.increment(0x1C01);  // on to 0x1FFF + 1: back to 0
    EXPECT_EQ(b.chip->pc(), 0);
    EXPECT_EQ(b.host.read(4), 0x0AAA);
    b.host.load(0, 0);
    b.host.increment(0x2000);  // configuration space wraps within itself
    EXPECT_EQ(b.chip->pc(), 0x2000);
    b.host.endProgmode();
    b.host.startProgmode();
    EXPECT_EQ(b.chip->pc(), 0) << "only re-entry leaves configuration space";
    b.host.endProgmode();
}

TEST(SimChip, SixteenF7xWritesPairsAfterBulkErase) {
    Board b("16F77");
    b.chip->setWord(0, 0x0000);
    b.chip->setWord(0x2007, 0x0000);  // protected
    b.host.startProgmode();
    b.host.command(9);
    b.host.sleepMs(35);
    for (int a = 0; a < 6; a += 2) {
        b.host.load(2, static_cast<std::uint16_t>(0x1000 + a));
        b.host.command(6);
        b.host.load(2, static_cast<std::uint16_t>(0x1000 + a + 1));
        b.host.command(8);
        b.host.sleepMs(4);
        b.host.command(14);
        b.host.command(6);
    }
    b.host.endProgmode();
    b.host.startProgmode();
    for (int a = 0; a < 6; ++a) {
        EXPECT_EQ(b.host.read(4), 0x1000 + a);
        b.host.command(6);
    }
    EXPECT_EQ(b.host.read(4), 0x3FFF);
    b.host.endProgmode();
    EXPECT_EQ(b.chip->word(0x2007), 0x3FFF) << "bulk erase removed the protection";
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();

    // IDs two at a time, configuration alone, with the 8 .. 14 handshake.
    b.host.startProgmode();
    b.host.load(0, 0x3FBF);
    for (int pair = 0; pair < 2; ++pair) {
        b.host.load(2, static_cast<std::uint16_t>(0x3F80 + 2 * pair));
        b.host.command(6);
        b.host.load(2, static_cast<std::uint16_t>(0x3F81 + 2 * pair));
        b.host.command(8);
        b.host.sleepMs(4);
        b.host.command(14);
        b.host.command(6);
    }
    b.host.increment(3);
    b.host.load(2, 0x3FBF);
    b.host.command(8);
    b.host.sleepMs(4);
    b.host.command(14);
    EXPECT_EQ(b.host.read(4), 0x3FBF);
    b.host.endProgmode();
    EXPECT_EQ(b.chip->word(0x2000), 0x3F80);
    EXPECT_EQ(b.chip->word(0x2003), 0x3F83);
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();
}

TEST(SimChip, EraseSequencesOfTheProgram) {
    // Load 0x3FFF, 9, 8 and load, 11, 8 on every family that has them.
    for (const char* name : {"16F84A", "16F627"}) {
        SCOPED_TRACE(name);
        Board b(name);
        b.chip->setWord(5, 0x0005);
        b.chip->setWord(0x2100, 0x12);
        b.chip->setWord(0x2001, 0x3F81);
        b.chip->setWord(0x2007, 0x3FF1);
        b.host.startProgmode();
        b.host.load(2, 0x3FFF);
        b.host.command(9);
        b.host.command(8);
        b.host.sleepMs(35);
        b.host.load(2, 0x3FFF);
        b.host.command(11);
        b.host.command(8);
        b.host.sleepMs(20);
        b.host.endProgmode();
        EXPECT_EQ(b.chip->word(5), 0x3FFF);
        EXPECT_EQ(b.chip->word(0x2100), 0xFF);
        EXPECT_EQ(b.chip->word(0x2001), 0x3F81) << "IDs stay with the counter at 0";
        EXPECT_EQ(b.chip->word(0x2007), 0x3FF1) << "configuration stays";
        EXPECT_EQ(b.log().commandTrace(), "2(3FFF) 9 8 2(3FFF) 11 8");
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
    // With the counter in configuration space the IDs go too.
    Board c("16F628");
    c.chip->setWord(0x2001, 0x3F81);
    c.chip->setWord(7, 0);
    c.host.startProgmode();
    c.host.load(0, 0x3FFF);
    c.host.command(9);
    c.host.command(8);
    c.host.sleepMs(15);
    c.host.endProgmode();
    EXPECT_EQ(c.chip->word(0x2001), 0x3FFF);
    EXPECT_EQ(c.chip->word(7), 0x3FFF);
    EXPECT_TRUE(c.log().violations().empty()) << c.violations();
}

TEST(SimChip, SixteenF84EraseWithTheSetupPair) {
    Board b("16F84");
    b.chip->setWord(0, 0);
    b.chip->setWord(0x2100, 0);
    b.host.startProgmode();
    b.host.load(2, 0x3FFF);
    b.host.command(1);
    b.host.command(7);
    b.host.command(8);
    b.host.sleepMs(20);
    b.host.command(1);
    b.host.command(7);
    b.host.endProgmode();
    EXPECT_EQ(b.log().commandTrace(), "2(3FFF) 1 7 8 1 7");
    EXPECT_EQ(b.chip->word(0), 0x3FFF);
    EXPECT_EQ(b.chip->word(0x2100), 0x00) << "data memory needs its own round";
    b.host.startProgmode();
    b.host.load(3, 0x3FFF);
    b.host.command(1);
    b.host.command(7);
    b.host.command(8);
    b.host.sleepMs(20);
    b.host.command(1);
    b.host.command(7);
    b.host.endProgmode();
    EXPECT_EQ(b.chip->word(0x2100), 0xFF);
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();
}

TEST(SimChip, CodeProtectionHidesMemoryAndBlocksBulkErase) {
    for (const char* name : {"16F84A", "16F877", "16F628"}) {
        const bool f87x = std::string(name) == "16F877";
        SCOPED_TRACE(name);
        Board b(name);
        b.chip->setWord(3, 0x0333);
        b.chip->setWord(0x2103, 0x33);
        b.chip->setWord(0x2000, 0x3F85);
        b.chip->setWord(0x2007, 0x0000);  // everything protected
        b.host.startProgmode();
        b.host.increment(3);
        EXPECT_EQ(b.host.read(4), 0);
        EXPECT_EQ(b.host.read(5), 0);
        b.host.load(2, 0x0111);
        b.host.command(8);
        b.host.sleepMs(20);
        EXPECT_EQ(b.chip->word(3), 0x0333) << "not programmed";
        b.host.load(2, 0x3FFF);
        b.host.command(f87x ? 1 : 9);  // the 16F87x erases with the 1, 7 pair only
        b.host.command(f87x ? 7 : 8);
        if (f87x) {
            b.host.command(8);
        }
        b.host.sleepMs(35);
        if (f87x) {
            b.host.command(1);
            b.host.command(7);
        }
        b.host.load(f87x ? 3 : 2, 0x3FFF);
        b.host.command(f87x ? 1 : 11);
        b.host.command(f87x ? 7 : 8);
        if (f87x) {
            b.host.command(8);
        }
        b.host.sleepMs(20);
        EXPECT_EQ(b.chip->word(3), 0x0333)
            << "an erase away from the configuration word does nothing";
        // The configuration word stays readable and cannot be rewritten to unprotected.
        b.host.load(0, 0x3FFF);
        EXPECT_EQ(b.host.read(4), 0x3F85);
        b.host.increment(6);
        EXPECT_NE(b.host.read(4), 0x3FFF) << "device ID readable (or 0x3FFF only on the 16F84)";
        b.host.command(6);
        const std::uint16_t cfg = b.host.read(4);
        EXPECT_EQ(cfg, b.chip->word(0x2007));
        b.host.load(2, 0x3FFF);
        b.host.command(8);
        b.host.sleepMs(15);
        EXPECT_EQ(b.host.read(4), cfg);
        b.host.endProgmode();
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();

        // The code-protection removal at 0x2007 erases everything.
        b.log();
        b.circuit.log().clear();
        b.host.startProgmode();
        b.host.load(0, 0x3FF0);
        b.host.increment(7);
        b.host.command(1);
        b.host.command(7);
        b.host.command(8);
        b.host.sleepMs(20);
        b.host.command(1);
        b.host.command(7);
        b.host.sleepMs(100);
        b.host.endProgmode();
        EXPECT_EQ(b.log().commandTrace(), "0(3FF0) 6 6 6 6 6 6 6 1 7 8 1 7");
        EXPECT_EQ(b.chip->word(0x2007), 0x3FFF);
        EXPECT_EQ(b.chip->word(3), 0x3FFF);
        EXPECT_EQ(b.chip->word(0x2103), 0xFF);
        EXPECT_EQ(b.chip->word(0x2000), 0x3FFF);
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(SimChip, PartialProtectionCoversTheTopOfProgramMemory) {
    Board b("16F877");
    b.chip->setWord(0x2007, 0x2FEF);  // CP1:CP0 = 10 in both copies: 0x1F00..0x1FFF
    EXPECT_FALSE(b.chip->programProtected(0x1EFF));
    EXPECT_TRUE(b.chip->programProtected(0x1F00));
    EXPECT_FALSE(b.chip->dataProtected());
    b.chip->setWord(0x2007, 0x3EFF);  // CPD only
    EXPECT_FALSE(b.chip->anyProgramProtected());
    EXPECT_TRUE(b.chip->dataProtected());

    Board s("16F627");
    s.chip->setWord(0x2007, 0x2BFF);  // 10: off on the 627
    EXPECT_FALSE(s.chip->anyProgramProtected());
    s.chip->setWord(0x2007, 0x17FF);  // 01: 0x200..0x3FF
    EXPECT_FALSE(s.chip->programProtected(0x1FF));
    EXPECT_TRUE(s.chip->programProtected(0x200));

    Board t("16F74");
    t.chip->setWord(0x2007, 0x3FEF);
    EXPECT_TRUE(t.chip->anyProgramProtected());
}

TEST(SimChip, SixteenF7xBulkEraseRunsByItself) {
    Board b("16F73");
    b.chip->setWord(0x2007, 0);
    b.chip->setWord(0x2002, 0);
    b.host.startProgmode();
    b.host.command(9);
    b.host.sleepMs(30);
    b.host.endProgmode();
    EXPECT_EQ(b.chip->word(0x2007), 0x3FFF);
    EXPECT_EQ(b.chip->word(0x2002), 0x3FFF);
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();
}

// ---- The violation log ----------------------------------------------------

// Broken sequences, one row each: what the host does wrong and the violation
// the log must show. The strict rows charge nothing for a port access, so the
// host's own waits are all the time there is.
struct Broken {
    const char* what;
    const char* chip;
    bool strict;
    std::function<void(Board&)> run;
    const char* expected;
};

void setupAndHold(Board& b, bool sameWrite, bool hold) {
    b.host.startProgmode();
    b.host.clockHigh();
    b.host.wait();
    b.host.dataBit(true);
    b.host.wait();
    if (sameWrite) {
        b.host.change(0x00, 0x03);  // data 0 and clock low in one write (driver 1)
    } else if (!hold) {
        b.host.dataBit(false);
        b.clock.busyWait(std::chrono::nanoseconds(50));
        b.host.clockLow();
    } else {
        b.host.clockLow();
        b.clock.busyWait(std::chrono::nanoseconds(50));
        b.host.dataBit(false);
    }
}

// Begin, a wait shorter than the chip's cycle, then a read.
void earlyRead(Board& b, int load, std::initializer_list<int> commands, int waitMs) {
    b.host.startProgmode();
    if (load >= 0) {
        b.host.load(load, 0x3FFF);
    }
    for (int c : commands) {
        b.host.command(c);
    }
    b.host.sleepMs(waitMs);
    b.host.read(4);
    b.host.endProgmode();
}

TEST(SimChipViolations, EveryBrokenSequenceIsLogged) {
    const Broken rows[] = {
        {"a read right after Begin", "16F877", false,
         [](Board& b) {
             b.chip->setWord(0, 0x0777);
             b.host.startProgmode();
             b.host.load(2, 0x0123);
             b.host.command(8);
             EXPECT_EQ(b.host.read(4), 0x3FFF);
             b.host.endProgmode();
             EXPECT_EQ(b.chip->word(0), 0x3FFF) << "the broken-off cycle leaves the cell erased";
         },
         "clock edge during a programming cycle"},
        {"the old 16F84 needs 20 ms per word", "16F84", false,
         [](Board& b) { earlyRead(b, 2, {8}, 15); }, "during a programming cycle"},
        {"the 16F62x needs Tera + Tprog = 13 ms per word", "16F628", false,
         [](Board& b) { earlyRead(b, 2, {8}, 12); }, "during a programming cycle"},
        {"the 16F62x bulk erase", "16F627", false,
         [](Board& b) {
             earlyRead(b, 2, {9, 8}, 12);
         },
         "during an erase cycle"},
        {"the 16F87x erase pair needs 8 ms", "16F876", false,
         [](Board& b) {
             earlyRead(b, 2, {1, 7, 8}, 7);
         },
         "during an erase cycle"},
        {"the 16F84A erase pair needs 10 ms", "16F84A", false,
         [](Board& b) {
             earlyRead(b, 2, {1, 7, 8}, 9);
         },
         "during an erase cycle"},
        {"a command during the 16F7x bulk erase", "16F74", false,
         [](Board& b) {
             earlyRead(b, -1, {9, 8}, 35);
         },
         "during an erase cycle"},
        {"the 16F7x bulk erase runs 30 ms", "16F77", false,
         [](Board& b) { earlyRead(b, -1, {9}, 29); }, "during an erase cycle"},
        {"a write that only clears bits, broken off", "16F84A", false,
         [](Board& b) {
             b.chip->setWord(0, 0x3F0F);
             b.host.startProgmode();
             b.host.load(2, 0x000F);
             b.host.command(24);
             b.host.command(6);
             b.host.endProgmode();
             EXPECT_EQ(b.chip->word(0), 0x3F0F) << "the old value stays";
         },
         "during a programming cycle"},
        {"a broken-off write on a protected configuration word", "16F628", false,
         [](Board& b) {
             b.chip->setWord(0x2007, 0x03FF);
             b.host.startProgmode();
             b.host.load(0, 0x3FFF);
             b.host.increment(7);
             b.host.load(2, 0x3FFF);
             b.host.command(8);
             b.host.command(6);
             b.host.endProgmode();
             EXPECT_EQ(b.chip->word(0x2007), 0x03FF) << "still protected";
         },
         "during a programming cycle"},
        {"the 16F87x has no Bulk Erase Program Memory", "16F877", false,
         [](Board& b) {
             b.chip->setWord(0, 0);
             earlyRead(b, 2, {9, 8}, 20);
             EXPECT_EQ(b.chip->word(0), 0x3FFF) << "the 8 wrote the loaded word, no more";
         },
         "command 9 is not supported"},
        {"the 16F87x has no Bulk Erase Data Memory", "16F870", false,
         [](Board& b) {
             b.chip->setWord(0x2100, 0);
             earlyRead(b, 3, {11}, 0);
             EXPECT_EQ(b.chip->word(0x2100), 0);
         },
         "command 11 is not supported"},
        {"no EEPROM commands on the 16F7x", "16F74", false,
         [](Board& b) { earlyRead(b, -1, {5}, 0); }, "command 5 is not supported"},
        {"no End Programming outside the 16F7x", "16F877", false,
         [](Board& b) { earlyRead(b, -1, {14}, 0); }, "command 14 is not supported"},
        {"Begin without a load", "16F628", false, [](Board& b) { earlyRead(b, -1, {8}, 20); },
         "without a load"},
        {"End Programming without Begin", "16F76", false,
         [](Board& b) { earlyRead(b, -1, {14}, 0); }, "End Programming without Begin"},
        {"Begin to End shorter than 1 ms", "16F76", false,
         [](Board& b) {
             b.host.startProgmode();
             b.host.load(2, 0);
             b.host.command(8);
             b.host.command(14);
             EXPECT_EQ(b.chip->word(0), 0x3FFF) << "the short cycle programmed nothing";
         },
         "(at least 1 ms)"},
        {"a bit latched too soon after End Programming", "16F76", false,
         [](Board& b) {
             b.host.setDelay(std::chrono::microseconds(10));
             b.host.startProgmode();
             b.host.load(2, 0);
             b.host.command(8);
             b.host.sleepMs(2);
             b.host.command(14);
             b.host.command(6);
             b.host.endProgmode();
         },
         "100 µs after End"},
        {"data changed in the same write as the falling edge", "16F84A", true,
         [](Board& b) { setupAndHold(b, true, false); }, "same port write as the falling clock"},
        {"data changed with the rising edge, the clock falling 50 ns later", "16F877", true,
         [](Board& b) {
             b.host.startProgmode();
             b.host.change(0x03, 0x00);  // clock high and data 1 in one write (driver 1)
             b.clock.busyWait(std::chrono::nanoseconds(50));
             b.host.clockLow();
         },
         "less than 100 ns before the falling"},
        {"data set up only 50 ns before the falling edge", "16F877", true,
         [](Board& b) { setupAndHold(b, false, false); }, "less than 100 ns before the falling"},
        {"data held only 50 ns after the falling edge", "16F628", true,
         [](Board& b) { setupAndHold(b, false, true); }, "less than 100 ns after the falling"},
        {"clock and data low only 50 ns before VPP", "16F84", true,
         [](Board& b) {
             b.host.clockHigh();
             b.host.vddOn();
             b.host.sleepMs(100);
             b.host.entryLow();
             b.clock.busyWait(std::chrono::nanoseconds(50));
             b.host.vppOn();
         },
         "low less than 100 ns before VPP"},
        {"programming mode entered with the clock high", "16F84A", false,
         [](Board& b) {
             b.host.clockHigh();
             b.host.vddOn();
             b.host.sleepMs(100);
             b.host.vppOn();
             EXPECT_TRUE(b.chip->inProgrammingMode());
         },
         "entered with clock high"},
        {"VPP before VDD where the family asks for VDD first", "16F84A", false,
         [](Board& b) {
             b.host.entryLow();
             b.host.vppOn();
             b.host.vddOn();
             EXPECT_FALSE(b.chip->inProgrammingMode());
         },
         "VPP before VDD"},
        {"VDD only 1 µs after VPP on the 16F62x", "16F627", true,
         [](Board& b) {
             b.host.entryLow();
             b.host.vppOn();
             b.clock.busyWait(std::chrono::microseconds(1));
             b.host.vddOn();
         },
         "less than 5 µs after VPP"},
        {"leaving with VPP still on", "16F877", false,
         [](Board& b) {
             b.host.startProgmode();
             b.host.vddOff();
             EXPECT_FALSE(b.chip->inProgrammingMode());
         },
         "VDD switched off while VPP"},
        {"VDD first on a 16F628 running on its internal oscillator, MCLR off", "16F628", false,
         [](Board& b) {
             b.chip->setWord(0x2007, 0x3F50);  // INTRC with RA6/RA7 as I/O, MCLRE = 0
             b.idle();
             b.host.startProgmode();
             EXPECT_FALSE(b.chip->inProgrammingMode());
             EXPECT_EQ(b.host.read(4), 0x3FFF) << "nothing answers";
             b.host.endProgmode();
         },
         "no programming mode: VDD came on before VPP"},
        {"the data line not released for a read", "16F84A", false,
         [](Board& b) {
             b.host.startProgmode();
             b.host.command(4);
             for (int k = 0; k < 16; ++k) {  // D0 stays at the last command bit (0)
                 b.host.clockHigh();
                 b.host.wait();
                 b.host.clockLow();
                 b.host.wait();
             }
             b.host.endProgmode();
         },
         "not released"},
    };
    for (const Broken& row : rows) {
        SCOPED_TRACE(row.what);
        Board b(row.chip, 1, 1, 1, row.strict);
        row.run(b);
        EXPECT_NE(b.violations().find(row.expected), std::string::npos) << b.violations();
    }
}

// The data bit may change in the write that raises the clock: the chip takes
// it at the falling edge, 100 ns later, and the next rising edge may come 100 ns
// after that. A load and a read at those shortest times, on a board whose port
// accesses take no time.
TEST(SimChip, DataWithTheRisingEdgeIsLatchedAtTheFallingOne) {
    for (const char* name : {"16F84A", "16F877", "16F74", "16F628"}) {
        SCOPED_TRACE(name);
        Board b(name, 1, 1, 1, true);
        const auto edge = [&] { b.clock.busyWait(std::chrono::nanoseconds(100)); };
        const auto send = [&](unsigned bits, int n) {
            b.clock.busyWait(std::chrono::microseconds(1));  // between frames
            for (int k = 0; k < n; ++k) {
                const bool one = ((bits >> k) & 1) != 0;
                b.host.change(one ? 0x03 : 0x02, one ? 0x00 : 0x01);  // clock up, data
                edge();
                b.host.clockLow();
                edge();
            }
        };
        b.host.startProgmode();
        send(0, 6);  // Load Configuration
        send((0x1A5Cu << 1) | 0x8001u, 16);
        send(4, 6);
        b.clock.busyWait(std::chrono::microseconds(1));
        b.host.release();
        unsigned frame = 0;
        for (int k = 0; k < 16; ++k) {
            b.host.clockHigh();
            b.clock.busyWait(std::chrono::nanoseconds(200));  // tdly3 of the 16F7x
            frame |= (dataInHigh(*findCircuit(1, 1), b.circuit.read(0x379)) ? 1u : 0u) << k;
            b.host.clockLow();
            edge();
        }
        b.host.endProgmode();
        EXPECT_EQ(b.log().commandTrace(), "0(1A5C) 4");
        EXPECT_EQ((frame >> 1) & 0x3FFF, 0x3FFFu) << "the ID word at 0x2000, still erased";
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(SimChip, SixteenF62xMayBeEnteredVppFirst) {
    for (bool strict : {false, true}) {
        Board b("16F628", 1, 0, 1, strict);
        b.chip->setWord(0x2007, 0x3F50);  // even running on INTRC with MCLR off
        b.idle();
        b.host.entryLow();
        b.host.wait();
        b.host.vppOn();
        b.host.sleepMs(1);
        b.host.vddOn();
        b.host.sleepMs(1);
        EXPECT_TRUE(b.chip->inProgrammingMode());
        EXPECT_EQ(b.host.read(4), 0x3FFF);
        b.host.vddOff();
        b.host.vppOff();
        EXPECT_FALSE(b.chip->inProgrammingMode());
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

// A clock that never moves: every gap and hold time is zero.
class FrozenClock : public Clock {
  public:
    void busyWait(std::chrono::nanoseconds) override {}
    void sleepMs(int) override {}
    void sleepFor(std::chrono::nanoseconds) override {}
    std::chrono::nanoseconds monotonic() const override { return std::chrono::seconds(1); }
    std::int64_t timeOfDayMs() const override { return 0; }
};

TEST(SimChipViolations, GapsAndHoldTimesAreChecked) {
    // The gap between frames is the chip's own tdly2.
    for (auto [name, gap] : {std::pair{"16F84A", "1 µs"}, {"16F818", "100 ns"}}) {
        FrozenClock clock;
        SimCircuit c(clock, {1, 1}, 1);
        c.insertChip(std::make_unique<SimChip>(*findChip(name)));
        BitBang host(c, clock, 1, 1);
        host.change(0x0C, 0x03);
        host.startProgmode();
        host.command(6);
        host.command(6);
        const std::string v = c.log().violationText();
        EXPECT_NE(v.find("5 µs after VPP"), std::string::npos) << v;
        EXPECT_NE(v.find(std::string("less than ") + gap), std::string::npos) << v;
        EXPECT_EQ(v.substr(0, 9), "0.000 ms:") << "times count from the board's construction";
    }
}

}  // namespace
}  // namespace pk::sim::test
