// The data-sheet timing is a faster way to the same chip: a burn in either
// timing leaves the chip word for word as the other does, whatever the chip
// held where the file gives nothing.

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "burn_fixture.h"
#include "image/hex_file.h"

namespace pk::burntest {
namespace {

// A chip of the row, by the name its first switch gives.
std::string chipOf(const DeviceInfo& row) {
    std::string name;
    for (std::string_view sw : row.switches) {
        if (!sw.empty()) {
            name = std::string(sw.substr(2));
            if (sw != "/p16f84") {
                break;
            }
        }
    }
    for (char& c : name) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return name;
}

enum class Held { Random, BlankInTheGaps };

struct Case {
    std::int32_t row;
    Held held;
};

// The words the factory put there, which no burn touches.
bool factoryOwned(const DeviceInfo& d, int address) {
    return address == d.calibration.word || d.isFactoryWord(static_cast<std::uint16_t>(address));
}

// The same chip contents in both benches: random words (or blank ones where
// the file leaves gaps), random EEPROM bytes and IDs.
void fillChip(Bench& b, Held held, const std::vector<bool>& inFile, unsigned seed) {
    const DeviceInfo& d = *deviceInfo(b.device.CurrentType);
    std::mt19937 rng(seed);
    for (int a = 0; a <= d.progLastAddr; ++a) {
        const auto w = static_cast<std::uint16_t>(rng() & 0x3FFF);
        if (!factoryOwned(d, a) && (held == Held::Random || inFile[static_cast<std::size_t>(a)])) {
            b.chip->setWord(a, w);
        }
    }
    for (int n = 0; n <= d.dataLastAddr; ++n) {
        b.chip->setWord(MemoryImage::EepromBase + n, static_cast<std::uint16_t>(rng() & 0xFF));
    }
    if (held == Held::Random) {
        for (int i = 0; i < 4; ++i) {
            b.chip->setWord(MemoryImage::IdBase + i, static_cast<std::uint16_t>(0x3F80 | i));
        }
    }
}

// A file that fills the first 600 words, and some words beyond; every third
// EEPROM byte over a random chip, every byte over a blank one.
std::vector<bool> fillFile(Bench& b, Held held) {
    const DeviceInfo& d = *deviceInfo(b.device.CurrentType);
    std::vector<bool> inFile(static_cast<std::size_t>(d.progLastAddr + 1), false);
    const auto put = [&](int a) {
        if (a <= d.progLastAddr && !factoryOwned(d, a)) {
            b.image.HexWords[static_cast<std::size_t>(a)] =
                static_cast<std::uint16_t>((a * 97 + 11) & 0x3FFF);
            inFile[static_cast<std::size_t>(a)] = true;
        }
    };
    for (int a = 0; a < 600; ++a) {
        put(a);
    }
    put(d.progLastAddr - 5);
    put(d.progLastAddr / 2 + 3);
    for (int n = 0; n <= d.dataLastAddr; n += held == Held::Random ? 3 : 1) {
        b.image.HexWords[static_cast<std::size_t>(MemoryImage::EepromBase + n)] =
            static_cast<std::uint16_t>(n ^ 0xA5);
    }
    b.image.ConfigWord = plainConfig(d.type);
    b.image.HexLoaded = true;
    return inFile;
}

std::int64_t programOnlyCycles(const Bench& b) {
    std::int64_t n = 0;
    for (const auto& c : b.log().commands()) {
        n += c.code == 24 ? 1 : 0;
    }
    return n;
}

class TimingModes : public ::testing::TestWithParam<Case> {};

TEST_P(TimingModes, LeaveTheSameChip) {
    const DeviceInfo& d = kDevices[static_cast<std::size_t>(GetParam().row)];
    const std::string name = chipOf(d);
    SCOPED_TRACE(name);
    std::vector<std::uint16_t> chips[2];
    std::int64_t programOnly = 0;
    for (const TimingMode timing : {TimingMode::Classic, TimingMode::DataSheet}) {
        Bench b(name.c_str(), d.type);
        b.settings.Timing = timing;
        const std::vector<bool> inFile = fillFile(b, GetParam().held);
        fillChip(b, GetParam().held, inFile, 4711U + static_cast<unsigned>(d.type));
        ASSERT_TRUE(b.burn());
        EXPECT_EQ(b.errors.sum(), 0) << (b.report.messages.empty() ? "" : b.report.messages[0]);
        EXPECT_TRUE(b.clean()) << b.violations();
        chips[timing == TimingMode::DataSheet ? 1 : 0] = b.chip->contents();
        programOnly = programOnlyCycles(b);
    }
    ASSERT_EQ(chips[0].size(), chips[1].size());
    for (std::size_t a = 0; a < chips[0].size(); ++a) {
        ASSERT_EQ(chips[0][a], chips[1][a]) << "word " << hexWord(static_cast<std::uint32_t>(a));
    }
    // Where the chip has the quicker cycle after an erase, it is used when that
    // loses nothing.
    if (procedureOf(d, false).times->dataSheet.programOnly.count() > 0) {
        EXPECT_EQ(programOnly > 0, GetParam().held == Held::BlankInTheGaps);
    }
}

// A read and a compare find the same words in both timings; the data-sheet
// timing reads the EEPROM, IDs and configuration along with the type check.
TEST(TimingModes, ReadAndCompareFindTheSameWordsWithFewerEntries) {
    struct Row {
        TimingMode timing;
        int readEntries;
        int verifyEntries;
    };
    WordArray found[2];
    for (const Row& row : {Row{TimingMode::Classic, 5, 3}, Row{TimingMode::DataSheet, 4, 2}}) {
        Bench b("16F877");
        b.settings.Timing = row.timing;
        const std::vector<bool> inFile = fillFile(b, Held::Random);
        fillChip(b, Held::Random, inFile, 99);
        b.chip->setWord(MemoryImage::ConfigAddr, plainConfig(b.device.CurrentType));
        const CommandResult r = read(b.session);
        EXPECT_EQ(r.outcome, Outcome::Ok);
        EXPECT_EQ(b.log().modeEntries(), row.readEntries);
        found[row.timing == TimingMode::DataSheet ? 1 : 0] = b.image.ReadBack;
        for (int n = 0; n <= b.device.DataLastAddr; ++n) {
            ASSERT_EQ(b.image.ReadBack[MemoryImage::EepromBase + n],
                      b.chip->word(MemoryImage::EepromBase + n));
        }
        EXPECT_EQ(b.image.ReadBack[MemoryImage::IdBase + 2], 2);

        // The chip as read is what the compare must find equal.
        b.image.HexWords = b.image.ReadBack;
        b.image.ConfigWord = b.image.ReadBack[MemoryImage::ConfigAddr];
        b.image.IdWords = {0, 1, 2, 3};
        b.circuit.log().clear();
        const CommandResult v = verify(b.session, b.imageOptions());
        EXPECT_EQ(v.outcome, Outcome::Ok);
        EXPECT_EQ(b.errors.sum(), 0);
        EXPECT_EQ(b.log().modeEntries(), row.verifyEntries);
        EXPECT_TRUE(b.clean()) << b.violations();
    }
    EXPECT_EQ(found[0], found[1]);
}

// The data-sheet timing leaves programming mode only where the chip needs a new
// entry: after the type check, after an erase in configuration memory, and to
// start a pass over where its data sheet says nothing of how its counter
// repeats. Counting on must still land on word 0 and byte 0: the compare finds
// every word the burn wrote.
TEST(TimingModes, DataSheetBurnAndCompareEnterOnlyWhereTheChipNeedsIt) {
    struct Row {
        const char* chip;
        int burnEntries;
        int verifyEntries;
    };
    // 16F84A: its data sheet says nothing of the counter above 1K. 16F628A,
    // 16F631: the EEPROM bytes the file leaves out are read twice, in two
    // entries. 16F88: its counter steps from 0x1FFF into configuration memory.
    // 12F629: its calibration is read and restored in entries of their own.
    // 16F887, 16F631, 16F716: a new entry after the erase at 0x2000.
    for (const Row& row :
         {Row{"16F84A", 4, 2}, Row{"16F628A", 4, 1}, Row{"16F877A", 2, 1}, Row{"16F818", 2, 1},
          Row{"16F88", 3, 1}, Row{"12F629", 6, 1}, Row{"16F887", 3, 1}, Row{"16F631", 6, 1},
          Row{"16F716", 3, 1}, Row{"16F72", 3, 1}}) {
        SCOPED_TRACE(row.chip);
        Bench b(row.chip);
        b.settings.Timing = TimingMode::DataSheet;
        const std::vector<bool> inFile = fillFile(b, Held::Random);
        fillChip(b, Held::Random, inFile, 5);
        b.image.IdWords = {1, 2, 3, 4};
        ASSERT_TRUE(b.burn());
        EXPECT_EQ(b.errors.sum(), 0) << (b.report.messages.empty() ? "" : b.report.messages[0]);
        EXPECT_EQ(b.log().modeEntries(), row.burnEntries);
        b.circuit.log().clear();
        const CommandResult v = verify(b.session, b.imageOptions());
        EXPECT_EQ(v.outcome, Outcome::Ok);
        EXPECT_EQ(b.errors.sum(), 0);
        EXPECT_EQ(b.log().modeEntries(), row.verifyEntries);
        EXPECT_TRUE(b.clean()) << b.violations();
    }
}

std::vector<Case> everyRow() {
    std::vector<Case> cases;
    for (const DeviceInfo& d : kDevices) {
        cases.push_back({d.type, Held::Random});
        cases.push_back({d.type, Held::BlankInTheGaps});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, TimingModes, ::testing::ValuesIn(everyRow()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string n =
                                 chipOf(kDevices[static_cast<std::size_t>(info.param.row)]) +
                                 (info.param.held == Held::Random ? "_random" : "_blankGaps");
                             return n;
                         });

}  // namespace
}  // namespace pk::burntest
