// Every chip of the list through the program's sequences: burn, erase, protect
// and remove the protection, with a clean violation log throughout.

#include <gtest/gtest.h>

#include "bench_fixture.h"

namespace pk::sim::test {
namespace {

class EveryChip : public ::testing::TestWithParam<const char*> {};

void burnProgram(Board& b, int words) {
    const bool f7x = b.chip->model().family == Family::F7x;
    b.host.startProgmode();
    if (f7x) {
        b.host.command(9);
        b.host.sleepMs(35);
        for (int a = 0; a < words; a += 2) {
            b.host.load(2, static_cast<std::uint16_t>(0x0200 + a));
            b.host.command(6);
            b.host.load(2, static_cast<std::uint16_t>(0x0200 + a + 1));
            b.host.command(8);
            b.host.sleepMs(4);
            b.host.command(14);
            b.host.command(6);
        }
    } else {
        for (int a = 0; a < words; ++a) {
            b.host.load(2, static_cast<std::uint16_t>(0x0200 + a));
            b.host.command(8);
            b.host.sleepMs(20);
            b.host.command(6);
        }
    }
    b.host.endProgmode();
}

void burnConfig(Board& b, std::uint16_t config) {
    const bool f7x = b.chip->model().family == Family::F7x;
    b.host.startProgmode();
    b.host.load(0, config);
    b.host.load(2, 0x3F85);
    if (f7x) {
        b.host.command(6);
        b.host.load(2, 0x3F86);
        b.host.command(8);
        b.host.sleepMs(4);
        b.host.command(14);
        b.host.increment(6);
    } else {
        b.host.command(8);
        b.host.sleepMs(20);
        b.host.increment(7);
    }
    b.host.load(2, config);
    b.host.command(8);
    b.host.sleepMs(f7x ? 4 : 15);
    if (f7x) {
        b.host.command(14);
    }
    b.host.endProgmode();
}

std::uint16_t readConfig(Board& b) {
    b.host.startProgmode();
    b.host.load(0, 0);
    b.host.increment(7);
    const std::uint16_t cfg = b.host.read(4);
    b.host.endProgmode();
    return cfg;
}

TEST_P(EveryChip, BurnEraseProtectAndUnprotect) {
    Board b(GetParam());
    const ChipModel& model = b.chip->model();
    const bool f7x = model.family == Family::F7x;
    const bool old84 = model.name == "16F84";

    burnProgram(b, 4);
    if (model.eepromBytes > 0) {
        b.host.startProgmode();
        b.host.load(3, 0x42);
        b.host.command(8);
        b.host.sleepMs(15);
        b.host.endProgmode();
    }
    burnConfig(b, 0x3FFF);
    EXPECT_EQ(b.chip->word(3), 0x0203);
    EXPECT_EQ(b.chip->word(0x2000), 0x3F85);
    if (model.eepromBytes > 0) {
        EXPECT_EQ(b.chip->word(0x2100), 0x42);
    }
    ASSERT_TRUE(b.log().violations().empty()) << b.violations();

    // Erase as the program does for this type.
    b.circuit.log().clear();
    b.host.startProgmode();
    if (old84) {
        for (int load : {2, 3}) {
            b.host.load(load, 0x3FFF);
            b.host.command(1);
            b.host.command(7);
            b.host.command(8);
            b.host.sleepMs(20);
            b.host.command(1);
            b.host.command(7);
        }
    } else {
        b.host.load(2, 0x3FFF);
        b.host.command(9);
        b.host.command(8);
        b.host.sleepMs(35);
        if (!f7x) {
            b.host.load(2, 0x3FFF);
            b.host.command(11);
            b.host.command(8);
            b.host.sleepMs(20);
        }
    }
    b.host.endProgmode();
    EXPECT_EQ(b.chip->word(3), 0x3FFF);
    if (model.eepromBytes > 0) {
        EXPECT_EQ(b.chip->word(0x2100), 0xFF);
    }
    EXPECT_EQ(b.chip->word(0x2000), f7x ? 0x3FFF : 0x3F85) << "only the 16F7x erase takes the IDs";
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();

    // Protect everything; reads give 0 while the configuration stays readable.
    burnProgram(b, 2);
    burnConfig(b, 0x0000);
    EXPECT_TRUE(b.chip->anyProgramProtected());
    b.host.startProgmode();
    EXPECT_EQ(b.host.read(4), 0);
    b.host.endProgmode();
    EXPECT_EQ(readConfig(b), b.chip->word(0x2007));

    // Remove the protection as "CP entfernen" does.
    b.circuit.log().clear();
    b.host.startProgmode();
    if (f7x) {
        b.host.load(2, 0x3FFF);
        b.host.command(9);
        b.host.command(8);
        b.host.sleepMs(35);
    } else {
        b.host.load(0, 0x3FF0);
        b.host.increment(7);
        b.host.command(1);
        b.host.command(7);
        b.host.command(8);
        b.host.sleepMs(20);
        b.host.command(1);
        b.host.command(7);
        b.host.sleepMs(100);
    }
    b.host.endProgmode();
    EXPECT_FALSE(b.chip->anyProgramProtected());
    EXPECT_FALSE(b.chip->dataProtected());
    EXPECT_EQ(b.chip->word(0x2007), 0x3FFF);
    EXPECT_EQ(b.chip->word(0), 0x3FFF);
    EXPECT_EQ(b.chip->word(0x2000), 0x3FFF);
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();
}

INSTANTIATE_TEST_SUITE_P(Chips, EveryChip,
                         ::testing::Values("16F84", "16F84A", "16F870", "16F871", "16F872",
                                           "16F873", "16F874", "16F876", "16F877", "16F73", "16F74",
                                           "16F76", "16F77", "16F627", "16F628"));

}  // namespace
}  // namespace pk::sim::test
