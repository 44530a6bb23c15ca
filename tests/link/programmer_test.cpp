#include "link/programmer.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "link/range_error.h"
#include "support/fake_port.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

using namespace std::chrono_literals;

// A port whose status bit 6 follows D0 of its data register, as the circuit's
// loop-back does with an empty socket. `inverted` models a mismatched variant.
class LoopbackPort : public FakePort {
  public:
    explicit LoopbackPort(int base, bool inverted = false) : base_(base), inverted_(inverted) {}
    void write(int port, std::uint8_t value) override {
        if (port == base_) {
            set(base_ + 1, (((value & kD0) != 0) != inverted_) ? 0x40 : 0x00);
        }
        FakePort::write(port, value);
    }

  private:
    int base_;
    bool inverted_;
};

struct Rig {
    // Without a switch: "pnp / pnp+7407", or with the AN589 driver its own switch.
    explicit Rig(int driver = 1, int sw = -1, PortIo* p = nullptr)
        : port(p != nullptr ? *p : own), link(port, clock, dialog, settings, base) {
        settings.DriverIndex = driver;
        settings.SwitchIndex = sw >= 0 ? sw : driver == 2 ? 3 : 1;
    }
    FakePort own;
    PortIo& port;
    VirtualClock clock;
    ScriptedDialog dialog;
    ProgrammerSettings settings;
    std::int32_t base = kLpt1;
    ProgrammerLink link;

    FakePort& fake() { return static_cast<FakePort&>(port); }
    std::vector<std::uint8_t> dataWrites() {
        std::vector<std::uint8_t> out;
        for (const auto& a : fake().log()) {
            if (a.isWrite && a.port == base) {
                out.push_back(a.value);
            }
        }
        return out;
    }
};

// Replays data-register writes as the chip sees them: a bit is latched at
// each falling clock edge, with the polarities of the driver variant.
std::vector<int> bitsOnWire(const std::vector<std::uint8_t>& writes, int driver,
                            std::uint8_t start) {
    const bool inv = driver < 1;
    auto clockHigh = [&](std::uint8_t v) { return ((v & kD1) != 0) != inv; };
    auto dataHigh = [&](std::uint8_t v) { return ((v & kD0) != 0) != inv; };
    std::vector<int> bits;
    std::uint8_t prev = start;
    for (std::uint8_t v : writes) {
        if (clockHigh(prev) && !clockHigh(v)) {
            bits.push_back(dataHigh(v) ? 1 : 0);
        }
        prev = v;
    }
    return bits;
}

// ---- Line bus ----

TEST(LineBus, ATermIsOneReadModifyWriteAtPortBaseAndAnEmptyTermTouchesNothing) {
    Rig r(1, 2);
    r.base = kLpt2;
    r.fake().set(kLpt2, 0xA5);
    r.link.bus().change(LineTerm{0x81, 0x12});
    ASSERT_EQ(r.fake().log().size(), 2u);
    EXPECT_FALSE(r.fake().log()[0].isWrite);
    EXPECT_EQ(r.fake().log()[0].port, kLpt2);
    EXPECT_TRUE(r.fake().log()[1].isWrite);
    EXPECT_EQ(r.fake().log()[1].port, kLpt2);
    EXPECT_EQ(r.fake().log()[1].value, 0x36) << "(0xA5 & ~0x81) | 0x12";

    r.fake().clearLog();
    r.link.bus().change(LineTerm{});
    r.link.bus().change(VoltageStep{});
    EXPECT_TRUE(r.fake().log().empty());
    EXPECT_TRUE(r.dialog.entries().empty());

    // A voltage step: its bits first, then its prompt.
    r.link.bus().change(VoltageStep{{0, 0x08}, kManualVppOn});
    EXPECT_EQ(r.dataWrites(), (std::vector<std::uint8_t>{0x3E}));
    ASSERT_EQ(r.dialog.entries().size(), 1u);
    EXPECT_EQ(r.dialog.entries()[0].kind, ScriptedDialog::Kind::ManualSwitch);
    EXPECT_EQ(r.dialog.entries()[0].text, kManualVppOn);

    // Sampling reads the status register once, with the row's polarity.
    for (int driver : {0, 1, 2}) {
        Rig s(driver);
        s.fake().set(s.base + 1, 0x40);
        EXPECT_EQ(s.link.bus().sampleBit(), driver != 0) << driver;
        EXPECT_EQ(s.fake().log().size(), 1u);
    }
}

// The data-sheet timing drives the line states of the classic one, without
// asking the data register before each change (once per entry only), without
// the writes that move no line, and with the data bit in the write that raises
// the clock; its voltage pauses are 10 ms each.
TEST(LineBus, DataSheetTimingWritesTheClassicLineStatesInFewerWritesWithoutReadingBack) {
    const auto run = [](TimingMode timing, Rig& r) {
        r.settings.Timing = timing;
        r.fake().set(r.base, 0x40);  // an unused bit the terms must keep
        r.link.StartProgmode();
        r.link.Kommando(0x2A);
        r.link.WrDaten(0x1234);
        r.link.EndProgmode();
        r.link.StartProgmode();
        r.link.Kommando(0x06);
        r.link.EndProgmode();
    };
    for (int driver : {0, 1, 2}) {
        SCOPED_TRACE(driver);
        Rig classic(driver);
        run(TimingMode::Classic, classic);
        Rig sheet(driver);
        run(TimingMode::DataSheet, sheet);

        // The classic writes that move a line; where the clock rises and the
        // next write moves the data line alone, the two are one.
        const auto clockUp = [&](std::uint8_t v) { return ((v & kD1) != 0) != (driver < 1); };
        const std::vector<std::uint8_t> w = classic.dataWrites();
        std::vector<std::uint8_t> moved;
        std::uint8_t last = 0x40;
        for (std::size_t i = 0; i < w.size(); ++i) {
            const bool rises = clockUp(w[i]) && !clockUp(last);
            const bool dataNext = i + 1 < w.size() && (w[i + 1] ^ w[i]) == kD0;
            if (w[i] != last && !(rises && dataNext)) {
                moved.push_back(w[i]);
            }
            last = w[i];
        }
        EXPECT_EQ(sheet.dataWrites(), moved);
        EXPECT_EQ(bitsOnWire(sheet.dataWrites(), driver, 0x40),
                  bitsOnWire(classic.dataWrites(), driver, 0x40));
        int dataReads = 0;
        for (const auto& a : sheet.fake().log()) {
            dataReads += !a.isWrite && a.port == sheet.base ? 1 : 0;
        }
        EXPECT_EQ(dataReads, 2) << "one read at each entry";
        // The last pause after VDD off is owed to an entry that does not come.
        EXPECT_EQ(sheet.clock.slept(),
                  2 * ProgrammingMode::pauses(true).bracket() - std::chrono::milliseconds(10));
        EXPECT_EQ(classic.clock.slept(), 2 * ProgrammingMode::pauses(false).bracket());
    }
}

// A chip whose data sheet asks VDD off first at exit gets it wherever the
// circuit can switch VDD alone; every other chip, and every circuit that
// cannot, sees VPP go first.
TEST(ProgrammingMode, ExitTurnsVddOffFirstOnlyWhereAskedAndSwitchable) {
    int vddFirstExits = 0;
    for (auto [driver, sw] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 2}, {2, 3}}) {
        for (const bool asked : {false, true}) {
            Rig r(driver, sw);
            const Circuit& c = r.link.bus().circuit();
            r.link.StartProgmode(EntryOrder::VddFirst, asked);
            const std::size_t entered = r.fake().log().size();
            r.link.EndProgmode();
            int vddOffAt = -1;
            int vppOffAt = -1;
            int n = 0;
            for (std::size_t i = entered; i < r.fake().log().size(); ++i) {
                const auto& a = r.fake().log()[i];
                if (!a.isWrite || a.port != r.base) {
                    continue;
                }
                ++n;
                if (vddOffAt < 0 && !vddOn(c, a.value)) {
                    vddOffAt = n;
                }
                if (vppOffAt < 0 && vppOn(c, a.value) == false) {
                    vppOffAt = n;
                }
            }
            SCOPED_TRACE(std::to_string(driver) + "/" + std::to_string(sw));
            if (asked && c.entryOrders.vppFirst) {
                EXPECT_LT(vddOffAt, vppOffAt);
                ++vddFirstExits;
            } else if (vddOffAt > 0 && vppOffAt > 0) {
                EXPECT_LT(vppOffAt, vddOffAt);
            }
        }
    }
    EXPECT_GT(vddFirstExits, 1);
}

// The data-sheet pause after VDD off is waited at the next entry, as far as it
// has not passed by then: the chip still gets its 10 ms without supply.
TEST(ProgrammingMode, DataSheetEntryWaitsOnlyWhatIsLeftOfThePauseAfterVddOff) {
    using namespace std::chrono_literals;
    for (auto [between, owed] : {std::pair{0ms, 10ms}, {4ms, 6ms}, {10ms, 0ms}, {60ms, 0ms}}) {
        Rig r;
        r.settings.Timing = TimingMode::DataSheet;
        r.link.StartProgmode();
        r.link.EndProgmode();
        r.clock.advance(between);
        const auto before = r.clock.slept();
        r.link.StartProgmode();
        EXPECT_EQ(r.clock.slept() - before, owed + 20ms) << between.count();
        r.link.EndProgmode();
    }
}

TEST(LineBus, SettingsWithoutAUsableCircuitMoveNoLine) {
    for (auto [driver, sw] : {std::pair{2, 0}, {2, 1}, {7, 1}, {1, 9}, {-1, 2}}) {
        Rig r(driver, sw);
        r.link.Anfang();
        r.link.StartProgmode();
        r.link.Kommando(6);
        r.link.EndProgmode();
        r.link.safeIdle();
        for (const auto& a : r.fake().log()) {
            EXPECT_FALSE(a.isWrite) << driver << " " << sw;
        }
        EXPECT_TRUE(r.dialog.entries().empty());
    }
}

TEST(LineMap, IdleOfTheAn589CircuitAndOfThe7406) {
    Rig fa(2, 3);
    fa.fake().set(fa.base, 0x2B);
    fa.link.Anfang();
    const std::uint8_t v = fa.dataWrites().back();
    EXPECT_EQ(v & (kD2 | kD3 | kD4 | kD5), kD2 | kD4);
    EXPECT_EQ(fa.dataWrites().size(), 2u) << "lines and switch are two separate writes";

    Rig inv(0, 0);
    inv.fake().set(inv.base, 0x0C);
    inv.link.Anfang();
    EXPECT_EQ(inv.dataWrites(), (std::vector<std::uint8_t>{0x0F, 0x03}));
}

// ---- Port access and range errors ----

TEST(PortAccess, NegativePortIsARangeErrorWithoutTouchingThePort) {
    Rig r;
    EXPECT_THROW(r.link.ReadPort(-1), RangeError);
    EXPECT_THROW(r.link.WritePort(-1, 0), RangeError);
    EXPECT_TRUE(r.fake().log().empty());
    try {
        r.link.ReadPort(-5);
    } catch (const RangeError& e) {
        EXPECT_STREQ(e.what(), "Range check error");
    }
}

TEST(PortAccess, WordAbove7FFFIsARangeErrorBeforeAnyBit) {
    for (int driver : {0, 1}) {
        Rig r(driver);
        EXPECT_THROW(r.link.WrDaten(0x8000), RangeError);
        EXPECT_TRUE(r.fake().log().empty());
    }
    // The AN589 circuit has taken the lines before the word is checked.
    Rig fa(2, 3);
    fa.fake().set(fa.base, 0xFF);
    EXPECT_THROW(fa.link.WrDaten(0xFFFF), RangeError);
    EXPECT_EQ(fa.dataWrites(), (std::vector<std::uint8_t>{0xDB}));
    EXPECT_EQ(fa.clock.busyWaited(), 0ns);
}

// ---- Serial frames ----

TEST(Frames, CommandUsesOnlyItsLowSixBitsLsbFirst) {
    for (int driver : {0, 1, 2}) {
        Rig a(driver), b(driver);
        a.fake().set(a.base, 0x00);
        b.fake().set(b.base, 0x00);
        a.link.Kommando(0x46);
        b.link.Kommando(6);
        EXPECT_EQ(a.dataWrites(), b.dataWrites()) << driver;
        EXPECT_EQ(bitsOnWire(a.dataWrites(), driver, 0x00), (std::vector<int>{0, 1, 1, 0, 0, 0}))
            << driver;
    }
}

TEST(Frames, DataFrameHasStartAndStopBitsSetAndEndsWithClockLow) {
    for (int driver : {0, 1, 2}) {
        SCOPED_TRACE(driver);
        const std::uint8_t idle = driver == 0 ? 0x03 : 0x00;
        Rig ones(driver);
        ones.fake().set(ones.base, idle);
        ones.link.WrDaten(0x3FFF);
        EXPECT_EQ(bitsOnWire(ones.dataWrites(), driver, idle), std::vector<int>(16, 1));

        Rig zeros(driver);
        zeros.fake().set(zeros.base, idle);
        zeros.link.WrDaten(0);
        std::vector<int> want(16, 0);
        want.front() = want.back() = 1;
        EXPECT_EQ(bitsOnWire(zeros.dataWrites(), driver, idle), want);

        Rig word(driver);
        word.fake().set(word.base, idle);
        word.link.WrDaten(0x2A5C);
        const auto bits = bitsOnWire(word.dataWrites(), driver, idle);
        ASSERT_EQ(bits.size(), 16u);
        unsigned got = 0;
        for (int k = 1; k <= 14; ++k) {
            got |= static_cast<unsigned>(bits[k]) << (k - 1);
        }
        EXPECT_EQ(got, 0x2A5Cu);

        const bool clockHigh = ((word.dataWrites().back() & kD1) != 0) != (driver < 1);
        EXPECT_FALSE(clockHigh);
        // Three line changes per bit, each its own write (plus the AN589 take).
        EXPECT_EQ(word.dataWrites().size(), 48u + (driver == 2 ? 1 : 0));
        // Three waits per bit with the inverting driver, four with the others.
        EXPECT_EQ(word.clock.busyWaited(), 16 * (driver == 0 ? 3 : 4) * word.link.delayLength());
    }
}

TEST(Frames, ReadGivesAllOnesOrAllZerosAndReadsStatusTwicePerBit) {
    for (int driver : {0, 1, 2}) {
        SCOPED_TRACE(driver);
        const std::uint8_t one = driver == 0 ? 0x00 : 0x40;
        Rig r(driver);
        r.fake().set(r.base, 0x00);
        r.fake().set(r.base + 1, one);
        EXPECT_EQ(r.link.RdDaten(), 0x3FFF);
        int statusReads = 0;
        for (const auto& a : r.fake().log()) {
            statusReads += (!a.isWrite && a.port == r.base + 1) ? 1 : 0;
        }
        EXPECT_EQ(statusReads, 32);

        Rig z(driver);
        z.fake().set(z.base, 0x00);
        z.fake().set(z.base + 1, static_cast<std::uint8_t>(one ^ 0x40 ^ 0xBF));
        EXPECT_EQ(z.link.RdDaten(), 0);
    }
}

// A status port that plays out one frame bit per clock rise.
class FramePort : public FakePort {
  public:
    FramePort(int base, std::uint16_t frame, bool inverted)
        : base_(base), frame_(frame), inv_(inverted) {}
    void write(int port, std::uint8_t v) override {
        if (port == base_) {
            const bool high = ((v & kD1) != 0) != inv_;
            if (high && !clockHigh_) {
                const bool bit = (frame_ >> k_++) & 1;
                set(base_ + 1, (bit != inv_) ? 0x40 : 0x00);
            }
            clockHigh_ = high;
        }
        FakePort::write(port, v);
    }

  private:
    int base_;
    std::uint16_t frame_;
    bool inv_;
    bool clockHigh_ = false;
    int k_ = 0;
};

TEST(Frames, ReadReturnsTheWordBetweenStartAndStopBitForEveryDriver) {
    for (int driver : {0, 1, 2}) {
        FramePort port(kLpt1, static_cast<std::uint16_t>((0x1234 << 1) | 0x8001), driver == 0);
        Rig r(driver, -1, &port);
        port.set(kLpt1, driver == 0 ? 0x03 : 0x00);
        EXPECT_EQ(r.link.RdDaten(), 0x1234) << driver;
    }
}

// ---- Timing ----

TEST(Timing, DelayScalesWithDelayCountAndIsNeverShort) {
    Rig r;
    r.settings.DelayCount = 100;
    EXPECT_EQ(r.link.delayLength(), 39997ns) << "400 ms / 10001 calls, rounded up";
    r.settings.DelayCount = 201;
    EXPECT_GE(r.link.delayLength().count() * 10001 * 101, 202LL * 400'000'000);
    r.settings.DelayCount = 0;
    EXPECT_EQ(r.link.delayLength(), 397ns) << "one unit still waits";
    r.link.Delay();
    EXPECT_EQ(r.clock.busyWaited(), 397ns);
    r.settings.DelayCount = -5;
    r.link.Delay();
    EXPECT_EQ(r.clock.busyWaited(), 397ns) << "a negative count waits not at all";
    EXPECT_TRUE(r.fake().log().empty());
}

// A clock whose time of day is scripted, for the measurement.
class ScriptedTimeClock : public VirtualClock {
  public:
    explicit ScriptedTimeClock(std::deque<std::int64_t> times) : times_(std::move(times)) {}
    std::int64_t timeOfDayMs() const override {
        auto v = times_.front();
        times_.pop_front();
        return v;
    }

  private:
    mutable std::deque<std::int64_t> times_;
};

std::int32_t measure(std::int64_t t1, std::int64_t t2, std::int32_t before = 77) {
    ScriptedTimeClock clock({t1, t2});
    FakePort port;
    ScriptedDialog dialog;
    ProgrammerSettings s;
    s.DelayCount = before;
    std::int32_t base = kLpt1;
    ProgrammerLink link(port, clock, dialog, s, base);
    link.Bremse();
    EXPECT_EQ(clock.busyWaited(), 10001 * 39997ns) << "10001 delays at the reference count";
    return s.DelayCount;
}

TEST(Timing, BremseMeasuresSecondsAndMillisecondsWithOneMinuteWrap) {
    const std::int64_t noon = 12 * 3600 * 1000;
    EXPECT_EQ(measure(noon, noon + 400), 100);
    EXPECT_EQ(measure(noon, noon + 200), 200) << "twice as fast machine";
    EXPECT_EQ(measure(noon, noon + 800), 50);
    EXPECT_EQ(measure(noon + 59'900, noon + 60'300), 100) << "across a change of the minute";
    EXPECT_EQ(measure(noon + 3'599'900, noon + 3'600'300), 100) << "and of the hour";
    EXPECT_EQ(measure(noon, noon + 640), 62) << "62.5 rounds to even";
    EXPECT_EQ(measure(noon, noon + 16000), 2) << "2.5 rounds to even";
    EXPECT_EQ(measure(noon, noon + 1), 40000);
    // Nothing to scale by: the reference count stays.
    EXPECT_EQ(measure(noon + 5'000, noon + 5'000), 100);
    EXPECT_EQ(measure(noon + 5'000, noon + 65'000), 100) << "a whole minute looks like 0 ms";
    EXPECT_EQ(measure(noon + 5'900, noon + 5'500), 100) << "clock stepped back";
}

TEST(Timing, BremseOnTheVirtualClockKeepsTheReferenceCount) {
    Rig r;
    r.settings.DelayCount = 3;
    r.link.Bremse();
    EXPECT_EQ(r.settings.DelayCount, 100);
}

// ---- Programming mode ----

// Records prompts together with how long the thread had slept by then.
class TimedDialog : public ScriptedDialog {
  public:
    explicit TimedDialog(const VirtualClock& c) : clock_(c) {}
    void manualSwitch(const std::string& text) override {
        ScriptedDialog::manualSwitch(text);
        at.push_back(clock_.slept());
    }
    std::vector<std::chrono::nanoseconds> at;

  private:
    const VirtualClock& clock_;
};

TEST(Progmode, VddBeforeVppOnEntryAndVppOffBeforeVddOnExit) {
    struct Case {
        int driver, sw;
        std::uint8_t start;
        std::vector<std::uint8_t> entry, exit;
    };
    const std::vector<Case> cases = {
        // 7406 + 4066: data/clock set (low), D2 = VDD on, D3 = VPP on.
        {0, 0, 0x00, {0x03, 0x07, 0x0F}, {0x07, 0x03}},
        // 7407 + pnp: switches active low.
        {1, 1, 0x0C, {0x0C, 0x08, 0x00}, {0x08, 0x0C}},
        // AN589: entry clears D0, D1, D2, D5; VDD "on" parks D4; VPP on is D3.
        {2, 3, 0x37, {0x10, 0x10, 0x08}, {0x10, 0x34}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        Rig r(c.driver, c.sw);
        r.fake().set(r.base, c.start);
        r.link.StartProgmode();
        EXPECT_EQ(r.dataWrites(), c.entry);
        EXPECT_EQ(r.clock.slept(), 250ms);
        EXPECT_EQ(r.clock.sleepCount(), 2);
        r.fake().clearLog();
        r.link.EndProgmode();
        EXPECT_EQ(r.dataWrites(), c.exit);
        EXPECT_EQ(r.clock.slept(), 500ms);
        EXPECT_TRUE(r.dialog.entries().empty());
    }
}

TEST(Progmode, HandSwitchIsPromptedAtTheRightMoments) {
    VirtualClock clock;
    TimedDialog dialog(clock);
    FakePort port;
    ProgrammerSettings s;
    s.DriverIndex = 1;
    s.SwitchIndex = 2;
    std::int32_t base = kLpt1;
    ProgrammerLink link(port, clock, dialog, s, base);
    port.set(base, 0x00);
    link.StartProgmode();
    link.EndProgmode();
    link.Anfang();
    ASSERT_EQ(dialog.entries().size(), 3u);
    EXPECT_EQ(dialog.entries()[0].text, "+12V jetzt einschalten");
    EXPECT_EQ(dialog.at[0], 100ms) << "after VDD and its 100 ms, before the 150 ms";
    EXPECT_EQ(dialog.entries()[1].text, "+12V jetzt ausschalten");
    EXPECT_EQ(dialog.at[1], 250ms) << "first thing when leaving programming mode";
    EXPECT_EQ(dialog.entries()[2].text, "12V ausschalten");
    // No switch bits move: only the clock/data step of entry and of idle.
    for (const auto& a : port.log()) {
        if (a.isWrite) {
            EXPECT_EQ(a.value & (kD2 | kD3 | kD4), 0);
        }
    }
}

TEST(Progmode, AnfangDoesNothingWithoutPortAccess) {
    FakePort port(false);
    VirtualClock clock;
    ScriptedDialog dialog;
    ProgrammerSettings s;
    s.SwitchIndex = 2;
    std::int32_t base = kLpt1;
    ProgrammerLink link(port, clock, dialog, s, base);
    link.Anfang();
    link.safeIdle();
    EXPECT_TRUE(port.log().empty());
    EXPECT_TRUE(dialog.entries().empty());
}

TEST(Progmode, SafeIdleSwitchesOffWithoutAsking) {
    Rig r(1, 2);
    r.fake().set(r.base, 0x0F);
    r.link.safeIdle();
    EXPECT_EQ(r.dataWrites(), (std::vector<std::uint8_t>{0x0C}));
    EXPECT_TRUE(r.dialog.entries().empty());
    Rig p(0, 0);
    p.fake().set(p.base, 0x0C);
    p.link.safeIdle();
    p.link.StartProgmode();
    EXPECT_TRUE(p.link.inProgrammingMode());
    p.fake().clearLog();
    p.link.safeIdle();
    // VPP off, VDD off, then the lines and the idle of the switch.
    EXPECT_EQ(p.dataWrites(), (std::vector<std::uint8_t>{0x07, 0x03, 0x03, 0x03}));
    EXPECT_FALSE(p.link.inProgrammingMode());
}

// ---- Search ----

TEST(Search, ExtraBitsOfEveryRow) {
    const std::uint8_t want[3][4] = {{0x08, 0x04, 0, 0}, {0x04, 0x08, 0, 0}, {0, 0, 0, 0x30}};
    for (int d = 0; d < 3; ++d) {
        for (int s = 0; s < 4; ++s) {
            EXPECT_EQ(ProgrammerLink::SearchExtraBits(d, s), want[d][s]) << d << s;
        }
    }
    EXPECT_EQ(ProgrammerLink::SearchExtraBits(3, 0), 0);
    EXPECT_EQ(ProgrammerLink::SearchExtraBits(-1, 2), 0);
    EXPECT_EQ(ProgrammerLink::SearchExtraBits(0, 5), 0) << "no row, though 0 * 4 + 5 is (1, 1)";
}

std::vector<FakePort::Access> writesOnly(const FakePort& p) {
    std::vector<FakePort::Access> out;
    for (const auto& a : p.log()) {
        if (a.isWrite) {
            out.push_back(a);
        }
    }
    return out;
}

TEST(Search, FindsLpt2WithoutTouchingLpt1) {
    LoopbackPort port(kLpt2);
    Rig r(1, 1, &port);
    EXPECT_TRUE(r.link.findProgrammer());
    EXPECT_EQ(r.base, kLpt2);
    for (const auto& a : port.log()) {
        EXPECT_TRUE(a.port == kLpt2 || a.port == kLpt2 + 1) << a.port;
    }
    const auto w = writesOnly(port);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0].value, 0x0A);
    EXPECT_EQ(w[1].value, 0x0B);
    EXPECT_EQ(r.clock.slept(), 200ms);
}

TEST(Search, FindsLpt1AfterTwoPatternsOnLpt2) {
    LoopbackPort port(kLpt1);
    Rig r(2, 3, &port);
    EXPECT_TRUE(r.link.findProgrammer());
    EXPECT_EQ(r.base, kLpt1);
    const auto w = writesOnly(port);
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[0].port, kLpt2);
    EXPECT_EQ(w[0].value, 0x32);
    EXPECT_EQ(w[1].port, kLpt2);
    EXPECT_EQ(w[1].value, 0x33);
    EXPECT_EQ(w[2].port, kLpt1);
    EXPECT_EQ(w[2].value, 0x32);
    EXPECT_EQ(w[3].value, 0x33);
    EXPECT_EQ(r.clock.slept(), 400ms);

    // The data-sheet timing waits for the loop-back what it waits for a voltage step.
    LoopbackPort again(kLpt1);
    Rig d(2, 3, &again);
    d.settings.Timing = TimingMode::DataSheet;
    EXPECT_TRUE(d.link.findProgrammer());
    EXPECT_EQ(d.base, kLpt1);
    EXPECT_EQ(d.clock.slept(), 4 * std::chrono::milliseconds(ProgrammingMode::pauses(true).first));
}

TEST(Search, FailsWhereNothingAnswersAndLeavesLpt1) {
    for (bool inverted : {false, true}) {
        LoopbackPort port(0x3BC, inverted);  // the only circuit is elsewhere
        Rig r(0, 0, &port);
        r.base = 0x1234;
        EXPECT_FALSE(r.link.findProgrammer());
        EXPECT_EQ(r.base, kLpt1);
        const auto w = writesOnly(port);
        ASSERT_EQ(w.size(), 8u);
        EXPECT_EQ(w[7].value, 0x0B) << "last pattern stays on the port";
    }
    // A port whose acknowledge follows D0 inverted fails the search as well.
    LoopbackPort wrong(kLpt1, true);
    Rig r(1, 1, &wrong);
    EXPECT_FALSE(r.link.findProgrammer());
}

// The 7406 variants hold VPP on during the test: the lines go low with both
// voltages off first, then VPP comes on with them still low, then the patterns.
// The others raise no VPP and write the two patterns alone.
TEST(Search, VppComesOnOnlyWithClockAndDataLow) {
    struct Row {
        int driver, sw;
        std::vector<std::uint8_t> writes;
    };
    const Row rows[] = {
        {0, 0, {0x03, 0x0B, 0x0A, 0x0B}},
        {0, 1, {0x0F, 0x07, 0x06, 0x07}},
        {0, 2, {0x02, 0x03}},
        {0, 3, {0x02, 0x03}},
        {1, 0, {0x06, 0x07}},
        {1, 1, {0x0A, 0x0B}},
        {1, 2, {0x02, 0x03}},
        {2, 3, {0x32, 0x33}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.driver) + "," + std::to_string(row.sw));
        LoopbackPort port(kLpt2);
        Rig r(row.driver, row.sw, &port);
        EXPECT_TRUE(r.link.findProgrammer());
        std::vector<std::uint8_t> values;
        for (const auto& a : writesOnly(port)) {
            values.push_back(a.value);
        }
        EXPECT_EQ(values, row.writes);
        EXPECT_EQ(r.clock.slept(), 200ms) << "the preparation costs no sleep";
    }
}

TEST(Search, QuickAndDirtyIsLpt1WithoutAnyAccess) {
    Rig r(1, 2);
    r.settings.QuickAndDirty = true;
    r.base = kLpt2;
    EXPECT_TRUE(r.link.findProgrammer());
    EXPECT_EQ(r.base, kLpt1);
    EXPECT_TRUE(r.fake().log().empty());
    EXPECT_EQ(r.clock.slept(), 0ms);
}

}  // namespace
}  // namespace pk
