// The board on the port: registers, the loop-back test, supply switching,
// line faults and the hand-operated switch.

#include <gtest/gtest.h>

#include "bench_fixture.h"
#include "support/scripted_dialog.h"

namespace pk::sim::test {
namespace {

// Extra data-register bits held during the loop-back test, by driver and switch.
constexpr std::uint8_t kSearchExtra[3][4] = {
    {0x08, 0x04, 0x00, 0x00},
    {0x04, 0x08, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x30},
};

// The program's loop-back test at one port: status bit 6 must follow D0.
bool loopBack(PortIo& port, Clock& clock, int base, std::uint8_t extra) {
    bool failed = false;
    port.write(base, extra | 0x02);
    clock.sleepMs(100);
    if ((port.read(base + 1) & 0x40) != 0) {
        failed = true;
    }
    port.write(base, extra | 0x03);
    clock.sleepMs(100);
    if ((port.read(base + 1) & 0x40) == 0) {
        failed = true;
    }
    return !failed;
}

TEST(SimCircuit, RegistersOfTheAttachedPortOnly) {
    VirtualClock clock;
    SimCircuit lpt2(clock, {1, 1}, 2);
    lpt2.write(0x278, 0x5A);
    EXPECT_EQ(lpt2.read(0x278), 0x5A);
    EXPECT_EQ(lpt2.read(0x279) & ~0x40, SimCircuit::kStatusOtherBits & ~0x40)
        << "fixed pattern in the other status bits";
    EXPECT_NE(lpt2.read(0x279) & ~0x40, 0) << "a pattern that unmasked code notices";
    lpt2.write(0x378, 0x12);
    EXPECT_EQ(lpt2.read(0x378), 0xFF) << "floating bus elsewhere";
    EXPECT_EQ(lpt2.read(0x379), 0xFF);
    EXPECT_EQ(lpt2.read(0x27A), 0xFF);
    EXPECT_EQ(lpt2.read(0x278), 0x5A) << "writes elsewhere are ignored";

    SimCircuit nowhere(clock, {1, 1}, 0);
    nowhere.write(0x378, 0);
    EXPECT_EQ(nowhere.read(0x378), 0xFF);
    EXPECT_EQ(nowhere.read(0x279), 0xFF);
}

TEST(SimCircuit, EveryPortAccessCostsOneMicrosecond) {
    VirtualClock clock;
    SimCircuit c(clock, {1, 1}, 1);
    c.write(0x378, 1);
    c.read(0x379);
    c.read(0x200);
    EXPECT_EQ(clock.monotonic(), std::chrono::microseconds(3));
    EXPECT_EQ(clock.busyWaited().count(), 0) << "not counted as a wait";
}

TEST(SimCircuit, LoopBackPassesAtItsPortOnlyForEveryVariant) {
    for (int driver = 0; driver < 3; ++driver) {
        for (int sw = 0; sw < 4; ++sw) {
            for (int lpt = 1; lpt <= 2; ++lpt) {
                for (bool withChip : {false, true}) {
                    SCOPED_TRACE("driver " + std::to_string(driver) + " switch " +
                                 std::to_string(sw) + " LPT" + std::to_string(lpt) +
                                 (withChip ? " chip" : ""));
                    VirtualClock clock;
                    SimCircuit c(clock, {driver, sw}, lpt);
                    if (withChip) {
                        c.insertChip(std::make_unique<SimChip>(*findChip("16F84A")));
                    }
                    const std::uint8_t extra = kSearchExtra[driver][sw];
                    const int mine = lpt == 1 ? 0x378 : 0x278;
                    const int other = lpt == 1 ? 0x278 : 0x378;
                    EXPECT_FALSE(loopBack(c, clock, other, extra));
                    EXPECT_TRUE(loopBack(c, clock, mine, extra));
                    EXPECT_TRUE(c.log().violations().empty()) << c.log().violationText();
                }
            }
        }
    }
    VirtualClock clock;
    SimCircuit absent(clock, {1, 1}, 0);
    EXPECT_FALSE(loopBack(absent, clock, 0x378, 0x08));
}

TEST(SimCircuit, LoopBackFailsOnAStuckDataLine) {
    VirtualClock clock;
    SimCircuit c(clock, {1, 1}, 1);
    c.setDataStuck(false);
    EXPECT_FALSE(loopBack(c, clock, 0x378, 0x08));
    c.setDataStuck(true);
    EXPECT_FALSE(loopBack(c, clock, 0x378, 0x08));
    c.setDataStuck(std::nullopt);
    EXPECT_TRUE(loopBack(c, clock, 0x378, 0x08));
}

TEST(SimCircuit, LineLevelsFollowTheVariant) {
    VirtualClock clock;
    SimCircuit inv(clock, {0, 0}, 1);
    inv.write(0x378, 0x03);  // 7406: both bits set pull both lines low
    EXPECT_FALSE(inv.clockLine());
    EXPECT_FALSE(inv.dataLine());
    EXPECT_NE(inv.read(0x379) & 0x40, 0) << "inverted read-back";
    inv.write(0x378, 0x0C);
    EXPECT_TRUE(inv.clockLine());
    EXPECT_TRUE(inv.vdd());
    EXPECT_TRUE(inv.vpp());

    SimCircuit pnp(clock, {1, 1}, 1);
    pnp.write(0x378, 0x0C);
    EXPECT_FALSE(pnp.vdd());
    EXPECT_FALSE(pnp.vpp());
    pnp.write(0x378, 0x08);
    EXPECT_TRUE(pnp.vdd());
    EXPECT_FALSE(pnp.vpp());

    SimCircuit fa(clock, {2, 3}, 1);
    fa.write(0x378, 0x14);  // idle: driver disabled, VPP held off by D4
    EXPECT_TRUE(fa.vdd());
    EXPECT_FALSE(fa.vpp());
    EXPECT_TRUE(fa.dataLine()) << "released line is pulled up";
    fa.write(0x378, 0x08);
    EXPECT_TRUE(fa.vpp());
    EXPECT_FALSE(fa.dataLine()) << "enabled driver pushes D0";
    fa.setNoVpp(true);
    EXPECT_FALSE(fa.vpp());

    SimCircuit hand(clock, {1, 2}, 1);
    hand.write(0x378, 0x0C);
    EXPECT_TRUE(hand.vdd());
    EXPECT_FALSE(hand.vpp());
    hand.setManualVpp(true);
    EXPECT_TRUE(hand.vpp());
}

TEST(SimCircuit, HandOperatedSwitchObeysThePrompts) {
    Board b("16F84A", 1, 2);
    b.host.startProgmode();
    EXPECT_TRUE(b.chip->inProgrammingMode());
    b.host.endProgmode();
    EXPECT_FALSE(b.chip->inProgrammingMode());
    ASSERT_EQ(b.recorder.entries().size(), 3u) << "idle prompt, on, off";
    EXPECT_EQ(b.recorder.entries()[1].text, "+12V jetzt einschalten");
    EXPECT_EQ(b.recorder.entries()[1].kind, ScriptedDialog::Kind::ManualSwitch);
    EXPECT_EQ(b.recorder.entries()[2].text, "+12V jetzt ausschalten");
    b.dialog.message("Hallo");
    EXPECT_EQ(b.recorder.messages().back(), "Hallo") << "other questions pass through";
    EXPECT_TRUE(b.log().violations().empty()) << b.violations();
}

TEST(SimCircuit, ContentionBetweenPushPullOutputsIsLogged) {
    // AN589 driver left enabled while the chip answers a read.
    Board b("16F877", 2, 3);
    b.chip->setWord(0, 0x1555);
    b.host.startProgmode();
    b.host.command(4);
    b.host.wait();
    for (int k = 0; k < 16; ++k) {  // never releases: D0 stays 0, D2 stays 0
        b.host.clockHigh();
        b.host.wait();
        b.host.clockLow();
        b.host.wait();
    }
    const std::string v = b.violations();
    EXPECT_NE(v.find("not released"), std::string::npos) << v;
    EXPECT_NE(v.find("contention"), std::string::npos) << v;
}

}  // namespace
}  // namespace pk::sim::test
