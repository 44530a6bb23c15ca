// The simulator and trace options of the program, up to a window running on them.

#include <gtest/gtest.h>

#include <QFile>
#include <filesystem>

#include "options.h"
#include "sim_setup.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

// The settings file is looked for in a folder of the test's own.
void privateConfigFolder() {
    const std::string dir = testing::TempDir() + "sim_setup_config";
    std::filesystem::create_directories(dir);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir));
}

TEST(SimSetup, TakesItsOptionsAndLeavesTheOthers) {
    SimSetup s;
    QStringList args{"pkorvel", "--simulate",    "--sim-fast",   "--sim-fault=no-vpp",
                     "--help",  "--trace=x.vcd", "--port=direct"};
    QString error;
    ASSERT_TRUE(s.takeOptions(args, &error)) << error.toStdString();
    EXPECT_EQ(args, (QStringList{"pkorvel", "--help", "--port=direct"}));
    EXPECT_TRUE(s.simulate());

    // Through the program's own splitting: values given apart are taken along.
    const SplitArguments split =
        splitArguments({"pkorvel", "--sim-lpt", "2", "/p16f84", "--simulate", "/fa.hex"});
    EXPECT_EQ(split.classic, (QStringList{"pkorvel", "/p16f84", "/fa.hex"}));
    SimSetup apart;
    QStringList own = split.own;
    ASSERT_TRUE(apart.takeOptions(own, &error)) << error.toStdString();
    EXPECT_EQ(own, QStringList{"pkorvel"});
    QCommandLineParser parser;
    setUpParser(parser);
    EXPECT_TRUE(parser.parse({"pkorvel", "--sim-fast", "--sim-fault", "no-vpp", "--simulate"}))
        << "the parser knows them all (for --help)";

    SimSetup bad;
    QStringList wrong{"pkorvel", "--sim-circuit=7,7"};
    EXPECT_FALSE(bad.takeOptions(wrong, &error));
    EXPECT_TRUE(error.startsWith("--sim-circuit")) << error.toStdString();
}

TEST(SimSetup, WindowRunsOnTheSimulatedBoardAndSaysSo) {
    privateConfigFolder();
    const std::string chipFile = testing::TempDir() + "sim_setup_chip.hex";
    const std::string trace = testing::TempDir() + "sim_setup_trace.vcd";
    std::filesystem::remove(chipFile);
    SimSetup s;
    QStringList args{"pkorvel", "--simulate=16F628", "--sim-fast",
                     QString::fromStdString("--sim-chip-file=" + chipFile),
                     QString::fromStdString("--trace=" + trace)};
    QString error;
    ASSERT_TRUE(s.takeOptions(args, &error)) << error.toStdString();
    ScriptedDialog dialog;
    OstracDeps deps;
    deps.arguments = {QStringLiteral("pkorvel")};
    ASSERT_TRUE(s.apply(deps, &error, &dialog)) << error.toStdString();
    EXPECT_TRUE(deps.simulated);
    ASSERT_NE(deps.port, nullptr);
    ASSERT_NE(deps.clock, nullptr);
    EXPECT_NE(dynamic_cast<VirtualClock*>(deps.clock), nullptr);
    {
        TOstrac w(deps);
        s.attach(w);
        EXPECT_TRUE(w.windowTitle().endsWith(" [Simulation]")) << w.windowTitle().toStdString();
        w.setWindowTitle(QStringLiteral("PKorvel  a.hex"));
        EXPECT_EQ(w.windowTitle(), QStringLiteral("PKorvel  a.hex [Simulation]"));
        ASSERT_NE(s.backend(), nullptr);
        w.ToolButton3Click();
        ASSERT_FALSE(dialog.messages().empty());
        EXPECT_EQ(dialog.messages().back().rfind("OK: Korvel gefunden", 0), 0u)
            << dialog.messages().back();
        EXPECT_TRUE(s.backend()->circuit().log().violations().empty())
            << s.backend()->circuit().log().violationText();
        EXPECT_EQ(s.backend()->chip()->name(), "16F628");
        s.backend()->chip()->setWord(0, 0x1234);
    }
    ASSERT_TRUE(s.finish(&error)) << error.toStdString();
    EXPECT_TRUE(std::filesystem::exists(chipFile));
    EXPECT_TRUE(std::filesystem::exists(trace));
    std::filesystem::remove(chipFile);
}

TEST(SimSetup, WithoutSimulationNothingChanges) {
    privateConfigFolder();
    SimSetup s;
    QStringList args{"pkorvel"};
    QString error;
    ASSERT_TRUE(s.takeOptions(args, &error));
    OstracDeps deps;
    ASSERT_TRUE(s.apply(deps, &error));
    EXPECT_EQ(deps.port, nullptr);
    EXPECT_FALSE(deps.simulated);
    EXPECT_TRUE(s.finish(&error));

    SimSetup traced;
    QStringList t{"pkorvel", "--trace=/tmp/x.vcd"};
    ASSERT_TRUE(traced.takeOptions(t, &error));
    OstracDeps none;
    EXPECT_FALSE(traced.apply(none, &error)) << "no port to trace";
}

}  // namespace
}  // namespace pk
