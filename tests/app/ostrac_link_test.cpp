#include <gtest/gtest.h>

#include <QToolButton>

#include "link/range_error.h"
#include "ostrac.h"
#include "sim/circuit.h"
#include "support/fake_port.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

// The programmer circuit with an empty socket: status bit 6 follows D0 at the
// port it is plugged into, once it is plugged in.
class CircuitPort : public FakePort {
  public:
    int at = 0;  // 0: nowhere
    int releases = 0;
    bool access = true;
    void write(int port, std::uint8_t value) override {
        if (at != 0 && port == at) {
            set(at + 1, (value & 1) ? 0x40 : 0x00);
        }
        FakePort::write(port, value);
    }
    bool available() const override { return access; }
    std::string unavailableReason() const override {
        return access ? "" : "/dev/parport0: Zugriff verweigert (Gruppe lp?)";
    }
    void release() override { ++releases; }
};

struct Window {
    explicit Window(CircuitPort& port) {
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.port = &port;
        deps.arguments = {QStringLiteral("pkorvel")};
        w = std::make_unique<TOstrac>(deps);
        // Start-up already searched once (and gave the port back after failing).
        dialog.clear();
        port.clearLog();
        port.releases = 0;
    }
    QString panel1() const { return w->panel(1); }
    bool enabled(const char* name) const {
        auto* c = w->findChild<QWidget*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c != nullptr && c->isEnabled();
    }
    ScriptedDialog dialog;
    VirtualClock clock;
    OstracDeps deps;
    std::unique_ptr<TOstrac> w;
};

TEST(OstracLink, WithoutPortAccessTheDriverMessageAndTheReason) {
    CircuitPort port;
    port.access = false;
    Window win(port);
    win.w->ToolButton3Click();
    ASSERT_EQ(win.dialog.messages().size(), 1u);
    const std::string m = win.dialog.messages()[0];
    // The Linux way to the port, never a Windows driver.
    EXPECT_NE(m.find("ppdev"), std::string::npos) << m;
    EXPECT_NE(m.find("Gruppe lp"), std::string::npos) << m;
    EXPECT_EQ(m.find(".sys"), std::string::npos) << m;
    EXPECT_EQ(win.panel1(), QStringLiteral("/dev/parport0: Zugriff verweigert (Gruppe lp?)"));
    EXPECT_TRUE(port.log().empty());
    win.w->Anfang();
    EXPECT_TRUE(port.log().empty());
    EXPECT_TRUE(win.dialog.entries().size() == 1u);
}

TEST(OstracLink, FoundAtLpt2EnablesTheOperations) {
    CircuitPort port;
    Window win(port);
    port.at = 0x278;
    win.w->Settings.DriverIndex = 1;
    win.w->Settings.SwitchIndex = 1;
    win.w->ToolButton3Click();
    EXPECT_EQ(win.w->PortBase, 0x278);
    EXPECT_EQ(win.panel1(), QStringLiteral("Korvel gefunden an LPT 2"));
    EXPECT_EQ(
        win.dialog.messages(),
        std::vector<std::string>{"OK: Korvel gefunden,\r\rHardwareeinstellung des Korvels "
                                 "prüfen,\r\rPIC kann dann in die Fassung eingesetzt werden"});
    for (const char* name :
         {"EraseBTN", "ReadBTN", "CompBTN", "ProgBTN", "DetectBTN", "AntiCpBTN", "TypComboBox"}) {
        EXPECT_TRUE(win.enabled(name)) << name;
    }
    EXPECT_FALSE(win.enabled("ToolButton3"));
    // Anfang left the lines idle: clock and data low, both switches off (pnp: D2, D3 set).
    std::vector<std::uint8_t> writes;
    for (const auto& a : port.log()) {
        if (a.isWrite) {
            writes.push_back(a.value);
        }
    }
    EXPECT_EQ(writes, (std::vector<std::uint8_t>{0x0A, 0x0B, 0x08, 0x0C}));

    // Leaving switches the circuit off (already idle) and gives the port back.
    port.clearLog();
    port.set(0x278, 0x0F);
    win.w->PortZu();
    EXPECT_EQ(port.releases, 1);
    EXPECT_EQ(port.log().back().value, 0x0C);
}

TEST(OstracLink, StartUpSearchIsTheFirstMessageAndTheButtonSearchesAgain) {
    CircuitPort port;
    port.at = 0x378;
    ScriptedDialog dialog;
    VirtualClock clock;
    OstracDeps deps;
    deps.dialog = &dialog;
    deps.clock = &clock;
    deps.port = &port;
    deps.arguments = {QStringLiteral("pkorvel")};
    {
        TOstrac w(deps);
        ASSERT_FALSE(dialog.messages().empty());
        EXPECT_EQ(dialog.messages().front().rfind("OK: Korvel gefunden,", 0), 0u);
        EXPECT_EQ(w.panel(1), QStringLiteral("Korvel gefunden an LPT 1"));
        EXPECT_GT(w.Settings.DelayCount, 0) << "measured at start";
    }
    EXPECT_EQ(port.releases, 1) << "the window gives the port back when it goes";

    // Nothing attached at start; then the board is plugged into LPT2 and the
    // "Korvel suchen" button finds it.
    CircuitPort later;
    Window win(later);
    EXPECT_TRUE(win.enabled("ToolButton3"));
    EXPECT_FALSE(win.enabled("ProgBTN"));
    later.at = 0x278;
    win.w->findChild<QToolButton*>(QStringLiteral("ToolButton3"))->click();
    EXPECT_EQ(win.panel1(), QStringLiteral("Korvel gefunden an LPT 2"));
    EXPECT_EQ(win.dialog.messages().size(), 1u) << "one search per click";
    EXPECT_TRUE(win.enabled("ProgBTN"));
}

TEST(OstracLink, FoundAtLpt1SaysLpt1AndQuickAndDirtyNeedsNoCircuit) {
    CircuitPort port;
    Window win(port);
    port.at = 0x378;
    win.w->ToolButton3Click();
    EXPECT_EQ(win.panel1(), QStringLiteral("Korvel gefunden an LPT 1"));

    CircuitPort qd;
    Window w2(qd);
    w2.w->Settings.QuickAndDirty = true;
    w2.w->PortBase = 0x278;
    w2.w->Sync();
    EXPECT_EQ(w2.w->PortBase, 0x378);
    EXPECT_EQ(w2.panel1(), QStringLiteral("Korvel gefunden an LPT 1"));
}

TEST(OstracLink, NotFoundTellsTheUserAndGivesThePortBack) {
    CircuitPort port;
    Window win(port);
    const int before = port.releases;
    win.w->ToolButton3Click();
    EXPECT_EQ(win.panel1(),
              QString::fromUtf8("kein Korvel gefunden, \"Korvel suchen\"-Taste drücken"));
    ASSERT_EQ(win.dialog.messages().size(), 1u);
    EXPECT_EQ(win.dialog.messages()[0],
              "kein Korvel gefunden, deshalb:\r\r1. OK-Schaltfläche anklicken\r2. Korvel an "
              "Druckerport anschließen\r3. PIC aus dem Korvel entfernen\r4. Korvel mit Spannung "
              "versorgen\r\rdann wieder versuchen\r\rQuick and Dirty-Korvel Benutzer einfach "
              "weiterklicken\rHardwareeinstellung vornehmen und \"Korvel suchen\" drücken");
    EXPECT_EQ(port.releases, before + 1);
    EXPECT_EQ(win.w->PortBase, 0x378);
    // The tested ports keep the last pattern: no idle was written.
    EXPECT_EQ(port.log().back().port, 0x379);
}

TEST(OstracLink, RangeErrorEndsTheOperationWithTheErrorBox) {
    CircuitPort port;
    Window win(port);
    EXPECT_THROW(win.w->ReadPort(-1), RangeError);
    EXPECT_FALSE(win.w->runGuarded([&] { win.w->WrDaten(0x8000); }));
    EXPECT_EQ(win.dialog.messages(), std::vector<std::string>{"Range check error"});
    EXPECT_TRUE(port.log().empty());
    EXPECT_TRUE(win.w->runGuarded([] {}));

    // An error inside programming mode leaves programming mode first.
    win.w->Settings.DriverIndex = 1;
    win.w->Settings.SwitchIndex = 0;
    port.set(0x378, 0x00);
    EXPECT_FALSE(win.w->runGuarded([&] {
        win.w->StartProgmode();
        win.w->WrDaten(0x8000);
    }));
    EXPECT_FALSE(win.w->link().inProgrammingMode());
    EXPECT_EQ(port.read(0x378) & 0x0C, 0) << "VDD and VPP off";
}

TEST(OstracLink, FindsTheSimulatedBoardAndLeavesItIdle) {
    ScriptedDialog dialog;
    VirtualClock clock;
    sim::SimCircuit board(clock, {2, 3}, 2);
    OstracDeps deps;
    deps.dialog = &dialog;
    deps.clock = &clock;
    deps.port = &board;
    deps.arguments = {QStringLiteral("pkorvel")};
    TOstrac w(deps);
    w.Settings.DriverIndex = 2;
    w.Settings.SwitchIndex = 3;
    w.Settings.QuickAndDirty = false;
    dialog.clear();
    w.Sync();
    EXPECT_EQ(w.PortBase, 0x278);
    ASSERT_FALSE(dialog.messages().empty());
    EXPECT_EQ(dialog.messages().back().rfind("OK: Korvel gefunden,", 0), 0u);
    EXPECT_FALSE(board.vpp());
    EXPECT_EQ(board.dataRegister() & 0x3C, 0x14) << "D2 = 1, D3 = 0, D4 = 1, D5 = 0";
    w.PortZu();
    EXPECT_TRUE(board.log().violations().empty()) << board.log().violationText();
}

}  // namespace
}  // namespace pk
