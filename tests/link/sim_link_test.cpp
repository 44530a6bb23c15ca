// The programmer link against the simulated board and chip: what works here
// works on the wire, as far as the simulator's violation log can tell.

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

#include "link/programmer.h"
#include "sim/chip.h"
#include "sim/circuit.h"
#include "sim/switch_dialog.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

using namespace std::chrono_literals;

// Program and board set to the same (or a different) variant.
struct SimRig {
    SimRig(int driver, int sw, int lpt, sim::CircuitVariant board)
        : circuit(clock, board, lpt),
          dialog(&prompts, circuit),
          link(circuit, clock, dialog, settings, base) {
        settings.DriverIndex = driver;
        settings.SwitchIndex = sw;
        settings.DelayCount = 100;
    }
    SimRig(int driver, int sw, int lpt = 1) : SimRig(driver, sw, lpt, {driver, sw}) {}

    sim::SimChip* insert(const char* name) {
        return circuit.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(name)));
    }
    std::string violations() const { return circuit.log().violationText(); }

    VirtualClock clock;
    sim::SimCircuit circuit;
    ScriptedDialog prompts;
    sim::SimSwitchDialog dialog;
    ProgrammerSettings settings;
    std::int32_t base = kLpt1;
    ProgrammerLink link;
};

TEST(LinkOnSim, SearchFindsEveryVariantAtLpt1AndLpt2AndFailsWithoutBoard) {
    // Every usable variant; the other combinations are refused before a search.
    for (const Circuit& c : kCircuits) {
        const int driver = static_cast<int>(c.driver);
        const int sw = static_cast<int>(c.voltage);
        SCOPED_TRACE("driver " + std::to_string(driver) + " switch " + std::to_string(sw));
        for (int lpt : {1, 2}) {
            SimRig r(driver, sw, lpt);
            r.base = 0;
            EXPECT_TRUE(r.link.findProgrammer()) << "LPT" << lpt;
            EXPECT_EQ(r.base, lpt == 1 ? kLpt1 : kLpt2);
            r.link.Anfang();
            EXPECT_EQ(r.circuit.vpp(), false);
            EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
        }
        SimRig none(driver, sw, 0);
        EXPECT_FALSE(none.link.findProgrammer());
        EXPECT_EQ(none.base, kLpt1);
    }
}

TEST(LinkOnSim, SearchWritesTheTestPatternsOfTheVariant) {
    SimRig k1(1, 1, 2);
    ASSERT_TRUE(k1.link.findProgrammer());
    EXPECT_EQ(k1.circuit.dataRegister(), 0x0B) << "0x0A, then 0x0B";
    SimRig fa(2, 3, 1);
    ASSERT_TRUE(fa.link.findProgrammer());
    EXPECT_EQ(fa.circuit.dataRegister(), 0x33) << "0x32, then 0x33";
}

TEST(LinkOnSim, AMismatchedVariantIsNotFound) {
    // An AN589 board whose data driver is disabled by the test pattern of a
    // "7407 / 4066" setting: the line floats high and the first half fails.
    SimRig r(1, 0, 1, {2, 3});
    EXPECT_FALSE(r.link.findProgrammer());
    // A 7406 board read with 7407 settings is found (both inversions cancel in
    // the loop-back), but every word comes back inverted.
    SimRig inv(1, 1, 1, {0, 1});
    inv.insert("16F84A")->setWord(0, 0x0123);
    ASSERT_TRUE(inv.link.findProgrammer());
    inv.link.Anfang();
    inv.link.StartProgmode();
    inv.link.Kommando(4);
    EXPECT_NE(inv.link.RdDaten(), 0x0123);
    EXPECT_FALSE(inv.circuit.log().violations().empty());
}

// Reads program word 0 and 1, the device ID and a data byte, writes a word
// and reads it back; the same words must come back with every driver.
struct Words {
    std::uint16_t w0, w1, id, data0, written;
    bool operator==(const Words&) const = default;
};

Words exercise(SimRig& r) {
    Words w{};
    auto& l = r.link;
    l.StartProgmode();
    l.Kommando(4);
    w.w0 = l.RdDaten();
    l.Kommando(6);
    l.Kommando(4);
    w.w1 = l.RdDaten();
    l.Kommando(5);
    w.data0 = l.RdDaten();
    // Load and program word 1, then read it back.
    l.Kommando(2);
    l.WrDaten(0x1234);
    l.Kommando(8);
    r.clock.sleepMs(10);
    l.Kommando(4);
    w.written = l.RdDaten();
    // Device ID at 0x2006.
    l.Kommando(0);
    l.WrDaten(0x3FFF);
    for (int i = 0; i < 6; ++i) {
        l.Kommando(6);
    }
    l.Kommando(4);
    w.id = l.RdDaten();
    l.EndProgmode();
    return w;
}

TEST(LinkOnSim, EveryDriverReadsAndWritesTheSameWordsWithoutViolations) {
    // Every variant the setup dialog offers (AN589 lines only with the AN589 switch).
    const sim::CircuitVariant variants[] = {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {2, 3}};
    for (const auto& v : variants) {
        SCOPED_TRACE("driver " + std::to_string(v.driver) + " switch " + std::to_string(v.sw));
        SimRig r(v.driver, v.sw, 2);
        sim::SimChip* chip = r.insert("16F877");
        chip->setWord(0, 0x2ABC);
        chip->setWord(1, 0x3FFF);
        chip->setWord(0x2101, 0x5A);  // read after one increment
        ASSERT_TRUE(r.link.findProgrammer());
        r.link.Anfang();
        const Words w = exercise(r);
        EXPECT_EQ(w, (Words{0x2ABC, 0x3FFF, chip->word(0x2006), 0x5A, 0x1234}));
        EXPECT_EQ(chip->word(1), 0x1234);
        EXPECT_EQ(r.circuit.log().modeEntries(), 1);
        EXPECT_EQ(r.circuit.log().commandTrace(), "4 6 4 5 2(1234) 8 4 0(3FFF) 6 6 6 6 6 6 4");
        EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
        EXPECT_FALSE(r.circuit.vpp());
        r.link.Anfang();
        r.link.safeIdle();
        EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
    }
}

TEST(LinkOnSim, HandSwitchPromptsDriveTheBoard) {
    SimRig r(1, 2, 1);
    r.insert("16F84A")->setWord(0, 0x0123);
    ASSERT_TRUE(r.link.findProgrammer());
    r.link.Anfang();
    r.link.StartProgmode();
    EXPECT_TRUE(r.circuit.vpp());
    r.link.Kommando(4);
    EXPECT_EQ(r.link.RdDaten(), 0x0123);
    r.link.EndProgmode();
    EXPECT_FALSE(r.circuit.vpp());
    std::vector<std::string> texts;
    for (const auto& e : r.prompts.entries()) {
        texts.push_back(e.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"12V ausschalten", "+12V jetzt einschalten",
                                               "+12V jetzt ausschalten"}));
    EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
}

// Watches the supplies at the socket after every write.
class SupplyWatch : public PortIo {
  public:
    SupplyWatch(sim::SimCircuit& c, Clock& clock) : c_(c), clock_(clock) {}
    void write(int port, std::uint8_t v) override {
        c_.write(port, v);
        const std::pair<bool, bool> now{c_.vdd(), c_.vpp()};
        if (changes.empty() || changes.back().second != now) {
            changes.emplace_back(clock_.monotonic(), now);
        }
    }
    std::uint8_t read(int port) override { return c_.read(port); }
    bool available() const override { return true; }
    std::vector<std::pair<std::chrono::nanoseconds, std::pair<bool, bool>>> changes;

  private:
    sim::SimCircuit& c_;
    Clock& clock_;
};

TEST(LinkOnSim, VddComesBeforeVppAndVppGoesFirst) {
    for (const sim::CircuitVariant v : {sim::CircuitVariant{0, 0}, sim::CircuitVariant{1, 1}}) {
        VirtualClock clock;
        sim::SimCircuit board(clock, v, 1);
        board.insertChip(std::make_unique<sim::SimChip>(*sim::findChip("16F628")));
        SupplyWatch watch(board, clock);
        ScriptedDialog dialog;
        ProgrammerSettings s;
        s.DriverIndex = v.driver;
        s.SwitchIndex = v.sw;
        std::int32_t base = kLpt1;
        ProgrammerLink link(watch, clock, dialog, s, base);
        link.Anfang();
        ASSERT_FALSE(board.vdd());
        watch.changes.assign(1, {clock.monotonic(), {false, false}});
        link.StartProgmode();
        link.Kommando(4);
        (void)link.RdDaten();
        link.EndProgmode();
        // VDD -> VDD+VPP -> VDD -> off, each step at least 100 ms apart.
        using P = std::pair<bool, bool>;
        ASSERT_EQ(watch.changes.size(), 5u);
        EXPECT_EQ(watch.changes[1].second, P(true, false));
        EXPECT_EQ(watch.changes[2].second, P(true, true));
        EXPECT_EQ(watch.changes[3].second, P(true, false));
        EXPECT_EQ(watch.changes[4].second, P(false, false));
        EXPECT_GE(watch.changes[2].first - watch.changes[1].first, 100ms);
        EXPECT_GE(watch.changes[4].first - watch.changes[3].first, 100ms);
        EXPECT_TRUE(board.log().violations().empty()) << board.log().violationText();
    }
}

// A chip left in the socket through the search, then brackets one after the
// other in each order the circuit can do: the supplies never come on with clock
// or data high, and the read bits are sampled no sooner than the chip drives
// them, in both timings, with port accesses that take no time at all.
TEST(LinkOnSim, AChipInTheSocketSeesEveryEntryWithTheLinesLow) {
    for (const Circuit& c : kCircuits) {
        for (const TimingMode timing : {TimingMode::Classic, TimingMode::DataSheet}) {
            const int driver = static_cast<int>(c.driver);
            const int sw = static_cast<int>(c.voltage);
            for (const char* name : {"16F628A", "16F74"}) {
                SCOPED_TRACE(std::string(name) + " driver " + std::to_string(driver) + " switch " +
                             std::to_string(sw) +
                             (timing == TimingMode::DataSheet ? " data sheet" : " classic"));
                SimRig r(driver, sw, 1);
                r.settings.Timing = timing;
                r.circuit.setAccessCost(0ns);
                sim::SimChip* chip = r.insert(name);
                chip->setWord(0, 0x2A55);
                ASSERT_TRUE(r.link.findProgrammer());
                r.link.Anfang();
                for (const EntryOrder order :
                     {EntryOrder::VppFirst, EntryOrder::VddFirst, EntryOrder::VppFirst}) {
                    // A chip that asks VDD first is never entered VPP first.
                    const EntryOrder used = chip->name() == "16F74" ? EntryOrder::VddFirst : order;
                    r.link.StartProgmode(used);
                    r.link.Kommando(4);
                    EXPECT_EQ(r.link.RdDaten(), 0x2A55);
                    r.link.EndProgmode();
                }
                EXPECT_EQ(r.circuit.log().modeEntries(), 3);
                EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
            }
        }
    }
}

// Loads and reads in the data-sheet timing on every circuit, with port accesses
// that take no time: the frames alone keep the chips' setup, hold and
// data-valid times, and every word arrives.
TEST(LinkOnSim, DataSheetFramesKeepTheChipsTimesWithPortAccessesThatTakeNoTime) {
    constexpr std::uint16_t kWords[] = {0x1234, 0x3FFF, 0x0000, 0x2AAA, 0x1555};
    for (const Circuit& c : kCircuits) {
        const int driver = static_cast<int>(c.driver);
        const int sw = static_cast<int>(c.voltage);
        for (const char* name : {"16F877", "16F74", "16F628"}) {
            SCOPED_TRACE(std::string(name) + " driver " + std::to_string(driver) + " switch " +
                         std::to_string(sw));
            SimRig r(driver, sw, 1);
            r.settings.Timing = TimingMode::DataSheet;
            r.circuit.setAccessCost(0ns);
            sim::SimChip* chip = r.insert(name);
            std::string want;
            for (int a = 0; a < static_cast<int>(std::size(kWords)); ++a) {
                const auto word = kWords[a];
                chip->setWord(a, static_cast<std::uint16_t>(word ^ 0x3FFF));
                char load[16];
                std::snprintf(load, sizeof load, "2(%04X) 4 6 ", static_cast<unsigned>(word));
                want += load;
            }
            ASSERT_TRUE(r.link.findProgrammer());
            r.link.Anfang();
            r.circuit.log().clear();
            r.link.StartProgmode();
            for (int a = 0; a < static_cast<int>(std::size(kWords)); ++a) {
                r.link.Kommando(2);
                r.link.WrDaten(kWords[a]);
                r.link.Kommando(4);
                EXPECT_EQ(r.link.RdDaten(), kWords[a] ^ 0x3FFF) << a;
                r.link.Kommando(6);
            }
            r.link.EndProgmode();
            want.pop_back();
            EXPECT_EQ(r.circuit.log().commandTrace(), want);
            EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
        }
    }
}

TEST(LinkOnSim, MeasuredDelayKeepsTheReferenceCount) {
    SimRig r(1, 1);
    r.settings.DelayCount = 7;
    r.link.Bremse();
    EXPECT_EQ(r.settings.DelayCount, 100);
    EXPECT_TRUE(r.circuit.log().violations().empty());
}

}  // namespace
}  // namespace pk
