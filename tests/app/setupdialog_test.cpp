#include "setupdialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>

#include "image/atomic_file.h"
#include "ostrac.h"
#include "settings/settings_file.h"
#include "support/scripted_dialog.h"
#include "ui_ostrac.h"

namespace pk {
namespace {

// Refuses to create any file, like a full disk or a folder without write access.
class RefusingOps : public SaveFileOps {
  public:
    int open(const char* /*path*/, int /*flags*/, mode_t /*mode*/) override {
        errno = EACCES;
        return -1;
    }
};

// Every speed measurement reads the time of day twice, around its delay loop;
// this clock puts `gap` milliseconds between the two readings of each pair.
class MeasuringClock : public VirtualClock {
  public:
    std::int64_t gap = 400;  // the reference run: DelayCount 100
    std::int64_t timeOfDayMs() const override {
        const std::int64_t t = 10 * 3600 * 1000 + (reads_ / 2) * 1000 + (reads_ % 2) * gap;
        ++reads_;
        return t;
    }

  private:
    mutable std::int64_t reads_ = 0;
};

struct SetupDialogTest : ::testing::Test {
    QTemporaryDir config;
    QByteArray oldConfigHome;
    ScriptedDialog dialog;
    MeasuringClock clock;
    std::unique_ptr<TOstrac> main;

    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        oldConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        OstracDeps deps;
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.arguments = {QStringLiteral("pkorvel")};
        main = std::make_unique<TOstrac>(deps);
        dialog.clear();
    }
    void TearDown() override {
        main.reset();
        qputenv("XDG_CONFIG_HOME", oldConfigHome);
    }

    void stored(int driver, int sw, bool qd, bool k1, bool autoSpeed, int delay) {
        main->Settings.DriverIndex = driver;
        main->Settings.SwitchIndex = sw;
        main->Settings.QuickAndDirty = qd;
        main->Settings.ModelK1 = k1;
        main->Settings.AutoSpeed = autoSpeed;
        main->Settings.DelayCount = delay;
    }

    TSetupDialog* open() {
        main->ToolButton6Click();
        auto dialogs = main->findChildren<TSetupDialog*>();
        return dialogs.isEmpty() ? nullptr : dialogs.last();
    }

    template <typename T>
    static T* child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static int checkedId(QWidget* d, const char* group) {
        return child<QButtonGroup>(d, group)->checkedId();
    }
    static bool listsEnabled(QWidget* d) {
        const bool t = child<QGroupBox>(d, "TreiberRadioGroup")->isEnabled();
        EXPECT_EQ(t, child<QGroupBox>(d, "SchalterRadioGroup")->isEnabled());
        return t;
    }
    static void click(QWidget* d, const char* name) {
        auto* b = child<QAbstractButton>(d, name);
        // A radio button or check box reacts to a click in its indicator.
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }

    QByteArray settingsFile() const {
        QFile f(QString::fromStdString(SettingsFilePath()));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(SetupDialogTest, TextsHintsAndControls) {
    TSetupDialog* d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Setup"));
    EXPECT_EQ(d->property("helpContext").toInt(), 107);
    EXPECT_TRUE(d->isModal()) << "nothing else while the circuit is being changed";
    EXPECT_TRUE(d->isVisible());

    auto* treiber = child<QGroupBox>(d, "TreiberRadioGroup");
    EXPECT_EQ(treiber->title(), QStringLiteral("Treiberschaltkreis"));
    EXPECT_EQ(treiber->toolTip(), QStringLiteral("Einstellund des Datenleitungsttreibers"));
    auto* schalter = child<QGroupBox>(d, "SchalterRadioGroup");
    EXPECT_EQ(schalter->title(), QStringLiteral("Schalter"));
    EXPECT_EQ(schalter->toolTip(), QStringLiteral("Einstellung des Spannungsschaltertyps"));
    const QStringList treiberItems{"7406", "7407 / keine", "AN589 / FA"};
    const QStringList schalterItems{"4066 / npn / pnp+7406", "pnp / pnp+7407", "von Hand",
                                    "AN589 / FA"};
    auto* tg = child<QButtonGroup>(d, "TreiberButtons");
    auto* sg = child<QButtonGroup>(d, "SchalterButtons");
    ASSERT_EQ(tg->buttons().size(), 3);
    ASSERT_EQ(sg->buttons().size(), 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tg->button(i)->text(), treiberItems[i]);
        EXPECT_EQ(tg->button(i)->parentWidget(), treiber);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(sg->button(i)->text(), schalterItems[i]);
        EXPECT_EQ(sg->button(i)->parentWidget(), schalter);
    }

    struct Box {
        const char* name;
        const char* text;
        const char* hint;
    };
    for (const Box& b : {
             Box{"K1CheckBox", "Korvel1, 3 oder 5", "Velmor-Korvel1, 3 oder 5 "},
             Box{"QDCheckBox", "Quick and Dirty (LPT1)",
                 "biliiger Korvel ohne Lesefunktion, Treiber oder Schalter (nur an LPT1)"},
             Box{"FACheckBox", "AN589 / FA-Korvel",
                 "Korvel nach AN589 oder der Zeitschrift Funkamateur"},
             Box{"CheckBox1", "auto. Speedregelung", "automatische Geschwindigkeitsregelung"},
             Box{"DatenblattCheckBox", "Datenblatt-Timing (schnell)",
                 "nur so lange warten, wie die Datenblätter der PICs verlangen"},
             Box{"SButton", "Test", "Geschwindigkeit messen"},
             Box{"Button1", "OK", "Setup beenden"},
         }) {
        auto* w = child<QAbstractButton>(d, b.name);
        EXPECT_EQ(w->text(), QString::fromUtf8(b.text)) << b.name;
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(b.hint)) << b.name;
    }
    auto* group = child<QGroupBox>(d, "GroupBox1");
    EXPECT_EQ(group->title(), QStringLiteral("Geschwindigkeit manuell"));
    auto* bar = child<QSlider>(d, "STrackBar");
    EXPECT_EQ(bar->parentWidget(), group);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 10);
    EXPECT_EQ(bar->singleStep(), 1);
    EXPECT_EQ(bar->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(bar->toolTip(), QStringLiteral("schnell oder sicher brennen?"));
    auto* fast = child<QLabel>(d, "Label1");
    auto* safe = child<QLabel>(d, "Label2");
    EXPECT_EQ(fast->text(), QStringLiteral("schnell"));
    EXPECT_EQ(safe->text(), QStringLiteral("sicher"));
    EXPECT_LT(fast->x(), bar->x());
    EXPECT_GT(safe->x(), bar->x());
    EXPECT_EQ(child<QPushButton>(d, "SButton")->parentWidget(), group);
}

TEST_F(SetupDialogTest, OneModalDialogAtATime) {
    main->show();
    main->ToolButton6Click();
    main->ToolButton6Click();
    const auto dialogs = main->findChildren<TSetupDialog*>();
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_TRUE(dialogs[0]->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), dialogs[0]);
    dialogs[0]->close();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // Closed, it is only hidden; the next press opens a fresh one.
    main->ToolButton6Click();
    EXPECT_EQ(main->findChildren<TSetupDialog*>().size(), 2);
    EXPECT_TRUE(main->findChildren<TSetupDialog*>().last()->isVisible());
}

// Return takes the settings like "OK", Escape leaves them as they were; both
// arrive the way the window system delivers keys, through the dialog's QWindow.
TEST_F(SetupDialogTest, ReturnIsOkAndEscapeCancels) {
    struct Case {
        Qt::Key key;
        bool stored;
    };
    for (const Case c : {Case{Qt::Key_Return, true}, Case{Qt::Key_Escape, false}}) {
        SCOPED_TRACE(c.stored ? "Return" : "Escape");
        stored(1, 1, false, false, false, 300);
        main->show();
        TSetupDialog* d = open();
        ASSERT_NE(d, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
        click(d, "TreiberItem0");
        click(d, "SchalterItem0");
        QTest::keyClick(d->windowHandle(), c.key);
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(main->Settings.DriverIndex, c.stored ? 0 : 1);
        EXPECT_EQ(main->Settings.SwitchIndex, c.stored ? 0 : 1);
        EXPECT_EQ(main->Settings.DelayCount, 300);
    }
}

TEST_F(SetupDialogTest, VppIsShownInVoltsAndStoredOnOk) {
    main->Settings.VppTenths = 125;
    TSetupDialog* d = open();
    ASSERT_NE(d, nullptr);
    auto* vpp = child<QDoubleSpinBox>(d, "VppSpinBox");
    EXPECT_EQ(vpp->text(), QStringLiteral("12,5 V")) << "German decimals";
    vpp->setValue(12.0);
    EXPECT_EQ(main->Settings.VppTenths, 125) << "taken only when the dialog closes";
    d->close();
    EXPECT_EQ(main->Settings.VppTenths, 120);
    EXPECT_EQ(static_cast<unsigned char>(settingsFile().at(SettingsRecord::VppOffset)), 120);
}

TEST_F(SetupDialogTest, StoredK1AndQuickAndDirtyRestoresTheNormalView) {
    stored(1, 1, true, true, false, 300);
    main->ApplyQuickAndDirtyView();
    ASSERT_FALSE(main->ui()->QDLabel->isHidden());
    TSetupDialog* d = open();
    EXPECT_FALSE(main->Settings.QuickAndDirty);  // at once, before closing
    EXPECT_TRUE(child<QCheckBox>(d, "K1CheckBox")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(d, "QDCheckBox")->isChecked());
    EXPECT_FALSE(listsEnabled(d));
    click(d, "Button1");
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(main->ui()->QDLabel->isHidden());
    EXPECT_FALSE(main->ui()->ReadBTN->isHidden());
    EXPECT_FALSE(main->Settings.QuickAndDirty);
    EXPECT_TRUE(dialog.messages().empty());
}

TEST_F(SetupDialogTest, StoredFaSwitchOpensAsFaAndStoresTheFaDriver) {
    stored(0, 3, false, false, false, 500);
    TSetupDialog* d = open();
    EXPECT_TRUE(child<QCheckBox>(d, "FACheckBox")->isChecked());
    EXPECT_EQ(checkedId(d, "TreiberButtons"), 2);
    EXPECT_EQ(checkedId(d, "SchalterButtons"), 3);
    EXPECT_FALSE(listsEnabled(d));
    EXPECT_EQ(child<QSlider>(d, "STrackBar")->value(), 5);
    EXPECT_FALSE(child<QGroupBox>(d, "GroupBox1")->isHidden());

    d->close();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(main->Settings.DriverIndex, 2);
    EXPECT_EQ(main->Settings.SwitchIndex, 3);

    // The file holds what the dialog showed.
    const QByteArray file = settingsFile();
    ASSERT_EQ(file.size(), 24);
    SettingsRecord r;
    std::copy(file.begin(), file.end(), r.bytes.begin());
    EXPECT_EQ(r.version(), 5);
    EXPECT_EQ(r.int32At(8), 2);
    EXPECT_EQ(r.int32At(12), 3);
    EXPECT_EQ(r.bytes[16], 0);  // QuickAndDirty
    EXPECT_EQ(r.bytes[17], 0);  // ModelK1
    EXPECT_EQ(r.bytes[18], 0);  // AutoSpeed
    EXPECT_EQ(r.int32At(20), 500);
}

TEST_F(SetupDialogTest, QuickAndDirtyWhileFaIsChecked) {
    stored(2, 3, false, false, false, 100);
    TSetupDialog* d = open();
    ASSERT_TRUE(child<QCheckBox>(d, "FACheckBox")->isChecked());
    click(d, "QDCheckBox");
    EXPECT_TRUE(child<QCheckBox>(d, "QDCheckBox")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(d, "FACheckBox")->isChecked());
    EXPECT_EQ(checkedId(d, "TreiberButtons"), 1);
    EXPECT_EQ(checkedId(d, "SchalterButtons"), 2);
    EXPECT_FALSE(listsEnabled(d));
    click(d, "QDCheckBox");
    EXPECT_TRUE(listsEnabled(d));
    EXPECT_EQ(checkedId(d, "TreiberButtons"), 1);
    EXPECT_EQ(checkedId(d, "SchalterButtons"), 2);

    // A box set by code reacts like one set by hand.
    child<QCheckBox>(d, "K1CheckBox")->setChecked(true);
    EXPECT_EQ(checkedId(d, "SchalterButtons"), 1);
    EXPECT_FALSE(listsEnabled(d));
}

TEST_F(SetupDialogTest, ChoosingFaInEitherListChecksTheFaBox) {
    for (const char* item : {"TreiberItem2", "SchalterItem3"}) {
        stored(0, 0, false, false, false, 100);
        TSetupDialog* d = open();
        ASSERT_TRUE(listsEnabled(d));
        click(d, item);
        EXPECT_TRUE(child<QCheckBox>(d, "FACheckBox")->isChecked()) << item;
        EXPECT_EQ(checkedId(d, "TreiberButtons"), 2) << item;
        EXPECT_EQ(checkedId(d, "SchalterButtons"), 3) << item;
        EXPECT_FALSE(listsEnabled(d)) << item;
        d->close();
        EXPECT_EQ(main->Settings.DriverIndex, 2);
        EXPECT_EQ(main->Settings.SwitchIndex, 3);
    }
}

TEST_F(SetupDialogTest, NegativeIndexShowsNoSelectionAndIsRefusedOnClosing) {
    stored(-3, 9, false, false, false, 100);
    TSetupDialog* d = open();
    // 9 is above the switch list: its last item, the FA item, which drags the driver along.
    EXPECT_EQ(checkedId(d, "SchalterButtons"), 3);
    EXPECT_EQ(checkedId(d, "TreiberButtons"), 2);
    d->close();

    stored(-3, 0, false, false, false, 100);
    d = open();
    EXPECT_EQ(checkedId(d, "TreiberButtons"), -1);
    EXPECT_EQ(checkedId(d, "SchalterButtons"), 0);
    EXPECT_TRUE(listsEnabled(d));
    // No driver chosen names no circuit: the dialog says so and stays open.
    dialog.clear();
    d->close();
    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(dialog.messages().size(), 1u);
    EXPECT_NE(dialog.messages()[0].find("unbekannten Treiber (-1)"), std::string::npos);
    EXPECT_EQ(main->Settings.DriverIndex, -3) << "nothing taken";
    click(d, "TreiberItem0");
    d->close();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(main->Settings.DriverIndex, 0);
    EXPECT_EQ(main->Settings.SwitchIndex, 0);
}

TEST_F(SetupDialogTest, TheAn589DriverWithAnotherSwitchIsRefusedOnClosing) {
    stored(2, 3, false, false, false, 100);
    TSetupDialog* d = open();
    click(d, "FACheckBox");  // unlocks the lists, keeping the FA items
    ASSERT_TRUE(listsEnabled(d));
    click(d, "SchalterItem1");
    dialog.clear();
    d->close();
    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(dialog.messages().size(), 1u);
    EXPECT_NE(dialog.messages()[0].find("\"pnp / pnp+7407\" passen nicht zusammen"),
              std::string::npos);
    EXPECT_EQ(main->Settings.SwitchIndex, 3) << "nothing taken";
    click(d, "SchalterItem2");  // the hand switch goes with every driver
    d->close();
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(main->Settings.DriverIndex, 2);
    EXPECT_EQ(main->Settings.SwitchIndex, 2);
}

TEST_F(SetupDialogTest, AutoSpeedBoxHidesTheManualGroup) {
    stored(1, 1, false, true, false, 300);
    TSetupDialog* d = open();
    auto* group = child<QGroupBox>(d, "GroupBox1");
    EXPECT_FALSE(group->isHidden());
    click(d, "CheckBox1");
    EXPECT_TRUE(group->isHidden());
    EXPECT_TRUE(main->Settings.AutoSpeed);  // at once, not only on closing
    click(d, "CheckBox1");
    EXPECT_FALSE(group->isHidden());
    EXPECT_FALSE(main->Settings.AutoSpeed);

    child<QSlider>(d, "STrackBar")->setValue(8);
    d->close();
    EXPECT_EQ(main->Settings.DelayCount, 800);
}

TEST_F(SetupDialogTest, AutomaticSpeedIsMeasuredAndStoredInWholeHundreds) {
    struct Case {
        std::int64_t gap;
        std::int32_t measured, position, stored;
    };
    // 400 ms / elapsed x 100, rounded; the track bar shows it div 100, at most 10.
    for (const Case& c : {Case{91, 440, 4, 400}, Case{16, 2500, 10, 1000}}) {
        clock.gap = c.gap;
        stored(1, 1, false, true, true, 700);
        TSetupDialog* d = open();
        EXPECT_EQ(main->Settings.DelayCount, c.measured) << c.gap;
        EXPECT_EQ(child<QSlider>(d, "STrackBar")->value(), c.position) << c.gap;
        EXPECT_TRUE(child<QGroupBox>(d, "GroupBox1")->isHidden());
        click(d, "Button1");
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(main->Settings.DelayCount, c.stored) << c.gap;
        EXPECT_TRUE(main->Settings.AutoSpeed);
    }

    // "Test" measures again with the manual group shown.
    clock.gap = 200;
    stored(1, 1, false, true, false, 0);
    TSetupDialog* d = open();
    EXPECT_EQ(child<QSlider>(d, "STrackBar")->value(), 0);
    click(d, "SButton");
    EXPECT_EQ(main->Settings.DelayCount, 200);
    EXPECT_EQ(child<QSlider>(d, "STrackBar")->value(), 2);
}

TEST_F(SetupDialogTest, DataSheetTimingShowsTheStoredChoiceAndIsSavedInTheTimingByte) {
    stored(1, 1, false, true, false, 200);
    main->Settings.Timing = TimingMode::DataSheet;
    TSetupDialog* d = open();
    d->show();
    EXPECT_TRUE(child<QCheckBox>(d, "DatenblattCheckBox")->isChecked());
    click(d, "DatenblattCheckBox");
    EXPECT_EQ(main->Settings.Timing, TimingMode::DataSheet);  // only when closing
    click(d, "Button1");
    EXPECT_EQ(main->Settings.Timing, TimingMode::Classic);
    EXPECT_EQ(settingsFile().at(SettingsRecord::TimingOffset), 0);

    d = open();
    d->show();
    EXPECT_FALSE(child<QCheckBox>(d, "DatenblattCheckBox")->isChecked());
    click(d, "DatenblattCheckBox");
    click(d, "Button1");
    EXPECT_EQ(main->Settings.Timing, TimingMode::DataSheet);
    EXPECT_EQ(settingsFile().at(SettingsRecord::TimingOffset), 1);
}

TEST_F(SetupDialogTest, FailedSaveKeepsTheDialogOpenAndTheNewSettings) {
    RefusingOps refusing;
    main->FileSaveOps = &refusing;
    stored(1, 1, false, true, false, 200);
    TSetupDialog* d = open();
    d->show();
    click(d, "QDCheckBox");
    child<QSlider>(d, "STrackBar")->setValue(6);
    click(d, "Button1");

    EXPECT_TRUE(d->isVisible());
    ASSERT_EQ(dialog.messages().size(), 1u);
    EXPECT_NE(dialog.messages()[0].find("PKorvel.ini"), std::string::npos) << dialog.messages()[0];
    // Already in force for the rest of the run.
    EXPECT_TRUE(main->Settings.QuickAndDirty);
    EXPECT_FALSE(main->Settings.ModelK1);
    EXPECT_EQ(main->Settings.SwitchIndex, 2);
    EXPECT_EQ(main->Settings.DelayCount, 600);
    EXPECT_FALSE(main->ui()->QDLabel->isHidden());
    EXPECT_TRUE(settingsFile().isEmpty());

    // Once the file can be written, OK closes the dialog.
    main->FileSaveOps = nullptr;
    click(d, "Button1");
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(dialog.messages().size(), 1u);
    EXPECT_EQ(settingsFile().size(), 24);
}

}  // namespace
}  // namespace pk
