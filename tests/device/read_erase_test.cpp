// Reading, erasing, code-protection removal and the compare count against the
// simulated chips: exact command sequences where the chips demand them, what
// the chip and ReadBack hold afterwards, and a clean violation log.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "burn_fixture.h"
#include "image/hex_file.h"

namespace pk::burntest {
namespace {

std::uint16_t pattern(int a) {
    return static_cast<std::uint16_t>((a * 53 + 11) & 0x3FFF);
}

// Fills the whole chip with a pattern straight into its cells.
void fillChip(Bench& b) {
    const DeviceInfo& info = *deviceInfo(b.device.CurrentType);
    for (int a = 0; a <= info.progLastAddr; ++a) {
        b.chip->setWord(a, pattern(a));
    }
    for (int n = 0; n <= info.dataLastAddr; ++n) {
        b.chip->setWord(0x2100 + n, static_cast<std::uint16_t>((n * 7 + 1) & 0xFF));
    }
    for (int i = 0; i < 4; ++i) {
        b.chip->setWord(0x2000 + i, static_cast<std::uint16_t>(0x3FF0 | (i + 9)));
    }
}

// ---- Reading ----

TEST(ReadProgram, CompareReadsOnlyUpToTheLastWordTheFileGives) {
    Bench b("16F877");
    fillChip(b);
    b.image.HexWords[0x0200] = 0x0123;
    b.bracket([&] { b.ops.ReadProgram(false); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 513);
    EXPECT_EQ(b.image.ReadBack[0x0200], pattern(0x0200));
    EXPECT_EQ(b.image.ReadBack[0x0201], 0xFFFF);  // not read: left as it was
    EXPECT_EQ(b.report.panels[0], "Adresse 0x0200");
    EXPECT_FALSE(b.ops.runGauge().visible);

    b.circuit.log().clear();
    b.bracket([&] { b.ops.ReadProgram(true); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().count(cmd::ReadDataFromProgramMemory), 8192);
    EXPECT_EQ(b.log().count(cmd::IncrementAddress), 8192);
    for (int a = 0; a <= 0x1FFF; ++a) {
        ASSERT_EQ(b.image.ReadBack[a], pattern(a)) << a;
    }
    // The gauge ran to the end: full, then hidden.
    ASSERT_GE(b.report.gauges.size(), 2u);
    EXPECT_EQ(b.report.gauges[b.report.gauges.size() - 2].progress, 20);
    EXPECT_FALSE(b.ops.runGauge().visible);
}

TEST(ReadProgram, FileWithoutProgramWordsStillReadsTheFirstTwoWords) {
    Bench b("16F84A");
    b.bracket([&] { b.ops.ReadProgram(false); });
    EXPECT_EQ(b.log().commandTrace(), "4 6 4 6");
    EXPECT_TRUE(b.clean()) << b.violations();
}

TEST(ReadProgram, ProtectedChipReadsAsZeros) {
    Bench b("16F84A");
    fillChip(b);
    b.chip->setWord(0x2007, 0x3FE1);
    b.bracket([&] { b.ops.ReadProgram(true); });
    EXPECT_EQ(b.image.ReadBack[0], 0);
    EXPECT_EQ(b.image.ReadBack[0x3FF], 0);
    EXPECT_TRUE(b.clean()) << b.violations();
}

TEST(ReadData, BytesAreMaskedAndAChipWithoutEepromGetsNoCommand) {
    Bench b("16F628");
    fillChip(b);
    b.bracket([&] { b.ops.ReadData(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().count(cmd::ReadDataFromDataMemory), 128);
    for (int n = 0; n < 128; ++n) {
        ASSERT_EQ(b.image.ReadBack[0x2100 + n], (n * 7 + 1) & 0xFF) << n;
    }
    EXPECT_EQ(b.image.ReadBack[0x2100 + 128], 0xFFFF);
    EXPECT_EQ(b.report.panels[0], "EEPROM 0x7F");
    EXPECT_TRUE(b.report.gauges.empty());

    Bench none("16F73");
    none.bracket([&] { none.ops.ReadData(); });
    EXPECT_TRUE(none.log().commands().empty());
    EXPECT_TRUE(none.clean()) << none.violations();
}

TEST(ReadConfiguration, IdNibblesAndTheConfigurationWordOnly) {
    Bench b("16F877");
    fillChip(b);
    b.chip->setWord(0x2007, 0x3F72);
    b.image.ReadBack[0x2004] = 0x1111;
    b.image.ReadBack[0x2006] = 0x2222;
    b.bracket([&] { b.ops.ReadConfiguration(); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().commandTrace(), "0(3FFF) 4 6 4 6 4 6 4 6 6 6 6 4");
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.image.ReadBack[0x2000 + i], i + 9);
    }
    EXPECT_EQ(b.image.ReadBack[0x2004], 0x1111);
    EXPECT_EQ(b.image.ReadBack[0x2005], 0xFFFF);
    EXPECT_EQ(b.image.ReadBack[0x2006], 0x2222);
    EXPECT_EQ(b.image.ReadBack[0x2007], 0x3F72 | 0x0400);  // unimplemented bit reads 1
}

// ---- Erasing ----

TEST(ErasePIC, OldF84WithoutDataUsesTheErasePairOnProgramMemoryOnly) {
    Bench b("16F84");
    fillChip(b);
    ASSERT_FALSE(b.device.Is84A);
    b.bracket([&] { b.ops.ErasePIC(false); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().commandTrace(), "2(3FFF) 1 7 8 1 7");
    for (int a = 0; a < 1024; ++a) {
        ASSERT_EQ(b.chip->word(a), 0x3FFF) << a;
    }
    EXPECT_EQ(b.chip->word(0x2100), 1);  // the EEPROM was left alone
    EXPECT_EQ(b.chip->word(0x2000), 0x3FF9);

    b.circuit.log().clear();
    fillChip(b);
    b.bracket([&] { b.ops.ErasePIC(true); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().commandTrace(), "2(3FFF) 1 7 8 1 7 3(3FFF) 1 7 8 1 7");
    EXPECT_EQ(b.chip->word(5), 0x3FFF);
    for (int n = 0; n < 64; ++n) {
        ASSERT_EQ(b.chip->word(0x2100 + n), 0xFF) << n;
    }
}

TEST(ErasePIC, BulkEraseOn16F84AAnd16F62x) {
    for (const char* name : {"16F84A", "16F627", "16F628"}) {
        Bench b(name);
        b.device.Is84A = std::string(name) == "16F84A";
        fillChip(b);
        b.bracket([&] { b.ops.ErasePIC(false); });
        EXPECT_TRUE(b.clean()) << name << "\n" << b.violations();
        EXPECT_EQ(b.log().commandTrace(), "2(3FFF) 9 8") << name;
        EXPECT_EQ(b.chip->word(0), 0x3FFF) << name;
        EXPECT_EQ(b.chip->word(b.device.ProgLastAddr), 0x3FFF) << name;
        EXPECT_EQ(b.chip->word(0x2100), 1) << name;

        b.circuit.log().clear();
        fillChip(b);
        b.bracket([&] { b.ops.ErasePIC(true); });
        EXPECT_TRUE(b.clean()) << name << "\n" << b.violations();
        // The data erase is loaded with program data, as the program always did.
        EXPECT_EQ(b.log().commandTrace(), "2(3FFF) 9 8 2(3FFF) 11 8") << name;
        for (int n = 0; n <= b.device.DataLastAddr; ++n) {
            ASSERT_EQ(b.chip->word(0x2100 + n), 0xFF) << name << " " << n;
        }
    }
}

TEST(ErasePIC, F7xErasesProgramIdsAndConfigurationAndNeverTheMissingEeprom) {
    Bench b("16F76");
    fillChip(b);
    b.chip->setWord(0x2007, 0x3FEA);  // protected
    // Asked for the data as well: a chip without EEPROM gets no data commands, and
    // nothing at all while its self-timed erase runs.
    b.bracket([&] { b.ops.ErasePIC(true); });
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().commandTrace(), "9");
    EXPECT_EQ(b.chip->word(0x1FFF), 0x3FFF);
    EXPECT_EQ(b.chip->word(0x2000), 0x3FFF);
    EXPECT_EQ(b.chip->word(0x2007), 0x3FFF);
    EXPECT_FALSE(b.chip->anyProgramProtected());
}

TEST(ErasePIC, F87xUsesItsErasePairAndKeepsAnEepromNotIncluded) {
    for (const char* name : {"16F877", "16F873", "16F870"}) {
        SCOPED_TRACE(name);
        Bench b(name);
        fillChip(b);
        b.chip->setWord(0x2007, 0x3F72);
        b.bracket([&] { b.ops.ErasePIC(true); });
        EXPECT_TRUE(b.clean()) << b.violations();
        EXPECT_EQ(b.log().commandTrace(), "0(3FFF) 6 6 6 6 6 6 6 1 7 8 1 7");
        EXPECT_EQ(b.chip->word(b.device.ProgLastAddr), 0x3FFF);
        EXPECT_EQ(b.chip->word(0x2100), 0xFF);
        EXPECT_EQ(b.chip->word(0x2007), 0x3FFF);

        // "incl. DataEEProm" unchecked: read twice, erase, write back and verify.
        b.circuit.log().clear();
        fillChip(b);
        b.bracket([&] { b.ops.ErasePIC(false); });
        EXPECT_TRUE(b.clean()) << b.violations();
        EXPECT_EQ(b.errors.sum(), 0);
        EXPECT_EQ(b.log().count(cmd::EraseSetup1), 2);
        EXPECT_EQ(b.chip->word(5), 0x3FFF);
        for (int n = 0; n <= b.device.DataLastAddr; ++n) {
            ASSERT_EQ(b.chip->word(0x2100 + n), (n * 7 + 1) & 0xFF) << n;
            ASSERT_EQ(b.image.ReadBack[0x2100 + n], (n * 7 + 1) & 0xFF) << n;
        }

        // An EEPROM that does not read the same twice is not erased at all.
        b.circuit.log().clear();
        b.chip->setWord(5, 0x0005);
        b.chip->setFlaky(97, 1);
        b.bracket([&] { b.ops.ErasePIC(false); });
        b.chip->setFlaky(0, 0);
        EXPECT_GT(b.errors.DataErrorCount, 0);
        EXPECT_EQ(b.log().count(cmd::EraseSetup1), 0);
        EXPECT_EQ(b.chip->word(5), 0x0005);
        ASSERT_FALSE(b.report.messages.empty());
        EXPECT_EQ(b.report.messages.back(), kEepromUnstableText);
    }
}

// ---- Blank check after an erase ----

struct EraseFault {
    const char* what;
    const char* chip;
    bool includeData;
    std::function<void(sim::SimChip&)> fault;
    std::int32_t program, data, configId;
    const char* message;     // "" when the chip is blank
    bool unprotect = false;  // "CP entfernen" instead of "Löschen"
};

TEST(EraseCommand, CountsEveryWordTheEraseLeft) {
    const EraseFault rows[] = {
        {"a clean erase", "16F877", true, [](sim::SimChip&) {}, 0, 0, 0, ""},
        {"a clean erase of the old 16F84", "16F84", true, [](sim::SimChip&) {}, 0, 0, 0, ""},
        {"a clean 16F7x erase", "16F74", true, [](sim::SimChip&) {}, 0, 0, 0, ""},
        {"a stuck program cell", "16F877", true, [](sim::SimChip& c) { c.setStuckCell(7); }, 1, 0,
         0, "PIC nicht vollständig gelöscht! 0x0007: 0x3FFF erwartet, "},
        {"a stuck EEPROM cell", "16F628", true, [](sim::SimChip& c) { c.setStuckCell(0x2103); }, 0,
         1, 0, "PIC nicht vollständig gelöscht! 0x2103: 0x00FF erwartet, 0x0016 gelesen."},
        {"a stuck EEPROM cell not included", "16F628", false,
         [](sim::SimChip& c) { c.setStuckCell(0x2103); }, 0, 0, 0, ""},
        {"bulk erase commands that do nothing (16F84A)", "16F84A", true,
         [](sim::SimChip& c) { c.setNoBulkErase(true); }, 1024, 64, 0,
         "PIC nicht vollständig gelöscht! 0x0000: 0x3FFF erwartet, "},
        {"bulk erase commands that do nothing (16F627)", "16F627", false,
         [](sim::SimChip& c) { c.setNoBulkErase(true); }, 1024, 0, 0,
         "PIC nicht vollständig gelöscht! 0x0000: 0x3FFF erwartet, "},
        {"bulk erase that does nothing on the 16F7x", "16F73", false,
         [](sim::SimChip& c) { c.setNoBulkErase(true); }, 4096, 0, 1,
         "PIC nicht vollständig gelöscht! 0x0000: 0x3FFF erwartet, "},
        {"the 16F87x erase pair needs no bulk erase commands", "16F876", true,
         [](sim::SimChip& c) { c.setNoBulkErase(true); }, 0, 0, 0, ""},
        {"protection removal, a stuck program cell", "16F628", false,
         [](sim::SimChip& c) { c.setStuckCell(7); }, 1, 0, 0,
         "PIC nicht vollständig gelöscht! 0x0007: 0x3FFF erwartet, ", true},
        {"protection removal checks the EEPROM and the configuration word", "16F877", false,
         [](sim::SimChip& c) { c.setStuckCell(0x2007); }, 0, 0, 1,
         "PIC nicht vollständig gelöscht! 0x2007: 0x3FFF erwartet, 0x3FF2 gelesen.", true},
        {"protection removal on the 16F7x is its erase", "16F74", false,
         [](sim::SimChip& c) { c.setNoBulkErase(true); }, 4096, 0, 1,
         "PIC nicht vollständig gelöscht! 0x0000: 0x3FFF erwartet, ", true},
    };
    for (const EraseFault& row : rows) {
        SCOPED_TRACE(row.what);
        Bench b(row.chip);
        b.device.Is84A = std::string(row.chip) == "16F84A";
        fillChip(b);
        b.chip->setWord(0x2007, 0x3FF2);
        row.fault(*b.chip);
        const CommandResult r = row.unprotect ? removeProtection(b.session, row.includeData)
                                              : erase(b.session, row.includeData);
        EXPECT_TRUE(b.clean()) << b.violations();
        EXPECT_EQ(b.errors.ProgramErrorCount, row.program);
        EXPECT_EQ(b.errors.DataErrorCount, row.data);
        EXPECT_EQ(b.errors.ConfigIdErrorCount, row.configId);
        EXPECT_EQ(r.counters.sum(), row.program + row.data + row.configId);
        EXPECT_EQ(r.outcome, r.counters.sum() == 0 ? Outcome::Ok : Outcome::Failed);
        if (*row.message == '\0') {
            EXPECT_TRUE(b.report.messages.empty());
        } else {
            ASSERT_EQ(b.report.messages.size(), 1u) << "only the first word is named";
            EXPECT_EQ(b.report.messages[0].rfind(row.message, 0), 0u) << b.report.messages[0];
        }
    }
}

// ---- Code-protection removal ----

struct Protected {
    const char* chip;
    std::uint16_t config;
};

class RemoveCodeProtection : public ::testing::TestWithParam<Protected> {};

TEST_P(RemoveCodeProtection, ChipIsUnprotectedAndBlank) {
    Bench b(GetParam().chip);
    fillChip(b);
    b.chip->setWord(0x2007, GetParam().config);
    ASSERT_TRUE(b.chip->anyProgramProtected() || b.chip->dataProtected());

    b.ops.RemoveCodeProtection();
    EXPECT_TRUE(b.clean()) << b.violations();
    EXPECT_EQ(b.log().commandTrace(), "0(3FF0) 6 6 6 6 6 6 6 1 7 8 1 7");
    EXPECT_EQ(b.log().modeEntries(), 1);
    EXPECT_FALSE(b.link.inProgrammingMode());
    EXPECT_FALSE(b.chip->anyProgramProtected());
    EXPECT_FALSE(b.chip->dataProtected());
    for (int a = 0; a <= b.device.ProgLastAddr; ++a) {
        ASSERT_EQ(b.chip->word(a), 0x3FFF) << a;
    }
    for (int n = 0; n <= b.device.DataLastAddr; ++n) {
        ASSERT_EQ(b.chip->word(0x2100 + n), 0xFF) << n;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b.chip->word(0x2000 + i), 0x3FFF);
    }
    EXPECT_EQ(b.chip->word(0x2007), 0x3FFF);

    // Gauge: 19 of 20 while it runs, then full and hidden, without a pause.
    ASSERT_GE(b.report.gauges.size(), 3u);
    EXPECT_TRUE(b.report.gauges.front().visible);
    EXPECT_EQ(b.report.gauges[1].progress, 19);
    EXPECT_EQ(b.report.gauges[b.report.gauges.size() - 2].progress, 20);
    EXPECT_FALSE(b.ops.runGauge().visible);
    EXPECT_EQ(b.clock.slept(), std::chrono::milliseconds(100 + 150 + 20 + 100 + 100 + 150));
    EXPECT_TRUE(b.report.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Chips, RemoveCodeProtection,
                         ::testing::Values(Protected{"16F84A", 0x3FE1}, Protected{"16F84", 0x0001},
                                           Protected{"16F877", 0x0E42}, Protected{"16F873", 0x2F72},
                                           Protected{"16F628", 0x0262},
                                           Protected{"16F627", 0x3E62}));

// ---- Compare count ----

struct CompareCase : ::testing::Test {
    MemoryImage image;
    DeviceState device;

    void SetUp() override {
        device.CurrentType = Dev16F876_877;
        device.ProgLastAddr = 0x1FFF;
        device.DataLastAddr = 0xFF;
        image.ReadBack.fill(0x3FFF);
        for (int a = 0; a < 100; ++a) {
            image.HexWords[a] = static_cast<std::uint16_t>(a);
            image.ReadBack[a] = static_cast<std::uint16_t>(a);
        }
        for (int n = 0; n < 16; ++n) {
            image.HexWords[0x2100 + n] = static_cast<std::uint16_t>(n);
            image.ReadBack[0x2100 + n] = static_cast<std::uint16_t>(n);
        }
        image.IdWords = {1, 2, 3, 4};
        for (int i = 0; i < 4; ++i) {
            image.ReadBack[0x2000 + i] = static_cast<std::uint16_t>(i + 1);
        }
        image.ConfigWord = 0x3F72;
        image.ReadBack[0x2007] = 0x3F72;
    }
};

TEST_F(CompareCase, IdenticalImageCountsNothing) {
    const ErrorCounters e = CompareImage(image, device, true);
    EXPECT_EQ(e.sum(), 0);
}

TEST_F(CompareCase, OnlyWordsTheFileGivesAreCountedAndAllOfThem) {
    image.ReadBack[3] = 0;
    image.ReadBack[50] = 0x3FFF;
    image.ReadBack[99] = 1;
    // Words the file does not give may hold anything.
    image.ReadBack[100] = 0x1234;
    image.ReadBack[0x1FFF] = 0;
    const ErrorCounters e = CompareImage(image, device, true);
    EXPECT_EQ(e.ProgramErrorCount, 3);
    EXPECT_EQ(e.DataErrorCount, 0);
    EXPECT_EQ(e.ConfigIdErrorCount, 0);
}

TEST_F(CompareCase, DataBytesByTheirLowByteAndOnlyWhenIncluded) {
    image.ReadBack[0x2100 + 1] = 0xFF01;  // same low byte
    image.ReadBack[0x2100 + 2] = 0x00FF;
    image.ReadBack[0x2100 + 200] = 0x00;  // not given
    EXPECT_EQ(CompareImage(image, device, true).DataErrorCount, 1);
    EXPECT_EQ(CompareImage(image, device, false).DataErrorCount, 0);
    // Beyond the chip's EEPROM nothing is compared.
    device.DataLastAddr = 1;
    EXPECT_EQ(CompareImage(image, device, true).DataErrorCount, 0);
    device.DataLastAddr = -1;
    EXPECT_EQ(CompareImage(image, device, true).DataErrorCount, 0);
}

TEST_F(CompareCase, IdsByTheirLowNibbleAndTheConfigurationWordWhole) {
    image.IdWords = {5, 2, 3, 4};
    image.ReadBack[0x2000] = 0x3FF5;  // upper bits set, 5 below: the same ID
    EXPECT_EQ(CompareImage(image, device, true).ConfigIdErrorCount, 0);

    image.ReadBack[0x2001] = 0x0003;
    image.ReadBack[0x2007] = 0x3F70;
    EXPECT_EQ(CompareImage(image, device, true).ConfigIdErrorCount, 2);

    // Switched-off IDs and a configuration word without value are not compared.
    image.IdWords[1] = MemoryImage::IdNone;
    image.ConfigWord = 0x8000 | 0x3F72;
    EXPECT_EQ(CompareImage(image, device, true).ConfigIdErrorCount, 0);
}

TEST_F(CompareCase, ProgramCountStopsAtTheChipsLastAddress) {
    device.ProgLastAddr = 0x3FF;
    image.HexWords[0x400] = 7;  // a file for a bigger chip
    image.ReadBack[0x400] = 0x3FFF;
    EXPECT_EQ(CompareImage(image, device, true).ProgramErrorCount, 0);
    device.ProgLastAddr = 0x7FF;
    EXPECT_EQ(CompareImage(image, device, true).ProgramErrorCount, 1);
}

// ---- The whole cycle on every catalogue entry, through the commands ----

class FullCycle : public ::testing::TestWithParam<const char*> {};

TEST_P(FullCycle, EraseBurnReadCompareAndSaveGiveBackTheChip) {
    Bench b(GetParam());
    const bool data = b.device.DataLastAddr >= 0;
    fillChip(b);
    // A file with gaps, EEPROM bytes, IDs and a plain configuration word.
    auto& hex = b.image.HexWords;
    for (int a = 0; a < 40; ++a) {
        hex[a] = static_cast<std::uint16_t>((a * 91 + 3) & 0x3FFF);
    }
    hex[b.device.ProgLastAddr] = 0x2ABC;
    if (data) {
        hex[0x2100] = 0x00;
        hex[0x2100 + b.device.DataLastAddr] = 0xA5;
    }
    b.image.IdWords = {1, 0, 15, 7};
    b.image.ConfigWord = plainConfig(b.device.CurrentType);

    // Through the commands, as both front ends run them.
    ASSERT_EQ(erase(b.session, data).outcome, Outcome::Ok);
    for (int a = 0; a <= b.device.ProgLastAddr; ++a) {
        ASSERT_EQ(b.chip->word(a), 0x3FFF) << a;
    }
    ASSERT_TRUE(b.burn(data));
    EXPECT_EQ(b.last.outcome, Outcome::Ok);
    EXPECT_EQ(b.errors.sum(), 0);
    EXPECT_EQ(verify(b.session, b.imageOptions(data)).outcome, Outcome::Ok);

    // Read everything: the HEX file written from the read loads back to the chip's words.
    ASSERT_EQ(read(b.session).outcome, Outcome::Ok);
    EXPECT_EQ(CompareImage(b.image, b.device, data).sum(), 0);
    EXPECT_TRUE(b.clean()) << b.violations();
    WordArray loaded;
    loaded.fill(MemoryImage::AbsentWord);
    ASSERT_TRUE(OpenHexfile(BuildHexFile(b.image.ReadBack, b.device.ProgLastAddr), loaded).ok());
    for (int a = 0; a <= b.device.ProgLastAddr; ++a) {
        const std::uint16_t chip = b.chip->word(a);
        ASSERT_EQ(loaded[a], chip == 0x3FFF ? MemoryImage::AbsentWord : chip) << a;
    }
    for (int n = 0; n <= b.device.DataLastAddr; ++n) {
        const std::uint16_t chip = b.chip->word(0x2100 + n);
        ASSERT_EQ(loaded[0x2100 + n], chip == 0xFF ? MemoryImage::AbsentWord : chip) << n;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded[0x2000 + i], b.chip->word(0x2000 + i) & 0x000F) << i;
    }
    EXPECT_EQ(loaded[0x2007], b.chip->word(0x2007));
}

INSTANTIATE_TEST_SUITE_P(Catalogue, FullCycle,
                         ::testing::Values("16F84", "16F84A", "16F877", "16F873", "16F870", "16F77",
                                           "16F73", "16F627", "16F628", "16F628A", "16F648A",
                                           "16F874A", "16F876A", "16F88", "16F819"));

}  // namespace
}  // namespace pk::burntest
