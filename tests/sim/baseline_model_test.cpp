// The baseline (12-bit) chips driven through the circuit by hand: the PC from
// the configuration word, 12-bit words, programming timed by the host, the
// bulk erase that depends on the PC, code protection and the entry order.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bench_fixture.h"
#include "sim/baseline_chip.h"

namespace pk::sim::test {
namespace {

BaselineChip& bl(Board& b) {
    return *b.chip->baseline();
}

// Increments until the PC stands at the address (the PC walk itself is
// checked by counts in its own table). A PC that never gets there fails.
void goTo(Board& b, int address) {
    for (int n = 0; n <= 0x1000 && b.chip->pc() != address; ++n) {
        b.host.increment();
    }
    EXPECT_EQ(b.chip->pc(), address);
}

// Load, Begin, wait, End, and the 100 µs before the next bit.
void program(Board& b, std::uint16_t word, int ms = 2) {
    b.host.load(2, word);
    b.host.command(8);
    b.host.sleepMs(ms);
    b.host.command(14);
    b.host.sleepMs(1);
}

void bulkErase(Board& b) {
    b.host.command(9);
    b.host.sleepMs(10);
}

TEST(BaselineModel, EveryPartEntersAtItsConfigurationWordWithTheFactoryOsccal) {
    for (const ChipModel& m : baselineModels()) {
        SCOPED_TRACE(std::string(m.name));
        const BaselinePart& p = *m.baseline;
        // The PC wraps from the configuration word only because it is the top of its range.
        EXPECT_EQ(p.configAddress & (p.configAddress + 1), 0);
        EXPECT_EQ(findChip("pic" + std::string(m.name)), &m);
        Board b(std::string(m.name).c_str());
        b.host.startProgmode();
        EXPECT_EQ(b.chip->pc(), p.configAddress);
        EXPECT_EQ(b.host.read(4), 0xFFF);
        b.host.increment();
        EXPECT_EQ(b.chip->pc(), 0);
        const std::uint16_t osccal = p.osccalAtResetVector ? 0xC00 | p.factoryOsccal : 0xFFF;
        EXPECT_EQ(bl(b).word(p.programWords - 1), osccal);
        if (p.backupOsccal >= 0) {
            EXPECT_EQ(bl(b).word(p.backupOsccal), osccal);
        }
        b.host.endProgmode();
        EXPECT_EQ(b.log().modeEntries(), 1);
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(BaselineModel, TheAddressCounterWalksIntoTheIdsAndWrapsOnlyFromTheConfigurationWord) {
    struct Row {
        const char* chip;
        int increments;
        int pc;
        std::uint16_t read;
    };
    const Row rows[] = {
        {"10F200", 1, 0x000, 0xFFF},
        {"10F200", 0x100, 0x0FF, 0xC24},  // reset vector: the factory MOVLW
        {"10F200", 0x101, 0x100, 0xFFF},  // first user ID, not back to 0
        {"10F200", 0x105, 0x104, 0xC24},  // backup OSCCAL
        {"10F200", 0x200, 0x1FF, 0xFFF},  // the configuration word again
        {"10F200", 0x201, 0x000, 0xFFF},
        {"12F519", 0x401, 0x400, 0x0FF},  // flash data after program memory
        {"16F57", 0x801, 0x800, 0xFFF},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + " after " + std::to_string(r.increments));
        Board b(r.chip);
        b.host.startProgmode();
        b.host.increment(r.increments);
        EXPECT_EQ(b.chip->pc(), r.pc);
        EXPECT_EQ(b.host.read(4), r.read);
        b.host.endProgmode();
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(BaselineModel, ProgrammingClearsBitsOfTwelveBitWords) {
    struct Row {
        const char* what;
        const char* chip;
        int address;
        std::vector<std::uint16_t> loads;  // programmed one after the other
        std::uint16_t read;
    };
    const Row rows[] = {
        {"bits 13..12 of the frame are dropped", "12F508", 0x010, {0x35A5}, 0x5A5},
        {"a second write only clears bits", "12F508", 0x010, {0x5A5, 0x0F0}, 0x0A0},
        {"a user ID", "10F206", 0x201, {0x123}, 0x123},
        {"configuration: unimplemented bits read 1", "12F508", 0x3FF, {0x000}, 0xFE0},
        {"configuration of a 16F526 (8 bits)", "16F526", 0x7FF, {0x000}, 0xF00},
        {"a flash data byte keeps 8 bits", "12F519", 0x405, {0xFA5}, 0x0A5},
        {"16F57 last program word", "16F57", 0x7FF, {0xA55}, 0xA55},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Board b(r.chip);
        b.host.startProgmode();
        goTo(b, r.address);
        for (std::uint16_t w : r.loads) {
            program(b, w);
        }
        EXPECT_EQ(b.host.read(4), r.read);
        b.host.endProgmode();
        EXPECT_EQ(bl(b).word(r.address), r.read);
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

TEST(BaselineModel, BulkEraseClearsWhatThePcSelects) {
    // Every region holds a mark before the erase; a row says which come back erased.
    struct Row {
        const char* what;
        const char* chip;
        int pc;
        std::uint16_t config;  // before the erase
        bool program;          // program words and the reset vector
        bool ids;              // user IDs and backup OSCCAL
        bool data;
        const char* violation;
    };
    const Row rows[] = {
        {"10F200 at the configuration word", "10F200", 0x1FF, 0x000, true, false, false, ""},
        {"10F200 in program memory", "10F200", 0x080, 0xFFF, true, false, false, ""},
        {"10F200 at the first user ID", "10F200", 0x100, 0x000, true, true, false, ""},
        {"10F200 at the backup OSCCAL", "10F200", 0x104, 0xFFF, true, true, false, ""},
        {"16F54 at the first user ID", "16F54", 0x200, 0xFFF, true, true, false, ""},
        {"12F519 at config, CPDF = 1", "12F519", 0x7FF, 0xFFF, true, false, false, ""},
        {"12F519 at config, CPDF = 0", "12F519", 0x7FF, 0xFBF, true, false, true, ""},
        {"12F519 in flash data", "12F519", 0x400, 0xFFF, false, false, true, ""},
        {"12F519 in flash data, CPDF = 0", "12F519", 0x400, 0xFBF, false, false, false, ""},
        {"12F519 at the first user ID", "12F519", 0x440, 0xFFF, false, true, false, ""},
        {"10F200 where nothing is", "10F200", 0x180, 0xFFF, false, false, false, "nothing is"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Board b(r.chip);
        const BaselinePart& p = bl(b).part();
        const int resetVector = p.programWords - 1;
        bl(b).setWord(0x000, 0x111);
        bl(b).setWord(0x0FE, 0x111);
        bl(b).setWord(p.idAddress, 0x222);
        bl(b).setWord(p.configAddress, r.config);
        if (p.dataAddress >= 0) {
            bl(b).setWord(p.dataAddress + 1, 0x33);
        }
        b.host.startProgmode();
        goTo(b, r.pc);
        bulkErase(b);
        b.host.endProgmode();

        const std::uint16_t osccal = bl(b).factoryOsccalWord();
        EXPECT_EQ(bl(b).word(0x000), r.program ? 0xFFF : 0x111);
        EXPECT_EQ(bl(b).word(0x0FE), r.program ? 0xFFF : 0x111);
        EXPECT_EQ(bl(b).word(resetVector), r.program ? 0xFFF : osccal);
        EXPECT_EQ(bl(b).word(p.configAddress), r.program ? 0xFFF : r.config);
        EXPECT_EQ(bl(b).word(p.idAddress), r.ids ? 0xFFF : 0x222);
        if (p.backupOsccal >= 0) {
            EXPECT_EQ(bl(b).word(p.backupOsccal), r.ids ? 0xFFF : osccal);
        }
        if (p.dataAddress >= 0) {
            EXPECT_EQ(bl(b).word(p.dataAddress + 1), r.data ? 0x0FF : 0x033);
        }
        if (*r.violation == '\0') {
            EXPECT_TRUE(b.log().violations().empty()) << b.violations();
        } else {
            EXPECT_NE(b.violations().find(r.violation), std::string::npos) << b.violations();
        }
    }
}

TEST(BaselineModel, CodeProtectionReadsZeroAboveTheFirst64WordsButNotTheResetVector) {
    struct Row {
        const char* chip;
        std::uint16_t config;
        int address;
        std::uint16_t read;
    };
    const Row rows[] = {
        {"10F200", 0xFF7, 0x000, 0x456},  // CP (bit 3) = 0
        {"10F200", 0xFF7, 0x03F, 0x456}, {"10F200", 0xFF7, 0x040, 0x000},
        {"10F200", 0xFF7, 0x0FE, 0x000}, {"10F200", 0xFF7, 0x0FF, 0xC24},  // reset vector
        {"10F200", 0xFF7, 0x100, 0x789},                                   // user ID
        {"10F200", 0xFFF, 0x040, 0x456}, {"16F505", 0xFF7, 0x040, 0x456},  // bit 3 is WDTE here
        {"16F505", 0xFEF, 0x040, 0x000},                                   // CP in bit 4
        {"16F505", 0xFEF, 0x3FE, 0x000}, {"16F57", 0xFF7, 0x7FE, 0x000},
        {"16F57", 0xFF7, 0x7FF, 0x456},   // reset vector without an OSCCAL
        {"12F519", 0xFBF, 0x405, 0x000},  // CPDF = 0
        {"12F519", 0xFBF, 0x040, 0x456},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.chip) + " at " + std::to_string(r.address));
        Board b(r.chip);
        const BaselinePart& p = bl(b).part();
        for (int a = 0; a < p.programWords - (p.osccalAtResetVector ? 1 : 0); ++a) {
            bl(b).setWord(a, 0x456);
        }
        bl(b).setWord(p.idAddress, 0x789);
        if (p.dataAddress >= 0) {
            bl(b).setWord(p.dataAddress + 5, 0x5A);
        }
        bl(b).setWord(p.configAddress, r.config);
        b.host.startProgmode();
        goTo(b, r.address);
        EXPECT_EQ(b.host.read(4), r.read);
        b.host.endProgmode();
    }
    // The same flash data byte with CPDF = 1.
    Board b("12F519");
    bl(b).setWord(0x405, 0x5A);
    b.host.startProgmode();
    goTo(b, 0x405);
    EXPECT_EQ(b.host.read(4), 0x05A);
}

TEST(BaselineModel, The16F57WritesFourLatchesAsTheRowOfThePc) {
    // Words 0x10..0x13 loaded with an increment between them, Begin at the last.
    struct Row {
        const char* chip;
        std::vector<std::uint16_t> after;  // 0x10..0x14
    };
    const Row rows[] = {
        {"16F57", {0x100, 0x101, 0x102, 0x103, 0xFFF}},
        {"16F59", {0x100, 0x101, 0x102, 0x103, 0xFFF}},
        // One latch: only the PC's word gets the last load.
        {"12F509", {0xFFF, 0xFFF, 0xFFF, 0x103, 0xFFF}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.chip);
        Board b(r.chip);
        b.host.startProgmode();
        goTo(b, 0x10);
        for (int i = 0; i < 4; ++i) {
            if (i > 0) {
                b.host.increment();
            }
            b.host.load(2, static_cast<std::uint16_t>(0x100 + i));
        }
        b.host.command(8);
        b.host.sleepMs(2);
        b.host.command(14);
        b.host.sleepMs(1);
        // The latches are spent: a Begin now has nothing to write.
        b.host.increment();
        b.host.command(8);
        b.host.endProgmode();
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(bl(b).word(0x10 + i), r.after[static_cast<std::size_t>(i)]) << i;
        }
        EXPECT_EQ(b.log().violations().size(), 1u) << b.violations();
        EXPECT_NE(b.violations().find("without a load"), std::string::npos);
    }
}

TEST(BaselineModel, ProtocolFaultsAreLogged) {
    struct Case {
        const char* what;
        std::function<void(Board&)> run;  // from idle lines, chip 12F508
        const char* violation;
        bool entered;
        std::pair<int, std::uint16_t> expected;  // a word afterwards
    };
    const Case cases[] = {
        {"End Programming before TPROG",
         [](Board& b) {
             b.host.startProgmode();
             program(b, 0x000, 1);
         },
         "TPROG",
         true,
         {0x3FF, 0xFFF}},
        {"VPP before VDD",
         [](Board& b) {
             b.host.entryLow();
             b.host.vppOn();
             b.host.sleepMs(1);
             b.host.vddOn();
             b.host.sleepMs(1);
         },
         "VPP before VDD",
         false,
         {0x1FF, 0xC30}},
        {"VPP below VIHH",
         [](Board& b) {
             b.circuit.setVpp(1200);
             b.host.startProgmode();
         },
         "no programming mode: VPP outside VIHH",
         false,
         {0x1FF, 0xC30}},
        {"a command during the bulk erase",
         [](Board& b) {
             b.host.startProgmode();
             b.host.command(9);
             b.host.sleepMs(5);
             b.host.increment();
         },
         "during an erase cycle",
         true,
         {0x1FF, 0xFFF}},
        {"Load Configuration is not a baseline command",
         [](Board& b) {
             b.host.startProgmode();
             b.host.command(0);
         },
         "command 0 is not supported",
         true,
         {0x3FF, 0xFFF}},
        {"another command between Begin and End",
         [](Board& b) {
             b.host.startProgmode();
             b.host.load(2, 0x000);
             b.host.command(8);
             b.host.sleepMs(2);
             b.host.increment();
             b.host.command(14);
         },
         "between Begin and End Programming",
         true,
         {0x3FF, 0xFFF}},
        {"End Programming followed at once by a command",
         [](Board& b) {
             b.host.startProgmode();
             b.host.load(2, 0x000);
             b.host.command(8);
             b.host.sleepMs(2);
             b.host.command(14);
             b.host.setDelay(std::chrono::microseconds(2));
             b.host.increment();
         },
         "100 µs after End Programming",
         true,
         {0x3FF, 0xFE0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Board b("12F508");
        c.run(b);
        EXPECT_EQ(b.chip->inProgrammingMode(), c.entered);
        EXPECT_NE(b.violations().find(c.violation), std::string::npos) << b.violations();
        EXPECT_EQ(bl(b).word(c.expected.first), c.expected.second);
    }
}

TEST(BaselineModel, CellFaultsTakePhysicalAddresses) {
    struct Row {
        const char* what;
        std::function<void(SimChip&)> fault;
        std::uint16_t programmed;  // word 0x005 after programming 0x0A0 over 0xFFF
        std::uint16_t erased;      // word 0x005 after a bulk erase from there
        std::uint16_t backup;      // the backup OSCCAL after it
    };
    const Row rows[] = {
        {"none", [](SimChip&) {}, 0x0A0, 0xFFF, 0xC30},
        {"bad cell", [](SimChip& c) { c.setBadCell(0x005); }, 0xFFF, 0xFFF, 0xC30},
        {"stuck cell", [](SimChip& c) { c.setStuckCell(0x005); }, 0x0A0, 0x0A0, 0xC30},
        {"no bulk erase", [](SimChip& c) { c.setNoBulkErase(true); }, 0x0A0, 0x0A0, 0xC30},
        {"erase at calibration", [](SimChip& c) { c.setEraseAtCalibration(true); }, 0x0A0, 0xFFF,
         0xFFF},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Board b("12F508");
        r.fault(*b.chip);
        b.host.startProgmode();
        goTo(b, 0x005);
        program(b, 0x0A0);
        EXPECT_EQ(bl(b).word(0x005), r.programmed);
        bulkErase(b);
        b.host.endProgmode();
        EXPECT_EQ(bl(b).word(0x005), r.erased);
        EXPECT_EQ(bl(b).word(0x204), r.backup);
        EXPECT_TRUE(b.log().violations().empty()) << b.violations();
    }
}

}  // namespace
}  // namespace pk::sim::test
