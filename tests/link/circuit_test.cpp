// The circuit table checked as a whole: what must hold for every row, and
// that the simulated board (built independently from the hardware) agrees.

#include "link/circuit.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/circuit.h"

namespace pk {
namespace {

std::string name(const Circuit& c) {
    return "driver " + std::to_string(static_cast<int>(c.driver)) + " switch " +
           std::to_string(static_cast<int>(c.voltage));
}

bool switchesVdd(const Circuit& c) {
    return !c.vddOff.term.empty();
}

TEST(CircuitTable, OnlyTheAn589DriverWithSwitch0Or1HasNoRowAndIsRefused) {
    for (int d = -1; d <= kDriverCount; ++d) {
        for (int s = -1; s <= kSwitchCount; ++s) {
            SCOPED_TRACE("driver " + std::to_string(d) + " switch " + std::to_string(s));
            const bool inRange = d >= 0 && d < kDriverCount && s >= 0 && s < kSwitchCount;
            const bool usable = inRange && !(d == 2 && s < 2);
            const Circuit* c = findCircuit(d, s);
            ASSERT_EQ(c != nullptr, usable);
            const auto why = circuitRefusal(d, s);
            EXPECT_EQ(why.has_value(), !usable);
            if (c != nullptr) {
                EXPECT_EQ(static_cast<int>(c->driver), d);
                EXPECT_EQ(static_cast<int>(c->voltage), s);
            } else if (inRange) {
                EXPECT_NE(why->find("\"AN589 / FA\" und Spannungsschalter"), std::string::npos)
                    << *why;
            } else {
                EXPECT_NE(why->find("unbekannten"), std::string::npos) << *why;
            }
        }
    }
    EXPECT_EQ(kCircuits.size(), 10u);
}

TEST(CircuitTable, EveryTermChangesOnlyItsOwnLines) {
    for (const Circuit& c : kCircuits) {
        SCOPED_TRACE(name(c));
        for (LineTerm t : {c.clockHigh, c.clockLow}) {
            EXPECT_EQ(t.touches(), kD1);
        }
        for (LineTerm t : {c.dataHigh, c.dataLow}) {
            EXPECT_EQ(t.touches(), kD0);
        }
        // Release, take, entry, idle and end move clock, data and the driver's
        // own control lines (AN589: D2 and its mode line D5), nothing else.
        const std::uint8_t control = c.dataDriverOff != 0 ? c.dataDriverOff | kD5 : 0;
        for (LineTerm t : {c.release, c.take, c.entry, c.idle, c.endLines}) {
            EXPECT_EQ(t.touches() & ~(kD0 | kD1 | control), 0) << int(t.clear) << " " << int(t.set);
        }
        // Voltage steps move only switch lines, and never a control line of the
        // driver: that double role is what makes a combination unusable.
        for (const VoltageStep& v : {c.vddOn, c.vddOff, c.vppOn, c.vppOff, c.voltageIdle}) {
            EXPECT_EQ(v.term.touches() & ~(kD2 | kD3 | kD4), 0);
            EXPECT_EQ(v.term.touches() & control, 0);
            // A hand switch has prompts and no bits; every other switch the reverse.
            if (c.voltage == VoltageSwitch::ByHand) {
                EXPECT_TRUE(v.term.empty());
            } else {
                EXPECT_EQ(v.prompt, nullptr);
            }
        }
        EXPECT_EQ(c.searchExtraBits & (kD0 | kD1), 0) << "the test drives clock and data itself";
    }
}

TEST(CircuitTable, PolarityIsOneFactPerRow) {
    for (const Circuit& c : kCircuits) {
        SCOPED_TRACE(name(c));
        EXPECT_EQ(c.inverted, c.driver == Driver::Inverting7406);
        EXPECT_EQ(c.clockHigh.clear == kD1, c.inverted);
        EXPECT_EQ(c.dataHigh.clear == kD0, c.inverted);
        EXPECT_EQ(dataInHigh(c, kStatusData), !c.inverted);
        EXPECT_EQ(dataInHigh(c, static_cast<std::uint8_t>(~kStatusData)), c.inverted);
        EXPECT_EQ(c.leadingWait, !c.inverted) << "three waits a bit with the 7406, four otherwise";
        for (int r = 0; r < 256; ++r) {
            const auto reg = static_cast<std::uint8_t>(r & ~c.dataDriverOff);
            EXPECT_TRUE(clockHigh(c, c.clockHigh.apply(reg)));
            EXPECT_FALSE(clockHigh(c, c.clockLow.apply(reg)));
            EXPECT_EQ(dataOutHigh(c, c.dataHigh.apply(reg)), true);
            EXPECT_EQ(dataOutHigh(c, c.dataLow.apply(reg)), false);
        }
    }
}

TEST(CircuitTable, IdleIsSafeAndEveryOrderTheRowOffersEntersProgrammingMode) {
    for (const Circuit& c : kCircuits) {
        SCOPED_TRACE(name(c));
        EXPECT_TRUE(c.entryOrders.vddFirst) << "the order every chip family accepts";
        EXPECT_EQ(c.entryOrders.vppFirst, switchesVdd(c)) << "VPP first needs VDD switched off";
        for (int r = 0; r < 256; ++r) {
            const auto start = static_cast<std::uint8_t>(r);
            // Idle: clock low, the data line low or left to the chip, both voltages off.
            const std::uint8_t idle = c.voltageIdle.term.apply(c.idle.apply(start));
            ASSERT_FALSE(clockHigh(c, idle)) << r;
            ASSERT_NE(dataOutHigh(c, idle), true) << r;
            ASSERT_EQ(vddOn(c, idle), !switchesVdd(c)) << r;
            if (const auto vpp = vppOn(c, idle)) {
                ASSERT_FALSE(*vpp) << r;
            } else {
                ASSERT_STREQ(c.voltageIdle.prompt, kManualIdle);
            }

            for (EntryOrder order : {EntryOrder::VddFirst, EntryOrder::VppFirst}) {
                if (!c.entryOrders.can(order)) {
                    continue;
                }
                const bool vddFirst = order == EntryOrder::VddFirst;
                std::uint8_t reg = c.entry.apply(idle);
                reg = (vddFirst ? c.vddOn : c.vppOn).term.apply(reg);
                ASSERT_EQ(vddOn(c, reg), vddFirst || !switchesVdd(c)) << r;
                reg = (vddFirst ? c.vppOn : c.vddOn).term.apply(reg);
                ASSERT_FALSE(clockHigh(c, reg)) << r;
                ASSERT_EQ(dataOutHigh(c, reg), false) << "the PC holds data low";
                ASSERT_TRUE(vddOn(c, reg)) << r;
                ASSERT_NE(vppOn(c, reg), false) << r;

                // Leaving: VPP off first, then VDD; the data line goes back to the chip.
                reg = c.endLines.apply(c.vddOff.term.apply(c.vppOff.term.apply(reg)));
                ASSERT_NE(vppOn(c, reg), true) << r;
                ASSERT_EQ(vddOn(c, reg), !switchesVdd(c)) << r;
            }
            // Before a read the data line is the chip's: the driver is off, or
            // the open collector is released into the pull-up.
            ASSERT_NE(dataOutHigh(c, c.release.apply(start)), false) << r;
            ASSERT_EQ(c.take.apply(start) & c.dataDriverOff, 0) << r;
        }
        if (c.voltage == VoltageSwitch::ByHand) {
            EXPECT_STREQ(c.vppOn.prompt, kManualVppOn);
            EXPECT_STREQ(c.vppOff.prompt, kManualVppOff);
        }
    }
}

// The rising clock edge and a data bit may share a write where that write
// leaves the register as the two would: on every row, from every register value.
TEST(CircuitTable, ClockAndDataShareAWriteOnEveryRow) {
    for (const Circuit& c : kCircuits) {
        SCOPED_TRACE(name(c));
        for (const LineTerm data : {c.dataLow, c.dataHigh}) {
            const auto both = oneWrite(c, c.clockHigh, data);
            ASSERT_TRUE(both.has_value());
            for (int r = 0; r < 256; ++r) {
                const auto reg = static_cast<std::uint8_t>(r);
                ASSERT_EQ(both->apply(reg), data.apply(c.clockHigh.apply(reg))) << r;
            }
        }
    }
}

// Rows that do not exist, each wired so that one write would differ from two:
// the answer comes from the terms, whatever the driver and switch are called.
TEST(CircuitTable, ClockAndDataStayTwoWritesWhereOneWouldDiffer) {
    struct Wiring {
        const char* what;
        VoltageSwitch sw;
        LineTerm clock, data;
        bool oneWrite;
    };
    const Wiring rows[] = {
        {"the clock on the VDD switch bit", VoltageSwitch::Npn4066, {0, kD2}, {0, kD0}, false},
        {"the data on the VPP switch bit", VoltageSwitch::Pnp, {0, kD1}, {kD3, 0}, false},
        {"the data on the second VPP line", VoltageSwitch::An589, {kD1, 0}, {0, kD4}, false},
        {"clock and data on one bit", VoltageSwitch::Pnp, {0, kD1}, {kD1, 0}, false},
        {"data that also moves the clock", VoltageSwitch::ByHand, {0, kD1}, {kD1, kD0}, false},
        {"no clock line", VoltageSwitch::Pnp, {}, {0, kD0}, false},
        {"D2 is no switch bit with the hand switch",
         VoltageSwitch::ByHand,
         {0, kD2},
         {0, kD0},
         true},
        {"inverted on D4 and D5 beside the 4066", VoltageSwitch::Npn4066, {kD4, 0}, {kD5, 0}, true},
    };
    for (const Wiring& w : rows) {
        SCOPED_TRACE(w.what);
        Circuit c = *findCircuit(static_cast<std::int32_t>(Driver::Direct7407),
                                 static_cast<std::int32_t>(w.sw));
        c.clockHigh = w.clock;
        c.dataHigh = w.data;
        const auto both = oneWrite(c, c.clockHigh, c.dataHigh);
        ASSERT_EQ(both.has_value(), w.oneWrite);
        if (both) {
            for (int r = 0; r < 256; ++r) {
                const auto reg = static_cast<std::uint8_t>(r);
                ASSERT_EQ(both->apply(reg), w.data.apply(w.clock.apply(reg))) << r;
            }
        }
    }
}

TEST(CircuitTable, AgreesWithTheSimulatedBoard) {
    for (const Circuit& c : kCircuits) {
        SCOPED_TRACE(name(c));
        VirtualClock clock;
        sim::SimCircuit board(clock, {static_cast<int>(c.driver), static_cast<int>(c.voltage)}, 1);
        for (int r = 0; r < 256; ++r) {
            const auto reg = static_cast<std::uint8_t>(r);
            board.write(kLpt1, reg);
            ASSERT_EQ(board.clockLine(), clockHigh(c, reg)) << r;
            ASSERT_EQ(board.vdd(), vddOn(c, reg)) << r;
            if (const auto vpp = vppOn(c, reg)) {
                ASSERT_EQ(board.vpp(), *vpp) << r;
            }
            // With an empty socket a line the PC does not drive is pulled up.
            ASSERT_EQ(board.dataLine(), dataOutHigh(c, reg).value_or(true)) << r;
            ASSERT_EQ(dataInHigh(c, board.read(kLpt1 + kStatusOffset)), board.dataLine()) << r;
        }
    }
}

}  // namespace
}  // namespace pk
