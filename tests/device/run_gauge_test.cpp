// The run gauge: never moves back within a run, ends full with a pause, and
// a reset or the end of a run hides it in dark green.

#include <gtest/gtest.h>

#include "device/chip_ops.h"
#include "link/no_port.h"
#include "support/recording_reporter.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

using namespace std::chrono_literals;

struct GaugeBench {
    VirtualClock clock;
    NoPort port;
    ScriptedDialog dialog;
    ProgrammerSettings settings;
    std::int32_t portBase = 0x378;
    ProgrammerLink link{port, clock, dialog, settings, portBase};
    MemoryImage image;
    DeviceState device;
    ErrorCounters errors;
    RecordingReporter report;
    ChipOps ops{link, clock, image, device, settings, errors, report};
};

TEST(RunGauge, MovesForwardOnlyAndShowsItselfOnFirstStep) {
    GaugeBench b;
    b.ops.UpdateRunGauge(1, 100);  // 0.2 -> 0, but shown
    EXPECT_TRUE(b.ops.runGauge().visible);
    EXPECT_EQ(b.ops.runGauge().progress, 0);
    b.ops.UpdateRunGauge(50, 100);
    EXPECT_EQ(b.ops.runGauge().progress, 10);
    b.ops.UpdateRunGauge(99, 100);  // 19.8 truncates
    EXPECT_EQ(b.ops.runGauge().progress, 19);
    b.ops.UpdateRunGauge(30, 100);  // a smaller position never moves it back
    EXPECT_EQ(b.ops.runGauge().progress, 19);
    EXPECT_TRUE(b.ops.runGauge().visible);
    EXPECT_EQ(b.clock.slept(), 0ms);
    for (const auto& g : b.report.gauges) {
        EXPECT_TRUE(g.visible);
    }
}

// Shown full first, then hidden and reset, without a pause: the chip is still
// powered (the window holds the full gauge on its own timer).
TEST(RunGauge, EndOfRunFillsAndHidesWithoutPause) {
    GaugeBench b;
    b.ops.UpdateRunGauge(19, 20);
    EXPECT_EQ(b.ops.runGauge().progress, 19);
    b.report.gauges.clear();
    b.ops.UpdateRunGauge(20, 20);
    ASSERT_GE(b.report.gauges.size(), 2u);
    EXPECT_EQ(b.report.gauges.front().progress, 20);
    EXPECT_TRUE(b.report.gauges.front().visible);
    EXPECT_FALSE(b.report.gauges.back().visible);
    EXPECT_EQ(b.report.gauges.back().progress, 0);
    EXPECT_EQ(b.clock.slept(), 0ms);
    EXPECT_EQ(b.clock.sleepCount(), 0);
}

TEST(RunGauge, ResetAndOverrunHideWithoutPauseAndRestoreDarkGreen) {
    GaugeBench b;
    b.ops.UpdateRunGauge(10, 20);
    b.ops.setGaugeColour(RunGaugeColour::Red);
    EXPECT_EQ(b.ops.runGauge().colour, RunGaugeColour::Red);
    b.ops.UpdateRunGauge(0, 20);  // a new run starts at address 0
    EXPECT_FALSE(b.ops.runGauge().visible);
    EXPECT_EQ(b.ops.runGauge().progress, 0);
    EXPECT_EQ(b.ops.runGauge().colour, RunGaugeColour::DarkGreen);
    b.ops.UpdateRunGauge(10, 20);
    b.ops.UpdateRunGauge(30, 20);  // beyond the end: hidden, no pause
    EXPECT_FALSE(b.ops.runGauge().visible);
    EXPECT_EQ(b.clock.slept(), 0ms);
}

TEST(RunGauge, OddArgumentsStayInRange) {
    GaugeBench b;
    b.ops.UpdateRunGauge(-5, 0);
    EXPECT_EQ(b.ops.runGauge().progress, 0);
    b.ops.UpdateRunGauge(-5, 10);
    EXPECT_EQ(b.ops.runGauge().progress, 0);
    EXPECT_TRUE(b.ops.runGauge().visible);
}

}  // namespace
}  // namespace pk

namespace pk {
namespace {

TEST(RemainingTime, FromThePaceSoFarOnlyOnceItMeansSomething) {
    using std::chrono::seconds;
    struct Case {
        std::chrono::nanoseconds elapsed;
        double done, total;
        std::optional<seconds> left;
    };
    for (const Case& c : {
             Case{seconds(10), 50, 100, seconds(10)},
             Case{seconds(3), 1, 4, seconds(9)},
             Case{std::chrono::milliseconds(500), 1, 100, std::nullopt},  // too early to tell
             Case{seconds(2), 1, 100, seconds(198)},                      // a second is enough
             Case{seconds(5), 0, 100, std::nullopt},
             Case{seconds(5), 100, 100, std::nullopt},
         }) {
        EXPECT_EQ(remainingTime(c.elapsed, c.done, c.total), c.left) << c.done << "/" << c.total;
    }
    EXPECT_EQ(remainingText(seconds(34)), "noch 34 s");
    EXPECT_EQ(remainingText(seconds(269)), "noch 4:29 min");
    EXPECT_EQ(remainingText(seconds(60)), "noch 1:00 min");
}

}  // namespace
}  // namespace pk
