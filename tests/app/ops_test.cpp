// The main window's error statistics, "O.K." blinking, run gauge, Autodetect
// button and the guard around chip operations, with a simulated board.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "link/range_error.h"
#include "ostrac.h"
#include "sim/circuit.h"
#include "support/scripted_dialog.h"
#include "ui_ostrac.h"

namespace pk {
namespace {

using namespace std::chrono_literals;

// A window on a simulated "7407" board at LPT1, found by the search.
struct SimWindow {
    ScriptedDialog dialog;
    VirtualClock clock;
    sim::SimCircuit board{clock, {1, 1}, 1};
    std::unique_ptr<TOstrac> w;

    SimWindow() {
        OstracDeps deps;
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.port = &board;
        deps.arguments = {QStringLiteral("pkorvel")};
        w = std::make_unique<TOstrac>(deps);
        w->Settings.DriverIndex = 1;
        w->Settings.SwitchIndex = 1;
        w->Settings.QuickAndDirty = false;
        w->Sync();  // with the socket still empty, as the search asks
        dialog.clear();
    }

    sim::SimChip* insert(const char* name) {
        return board.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(name)));
    }
    Ui::Ostrac& ui() { return *w->ui(); }
    QColor textColour(QLabel* l) { return l->palette().color(QPalette::WindowText); }
    bool clean() const { return board.log().violations().empty(); }
};

TEST(ErrorStatistics, ClearShowsQuestionMarksAndShowGivesFiguresInColour) {
    SimWindow s;
    auto& u = s.ui();
    s.w->Errors = {3, 0, 1};
    s.w->ClearFehler();
    EXPECT_EQ(s.w->Errors.sum(), 0);
    EXPECT_EQ(u.Label4->text(), "?");
    EXPECT_EQ(u.Label5->text(), "?");
    EXPECT_EQ(u.Label6->text(), "?");

    u.DATACheckBox->setChecked(true);
    s.w->Errors = {3, 0, 1};
    s.w->ShowFehler();
    EXPECT_EQ(u.Label4->text(), "3");
    EXPECT_EQ(u.Label5->text(), "0");
    EXPECT_EQ(u.Label6->text(), "1");
    EXPECT_EQ(s.textColour(u.Label4), QColor(255, 0, 0));
    EXPECT_EQ(s.textColour(u.Label5), QColor(0, 0, 0));
    EXPECT_EQ(s.textColour(u.Label6), QColor(255, 0, 0));
    EXPECT_FALSE(s.w->Timer1->isActive()) << "no O.K. with failures";

    // Data not burnt: its figure would claim a check that was not made.
    u.DATACheckBox->setChecked(false);
    s.w->Errors = {0, 0, 0};
    s.w->ShowFehler();
    EXPECT_EQ(u.Label4->text(), "0");
    EXPECT_EQ(u.Label5->text(), "?");
    EXPECT_EQ(s.textColour(u.Label4), QColor(0, 0, 0));
    EXPECT_TRUE(s.w->Timer1->isActive());
}

TEST(ErrorStatistics, QuickAndDirtyShowsOnlyQuestionMarksAndStillBlinks) {
    SimWindow s;
    s.w->Settings.QuickAndDirty = true;
    s.ui().DATACheckBox->setChecked(true);
    s.w->ShowFehler();
    EXPECT_EQ(s.ui().Label4->text(), "?");
    EXPECT_EQ(s.ui().Label5->text(), "?");
    EXPECT_EQ(s.ui().Label6->text(), "?");
    EXPECT_TRUE(s.w->Timer1->isActive());
}

TEST(OkLabel, BlinksThreeTimesThenHides) {
    SimWindow s;
    QLabel* ok = s.ui().OKLabel;
    ASSERT_TRUE(ok->isHidden());
    s.w->OK();
    EXPECT_EQ(s.w->Timer1->interval(), 400);
    EXPECT_TRUE(s.w->Timer1->isActive());
    EXPECT_EQ(ok->text(), "O.K.");
    std::vector<bool> shown;
    for (int tick = 1; tick <= 6; ++tick) {
        s.w->Timer1Timer();
        shown.push_back(!ok->isHidden());
    }
    EXPECT_EQ(shown, (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_FALSE(s.w->Timer1->isActive());

    // A second O.K. while blinking starts the count again.
    s.w->OK();
    s.w->Timer1Timer();
    s.w->Timer1Timer();
    s.w->OK();
    EXPECT_EQ(s.w->OkBlinkCount, 0);
    for (int tick = 1; tick <= 5; ++tick) {
        s.w->Timer1Timer();
    }
    EXPECT_TRUE(s.w->Timer1->isActive());
    s.w->Timer1Timer();
    EXPECT_FALSE(s.w->Timer1->isActive());
    EXPECT_TRUE(ok->isHidden());
}

TEST(RunGaugeWidget, FollowsTheOperationAndStaysFullAMomentAtTheEnd) {
    SimWindow s;
    QProgressBar* gauge = s.ui().RunGauge;
    EXPECT_EQ(gauge->maximum(), 20);
    s.w->UpdateRunGauge(19, 20);
    EXPECT_FALSE(gauge->isHidden());
    EXPECT_EQ(gauge->value(), 19);
    EXPECT_EQ(gauge->palette().color(QPalette::Highlight), QColor(0, 128, 0));
    s.w->UpdateRunGauge(5, 20);
    EXPECT_EQ(gauge->value(), 19) << "never back";
    s.w->ops().setGaugeColour(RunGaugeColour::Red);
    EXPECT_EQ(gauge->palette().color(QPalette::Highlight), QColor(255, 0, 0));
    const auto slept = s.clock.slept();
    s.w->UpdateRunGauge(20, 20);
    // Full on screen, but the operation does not wait for it: the chip is powered.
    EXPECT_EQ(s.clock.slept() - slept, 0ms);
    EXPECT_FALSE(gauge->isHidden());
    EXPECT_EQ(gauge->value(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(gauge->isHidden(), 1000);
    EXPECT_EQ(gauge->value(), 0);
    EXPECT_EQ(gauge->palette().color(QPalette::Highlight), QColor(0, 128, 0));

    // A new run within the moment takes the gauge over at once.
    s.w->UpdateRunGauge(19, 20);
    s.w->UpdateRunGauge(20, 20);
    s.w->UpdateRunGauge(3, 20);
    EXPECT_FALSE(gauge->isHidden());
    EXPECT_EQ(gauge->value(), 3);
    QTest::qWait(300);
    EXPECT_FALSE(gauge->isHidden()) << "the old run's moment must not hide the new run";
    EXPECT_EQ(gauge->value(), 3);
}

TEST(WindowBurn, FailedWordLeavesTheGaugeRedAndTheFigureRed) {
    SimWindow s;
    sim::SimChip* chip = s.insert("16F628");
    s.ui().TypComboBox->setCurrentIndex(Dev16F628);
    s.w->TypComboBoxChange();
    for (int a = 0; a < 40; ++a) {
        s.w->Image.HexWords[a] = static_cast<std::uint16_t>(a + 0x100);
    }
    chip->setBadCell(30);
    s.w->ClearFehler();
    EXPECT_TRUE(s.w->runOperation([&] {
        ASSERT_TRUE(s.w->ops().checkSelectedType());
        s.w->StartProgmode();
        s.w->ops().WriteProgram();
        s.w->EndProgmode();
    }));
    s.w->ShowFehler();
    EXPECT_EQ(s.ui().Label4->text(), "1");
    EXPECT_EQ(s.textColour(s.ui().Label4), QColor(255, 0, 0));
    EXPECT_FALSE(s.ui().RunGauge->isHidden());
    EXPECT_EQ(s.ui().RunGauge->palette().color(QPalette::Highlight), QColor(255, 0, 0));
    ASSERT_EQ(s.dialog.messages().size(), 1u);
    EXPECT_EQ(s.dialog.messages()[0].rfind(
                  "Programmwort nicht gebrannt! 0x001E: 0x011E geschrieben, 0x3FFF gelesen.", 0),
              0u)
        << s.dialog.messages()[0];
    EXPECT_EQ(s.w->panel(0), "Adresse 0x001D");
    EXPECT_FALSE(s.w->Timer1->isActive());
    EXPECT_TRUE(s.clean()) << s.board.log().violationText();
}

TEST(DetectButton, SelectsTheDetectedTypeAndShowsRevision) {
    SimWindow s;
    s.insert("16F876");
    ASSERT_TRUE(s.ui().DetectBTN->isEnabled());
    // The board's 13 V is more than some chips take: asked before it goes on,
    // and a "no" leaves the chip without it.
    const int chosen = s.ui().TypComboBox->currentIndex();
    s.ui().DetectBTN->click();
    ASSERT_EQ(s.dialog.entries().size(), 1u);
    EXPECT_EQ(s.dialog.entries()[0].kind, ScriptedDialog::Kind::Question);
    EXPECT_EQ(s.dialog.entries()[0].text.rfind("Die Erkennung legt 13,0 V an MCLR", 0), 0u);
    EXPECT_EQ(s.board.log().modeEntries(), 0);
    EXPECT_EQ(s.ui().TypComboBox->currentIndex(), chosen);
    s.dialog.queueQuestionAnswer(true);
    s.ui().DetectBTN->click();
    s.ui().DetectBTN->click();
    EXPECT_EQ(s.dialog.entries().size(), 2u) << "asked once while the program runs";
    EXPECT_EQ(s.ui().TypComboBox->currentIndex(), Dev16F876_877);
    EXPECT_EQ(s.w->Device.CurrentType, Dev16F876_877);
    EXPECT_EQ(s.w->Device.ProgLastAddr, 0x1FFF) << "the type change was applied";
    EXPECT_EQ(s.w->panel(0), "Chip-Revision: 6");
    EXPECT_EQ(s.w->panel(1), "");
    EXPECT_EQ(s.ui().FCPLabel->text(), "");
    EXPECT_EQ(s.ui().ECPLabel->text(), "");
    EXPECT_TRUE(s.ui().DetectBTN->isEnabled());
    EXPECT_TRUE(s.dialog.messages().empty());
    EXPECT_TRUE(s.clean()) << s.board.log().violationText();
}

// Nothing answered with a device ID (the old 16F84 has none): the type stays as chosen.
TEST(DetectButton, NoDeviceIdKeepsTheSelectedType) {
    SimWindow s;
    s.dialog.queueQuestionAnswer(true);  // the board's 13 V
    s.insert("16F84");
    s.ui().TypComboBox->setCurrentIndex(Dev16F873_874);
    s.w->TypComboBoxChange();
    s.ui().DetectBTN->click();
    EXPECT_EQ(s.ui().TypComboBox->currentIndex(), Dev16F873_874);
    EXPECT_EQ(s.w->Device.CurrentType, Dev16F873_874);
    EXPECT_EQ(s.w->panel(0), "Chip-Revision: ?");
    EXPECT_EQ(s.w->panel(1), kNoChipText);
    EXPECT_FALSE(s.w->Device.Is84A);
}

TEST(DetectButton, CodeProtectionLabelsAndIs84A) {
    SimWindow s;
    s.dialog.queueQuestionAnswer(true);  // the board's 13 V
    sim::SimChip* chip = s.insert("16F628");
    chip->setWord(0x2007, 0x0DFF);  // program memory protected, data not
    s.ui().DetectBTN->click();
    EXPECT_EQ(s.ui().FCPLabel->text(), "codeprotected");
    EXPECT_EQ(s.ui().ECPLabel->text(), "");

    s.board.removeChip();
    s.insert("16F84A");
    s.ui().DetectBTN->click();
    EXPECT_TRUE(s.w->Device.Is84A);
    EXPECT_EQ(s.ui().FCPLabel->text(), "");
    // Touching the type list forgets the findings.
    s.ui().FCPLabel->setText(QStringLiteral("codeprotected"));
    s.w->TypComboBoxClick();
    EXPECT_EQ(s.ui().FCPLabel->text(), "");
}

TEST(OperationGuard, CloseIsRefusedWhileAnOperationRunsAndRangeErrorsEndIt) {
    SimWindow s;
    s.w->show();
    bool closedDuring = true;
    EXPECT_TRUE(s.w->runOperation([&] {
        EXPECT_TRUE(s.w->operationRunning());
        closedDuring = s.w->close();
    }));
    EXPECT_FALSE(closedDuring);
    EXPECT_TRUE(s.w->isVisible());
    EXPECT_FALSE(s.w->operationRunning());

    EXPECT_FALSE(s.w->runOperation([&] {
        s.w->StartProgmode();
        throw RangeError();
    }));
    ASSERT_EQ(s.dialog.messages().size(), 1u);
    EXPECT_EQ(s.dialog.messages()[0], "Range check error");
    EXPECT_FALSE(s.w->operationRunning());
    EXPECT_FALSE(s.board.vpp()) << "programming mode was left";
    EXPECT_TRUE(s.w->close());
}

}  // namespace
}  // namespace pk
