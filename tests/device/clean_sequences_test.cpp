// The program's own sequences against every simulated chip on every usable
// circuit variant, in both timings, with port accesses costing 1 µs and costing
// nothing (then only the program's own waits keep the chip's minima): the
// search for the programmer with the chip in the socket and every command -
// burn, burn again, compare, read, erase with and without the EEPROM,
// protection removal, detection - must leave the violation log empty and the
// error counters at 0; a chip with an internal oscillator again, burnt to run
// its own program with MCLR disabled. Then the faults the program must not call
// a success.

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "burn_fixture.h"
#include "sim/chip.h"

namespace pk::burntest {
namespace {

std::uint16_t pattern(int a) {
    return static_cast<std::uint16_t>((a * 29 + 3) & 0x3FFF);
}

void fillImage(Bench& b) {
    for (int a = 0; a < 16; ++a) {
        b.image.HexWords[a] = pattern(a);
    }
    for (int n = 0; n <= std::min(b.device.DataLastAddr, 3); ++n) {
        b.image.HexWords[0x2100 + n] = static_cast<std::uint16_t>(0x40 + n);
    }
    b.image.IdWords = {1, 2, 3, 4};
    b.image.ConfigWord = plainConfig(b.device.CurrentType);
}

void expectClean(const Bench& b, const char* step) {
    EXPECT_TRUE(b.clean()) << step << "\n" << b.violations();
    EXPECT_EQ(b.errors.sum(), 0) << step;
    EXPECT_TRUE(b.report.messages.empty()) << step << ": " << b.report.messages.front();
}

class CleanSequences : public ::testing::TestWithParam<std::tuple<const char*, bool, TimingMode>> {
};

TEST_P(CleanSequences, EveryVariantLeavesTheLogEmpty) {
    const auto [chipName, strict, timing] = GetParam();
    for (const Circuit& c : kCircuits) {
        const int driver = static_cast<int>(c.driver);
        const int sw = static_cast<int>(c.voltage);
        SCOPED_TRACE(std::string(chipName) + " on " + std::to_string(driver) + "/" +
                     std::to_string(sw) + (strict ? " strict" : "") +
                     (timing == TimingMode::DataSheet ? " data sheet" : ""));
        Bench b(chipName, -2, driver, sw, strict);
        b.settings.Timing = timing;
        // The whole memory is read the same way as its first part; 128 words keep this fast.
        b.device.ProgLastAddr = std::min(b.device.ProgLastAddr, 0x7F);
        const bool hasData = b.device.DataLastAddr >= 0;
        fillImage(b);

        // At start-up, with the chip already in the socket.
        ASSERT_TRUE(b.link.findProgrammer());
        b.link.Anfang();
        expectClean(b, "search");

        ASSERT_TRUE(b.burn());
        expectClean(b, "burn");
        ASSERT_TRUE(b.burn());  // every word skipped after two reads
        expectClean(b, "second burn");
        EXPECT_EQ(b.chip->word(15), pattern(15));

        const ChipChoice selected;  // the type set above, checked against the chip
        EXPECT_EQ(pk::verify(b.session, b.imageOptions()).outcome, Outcome::Ok);
        expectClean(b, "compare");

        EXPECT_EQ(pk::read(b.session, selected).outcome, Outcome::Ok);
        expectClean(b, "read");

        EXPECT_EQ(pk::erase(b.session, true, selected).outcome, Outcome::Ok);
        expectClean(b, "erase");

        if (hasData && !is16F7x(b.device.CurrentType)) {
            // Erase without the EEPROM: it keeps its bytes, whatever the chip's erase does.
            ASSERT_TRUE(b.burn());
            EXPECT_EQ(pk::erase(b.session, false, selected).outcome, Outcome::Ok);
            expectClean(b, "erase without EEPROM");
            EXPECT_EQ(b.chip->word(0x2101), 0x41);
        }

        b.chip->setWord(0x2007, 0);  // everything protected
        // "CP entfernen" is "Löschen" on the 16F7x; the command knows.
        EXPECT_EQ(pk::removeProtection(b.session, true, selected).outcome, Outcome::Ok);
        expectClean(b, "protection removal");
        EXPECT_FALSE(b.chip->anyProgramProtected() || b.chip->dataProtected());

        b.report.answer = true;  // the board's VPP for a detection, which some chips do not take
        (void)pk::detect(b.session);
        b.report.answer = false;
        if (b.chip->model().deviceId == 0 && findCircuit(driver, sw)->entryOrders.vppFirst) {
            // The first 16F84 has no ID to find: blank, it reads like an empty
            // socket, and detection tries VPP first too, which it does not take.
            ASSERT_EQ(b.log().violations().size(), 1u) << b.violations();
            EXPECT_NE(b.violations().find("(VPP before VDD)"), std::string::npos);
        } else {
            expectClean(b, "detection");
        }

        const std::uint16_t own = testfacts::ownProgramConfig(b.device.CurrentType);
        if (own == 0) {
            continue;
        }
        // Burnt to run its own program; from then on only the type's entry order
        // reaches it, and only where the circuit can switch VDD.
        b.circuit.log().clear();
        b.image.ConfigWord = own;
        ASSERT_TRUE(b.burn());
        expectClean(b, "burn to run its own program");
        ASSERT_TRUE(sameConfig(b.device.CurrentType, b.chip->word(0x2007), own));
        if (!c.entryOrders.vppFirst) {
            EXPECT_EQ(pk::verify(b.session, b.imageOptions()).outcome, Outcome::NoChip);
            EXPECT_NE(b.violations().find("no programming mode"), std::string::npos);
            continue;
        }
        ASSERT_TRUE(b.burn());
        expectClean(b, "burn again, running its own program");
        EXPECT_EQ(pk::verify(b.session, b.imageOptions()).outcome, Outcome::Ok);
        EXPECT_EQ(pk::read(b.session, selected).outcome, Outcome::Ok);
        EXPECT_EQ(pk::detect(b.session, true).found.type, b.device.CurrentType);
        b.device.ProgLastAddr = std::min(b.device.ProgLastAddr, 0x7F);
        EXPECT_EQ(pk::erase(b.session, true, selected).outcome, Outcome::Ok);
        expectClean(b, "compare, read, detect, erase, running its own program");
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllModels, CleanSequences,
    ::testing::Combine(
        ::testing::Values("16F84", "16F84A", "16F870", "16F871", "16F872", "16F873", "16F874",
                          "16F876", "16F877", "16F73", "16F74", "16F76", "16F77", "16F627",
                          "16F628", "16F627A", "16F628A", "16F648A", "16F873A", "16F877A", "16F87",
                          "16F88", "16F818", "16F819", "12F629", "12F675", "16F630", "16F676"),
        ::testing::Bool(), ::testing::Values(TimingMode::Classic, TimingMode::DataSheet)));

// A word that differs from the file by one bit must never be skipped because one
// read of it came back with that bit flipped. One flip per burn, at every
// position in turn: the burn either fails or leaves every word as the file says.
TEST(WriteProgram, AFlakyReadNeverSkipsADifferingWord) {
    constexpr int kPeriod = 200;  // longer than all bits the chip drives in this burn
    for (int seed = 0; seed < kPeriod; ++seed) {
        SCOPED_TRACE(seed);
        Bench b("16F877");
        for (int a = 0; a < 4; ++a) {
            b.image.HexWords[a] = pattern(a);
            // Even words already hold the file's word, odd ones are one bit off.
            b.chip->setWord(
                a, a % 2 == 0 ? pattern(a) : static_cast<std::uint16_t>(pattern(a) ^ (1 << a)));
        }
        b.chip->setFlaky(kPeriod, static_cast<unsigned>(seed));
        b.bracket([&] { b.ops.WriteProgram(); });
        if (b.errors.ProgramErrorCount == 0) {
            for (int a = 0; a < 4; ++a) {
                ASSERT_EQ(b.chip->word(a), pattern(a)) << "word " << a << " skipped unwritten";
            }
        }
    }
}

}  // namespace
}  // namespace pk::burntest

namespace pk::burntest {
namespace {

// Every wait of the data-sheet timing has a margin that is real: the same
// sequences with any one cycle wait 10 % short must leave a violation. A clock
// that shortens the n-th sleep, for n over every sleep of a burn and an erase.
class ShortWaitClock : public VirtualClock {
  public:
    int shorten = -1;  // which sleepFor to cut; -1: none
    int count = 0;
    void sleepFor(std::chrono::nanoseconds d) override {
        VirtualClock::sleepFor(count++ == shorten ? d * 9 / 10 : d);
    }
};

struct ShortWaitBench {
    explicit ShortWaitBench(const char* name) {
        circuit.setAccessCost(std::chrono::nanoseconds(0));
        settings.Timing = TimingMode::DataSheet;
        chip = circuit.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(name)));
        const std::int32_t type = typeOf(name);
        device.CurrentType = type;
        device.ProgLastAddr = 0x1F;
        device.DataLastAddr = std::min(deviceInfo(type)->dataLastAddr, 3);
        for (int a = 0; a < 0x20; ++a) {
            image.HexWords[static_cast<std::size_t>(a)] = static_cast<std::uint16_t>(a * 29 + 3);
        }
        for (int n = 0; n <= device.DataLastAddr; ++n) {
            image.HexWords[static_cast<std::size_t>(0x2100 + n)] = static_cast<std::uint16_t>(n);
        }
        image.HexLoaded = true;
        link.Anfang();
    }
    void run() {
        BurnOptions o;
        o.configWord = plainConfig(device.CurrentType);
        o.ids = std::array<std::int32_t, 4>{1, 2, 3, 4};
        (void)pk::burn(session, o);
        (void)pk::erase(session, true);
    }

    ShortWaitClock clock;
    sim::SimCircuit circuit{clock, {1, 1}, 1};
    ScriptedDialog dialog;
    ProgrammerSettings settings;
    std::int32_t portBase = kLpt1;
    ProgrammerLink link{circuit, clock, dialog, settings, portBase};
    MemoryImage image;
    DeviceState device;
    ErrorCounters errors;
    RecordingReporter report;
    ChipSession session{link, clock, image, device, settings, errors, report};
    sim::SimChip* chip = nullptr;
};

TEST(DataSheetTiming, AnyCycleWaitTenPercentShortIsAViolation) {
    for (const char* name : {"16F84A", "16F877", "16F77", "16F628"}) {
        ShortWaitBench whole(name);
        whole.run();
        ASSERT_TRUE(whole.circuit.log().violations().empty())
            << name << "\n"
            << whole.circuit.log().violationText();
        ASSERT_GT(whole.clock.count, 3) << name;
        // The sleeps of programming mode (voltages) are whole milliseconds; the
        // chip's cycles are all that sleepFor is used for.
        for (int n = 0; n < whole.clock.count; ++n) {
            ShortWaitBench b(name);
            b.clock.shorten = n;
            b.run();
            EXPECT_FALSE(b.circuit.log().violations().empty())
                << name << ": cycle wait " << n << " of " << whole.clock.count;
        }
    }
}

}  // namespace
}  // namespace pk::burntest
