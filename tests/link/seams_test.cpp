#include <gtest/gtest.h>

#include "link/clock.h"
#include "link/port_io.h"
#include "link/user_dialog.h"
#include "support/fake_port.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

TEST(VirtualClock, WaitsOnlyMoveVirtualTime) {
    VirtualClock c(23 * 3600 * 1000 + 59 * 60 * 1000 + 59 * 1000 + 900);
    c.sleepMs(150);
    c.busyWait(std::chrono::microseconds(40));
    EXPECT_EQ(c.slept(), std::chrono::milliseconds(150));
    EXPECT_EQ(c.busyWaited(), std::chrono::microseconds(40));
    EXPECT_EQ(c.monotonic(), std::chrono::microseconds(150040));
    EXPECT_EQ(c.timeOfDayMs(), 50) << "wraps at midnight";
    c.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(c.slept(), std::chrono::milliseconds(150)) << "advance is not a wait";
}

TEST(RealClock, BusyWaitIsNeverShort) {
    RealClock c;
    auto t0 = c.monotonic();
    c.busyWait(std::chrono::microseconds(200));
    EXPECT_GE(c.monotonic() - t0, std::chrono::microseconds(200));
}

TEST(FakePort, FloatingBusAndLog) {
    FakePort p;
    EXPECT_EQ(p.read(0x379), 0xFF);
    p.write(0x378, 0x0A);
    EXPECT_EQ(p.read(0x378), 0x0A);
    ASSERT_EQ(p.log().size(), 3u);
    EXPECT_TRUE(p.log()[1].isWrite);
}

TEST(ScriptedDialog, RecordsAndAnswersInOrder) {
    ScriptedDialog d;
    d.queueFileAnswer("/tmp/a.hex");
    d.queueFileAnswer(std::nullopt);
    d.message("Hallo");
    EXPECT_EQ(d.openFile("HEX-Datei laden", "*.hex", "*.hex"), "/tmp/a.hex");
    EXPECT_EQ(d.saveFile("HEX-Datei speichern", "*.hex", "*.hex"), std::nullopt);
    EXPECT_EQ(d.openFile("x", "*.hex", "*.hex"), std::nullopt) << "empty queue cancels";
    d.manualSwitch("+12V jetzt einschalten");
    EXPECT_EQ(d.messages(), std::vector<std::string>{"Hallo"});
    ASSERT_EQ(d.entries().size(), 5u);
    EXPECT_EQ(d.entries()[0].caption, "PKorvel");
    EXPECT_EQ(d.entries()[4].kind, ScriptedDialog::Kind::ManualSwitch);
}

}  // namespace
}  // namespace pk
