// The ID location editor, opened from the main window's "ID Editor" button.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include "idedit.h"
#include "ostrac.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

class IdEditTest : public ::testing::Test {
  protected:
    IdEditTest() {
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.arguments = {QStringLiteral("pkorvel")};
        w = std::make_unique<TOstrac>(deps);
    }

    // Presses "ID Editor" and returns the window it opened.
    TIdEdit* open() {
        const auto before = w->findChildren<TIdEdit*>();
        QTest::mouseClick(w->findChild<QToolButton*>(QStringLiteral("ToolButton12")),
                          Qt::LeftButton);
        const auto after = w->findChildren<TIdEdit*>();
        for (TIdEdit* e : after) {
            if (!before.contains(e)) {
                EXPECT_TRUE(QTest::qWaitForWindowActive(e));
                return e;
            }
        }
        ADD_FAILURE() << "no new editor";
        return nullptr;
    }

    template <class T>
    static T* in(TIdEdit* e, const QString& name) {
        T* c = e->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    static QCheckBox* box(TIdEdit* e, int n) {
        return in<QCheckBox>(e, QStringLiteral("ID%1CheckBox").arg(n));
    }
    static QSlider* slider(TIdEdit* e, int n) {
        return in<QSlider>(e, QStringLiteral("ID%1TrackBar").arg(n));
    }
    static QLabel* label(TIdEdit* e, int n) {
        return in<QLabel>(e, QStringLiteral("ID%1Label").arg(n));
    }

    QString idLabel() { return w->findChild<QLabel*>(QStringLiteral("IDLabel"))->text(); }

    ScriptedDialog dialog;
    VirtualClock clock;
    OstracDeps deps;
    std::unique_ptr<TOstrac> w;
};

TEST_F(IdEditTest, OpensWithAllLocationsOff) {
    TIdEdit* e = open();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->windowTitle(), QStringLiteral("ID Location Editor"));
    EXPECT_TRUE(e->isVisible());
    EXPECT_FALSE(e->isModal());
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(box(e, n)->isChecked());
        EXPECT_FALSE(slider(e, n)->isEnabled());
        EXPECT_EQ(slider(e, n)->value(), 0);
        EXPECT_EQ(slider(e, n)->minimum(), 0);
        EXPECT_EQ(slider(e, n)->maximum(), 15);
        EXPECT_EQ(label(e, n)->text(), QStringLiteral("xx"));
        EXPECT_FALSE(label(e, n)->isEnabled());
        EXPECT_EQ(in<QGroupBox>(e, QStringLiteral("ID%1GroupBox").arg(n))->title(),
                  QStringLiteral("ID %1 [$200%1]").arg(n));
    }
}

TEST_F(IdEditTest, OkStoresTheValuesAndReopeningShowsThem) {
    TIdEdit* e = open();
    ASSERT_NE(e, nullptr);
    box(e, 2)->click();
    EXPECT_TRUE(slider(e, 2)->isEnabled());
    EXPECT_EQ(label(e, 2)->text(), QStringLiteral("0"));
    slider(e, 2)->setValue(9);
    EXPECT_EQ(label(e, 2)->text(), QStringLiteral("9"));
    QTest::mouseClick(in<QPushButton>(e, QStringLiteral("Button1")), Qt::LeftButton);
    EXPECT_FALSE(e->isVisible());
    EXPECT_EQ(idLabel(), QStringLiteral("ID: xx  xx  9  xx  "));
    EXPECT_EQ(w->Image.IdWords[2], 9);
    EXPECT_EQ(w->Image.IdEdited[2], 9);
    EXPECT_EQ(w->Image.IdEdited[0], MemoryImage::IdNone);

    TIdEdit* again = open();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, e) << "a new window for each press";
    EXPECT_TRUE(box(again, 2)->isChecked());
    EXPECT_EQ(slider(again, 2)->value(), 9);
    EXPECT_EQ(label(again, 2)->text(), QStringLiteral("9"));
    for (int n : {0, 1, 3}) {
        EXPECT_FALSE(box(again, n)->isChecked()) << n;
    }

    // Switching a location off stores IdNone, whatever the slider showed.
    box(again, 2)->click();
    EXPECT_EQ(slider(again, 2)->value(), 0);
    again->close();
    EXPECT_EQ(w->Image.IdEdited[2], MemoryImage::IdNone);
    EXPECT_EQ(idLabel(), QStringLiteral("ID: xx  xx  xx  xx  "));
}

TEST_F(IdEditTest, CheckingALocationStartsAtItsStoredValue) {
    w->Image.IdEdited = {MemoryImage::IdNone, 7, MemoryImage::IdNone, 15};
    TIdEdit* e = open();
    ASSERT_NE(e, nullptr);
    EXPECT_TRUE(box(e, 1)->isChecked());
    EXPECT_EQ(slider(e, 1)->value(), 7);
    box(e, 1)->click();  // off ...
    box(e, 1)->click();  // ... and on again: the stored value, not 0
    EXPECT_EQ(slider(e, 1)->value(), 7);
    EXPECT_EQ(label(e, 3)->text(), QStringLiteral("15"));
}

TEST_F(IdEditTest, FrameClickSwitchesTheLocationOn) {
    TIdEdit* e = open();
    ASSERT_NE(e, nullptr);
    QGroupBox* frame = in<QGroupBox>(e, QStringLiteral("ID1GroupBox"));
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(3, frame->height() - 3));
    EXPECT_TRUE(box(e, 1)->isChecked());
    EXPECT_TRUE(slider(e, 1)->isEnabled());
    EXPECT_EQ(label(e, 1)->text(), QStringLiteral("0"));
    slider(e, 1)->setValue(4);
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(3, frame->height() - 3));
    EXPECT_TRUE(box(e, 1)->isChecked()) << "a second click does not switch it off";
    EXPECT_EQ(slider(e, 1)->value(), 4);
}

TEST_F(IdEditTest, ActivationForgetsChangesNotYetStored) {
    TIdEdit* e = open();
    ASSERT_NE(e, nullptr);
    box(e, 0)->click();
    slider(e, 0)->setValue(3);
    e->FormActivate();  // the user came back to the window
    EXPECT_FALSE(box(e, 0)->isChecked());
    EXPECT_EQ(label(e, 0)->text(), QStringLiteral("xx"));
}

}  // namespace
}  // namespace pk
