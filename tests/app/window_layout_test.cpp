// The main window and the setup dialog keep their size whatever comes and goes in
// them: every chip type in every order, both views, the manual speed group.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "ostrac_fixture.h"
#include "setupdialog.h"

namespace pk {
namespace {

constexpr QSize kMainSize(610, 398);
constexpr QSize kSetupSize(454, 245);

void settle() {
    QApplication::processEvents();
    QApplication::processEvents();
}

// No visible control is squeezed below what its text needs.
void expectNothingSqueezed(const QWidget& top, const std::string& where) {
    for (const QWidget* w : top.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&top) ||
            !(qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLabel*>(w) ||
              qobject_cast<const QComboBox*>(w))) {
            continue;
        }
        const QSize need = w->minimumSizeHint();
        EXPECT_GE(w->height(), need.height()) << where << ": " << w->objectName().toStdString();
        EXPECT_GE(w->width(), need.width()) << where << ": " << w->objectName().toStdString();
    }
}

// A walk through n types that has every ordered pair of different types as
// neighbours exactly once: an Euler circuit of the complete directed graph.
std::vector<int> everyPairOnce(int n) {
    std::vector<int> tried(static_cast<std::size_t>(n), 0);  // next successor per type
    std::vector<int> path{0};
    std::vector<int> walk;
    while (!path.empty()) {
        const int v = path.back();
        int& next = tried[static_cast<std::size_t>(v)];
        next += next == v ? 1 : 0;
        if (next < n) {
            path.push_back(next++);
        } else {
            walk.push_back(v);
            path.pop_back();
        }
    }
    std::reverse(walk.begin(), walk.end());
    return walk;
}

TEST(WindowLayout, EveryPairWalkHasEachOrderedPairOnce) {
    for (const int n : {2, 3, 7}) {
        const std::vector<int> walk = everyPairOnce(n);
        std::set<std::pair<int, int>> seen;
        for (std::size_t i = 1; i < walk.size(); ++i) {
            EXPECT_NE(walk[i - 1], walk[i]);
            EXPECT_TRUE(seen.insert({walk[i - 1], walk[i]}).second);
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(n * (n - 1)));
    }
}

TEST(WindowLayout, MainWindowKeepsItsSizeThroughEveryTypeChangeInBothViews) {
    for (const bool quickAndDirty : {false, true}) {
        test::Window win;
        win.w->Settings.QuickAndDirty = quickAndDirty;
        win.w->ApplyQuickAndDirtyView();
        win.w->show();
        settle();
        const std::string view = quickAndDirty ? "Quick and Dirty" : "normal";
        ASSERT_EQ(win.w->size(), kMainSize) << view;
        QComboBox* types = win.ui().TypComboBox;
        // Every type after every other one: each pair of neighbours once in each order.
        for (const int type : everyPairOnce(types->count())) {
            types->setCurrentIndex(type);
            win.w->TypComboBoxChange();
            settle();
            const std::string where = view + ", " + types->currentText().toStdString();
            ASSERT_EQ(win.w->size(), kMainSize) << where;
            ASSERT_TRUE(win.w->minimumSizeHint().width() <= kMainSize.width() &&
                        win.w->minimumSizeHint().height() <= kMainSize.height())
                << where;
        }
        for (int type = 0; type < types->count(); ++type) {
            types->setCurrentIndex(type);
            win.w->TypComboBoxChange();
            settle();
            expectNothingSqueezed(*win.w, view + ", " + types->currentText().toStdString());
        }
    }
}

// The first change from the start-up type shows controls that were never shown
// before: a text or a list set after it shows would grow the window for good.
TEST(WindowLayout, FirstChangeToEachTypeKeepsTheSize) {
    for (int type = 0; type < kDeviceTypeCount; ++type) {
        test::Window win;
        win.w->show();
        settle();
        win.ui().TypComboBox->setCurrentIndex(type);
        win.w->TypComboBoxChange();
        settle();
        EXPECT_EQ(win.w->size(), kMainSize) << win.ui().TypComboBox->currentText().toStdString();
    }
}

TEST(WindowLayout, SwitchingTheViewKeepsTheCommandsWhereTheyAre) {
    test::Window win;
    win.w->show();
    settle();
    const QPoint burn = win.ui().ProgBTN->pos();
    const QPoint erase = win.ui().EraseBTN->pos();
    const QRect types = win.ui().TypComboBox->geometry();
    for (const bool quickAndDirty : {true, false, true}) {
        win.w->Settings.QuickAndDirty = quickAndDirty;
        win.w->ApplyQuickAndDirtyView();
        settle();
        EXPECT_EQ(win.w->size(), kMainSize);
        EXPECT_EQ(win.ui().ProgBTN->pos(), burn);
        EXPECT_EQ(win.ui().EraseBTN->pos(), erase);
        EXPECT_EQ(win.ui().TypComboBox->geometry(), types);
        // The "QaD" label takes the statistics' place.
        if (quickAndDirty) {
            EXPECT_TRUE(win.ui().FehlerGroupBox->geometry().contains(
                win.ui().QDLabel->geometry().topLeft()));
        }
    }
}

TEST(WindowLayout, SetupDialogHasItsSizeWithAndWithoutTheManualSpeedGroup) {
    test::Window win;
    win.w->show();
    settle();
    for (const bool autoSpeed : {true, false, true}) {
        win.w->Settings.AutoSpeed = autoSpeed;
        TSetupDialog setup(*win.w);
        setup.show();
        settle();
        const std::string where = autoSpeed ? "automatic speed" : "manual speed";
        EXPECT_EQ(setup.size(), kSetupSize) << where;
        auto* manual = setup.findChild<QGroupBox*>(QStringLiteral("GroupBox1"));
        auto* drivers = setup.findChild<QGroupBox*>(QStringLiteral("TreiberRadioGroup"));
        auto* switches = setup.findChild<QGroupBox*>(QStringLiteral("SchalterRadioGroup"));
        ASSERT_TRUE(manual && drivers && switches);
        EXPECT_EQ(manual->isVisible(), !autoSpeed) << where;
        // No empty band: what is shown reaches down to the dialog's margin.
        int lowest = 0;
        for (const QWidget* w : setup.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (w->isVisible()) {
                lowest = std::max(lowest, w->geometry().bottom());
            }
        }
        EXPECT_GE(lowest, setup.height() - 12) << where;
        EXPECT_EQ(drivers->geometry().bottom(), switches->geometry().bottom()) << where;
        expectNothingSqueezed(setup, where);
        setup.hide();
    }
}

TEST(WindowLayout, EveryToolButtonHasAnIconOfItsOwn) {
    test::Window win;
    std::vector<std::pair<std::string, QImage>> seen;
    for (QToolButton* b : win.w->findChildren<QToolButton*>()) {
        if (b->toolTip().isEmpty()) {
            continue;  // the separators
        }
        const QImage image = b->icon().pixmap(22, 22).toImage();
        ASSERT_FALSE(image.isNull()) << b->toolTip().toStdString();
        for (const auto& [tip, other] : seen) {
            EXPECT_NE(image, other) << tip << " and " << b->toolTip().toStdString();
        }
        seen.emplace_back(b->toolTip().toStdString(), image);
    }
    EXPECT_EQ(seen.size(), 12u);
}

TEST(WindowLayout, TabOrderRunsDownTheLeftColumnThenTheRight) {
    test::Window win;
    // The chain from the type list on, as Tab walks it (controls that take focus).
    std::vector<std::string> chain;
    const QWidget* w = win.ui().TypComboBox;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && win.w->isAncestorOf(w)) {
            chain.push_back(w->objectName().toStdString());
        }
        w = w->nextInFocusChain();
    } while (w != win.ui().TypComboBox && chain.size() < 40);
    const std::vector<std::string> expected{
        "TypComboBox",       "DetectBTN",         "EraseBTN",          "AntiCpBTN",
        "ReadBTN",           "CompBTN",           "ProgBTN",           "DATACheckBox",
        "TaktRadioGroup_0",  "TaktRadioGroup_1",  "TaktRadioGroup_2",  "TaktRadioGroup_3",
        "TaktRadioGroup1_0", "TaktRadioGroup1_1", "TaktRadioGroup1_2", "TaktRadioGroup1_3",
        "TaktRadioGroup1_4", "TaktRadioGroup1_5", "RA5CheckBox",       "RA6CheckBox",
        "ConfigCheckBox",    "IDCheckBox",        "WDTECheckBox",      "BODENCheckBox",
        "PWRTECheckBox",     "WRTCheckBox",       "LVPCheckBox",       "DEBUGCheckBox",
        "CP1CheckBox",       "CP0CheckBox",       "CPDCheckBox"};
    ASSERT_GE(chain.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(chain.begin(), chain.begin() + expected.size()), expected);
}

}  // namespace
}  // namespace pk
