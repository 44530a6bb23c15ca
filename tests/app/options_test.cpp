#include <gtest/gtest.h>

#include "hint_timing.h"
#include "options.h"
#include "ostrac_fixture.h"

namespace pk {
namespace {

TEST(Options, OwnOptionsAndClassicSwitchesAreSplit) {
    const SplitArguments s = splitArguments(
        {"pkorvel", "/p16f877", "--version", "test.hex", "/f/tmp/a.hex", "--", "-x", "/reass"});
    EXPECT_EQ(s.own, (QStringList{"pkorvel", "--version"}));
    EXPECT_EQ(s.classic, (QStringList{"pkorvel", "/p16f877", "test.hex", "/f/tmp/a.hex", "--", "-x",
                                      "/reass"}));
    EXPECT_TRUE(splitArguments({}).own.isEmpty());
}

TEST(Options, ParserKnowsHelpAndVersion) {
    QCommandLineParser parser;
    setUpParser(parser);
    ASSERT_TRUE(parser.parse({"pkorvel", "--version"}));
    EXPECT_TRUE(parser.isSet(QStringLiteral("version")));
    EXPECT_FALSE(parser.parse({"pkorvel", "--no-such-option"}));
}

TEST(HintTimings, ShortDelayOnceTheWindowExists) {
    test::Window win;
    EXPECT_EQ(hintDelayMs(), kHintDelayMs);
    // A second window does not stack a second proxy style.
    test::Window again;
    EXPECT_EQ(hintDelayMs(), kHintDelayMs);
}

}  // namespace
}  // namespace pk

namespace pk {
namespace {

TEST(Options, HelpAndVersionNeedNoDisplay) {
    char prog[] = "pkorvel";
    char help[] = "--help";
    char version[] = "--version";
    char file[] = "/f/tmp/--help";
    char* withHelp[] = {prog, file, help};
    char* withVersion[] = {prog, version};
    char* plain[] = {prog, file};
    EXPECT_TRUE(onlyPrints(3, withHelp));
    EXPECT_TRUE(onlyPrints(2, withVersion));
    EXPECT_FALSE(onlyPrints(2, plain));
}

}  // namespace
}  // namespace pk
