// The 12F629/675 and 16F630/676 carry a factory oscillator calibration word at
// 0x3FF and bandgap bits in the configuration word, which their erase wipes.
// Every command that erases must put back exactly what the chip held, and must
// erase nothing when it cannot be sure what that was.

#include <gtest/gtest.h>

#include <functional>

#include "burn_fixture.h"

namespace pk::burntest {
namespace {

constexpr std::uint16_t kOsccal = 0x3420;  // RETLW 0x20, not the simulator's default
constexpr std::uint16_t kBandgap01 = 0x1000;

struct Command {
    const char* name;
    std::function<CommandResult(Bench&)> run;
};

const Command kCommands[] = {
    {"burn",
     [](Bench& b) {
         b.burn();
         return b.last;
     }},
    {"erase", [](Bench& b) { return erase(b.session, true, ChipChoice{}); }},
    {"erase without EEPROM", [](Bench& b) { return erase(b.session, false, ChipChoice{}); }},
    {"unprotect", [](Bench& b) { return removeProtection(b.session, true, ChipChoice{}); }},
};

// A chip with a program, its own calibration and bandgap bits 01, and a file
// that gives a word of its own at the calibration address.
void prepare(Bench& b, std::uint16_t config) {
    for (int a = 0; a < 8; ++a) {
        b.chip->setWord(a, 0x2800);
        b.image.HexWords[a] = static_cast<std::uint16_t>(0x3000 + a);
    }
    b.chip->setWord(0x3FF, kOsccal);
    b.chip->setWord(0x2007, config);
    b.image.HexWords[0x3FF] = 0x3480;
    b.image.IdWords = {1, 2, 3, 4};
    b.image.ConfigWord = 0x31F9;  // the file's bandgap bits 11
}

TEST(Calibration, EveryEraseKeepsTheChipsOwnCalibration) {
    for (const char* chipName : {"12F629", "16F676"}) {
        for (const Command& c : kCommands) {
            // Protected (CP and CPD on) too: the erase that removes protection keeps it.
            for (const std::uint16_t config : {kBandgap01 | 0x01F9, kBandgap01 | 0x0079}) {
                SCOPED_TRACE(std::string(chipName) + " " + c.name + " config " +
                             std::to_string(config));
                Bench b(chipName);
                prepare(b, config);
                const CommandResult r = c.run(b);
                EXPECT_EQ(r.outcome, Outcome::Ok) << b.violations();
                EXPECT_TRUE(b.clean()) << b.violations();
                EXPECT_TRUE(b.report.messages.empty());
                EXPECT_EQ(b.chip->word(0x3FF), kOsccal) << "the file's word is never burnt there";
                EXPECT_EQ(b.chip->word(0x2007) & 0x3000, kBandgap01);
                const bool burnt = std::string(c.name) == "burn";
                EXPECT_EQ(b.chip->word(0), burnt ? 0x3000 : 0x3FFF);
                if (burnt) {
                    EXPECT_EQ(b.chip->word(0x2007), kBandgap01 | 0x01F9);
                    EXPECT_EQ(b.report.panels[1], kCalibrationKeptText);
                    // The calibration word and bits are the chip's: the file still compares equal.
                    EXPECT_EQ(verify(b.session, b.imageOptions()).outcome, Outcome::Ok);
                } else {
                    EXPECT_FALSE(b.chip->anyProgramProtected() || b.chip->dataProtected());
                }
            }
        }
    }
}

// A calibration that reads blank, as no RETLW, or that the circuit cannot read
// at all: nothing is erased, the command fails with one message and a count.
TEST(Calibration, AnUntrustworthyCalibrationStopsEveryErase) {
    struct Case {
        const char* what;
        std::uint16_t osccal;
        bool quickAndDirty;
    };
    const Case cases[] = {
        {"blank", 0x3FFF, false},
        {"not a RETLW", 0x2800, false},
        {"all zeros", 0x0000, false},
        {"circuit cannot read", kOsccal, true},
    };
    for (const Case& k : cases) {
        for (const Command& c : kCommands) {
            SCOPED_TRACE(std::string(k.what) + ", " + c.name);
            Bench b("12F675");
            prepare(b, kBandgap01 | 0x01F9);
            b.chip->setWord(0x3FF, k.osccal);
            b.settings.QuickAndDirty = k.quickAndDirty;
            const CommandResult r = c.run(b);
            EXPECT_EQ(r.outcome, Outcome::Failed);
            EXPECT_GT(b.errors.sum(), 0);
            ASSERT_EQ(b.report.messages.size(), 1u);
            EXPECT_NE(b.report.messages.front().find("nichts gelöscht"), std::string::npos);
            EXPECT_EQ(b.chip->word(0), 0x2800) << "nothing erased";
            EXPECT_EQ(b.chip->word(0x3FF), k.osccal);
            EXPECT_EQ(b.chip->word(0x2007), kBandgap01 | 0x01F9);
            EXPECT_TRUE(b.clean()) << b.violations();
        }
    }
}

// A cable that flips a bit now and then: wherever the flip falls, the chip ends
// with its own calibration, and a flip in the reads before the erase stops the
// erase before anything is erased.
TEST(Calibration, AFlakyReadNeverLosesTheCalibration) {
    constexpr int kPeriod = 60;
    int refused = 0;
    for (int seed = 0; seed < kPeriod; seed += 3) {
        SCOPED_TRACE(seed);
        Bench b("16F630");
        prepare(b, kBandgap01 | 0x01F9);
        b.chip->setFlaky(kPeriod, static_cast<unsigned>(seed));
        (void)erase(b.session, true, ChipChoice{});
        EXPECT_EQ(b.chip->word(0x3FF), kOsccal);
        EXPECT_EQ(b.chip->word(0x2007) & 0x3000, kBandgap01);
        if (b.ops.calibrationRefused()) {
            ++refused;
            EXPECT_EQ(b.chip->word(0), 0x2800) << "nothing erased";
            EXPECT_NE(b.report.messages.front().find("zweimal"), std::string::npos);
        }
    }
    EXPECT_GT(refused, 0) << "some flip fell into the reads before the erase";
}

// A calibration cell that takes no write (the erase still clears it): whatever
// erased it must end in a counted failure that names the calibration word, not
// in "O.K." with the chip running off-frequency.
TEST(Calibration, ACalibrationWordThatIsNotWrittenBackIsACountedFailure) {
    // Each command on its own: an ASSERT ends only its own check.
    const auto check = [](const Command& c) {
        SCOPED_TRACE(c.name);
        Bench b("12F675");
        prepare(b, kBandgap01 | 0x01F9);
        b.chip->setBadCell(0x3FF);
        const CommandResult r = c.run(b);
        EXPECT_EQ(r.outcome, Outcome::Failed);
        EXPECT_GE(b.errors.ProgramErrorCount, 1);
        ASSERT_FALSE(r.failures.empty());
        EXPECT_EQ(r.failures.front(), (WordFailure{Area::Program, 0x3FF, kOsccal, 0x3FFF,
                                                   WordFailure::Check::Calibration}));
        ASSERT_EQ(b.report.messages.size(), 1u);
        EXPECT_NE(
            b.report.messages[0].find("OSCCAL-Wert an 0x03FF: 0x3420 geschrieben, 0x3FFF gelesen"),
            std::string::npos)
            << b.report.messages[0];
        EXPECT_TRUE(b.clean()) << b.violations();
    };
    for (const Command& c : kCommands) {
        check(c);
    }
}

}  // namespace
}  // namespace pk::burntest
