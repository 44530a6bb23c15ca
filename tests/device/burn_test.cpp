// Burning against the simulated chips: what the HEX data and the controls say
// must end up in the chip exactly, with a clean violation log; failures are
// counted and shown word for word.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "burn_fixture.h"
#include "link/range_error.h"

namespace pk::burntest {
namespace {

std::uint16_t pattern(int a) {
    return static_cast<std::uint16_t>((a * 37 + 5) & 0x3FFF);
}

// Program words 0..63, a gap, and one far word; EEPROM bytes 0..15 and the last;
// IDs 1, 2, 3, 4; a plain configuration word.
void fillImage(Bench& b) {
    auto& hex = b.image.HexWords;
    for (int a = 0; a < 64; ++a) {
        hex[a] = pattern(a);
    }
    const int far = std::min(b.device.ProgLastAddr, 0x07FF);
    hex[far] = pattern(far);
    if (b.device.DataLastAddr >= 0) {
        for (int n = 0; n < 16; ++n) {
            hex[0x2100 + n] = static_cast<std::uint16_t>((n * 11 + 3) & 0xFF);
        }
        hex[0x2100 + b.device.DataLastAddr] = 0x5A;
    }
    b.image.IdWords = {1, 2, 3, 4};
    b.image.ConfigWord = plainConfig(b.device.CurrentType);
}

class BurnEveryEntry : public ::testing::TestWithParam<const char*> {};

TEST_P(BurnEveryEntry, ChipHoldsExactlyWhatTheFileAndControlsSay) {
    Bench b(GetParam());
    fillImage(b);
    const bool pairs = is16F7x(b.device.CurrentType);
    // Words the file does not give keep what the chip held (the 16F7x erases first).
    b.chip->setWord(100, 0x1234);
    if (b.device.DataLastAddr >= 0) {
        b.chip->setWord(0x2100 + 20, 0x77);
    }

    // The 8/14-pin chips keep their factory calibration word (the far word here).
    const auto type = b.device.CurrentType;
    const int far = std::min(b.device.ProgLastAddr, 0x07FF);
    const std::uint16_t factory = b.chip->word(far);
    const bool calibration = isCalibrationWord(type, far);

    ASSERT_TRUE(b.burn());
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.errors.sum(), 0);
    EXPECT_TRUE(b.report.messages.empty());

    const auto& hex = b.image.HexWords;
    EXPECT_EQ(b.chip->word(far), calibration ? factory : hex[far]);
    for (int a = 0; a <= b.device.ProgLastAddr; ++a) {
        if (b.image.present(a) && !isCalibrationWord(type, a)) {
            ASSERT_EQ(b.chip->word(a), hex[a]) << "program word " << a;
            ASSERT_EQ(b.image.ReadBack[a], hex[a]) << "read back " << a;
        }
    }
    // The 16F62xA program only after a bulk erase, which takes every word along.
    const bool erasesFirst = pairs || deviceInfo(b.device.CurrentType)->writeScheme ==
                                          WriteScheme::ProgramOnlyAfterBulkErase;
    EXPECT_EQ(b.chip->word(100), erasesFirst ? 0x3FFF : 0x1234);
    EXPECT_EQ(b.chip->word(64), 0x3FFF);
    for (int n = 0; n <= b.device.DataLastAddr; ++n) {
        const int a = 0x2100 + n;
        if (b.image.present(a)) {
            ASSERT_EQ(b.chip->word(a), hex[a]) << "EEPROM byte " << n;
            ASSERT_EQ(b.image.ReadBack[a], hex[a]);
        }
    }
    if (b.device.DataLastAddr >= 20) {
        // EEPROM bytes the file leaves out are kept, also where the EEPROM is erased first.
        EXPECT_EQ(b.chip->word(0x2100 + 20), 0x77);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.chip->word(0x2000 + i), 0x3F80 | (i + 1)) << "ID " << i;
    }
    EXPECT_EQ(b.chip->word(0x2007), b.image.ConfigWord);
    EXPECT_EQ(b.image.ReadBack[0x2007], b.image.ConfigWord);
    EXPECT_EQ(b.report.panels[1], calibration ? kCalibrationKeptText : "");
    // A completed run leaves the gauge hidden and green.
    EXPECT_FALSE(b.ops.runGauge().visible);
    EXPECT_EQ(b.ops.runGauge().colour, RunGaugeColour::DarkGreen);
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BurnEveryEntry,
                         ::testing::Values("16F84", "16F84A", "16F877", "16F873", "16F870", "16F77",
                                           "16F73", "16F627", "16F628", "16F627A", "16F628A",
                                           "16F648A", "16F873A", "16F877A", "16F87", "16F88",
                                           "16F818", "16F819", "12F629", "16F676"));

// A chip on its internal oscillator with MCLR as an input runs its own program
// as soon as VDD comes, and then never enters programming mode by VPP: it is
// burnt again only where the circuit raises VPP first. A circuit that cannot
// says so once and finds no chip, which the burn must not call a success.
TEST(EntryOrder, ChipRunningItsOwnProgramIsBurntAgainWithVppFirst) {
    struct Case {
        const char* chip;
        std::uint16_t config;  // internal oscillator, MCLR disabled
        int driver, sw;
        bool burns;
    };
    const Case cases[] = {
        {"16F628A", 0x3F50, 1, 1, true},  {"16F628A", 0x3F50, 0, 0, true},
        {"16F628A", 0x3F50, 1, 2, false}, {"16F628A", 0x3F50, 2, 3, false},
        {"16F628", 0x3F50, 1, 1, true},   {"16F88", 0x3F50, 1, 1, true},
        {"16F819", 0x3F50, 1, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.chip) + " on " + std::to_string(c.driver) + "/" +
                     std::to_string(c.sw));
        Bench b(c.chip, -2, c.driver, c.sw);
        fillImage(b);
        b.chip->setWord(0x2007, c.config);
        b.image.ConfigWord = c.config;
        // Programming mode left once: from then on the chip runs whenever VDD is on.
        b.bracket([] {});
        b.report.clear();
        b.circuit.log().clear();
        const bool burnt = b.burn() && b.last.outcome == Outcome::Ok;
        EXPECT_EQ(burnt, c.burns) << b.violations();
        if (c.burns) {
            // The type check's first try, VDD first, is refused (and logged);
            // nothing else may be.
            EXPECT_LE(b.log().violations().size(), 1u) << b.violations();
            EXPECT_EQ(b.errors.sum(), 0);
            EXPECT_EQ(b.chip->word(15), pattern(15));
            EXPECT_EQ(b.chip->word(0x2007), c.config);
            EXPECT_NE(b.report.panels[1], kEntryOrderText);
        } else {
            EXPECT_NE(b.chip->word(15), pattern(15));
            EXPECT_EQ(b.ops.entryOrder(), EntryOrder::VddFirst);
        }
    }
    // The note comes once per type, not at every entry.
    Bench b("16F628A", -2, 1, 2);
    fillImage(b);
    b.bracket([] {});
    EXPECT_EQ(b.report.panels[1], kEntryOrderText);
    b.report.panels[1].clear();
    b.bracket([] {});
    EXPECT_EQ(b.report.panels[1], "");
}

// Every circuit variant burns the same chip alike (the hand switch obeyed by a simulated user).
TEST(Burn, EveryCircuitVariant) {
    const std::pair<int, int> variants[] = {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {0, 1}};
    for (auto [driver, sw] : variants) {
        Bench b("16F84A", -2, driver, sw);
        fillImage(b);
        ASSERT_TRUE(b.burn()) << driver << "/" << sw;
        EXPECT_TRUE(b.clean()) << driver << "/" << sw << "\n" << b.violations();
        EXPECT_EQ(b.errors.sum(), 0) << driver << "/" << sw;
        EXPECT_EQ(b.chip->word(63), pattern(63));
        EXPECT_EQ(b.chip->word(0x2007), 0x3FF1);
    }
}

// ---- Program memory ----

TEST(WriteProgram, OnlyAddressFiveIsReadProgrammedAndVerified) {
    Bench b("16F84");
    b.image.HexWords[5] = 0x0ABC;
    b.bracket([&] { b.ops.WriteProgram(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().commandTrace(), "6 6 6 6 6 4 2(0ABC) 8 4 6");
    EXPECT_EQ(b.chip->word(5), 0x0ABC);
    EXPECT_EQ(b.report.panels[0], "Adresse 0x0005");
    // 5 is the last address: the gauge ends full and hides, without a pause.
    ASSERT_GE(b.report.gauges.size(), 2u);
    EXPECT_EQ(b.report.gauges[b.report.gauges.size() - 2].progress, 20);
    EXPECT_FALSE(b.ops.runGauge().visible);
    EXPECT_EQ(b.clock.slept(), std::chrono::milliseconds(100 + 150 + 20 + 100 + 150));
}

TEST(WriteProgram, NoProgramWordsVisitsAddressesZeroAndOne) {
    Bench b("16F628");
    b.bracket([&] { b.ops.WriteProgram(); });
    EXPECT_EQ(b.log().commandTrace(), "6 6");
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.errors.sum(), 0);
}

TEST(WriteProgram, SecondBurnOfTheSameFileProgramsNothing) {
    Bench b("16F877");
    fillImage(b);
    b.bracket([&] { b.ops.WriteProgram(); });
    EXPECT_EQ(b.log().count(cmd::BeginEraseProgrammingCycle), 65);
    b.circuit.log().clear();
    b.bracket([&] { b.ops.WriteProgram(); });
    EXPECT_EQ(b.log().count(cmd::BeginEraseProgrammingCycle), 0);
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 2 * 65) << "two reads per skip";
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.errors.sum(), 0);
}

TEST(WriteProgram, CellThatNeverProgramsStopsAtItsAddress) {
    Bench b("16F876");
    for (int a = 0; a <= 200; ++a) {
        b.image.HexWords[a] = pattern(a);
    }
    b.chip->setBadCell(100);
    b.bracket([&] { b.ops.WriteProgram(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(
        b.report.messages[0].rfind("Programmwort nicht gebrannt! 0x0064: " + hexWord(pattern(100)) +
                                       " geschrieben, 0x3FFF gelesen.",
                                   0),
        0u)
        << b.report.messages[0];
    EXPECT_EQ(b.errors.ProgramErrorCount, 1);
    EXPECT_EQ(b.errors.sum(), 1);
    // Nothing after address 100 was touched: the last command is the read-back at 100.
    const auto& commands = b.log().commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back().code, cmd::ReadDataFromProgramMemory);
    EXPECT_EQ(commands.back().pc, 100);
    for (const auto& c : commands) {
        EXPECT_LE(c.pc, 100);
    }
    EXPECT_EQ(b.chip->word(99), pattern(99));
    EXPECT_EQ(b.chip->word(101), 0x3FFF);
    // The gauge stays visible in red; the panel still shows the last good address.
    EXPECT_TRUE(b.ops.runGauge().visible);
    EXPECT_EQ(b.ops.runGauge().colour, RunGaugeColour::Red);
    EXPECT_EQ(b.report.panels[0], "Adresse 0x0063");
}

// A burn that stops writes nothing after the failed word, and its message and
// counters say how much it left: the failed word, the file's words after it and
// every word of the areas that follow.
TEST(BurnAbort, NothingAfterTheFailedWordIsWrittenAndTheMessageCountsIt) {
    struct Row {
        const char* chip;
        int badCell;
        const char* starts;     // the message's first line
        const char* left;       // its second
        ErrorCounters counted;  // the failed word and what was left
    };
    // fillImage gives 65 program words, 17 EEPROM bytes, 4 IDs and the configuration word.
    const Row rows[] = {
        {"16F876",
         10,
         "Programmbrennen abgebrochen! 0x000A: 0x0177 geschrieben, 0x3FFF gelesen.",
         "Nicht gebrannt: 54 Programmwörter, 17 EEPROM-Bytes und 5 ID-/Configuration-Wörter.",
         {55, 17, 5}},
        // The 16F7x writes everything first and stops its verify pass: the rest was
        // written, only not checked.
        {"16F73",
         6,
         "Programmbrennen abgebrochen! 0x0006: 0x00E3 geschrieben, 0x3FFF gelesen.",
         "Geschrieben, aber nicht geprüft: 58 Programmwörter.\rNicht gebrannt: 5 "
         "ID-/Configuration-Wörter.",
         {59, 0, 5}},
        {"16F877A",
         12,
         "Programmbrennen abgebrochen! 0x000C: 0x01C1 geschrieben, 0x3FFF gelesen.",
         "Geschrieben, aber nicht geprüft: 52 Programmwörter.\rNicht gebrannt: 17 EEPROM-Bytes "
         "und 5 ID-/Configuration-Wörter.",
         {53, 17, 5}},
        {"16F877",
         0x2101,
         "EEPROM-Brennen abgebrochen! 0x2101: 0x0E geschrieben, 0xFF gelesen.",
         "Nicht gebrannt: 15 EEPROM-Bytes und 5 ID-/Configuration-Wörter.",
         {0, 16, 5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.chip);
        Bench b(row.chip);
        fillImage(b);
        b.chip->setBadCell(row.badCell);
        const std::uint16_t configBefore = b.chip->word(0x2007);
        ASSERT_TRUE(b.burn());
        EXPECT_EQ(b.last.outcome, Outcome::Failed);
        ASSERT_EQ(b.report.messages.size(), 1u);
        const std::string& m = b.report.messages[0];
        EXPECT_EQ(m.rfind(std::string(row.starts) + "\r" + row.left + "\r", 0), 0u) << m;
        EXPECT_NE(m.substr(m.rfind('\r') + 1).find("prüfen"), std::string::npos)
            << "one sentence on what to check ends it";
        EXPECT_EQ(b.errors.ProgramErrorCount, row.counted.ProgramErrorCount);
        EXPECT_EQ(b.errors.DataErrorCount, row.counted.DataErrorCount);
        EXPECT_EQ(b.errors.ConfigIdErrorCount, row.counted.ConfigIdErrorCount);
        EXPECT_EQ(b.last.counters.sum(), b.errors.sum());
        ASSERT_EQ(b.last.failures.size(), 1u) << "only the failed word is a failure record";
        // Nothing after the stop: no EEPROM byte after a program failure, no ID,
        // no configuration word.
        if (row.badCell < 0x2100) {
            EXPECT_EQ(b.log().count(cmd::LoadDataForDataMemory), 0);
            EXPECT_EQ(b.chip->word(0x2100), b.device.DataLastAddr >= 0 ? 0xFF : 0x3FFF);
        } else {
            EXPECT_EQ(b.chip->word(0x2100), b.image.HexWords[0x2100]);
            EXPECT_EQ(b.chip->word(0x2102), 0xFF);
        }
        EXPECT_EQ(b.chip->word(0x2000), 0x3FFF);
        EXPECT_EQ(b.chip->word(0x2007), configBefore);
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

TEST(WriteProgram, QuickAndDirtyProgramsEveryPresentWordWithoutReading) {
    Bench b("16F84A");
    for (int a = 0; a < 10; ++a) {
        b.image.HexWords[a] = pattern(a);
        b.chip->setWord(a, pattern(a));  // already right: programmed all the same
    }
    b.image.HexWords[20] = 0x0001;
    b.settings.QuickAndDirty = true;
    b.bracket([&] { b.ops.WriteProgram(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().count(cmd::BeginEraseProgrammingCycle), 11);
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 0);
    EXPECT_EQ(b.chip->word(20), 0x0001);
    EXPECT_EQ(b.errors.sum(), 0);
}

// ---- 16F7x: bulk erase, pairs, verify after ----

TEST(WriteProgram7x, RangeIsPaddedToWholePairs) {
    Bench b("16F77");
    for (int a = 0; a <= 0x10; ++a) {
        b.image.HexWords[a] = pattern(a);
    }
    b.image.HexWords[3] = MemoryImage::AbsentWord;  // goes in as the erased value
    b.chip->setWord(0x11, 0x0000);
    b.chip->setWord(0x40, 0x0000);
    b.bracket([&] { b.ops.WriteProgram7x(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().count(cmd::BulkEraseProgramMemory), 1);
    EXPECT_EQ(b.log().count(cmd::BeginEraseProgrammingCycle), 9);
    EXPECT_EQ(b.log().count(cmd::EndProgramming), 9);
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 18);
    EXPECT_EQ(b.log().modeEntries(), 2);  // restarted for the verify pass
    const std::string trace = b.log().commandTrace();
    EXPECT_TRUE(trace.starts_with("9 2(0005) 6 2(002A) 8 14 6 2(004F) 6 2(3FFF) 8 14 6")) << trace;
    EXPECT_NE(trace.find("2(3FFF) 8 14 6 4"), std::string::npos) << trace;  // padding word 0x11
    for (int a = 0; a <= 0x10; ++a) {
        EXPECT_EQ(b.chip->word(a), a == 3 ? 0x3FFF : pattern(a)) << a;
    }
    EXPECT_EQ(b.chip->word(0x11), 0x3FFF);
    EXPECT_EQ(b.chip->word(0x40), 0x3FFF);  // the bulk erase took it
    EXPECT_EQ(b.image.ReadBack[0x11], 0x3FFF);
    EXPECT_EQ(b.report.panels[0], "Adresse 0x0012");
    EXPECT_EQ(b.errors.sum(), 0);
    EXPECT_FALSE(b.ops.runGauge().visible);
}

TEST(WriteProgram7x, VerifyFailureNamesTheWordInHex) {
    Bench b("16F73");
    for (int a = 0; a < 8; ++a) {
        b.image.HexWords[a] = pattern(a);
    }
    b.chip->setBadCell(6);
    b.bracket([&] { b.ops.WriteProgram7x(); });
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0].rfind("Programmwort nicht gebrannt! 0x0006: " +
                                             hexWord(pattern(6)) + " geschrieben, 0x3FFF gelesen.",
                                         0),
              0u)
        << b.report.messages[0];
    EXPECT_EQ(b.errors.ProgramErrorCount, 1);
    EXPECT_EQ(b.ops.runGauge().colour, RunGaugeColour::Red);
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 7);
}

TEST(WriteProgram7x, QuickAndDirtyHasNoVerifyPass) {
    Bench b("16F77");
    for (int a = 0; a < 6; ++a) {
        b.image.HexWords[a] = pattern(a);
    }
    b.settings.QuickAndDirty = true;
    b.bracket([&] { b.ops.WriteProgram7x(); });
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 0);
    EXPECT_EQ(b.log().modeEntries(), 1);
    EXPECT_EQ(b.chip->word(5), pattern(5));
    EXPECT_TRUE(b.clean()) << b.violations();
}

// ---- Data EEPROM ----

TEST(WriteData, ProgramsPresentBytesWithoutReadingFirst) {
    Bench b("16F628");
    b.image.HexWords[0x2100 + 2] = 0x42;
    b.chip->setWord(0x2100 + 5, 0x99);
    b.image.HexWords[0x2100 + 5] = 0x99;  // already right: programmed all the same
    b.bracket([&] { b.ops.WriteData(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().count(cmd::LoadDataForDataMemory), 2);
    EXPECT_EQ(b.log().count(cmd::ReadDataFromDataMemory), 2);
    EXPECT_EQ(b.log().count(cmd::IncrementAddress), 128);
    EXPECT_EQ(b.chip->word(0x2102), 0x42);
    EXPECT_EQ(b.report.panels[0], "EEPROM 0x7F");
    EXPECT_TRUE(b.report.gauges.empty());  // no gauge for the EEPROM
}

TEST(WriteData, NothingIsSentToAChipWithoutEeprom) {
    Bench b("16F73");
    b.image.HexWords[0x2100] = 0x11;
    b.bracket([&] { b.ops.WriteData(); });
    EXPECT_EQ(b.log().commands().size(), 0u);
    EXPECT_TRUE(b.clean()) << b.violations();
}

TEST(WriteData, FailureStopsWithTheChipAddress) {
    Bench b("16F877");
    b.image.HexWords[0x2100] = 0x12;
    b.image.HexWords[0x2101] = 0x34;
    b.image.HexWords[0x2102] = 0x56;
    b.chip->setBadCell(0x2101);
    b.bracket([&] { b.ops.WriteData(); });
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0].rfind(
                  "EEPROM-Byte nicht gebrannt! 0x2101: 0x34 geschrieben, 0xFF gelesen.", 0),
              0u)
        << b.report.messages[0];
    EXPECT_EQ(b.errors.DataErrorCount, 1);
    EXPECT_EQ(b.errors.sum(), 1);
    EXPECT_EQ(b.chip->word(0x2102), 0xFF);
    EXPECT_EQ(b.image.ReadBack[0x2101], 0xFF);
}

// ---- ID locations and configuration word ----

TEST(WriteConfiguration, IdsOneToFourOnA16F628) {
    Bench b("16F628");
    b.image.IdWords = {1, 2, 3, 4};
    b.image.ConfigWord = 0x3F62;
    b.report.panels[1] = "ID nicht OK";
    b.bracket([&] { b.ops.WriteConfiguration(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().commandTrace(),
              "0(3F62) 2(3F81) 8 4 6 2(3F82) 8 4 6 2(3F83) 8 4 6 2(3F84) 8 4 6 6 6 6 2(3F62) 8 4");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.chip->word(0x2000 + i), 0x3F81 + i);
        EXPECT_EQ(b.image.ReadBack[0x2000 + i], i + 1);
    }
    EXPECT_EQ(b.report.panels[1], "");
    EXPECT_EQ(b.errors.sum(), 0);
}

TEST(WriteConfiguration, IdAboveFifteenIsJudgedByItsLowFourBits) {
    // A HEX file may give an ID location with more than four bits; the chip
    // holds them, and only the low four bits are ours to check.
    Bench b("16F877");
    b.image.IdWords = {0x25, MemoryImage::IdNone, 0x3FF7, 9};
    b.image.ConfigWord = 0x3F72;
    b.bracket([&] { b.ops.WriteConfiguration(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.chip->word(0x2000), 0x3FA5);
    EXPECT_EQ(b.chip->word(0x2001), 0x3FFF);  // absent: untouched
    EXPECT_EQ(b.chip->word(0x2002), 0x3FF7);
    EXPECT_EQ(b.image.ReadBack[0x2000], 5);
    EXPECT_EQ(b.errors.sum(), 0);
    EXPECT_TRUE(b.report.messages.empty());
}

TEST(WriteConfiguration, AllIdsAbsentOnA16F877) {
    Bench b("16F877");
    b.image.ConfigWord = 0x3F72;
    b.bracket([&] { b.ops.WriteConfiguration(); });
    EXPECT_EQ(b.log().commandTrace(), "0(3F72) 6 6 6 6 6 6 6 2(3F72) 8 4");
    EXPECT_EQ(b.chip->word(0x2007), 0x3F72);
    EXPECT_TRUE(b.clean()) << b.violations();
}

TEST(WriteConfiguration, AllIdsAbsentOnA16F77AreProgrammedErased) {
    Bench b("16F77");
    b.image.ConfigWord = 0x3FFA;
    for (int i = 0; i < 4; ++i) {
        b.chip->setWord(0x2000 + i, 0x3F80);
    }
    b.bracket([&] { b.ops.WriteConfiguration(); });
    EXPECT_EQ(b.log().commandTrace(),
              "0(3FFA) 2(3F8F) 6 2(3F8F) 8 14 6 2(3F8F) 6 2(3F8F) 8 14 6 6 6 6 2(3FFA) 8 14 4");
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.chip->word(0x2007), 0x3FFA);
}

TEST(WriteConfiguration, IdsOnA16F73GoInPairsWithoutReadBack) {
    Bench b("16F73");
    b.image.IdWords = {7, MemoryImage::IdNone, 0, 15};
    b.image.ConfigWord = 0x3FFA;
    b.bracket([&] { b.ops.WriteConfiguration(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.chip->word(0x2000), 0x3F87);
    EXPECT_EQ(b.chip->word(0x2001), 0x3F8F);
    EXPECT_EQ(b.chip->word(0x2002), 0x3F80);
    EXPECT_EQ(b.chip->word(0x2003), 0x3F8F);
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 1);  // the configuration word only
}

TEST(WriteConfiguration, ConfigurationFailureOnA16F84) {
    Bench b("16F84");
    b.image.ConfigWord = 0x3FF1;
    b.chip->setBadCell(0x2007);
    b.bracket([&] { b.ops.WriteConfiguration(); });
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0].rfind("Brennen der Configuration fehlgeschlagen! 0x2007: "
                                         "0x3FF1 geschrieben, 0x3FFF gelesen.",
                                         0),
              0u)
        << b.report.messages[0];
    EXPECT_EQ(b.report.panels[1], "Configuration nicht OK");
    EXPECT_EQ(b.errors.ConfigIdErrorCount, 1);
    EXPECT_EQ(b.image.ReadBack[0x2007], 0x3FFF);
}

TEST(WriteConfiguration, IdFailureIsCountedAndTheWriterGoesOn) {
    Bench b("16F627");
    b.image.IdWords = {1, 2, 3, 4};
    b.image.ConfigWord = 0x3F62;
    b.chip->setBadCell(0x2001);
    b.bracket([&] { b.ops.WriteConfiguration(); });
    ASSERT_EQ(b.report.messages.size(), 1u);
    EXPECT_EQ(b.report.messages[0].rfind(
                  "Brennen der ID fehlgeschlagen! 0x2001: 0x2 geschrieben, 0xF gelesen.", 0),
              0u)
        << b.report.messages[0];
    EXPECT_EQ(b.errors.ConfigIdErrorCount, 1);
    EXPECT_EQ(b.chip->word(0x2003), 0x3F84);
    // The configuration check that follows clears the ID notice.
    EXPECT_EQ(b.report.panels[1], "");
}

TEST(WriteConfiguration, QuickAndDirtyReadsNothingAndLeavesPanelOne) {
    Bench b("16F628");
    b.settings.QuickAndDirty = true;
    b.image.IdWords = {1, 2, 3, 4};
    b.image.ConfigWord = 0x3F62;
    b.report.panels[1] = "vorher";
    b.bracket([&] { b.ops.WriteConfiguration(); });
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 0);
    EXPECT_EQ(b.report.panels[1], "vorher");
    EXPECT_EQ(b.chip->word(0x2007), 0x3F62);
    EXPECT_TRUE(b.clean()) << b.violations();
}

// ---- Faults: never "O.K." ----

// A chip that does not answer ends the burn at its first word with one message
// (no chip); a word that fails after the chip answered is a counted failure,
// and the burn stops there too. A protected chip reads zeros: it is named as such.
struct SilentCase {
    const char* what;
    const char* chip;  // nullptr: an empty socket
    std::int32_t type;
    std::function<void(Bench&)> fault;
    Outcome outcome;
    const char* message;  // how the one message starts
};

TEST(BurnFaults, AChipThatDoesNotAnswerStopsAtTheFirstWordWithOneMessage) {
    const auto protect = [](std::uint16_t config) {
        return [config](Bench& b) { b.chip->setWord(0x2007, config); };
    };
    const SilentCase rows[] = {
        {"empty socket", nullptr, Dev16F84, [](Bench&) {}, Outcome::NoChip,
         "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF statt 0x0005, alle Bits 1."},
        {"no VPP", "16F84", Dev16F84, [](Bench& b) { b.circuit.setNoVpp(true); }, Outcome::NoChip,
         "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF"},
        {"clock open", "16F84", Dev16F84, [](Bench& b) { b.circuit.setClockOpen(true); },
         Outcome::NoChip, "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF"},
        {"data line stuck high", "16F84", Dev16F84, [](Bench& b) { b.circuit.setDataStuck(true); },
         Outcome::NoChip, "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF"},
        // Even the old 16F84 drives its ID location and configuration word high.
        {"data line stuck low", "16F84", Dev16F84, [](Bench& b) { b.circuit.setDataStuck(false); },
         Outcome::NoChip, "kein PIC erkannt: Device-ID liest 0x0000, alle Bits 0."},
        // The type check of a chip with ID sees the silent line first.
        {"data line stuck low, 16F628", "16F628", Dev16F628,
         [](Bench& b) { b.circuit.setDataStuck(false); }, Outcome::NoChip,
         "kein PIC erkannt: Device-ID liest 0x0000"},
        // Words 0..9 verified: the chip answers, the cell is bad.
        {"bad cell after good words", "16F84", Dev16F84, [](Bench& b) { b.chip->setBadCell(10); },
         Outcome::Failed, "Programmbrennen abgebrochen! 0x000A: "},
        // The device ID answered, so even the first word's failure is the cell's.
        {"bad first cell of a chip with ID", "16F84A", Dev16F84,
         [](Bench& b) { b.chip->setBadCell(0); }, Outcome::Failed,
         "Programmbrennen abgebrochen! 0x0000: "},
        // The old 16F84 has no device ID, but its protected configuration word
        // answered the type check.
        {"protected old 16F84", "16F84", Dev16F84, protect(0x0001), Outcome::Failed,
         "Programmbrennen abgebrochen! 0x0000: 0x0005 geschrieben, 0x0000 gelesen."},
        {"protected 16F877", "16F877", Dev16F876_877, protect(0x0E72), Outcome::Failed,
         "Programmbrennen abgebrochen! 0x0000: 0x0005 geschrieben, 0x0000 gelesen."},
    };
    for (const SilentCase& row : rows) {
        SCOPED_TRACE(row.what);
        Bench b(row.chip, row.type);
        fillImage(b);
        row.fault(b);
        const std::uint16_t configBefore = b.chip != nullptr ? b.chip->word(0x2007) : 0;
        b.burn();
        EXPECT_EQ(b.last.outcome, row.outcome);
        ASSERT_EQ(b.report.messages.size(), 1u) << b.report.messages.back();
        const std::string& m = b.report.messages[0];
        EXPECT_EQ(m.rfind(row.message, 0), 0u) << m;
        EXPECT_EQ(m.find(kWrongTypeText), std::string::npos) << m;
        const bool isProtected = std::string(row.what).starts_with("protected");
        EXPECT_EQ(m.ends_with("Der PIC ist codegeschützt – zuerst CP entfernen."), isProtected)
            << m;
        // The failed word and every word of the file not burnt after it, of 65
        // program words (0..63 and one far), 17 EEPROM bytes, 4 IDs and the
        // configuration word.
        if (!b.last.failures.empty()) {
            EXPECT_EQ(b.errors.sum(), 65 + 17 + 5 - b.last.failures[0].address);
        }
        EXPECT_EQ(b.log().count(cmd::LoadDataForDataMemory), 0) << "nothing after the stop";
        if (b.chip != nullptr) {
            EXPECT_EQ(b.chip->word(0x2007), configBefore);
        }
    }
}

// A word is left as the chip holds it only when two reads both match the file:
// one read that matches by a flipped bit must not keep a wrong word, whichever
// of the two reads it is, in every write scheme that skips words or rows.
TEST(BurnFaults, AWordThatMatchesTheFileOnlyOnceIsWritten) {
    constexpr int kAddress = 5;
    // Word by word, the second read follows only a first that matched (after a
    // first that differed, the next read is the read-back of the written word).
    const std::pair<const char*, std::vector<int>> rows[] = {
        {"16F84A", {1}},   {"16F628", {1}},    {"16F877A", {1, 2}},
        {"16F88", {1, 2}}, {"16F818", {1, 2}},
    };
    for (const auto& [chip, reads] : rows) {
        for (const int misreadRead : reads) {
            SCOPED_TRACE(std::string(chip) + ", read " + std::to_string(misreadRead) + " flips");
            Bench b(chip);
            fillImage(b);
            const std::uint16_t wanted = b.image.HexWords[kAddress];
            // The chip holds the file's program with one bit of one word off.
            for (int a = 0; a <= b.device.ProgLastAddr; ++a) {
                if (b.image.present(static_cast<std::size_t>(a))) {
                    b.chip->setWord(a, b.image.HexWords[static_cast<std::size_t>(a)]);
                }
            }
            b.chip->setWord(kAddress, wanted ^ 1);
            b.chip->setMisread(kAddress, misreadRead);
            ASSERT_TRUE(b.burn());
            EXPECT_EQ(b.last.outcome, Outcome::Ok)
                << (b.report.messages.empty() ? "" : b.report.messages[0]);
            EXPECT_EQ(b.chip->word(kAddress), wanted);
            EXPECT_TRUE(b.clean()) << b.violations();
        }
    }
}

TEST(BurnFaults, FlakyReadsAreACountedFailure) {
    Bench b("16F877");
    fillImage(b);
    ASSERT_TRUE(b.ops.checkSelectedType());
    b.chip->setFlaky(40, 3);
    b.bracket([&] { b.ops.WriteProgram(); });
    b.bracket([&] { b.ops.WriteData(); });
    b.bracket([&] { b.ops.WriteConfiguration(); });
    EXPECT_GE(b.errors.sum(), 1);
    EXPECT_EQ(b.report.messages.size(), static_cast<std::size_t>(b.errors.sum()));
}

TEST(BurnFaults, OversizedIdValueEndsWithARangeError) {
    Bench b("16F877");
    b.image.IdWords = {0x12345, 1, 1, 1};  // bit 15 clear, so it counts as given
    b.image.ConfigWord = 0x3F72;
    b.link.StartProgmode();
    EXPECT_THROW(b.ops.WriteConfiguration(), RangeError);
    b.link.EndProgmode();
}

}  // namespace
}  // namespace pk::burntest
