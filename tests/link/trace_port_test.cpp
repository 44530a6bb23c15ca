// The line trace: a Value Change Dump of every access, on any backend.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "link/clock.h"
#include "link/port_io.h"
#include "link/settings.h"
#include "link/trace_port.h"
#include "support/fake_port.h"

namespace pk {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(TracePort, WritesAValueChangeDumpOfEveryAccess) {
    const std::string path = testing::TempDir() + "trace_test.vcd";
    FakePort inner;
    inner.set(0x379, 0x40);
    VirtualClock clock;
    ProgrammerSettings settings;
    settings.DriverIndex = 0;  // inverting: D1 set = clock low
    settings.SwitchIndex = 1;  // VDD on when D2 is clear
    {
        TracePort trace(inner, clock, settings, path);
        ASSERT_TRUE(trace.ok());
        trace.write(0x378, 0x0B);  // D0, D1, D3 set
        clock.busyWait(std::chrono::microseconds(5));
        trace.write(0x378, 0x09);  // clock high
        clock.busyWait(std::chrono::microseconds(5));
        EXPECT_EQ(trace.read(0x379), 0x40) << "passes values through";
        EXPECT_EQ(trace.read(0x378), 0x09);
        trace.write(0x100, 0x55);
        ProgrammerSettings other;
        other.DriverIndex = 1;
        trace.setSettings(other);
        trace.write(0x378, 0x09);
    }
    ASSERT_EQ(inner.log().size(), 6u) << "every access reaches the backend";
    const std::string vcd = readFile(path);
    EXPECT_NE(vcd.find("$timescale 1ns $end"), std::string::npos);
    EXPECT_NE(vcd.find("$var wire 1 j clock $end"), std::string::npos);
    EXPECT_NE(vcd.find("$enddefinitions $end"), std::string::npos);
    // At 0: clock low (D1 set, inverted), data out low, VDD on, VPP off.
    const auto t0 = vcd.find("#0\n");
    const auto t5 = vcd.find("#5000\n");
    ASSERT_NE(t0, std::string::npos) << vcd;
    ASSERT_NE(t5, std::string::npos) << vcd;
    const std::string first = vcd.substr(t0, t5 - t0);
    EXPECT_NE(first.find("1a\n"), std::string::npos) << first;
    EXPECT_NE(first.find("0j\n"), std::string::npos) << first;
    EXPECT_NE(first.find("0k\n"), std::string::npos) << first;
    EXPECT_NE(first.find("1m\n"), std::string::npos) << first;
    EXPECT_NE(first.find("0n\n"), std::string::npos) << first;
    const std::string second = vcd.substr(t5);
    EXPECT_NE(second.find("1j\n"), std::string::npos) << "clock rose: " << second;
    EXPECT_EQ(second.find("a\n"), std::string::npos) << "unchanged bits are not repeated";
    EXPECT_NE(second.find("#10000\n1o\n0l\n"), std::string::npos)
        << "status bit 6 set is a data 0 through the inverting driver: " << second;
    EXPECT_NE(second.find("0j\n1k\n"), std::string::npos)
        << "the same bits read through a non-inverting driver: " << second;
}

TEST(TracePort, UnwritableFileStillPassesThrough) {
    FakePort inner(false);
    VirtualClock clock;
    ProgrammerSettings settings;
    TracePort trace(inner, clock, settings, "/nonexistent-dir/x.vcd");
    EXPECT_FALSE(trace.ok());
    trace.write(0x378, 1);
    EXPECT_EQ(trace.read(0x378), 1);
    EXPECT_FALSE(trace.available());
}

}  // namespace
}  // namespace pk
