// The program's backend options, up to a window running on the simulated board.

#include "backend_setup.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "options.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

// The settings file is looked for in a folder of the test's own.
void privateConfigFolder() {
    const std::string dir = testing::TempDir() + "backend_setup_config";
    std::filesystem::create_directories(dir);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir));
}

TEST(BackendSetup, TheProgramsSplittingAndParserKnowTheOptions) {
    // Values given apart are taken along.
    const SplitArguments split =
        splitArguments({"pkorvel", "--sim-lpt", "2", "/p16f84", "--simulate", "/fa.hex"});
    EXPECT_EQ(split.classic, (QStringList{"pkorvel", "/p16f84", "/fa.hex"}));
    BackendSetup apart;
    QStringList own = split.own;
    QString error;
    ASSERT_TRUE(apart.takeOptions(own, &error)) << error.toStdString();
    EXPECT_EQ(own, QStringList{"pkorvel"});
    EXPECT_TRUE(apart.simulate());
    QCommandLineParser parser;
    setUpParser(parser);
    EXPECT_TRUE(parser.parse(
        {"pkorvel", "--sim-fast", "--sim-fault", "no-vpp", "--simulate", "--trace", "t.vcd"}))
        << "the parser knows them all (for --help)";

    BackendSetup bad;
    QStringList wrong{"pkorvel", "--sim-circuit=7,7"};
    EXPECT_FALSE(bad.takeOptions(wrong, &error));
    EXPECT_TRUE(error.startsWith("--sim-circuit")) << error.toStdString();
}

TEST(BackendSetup, WindowRunsOnTheSimulatedBoardAndSaysSo) {
    privateConfigFolder();
    const std::string chipFile = testing::TempDir() + "backend_setup_chip.hex";
    const std::string trace = testing::TempDir() + "backend_setup_trace.vcd";
    std::filesystem::remove(chipFile);
    BackendSetup s;
    QStringList args{"pkorvel", "--simulate=16F628", "--sim-fast",
                     QString::fromStdString("--sim-chip-file=" + chipFile),
                     QString::fromStdString("--trace=" + trace)};
    QString error;
    ASSERT_TRUE(s.takeOptions(args, &error)) << error.toStdString();
    ScriptedDialog dialog;
    OstracDeps deps;
    deps.arguments = {QStringLiteral("pkorvel")};
    ASSERT_TRUE(s.apply(deps, PortKind::Ppdev, &error, &dialog)) << error.toStdString();
    EXPECT_TRUE(deps.simulated);
    ASSERT_NE(deps.port, nullptr);
    ASSERT_NE(deps.clock, nullptr);
    ASSERT_NE(deps.dialog, nullptr);
    {
        TOstrac w(deps);
        s.attach(w);
        EXPECT_TRUE(w.windowTitle().endsWith(" [Simulation]")) << w.windowTitle().toStdString();
        w.setWindowTitle(QStringLiteral("PKorvel  a.hex"));
        EXPECT_EQ(w.windowTitle(), QStringLiteral("PKorvel  a.hex [Simulation]"));
        ASSERT_NE(s.simulator(), nullptr);
        w.ToolButton3Click();
        ASSERT_FALSE(dialog.messages().empty());
        EXPECT_EQ(dialog.messages().back().rfind("OK: Korvel gefunden", 0), 0u)
            << dialog.messages().back();
        EXPECT_TRUE(s.simulator()->circuit().log().violations().empty())
            << s.simulator()->circuit().log().violationText();
        s.simulator()->chip()->setWord(0, 0x1234);
    }
    ASSERT_TRUE(s.finish(&error)) << error.toStdString();
    EXPECT_TRUE(std::filesystem::exists(chipFile));
    EXPECT_TRUE(std::filesystem::exists(trace));
    std::filesystem::remove(chipFile);
}

TEST(BackendSetup, WithoutSimulationTheRealPortAndTheWindowsOwnDialogs) {
    privateConfigFolder();
    BackendSetup s;
    QStringList args{"pkorvel"};
    QString error;
    ASSERT_TRUE(s.takeOptions(args, &error));
    OstracDeps deps;
    ASSERT_TRUE(s.apply(deps, PortKind::Ppdev, &error));
    EXPECT_NE(deps.port, nullptr);
    EXPECT_EQ(deps.dialog, nullptr);
    EXPECT_FALSE(deps.simulated);
    EXPECT_EQ(s.simulator(), nullptr);
    EXPECT_TRUE(s.finish(&error));
}

}  // namespace
}  // namespace pk
