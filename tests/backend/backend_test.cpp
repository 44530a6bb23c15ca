// The backend both front ends build from their options: which port, which clock,
// the trace around the port and the simulated hand switch in front of the prompts.

#include "backend/backend.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "link/direct_port.h"
#include "link/ppdev_port.h"
#include "link/programmer.h"
#include "link/search_texts.h"
#include "settings/settings_file.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

// The settings file is looked for in a folder of the test's own.
std::string privateConfigFolder() {
    const std::string dir = testing::TempDir() + "backend_config";
    std::filesystem::create_directories(dir);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    return dir;
}

TEST(BackendOptions, TakesItsOwnAndLeavesTheOthersInOrder) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> rest;
    };
    const Case cases[] = {
        {{"pkorvel", "--simulate", "--sim-fast", "--sim-fault=no-vpp", "--help", "--trace=x.vcd",
          "--port=direct"},
         {"pkorvel", "--help", "--port=direct"}},
        // Values given apart are taken along; argument 0 is never an option.
        {{"--trace", "--sim-lpt", "2", "burn", "--simulate=16F877", "--trace", "t.vcd", "a.hex"},
         {"--trace", "burn", "a.hex"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        BackendOptions o;
        std::string error;
        ASSERT_TRUE(takeBackendOptions(args, o, &error)) << error;
        EXPECT_EQ(args, c.rest);
        EXPECT_TRUE(o.sim.simulate);
    }
    std::vector<std::string> apart{"pkorvel", "--sim-lpt", "2", "--trace", "t.vcd"};
    BackendOptions o;
    std::string error;
    ASSERT_TRUE(takeBackendOptions(apart, o, &error));
    EXPECT_EQ(o.sim.lpt, 2);
    EXPECT_EQ(o.tracePath, "t.vcd");
    EXPECT_FALSE(o.sim.simulate);
}

TEST(BackendOptions, BadValuesAreRefusedNamingTheOption) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"pkorvel", "--sim-circuit=7,7"}, "--sim-circuit"},
        {{"pkorvel", "--trace="}, "--trace: Dateiname fehlt"},
        {{"pkorvel", "--trace"}, "--trace: Dateiname fehlt"},
        {{"pkorvel", "--sim-fault=melt"}, "--sim-fault"},
    };
    for (const auto& [args, start] : cases) {
        std::vector<std::string> a = args;
        BackendOptions o;
        std::string error;
        EXPECT_FALSE(takeBackendOptions(a, o, &error)) << args.back();
        EXPECT_EQ(error.rfind(start, 0), 0u) << error;
    }
}

TEST(BackendOptions, PortKinds) {
    EXPECT_EQ(portKindNamed(""), PortKind::Ppdev);
    EXPECT_EQ(portKindNamed("ppdev"), PortKind::Ppdev);
    EXPECT_EQ(portKindNamed("direct"), PortKind::Direct);
    std::string error;
    EXPECT_EQ(portKindNamed("lpt9", &error), std::nullopt);
    EXPECT_NE(error.find("ppdev"), std::string::npos) << error;
}

TEST(BackendSettings, TheFilesCircuitThenThisRunsOverrides) {
    const std::string dir = privateConfigFolder();
    ProgrammerSettings stored;
    stored.DriverIndex = 0;
    stored.SwitchIndex = 3;
    stored.AutoSpeed = true;
    SettingsRecord record;
    ASSERT_TRUE(SaveSettingsFile(SettingsFilePath(), record, stored).ok());

    const ProgrammerSettings plain = loadSettings();
    EXPECT_EQ(plain.DriverIndex, 0);
    EXPECT_EQ(plain.SwitchIndex, 3);
    EXPECT_TRUE(plain.AutoSpeed);
    EXPECT_FALSE(plain.QuickAndDirty);

    SettingsOverrides o;
    o.driver = 2;
    o.delay = 7;
    o.quickAndDirty = true;
    const ProgrammerSettings changed = loadSettings(o);
    EXPECT_EQ(changed.DriverIndex, 2);
    EXPECT_EQ(changed.SwitchIndex, 3) << "not overridden: the file's";
    EXPECT_TRUE(changed.QuickAndDirty);
    EXPECT_EQ(changed.DelayCount, 7);
    EXPECT_FALSE(changed.AutoSpeed) << "a given delay is not measured over";
    std::filesystem::remove(SettingsFilePath());
}

TEST(Backend, RealPortOfTheChosenKindOnTheRealClock) {
    for (const PortKind kind : {PortKind::Ppdev, PortKind::Direct}) {
        BackendOptions o;
        o.port = kind;
        ScriptedDialog prompts;
        BackendError failure;
        const ProgrammerSettings settings;
        auto b = Backend::build(o, settings, &prompts, &failure);
        ASSERT_NE(b, nullptr) << failure.text;
        EXPECT_FALSE(b->simulated());
        EXPECT_EQ(b->dialog(), &prompts);
        EXPECT_NE(dynamic_cast<RealClock*>(&b->clock()), nullptr);
        if (kind == PortKind::Ppdev) {
            EXPECT_NE(dynamic_cast<PpdevPort*>(&b->port()), nullptr);
        } else {
            EXPECT_NE(dynamic_cast<DirectPort*>(&b->port()), nullptr);
        }
        std::string error;
        EXPECT_TRUE(b->finish(&error)) << "nothing to save";
    }
}

// A hand-operated switch on LPT2, traced, its chip kept in a file: the whole stack
// as the front ends get it finds the Korvel, and the prompts reach the user.
TEST(Backend, SimulatedHandSwitchBoardIsFoundThroughTheTrace) {
    const std::string chipFile = testing::TempDir() + "backend_chip.hex";
    const std::string trace = testing::TempDir() + "backend_trace.vcd";
    std::filesystem::remove(chipFile);
    std::filesystem::remove(trace);
    std::vector<std::string> args{
        "pkorvel-cli", "--simulate=16F628", "--sim-fast", "--sim-lpt=2", "--sim-chip-file",
        chipFile,      "--trace",           trace};
    BackendOptions o;
    std::string error;
    ASSERT_TRUE(takeBackendOptions(args, o, &error)) << error;
    o.echoViolations = false;
    ProgrammerSettings settings;
    settings.DriverIndex = 1;
    settings.SwitchIndex = 2;  // "von Hand"
    ScriptedDialog prompts;
    BackendError failure;
    {
        auto b = Backend::build(o, settings, &prompts, &failure);
        ASSERT_NE(b, nullptr) << failure.text;
        ASSERT_TRUE(b->simulated());
        EXPECT_NE(dynamic_cast<VirtualClock*>(&b->clock()), nullptr);
        EXPECT_NE(dynamic_cast<TracePort*>(&b->port()), nullptr);
        ASSERT_NE(b->dialog(), nullptr);
        EXPECT_NE(b->dialog(), &prompts) << "the simulated user of the switch comes first";

        std::int32_t base = kLpt1;
        ProgrammerLink link(b->port(), b->clock(), *b->dialog(), settings, base);
        ASSERT_TRUE(link.PortOpen());
        ASSERT_TRUE(link.findProgrammer());
        EXPECT_EQ(base, kLpt2);
        link.StartProgmode();
        link.EndProgmode();
        link.Anfang();
        bool prompted = false;
        for (const auto& e : prompts.entries()) {
            prompted = prompted || e.kind == ScriptedDialog::Kind::ManualSwitch;
        }
        EXPECT_TRUE(prompted) << "the switch prompts reach the user";
        sim::SimBackend& s = *b->simulator();
        EXPECT_TRUE(s.circuit().log().violations().empty()) << s.circuit().log().violationText();
        EXPECT_EQ(s.chip()->name(), "16F628");
        s.chip()->setWord(0, 0x1234);
        ASSERT_TRUE(b->finish(&error)) << error;
    }
    EXPECT_TRUE(std::filesystem::exists(chipFile));
    EXPECT_GT(std::filesystem::file_size(trace), 0u);
    std::filesystem::remove(chipFile);
    std::filesystem::remove(trace);
}

TEST(Backend, OptionsThatCannotBeHonouredSayWhichKindOfFailure) {
    struct Case {
        std::vector<std::string> args;
        BackendError::Kind kind;
        const char* start;
    };
    const std::string damaged = testing::TempDir() + "backend_damaged.hex";
    std::FILE* f = std::fopen(damaged.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(":zz\n", f);
    std::fclose(f);
    const Case cases[] = {
        {{"x", "--simulate", "--sim-chip-file=" + damaged},
         BackendError::Kind::Usage,
         "--simulate: "},
        {{"x", "--simulate", "--trace=/nonexistent-folder/t.vcd"},
         BackendError::Kind::Output,
         "--trace: /nonexistent-folder/t.vcd kann nicht angelegt werden"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        BackendOptions o;
        std::string error;
        ASSERT_TRUE(takeBackendOptions(args, o, &error)) << error;
        BackendError failure;
        const ProgrammerSettings settings;
        EXPECT_EQ(Backend::build(o, settings, nullptr, &failure), nullptr);
        EXPECT_EQ(failure.kind, c.kind);
        EXPECT_EQ(failure.text.rfind(c.start, 0), 0u) << failure.text;
    }
}

}  // namespace
}  // namespace pk
