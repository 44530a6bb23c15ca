#include <gtest/gtest.h>

#include <QComboBox>
#include <QToolButton>

#include "ostrac_fixture.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

using test::Window;

int selected(const Window& win) {
    return win.ui().TypComboBox->currentIndex();
}

TEST(CommandLine, NoArgumentsKeeps16F84) {
    Window win;
    EXPECT_EQ(selected(win), Dev16F84);
    EXPECT_EQ(win.w->Device.CurrentType, Dev16F84);
    EXPECT_FALSE(win.w->Device.Is84A);
    EXPECT_FALSE(win.w->Image.HexLoaded);
}

TEST(CommandLine, TypeSwitchIsMatchedInLowerCaseAndApplied) {
    Window win({QStringLiteral("/P16F877")});
    EXPECT_EQ(selected(win), Dev16F876_877);
    // The type change ran: the new type is in force with its sizes.
    EXPECT_EQ(win.w->Device.CurrentType, Dev16F876_877);
    EXPECT_EQ(win.w->Device.ProgLastAddr, 0x1FFF);
    EXPECT_EQ(win.ui().FlashLabel->text(), QStringLiteral("Flash-ROM:8 k"));
    EXPECT_EQ(win.ui().EEPROMLabel->text(), QStringLiteral("EEPROM:256 Byte"));
}

TEST(CommandLine, EveryCatalogueSwitchSelectsItsEntry) {
    for (const DeviceInfo& d : kDevices) {
        for (std::string_view s : d.switches) {
            if (s.empty()) {
                continue;
            }
            SCOPED_TRACE(std::string(s));
            Window win({QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()))});
            EXPECT_EQ(selected(win), d.type);
            EXPECT_EQ(win.w->Device.CurrentType, d.type);
            EXPECT_EQ(win.w->Device.DataLastAddr, d.dataLastAddr);
        }
    }
}

TEST(CommandLine, UnknownTypeSwitchChangesNothingButRunsTheTypeChange) {
    Window win({QStringLiteral("/p16f628"), QStringLiteral("/p16f89")});
    EXPECT_EQ(selected(win), Dev16F628);
    // Disturb the state the type change keeps in step; an unknown switch must repair it.
    win.w->Device.CurrentType = 42;
    win.w->ProcessCommandLine({QStringLiteral("pkorvel"), QStringLiteral("/p16f89")});
    EXPECT_EQ(selected(win), Dev16F628);
    EXPECT_EQ(win.w->Device.CurrentType, Dev16F628);
}

TEST(CommandLine, Only16F84ASwitchMarksTheChipWithDeviceId) {
    EXPECT_TRUE(Window({QStringLiteral("/p16f84a")}).w->Device.Is84A);
    EXPECT_FALSE(Window({QStringLiteral("/p16f84")}).w->Device.Is84A);
    EXPECT_EQ(selected(Window({QStringLiteral("/p16f84a")})), Dev16F84);
}

TEST(CommandLine, LaterTypeSwitchWins) {
    Window win({QStringLiteral("/p16f628"), QStringLiteral("/p16f84")});
    EXPECT_EQ(selected(win), Dev16F84);
    EXPECT_EQ(win.w->Device.CurrentType, Dev16F84);
    EXPECT_FALSE(win.ui().TaktRadioGroup->isHidden());
}

TEST(CommandLine, FileSwitchTakesThePathJoinedToItWithoutDialog) {
    Window win({QStringLiteral("/fC:\\a.hex")});
    EXPECT_EQ(win.w->StartupFileName, QStringLiteral("C:\\a.hex"));
    for (const auto& e : win.dialog.entries()) {
        EXPECT_NE(e.kind, ScriptedDialog::Kind::OpenFile);
    }
    // Upper-case switch letter works as well.
    Window upper({QStringLiteral("/F/tmp/x.hex")});
    EXPECT_EQ(upper.w->StartupFileName, QStringLiteral("/tmp/x.hex"));
}

TEST(CommandLine, BareWordsOwnOptionsAndLoneSlashAreIgnored) {
    Window win({QStringLiteral("test.hex"), QStringLiteral("/"), QStringLiteral("--help"),
                QStringLiteral("p16f628"), QStringLiteral("/x16f628")});
    EXPECT_TRUE(win.w->StartupFileName.isEmpty());
    EXPECT_FALSE(win.w->StartupFilePending);
    EXPECT_EQ(selected(win), Dev16F84);
}

TEST(CommandLine, ProgramPathIsNeverTakenForASwitch) {
    // On Linux the program's path begins with "/", e.g. /fs/bin/pkorvel.
    ScriptedDialog dialog;
    VirtualClock clock;
    OstracDeps deps;
    deps.dialog = &dialog;
    deps.clock = &clock;
    deps.arguments = {QStringLiteral("/fs/bin/pkorvel"), QStringLiteral("/p16f877")};
    TOstrac w(deps);
    EXPECT_TRUE(w.StartupFileName.isEmpty());
    EXPECT_FALSE(w.StartupFilePending);
    EXPECT_EQ(w.Device.CurrentType, Dev16F876_877);
}

TEST(CommandLine, ReassIsAcceptedAndListingButtonStaysVisible) {
    Window plain;
    Window reass({QStringLiteral("/REASS")});
    EXPECT_FALSE(plain.ui().ToolButton11->isHidden());
    EXPECT_FALSE(reass.ui().ToolButton11->isHidden());
    EXPECT_EQ(selected(reass), Dev16F84);
    // Hidden by someone, the switch shows it again.
    reass.ui().ToolButton11->hide();
    reass.w->ProcessCommandLine({QStringLiteral("pkorvel"), QStringLiteral("/reass")});
    EXPECT_FALSE(reass.ui().ToolButton11->isHidden());
}

}  // namespace
}  // namespace pk
