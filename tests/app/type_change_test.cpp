#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTest>

#include "ostrac_fixture.h"

namespace pk {
namespace {

using test::Window;

// The from-file mode without its handler, which would look for a file's word.
void setFromFileMode(Window& win, bool on) {
    const QSignalBlocker quiet(win.ui().ConfigCheckBox);
    win.ui().ConfigCheckBox->setChecked(on);
}

void choose(Window& win, int index) {
    win.ui().TypComboBox->setCurrentIndex(index);
    win.w->TypComboBoxChange();
}

TEST(TypeChange, LabelsShowTheCatalogueSizes) {
    Window win;
    for (const DeviceInfo& d : kDevices) {
        SCOPED_TRACE(std::string(d.listText));
        choose(win, d.type);
        EXPECT_EQ(win.w->Device.CurrentType, d.type);
        EXPECT_EQ(win.w->Device.ProgLastAddr, d.progLastAddr);
        EXPECT_EQ(win.w->Device.DataLastAddr, d.dataLastAddr);
        EXPECT_EQ(win.ui().FlashLabel->text(), QStringLiteral("Flash-ROM:%1 k").arg(d.flashK));
        EXPECT_EQ(win.ui().EEPROMLabel->text(),
                  QStringLiteral("EEPROM:%1 Byte").arg(d.eepromBytes));
    }
    choose(win, Dev16F73_74);
    EXPECT_EQ(win.ui().EEPROMLabel->text(), QStringLiteral("EEPROM:0 Byte"));
}

TEST(TypeChange, ClockControlsFollowTheFamily) {
    Window win;
    for (const DeviceInfo& d : kDevices) {
        SCOPED_TRACE(std::string(d.listText));
        choose(win, d.type);
        // The families with the eight oscillator modes and MCLR as a fuse.
        const ConfigLayoutTable& t = configLayoutTable(d.configLayout);
        const bool is62x = sixItemClock(t.clock);
        EXPECT_EQ(win.ui().TaktRadioGroup->isHidden(), is62x);
        EXPECT_EQ(win.ui().TaktRadioGroup1->isHidden(), !is62x);
        EXPECT_EQ(win.ui().RA5CheckBox->isHidden(), !is62x);
        EXPECT_EQ(win.ui().RA6CheckBox->isHidden(), !is62x);
        // The boxes name the pins the chip has (GP3/RA3 and OSC2 on the 8/14-pin chips).
        EXPECT_EQ(win.ui().RA5CheckBox->text().toStdString(), std::string(t.mclrPin) + " = MCLR");
        EXPECT_EQ(win.ui().RA6CheckBox->text().toStdString(),
                  std::string(t.clkoutPin) + " = CLKOUT");
        EXPECT_EQ(win.ui().TaktRadioGroup1_3->text().toStdString(),
                  std::string("EC (->") + t.clockInPin + ")");
    }
}

TEST(TypeChange, Sixteen7xDisablesTheDataCheckBoxWhileSelected) {
    Window win;
    ASSERT_TRUE(win.ui().DATACheckBox->isChecked());
    choose(win, Dev16F76_77);
    EXPECT_FALSE(win.ui().DATACheckBox->isChecked());
    EXPECT_FALSE(win.ui().DATACheckBox->isEnabled());
    EXPECT_TRUE(win.ui().DataGauge->isHidden());
    choose(win, Dev16F876_877);
    EXPECT_TRUE(win.ui().DATACheckBox->isEnabled());
    EXPECT_TRUE(win.ui().DATACheckBox->isChecked());
    EXPECT_FALSE(win.ui().DataGauge->isHidden());
}

TEST(TypeChange, Sixteen84LocksFusesItLacksEvenFromFileAndCopiesProtection) {
    Window win;
    auto& u = win.ui();
    choose(win, Dev16F876_877);
    u.WDTECheckBox->setChecked(true);
    u.PWRTECheckBox->setChecked(true);
    u.CP1CheckBox->setChecked(true);
    u.CP0CheckBox->setChecked(false);
    setFromFileMode(win, true);
    // Whatever the from-file mode did, enable everything to see what the type change does.
    for (QWidget* w :
         {static_cast<QWidget*>(u.CP0CheckBox), static_cast<QWidget*>(u.CPDCheckBox),
          static_cast<QWidget*>(u.DEBUGCheckBox), static_cast<QWidget*>(u.WRTCheckBox),
          static_cast<QWidget*>(u.LVPCheckBox), static_cast<QWidget*>(u.BODENCheckBox)}) {
        w->setEnabled(true);
    }
    choose(win, Dev16F84);
    EXPECT_TRUE(u.CP0CheckBox->isChecked());
    for (QWidget* w :
         {static_cast<QWidget*>(u.CP0CheckBox), static_cast<QWidget*>(u.CPDCheckBox),
          static_cast<QWidget*>(u.DEBUGCheckBox), static_cast<QWidget*>(u.WRTCheckBox),
          static_cast<QWidget*>(u.LVPCheckBox), static_cast<QWidget*>(u.BODENCheckBox)}) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_FALSE(w->isEnabled());
    }
    EXPECT_TRUE(u.WDTECheckBox->isChecked());
    EXPECT_TRUE(u.PWRTECheckBox->isChecked());
    EXPECT_TRUE(u.CP1CheckBox->isChecked());
    EXPECT_FALSE(u.DATACheckBox->isHidden());
}

TEST(TypeChange, Sixteen87xEnablesItsFusesOnlyOutsideFromFileMode) {
    Window win;
    auto& u = win.ui();
    choose(win, Dev16F873_874);
    for (QCheckBox* b : {u.CP0CheckBox, u.CPDCheckBox, u.DEBUGCheckBox, u.WRTCheckBox,
                         u.LVPCheckBox, u.BODENCheckBox}) {
        EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
    }
    choose(win, Dev16F84);
    setFromFileMode(win, true);
    choose(win, Dev16F870_872);
    // What the 16F84 locked stays locked while the file's word is in charge.
    EXPECT_FALSE(u.DEBUGCheckBox->isEnabled());
    EXPECT_FALSE(u.CPDCheckBox->isEnabled());
}

TEST(TypeChange, Sixteen7xHasOneProtectionSettingAndBrownOut) {
    Window win;
    auto& u = win.ui();
    choose(win, Dev16F876_877);
    u.CP1CheckBox->setChecked(true);
    choose(win, Dev16F73_74);
    EXPECT_TRUE(u.CP0CheckBox->isChecked());
    EXPECT_TRUE(u.BODENCheckBox->isEnabled());
    for (QCheckBox* b :
         {u.CP0CheckBox, u.CPDCheckBox, u.DEBUGCheckBox, u.WRTCheckBox, u.LVPCheckBox}) {
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    }
}

TEST(TypeChange, Sixteen62xEnablesClockOutOnlyForInternalOrErOscillator) {
    Window win;
    auto& u = win.ui();
    ASSERT_EQ(u.TaktButtonGroup1->checkedId(), 1);  // XT
    choose(win, Dev16F627);
    EXPECT_FALSE(u.RA6CheckBox->isEnabled());
    EXPECT_TRUE(u.RA5CheckBox->isEnabled());
    EXPECT_TRUE(u.CP0CheckBox->isEnabled());
    EXPECT_TRUE(u.LVPCheckBox->isEnabled());
    EXPECT_TRUE(u.BODENCheckBox->isEnabled());
    EXPECT_FALSE(u.CPDCheckBox->isEnabled());
    EXPECT_FALSE(u.DEBUGCheckBox->isEnabled());
    EXPECT_FALSE(u.WRTCheckBox->isEnabled());

    u.TaktButtonGroup1->button(3)->setChecked(true);  // EC
    choose(win, Dev16F628);
    EXPECT_FALSE(u.RA6CheckBox->isEnabled());
    u.TaktButtonGroup1->button(4)->setChecked(true);  // INTRC
    choose(win, Dev16F628);
    EXPECT_TRUE(u.RA6CheckBox->isEnabled());

    // In from-file mode the file's word decides: both pin fuses locked.
    setFromFileMode(win, true);
    u.RA5CheckBox->setEnabled(true);
    u.RA6CheckBox->setEnabled(true);
    choose(win, Dev16F627);
    EXPECT_FALSE(u.RA5CheckBox->isEnabled());
    EXPECT_FALSE(u.RA6CheckBox->isEnabled());
}

TEST(TypeChange, NoSelectedItemKeepsEverythingButTheType) {
    Window win;
    auto& u = win.ui();
    choose(win, Dev16F876_877);
    u.DEBUGCheckBox->setEnabled(false);
    choose(win, -1);
    EXPECT_EQ(win.w->Device.CurrentType, -1);
    EXPECT_EQ(win.w->Device.ProgLastAddr, 0x1FFF);
    EXPECT_EQ(win.w->Device.DataLastAddr, 0xFF);
    EXPECT_EQ(u.FlashLabel->text(), QStringLiteral("Flash-ROM:8 k"));
    EXPECT_EQ(u.EEPROMLabel->text(), QStringLiteral("EEPROM:256 Byte"));
    EXPECT_FALSE(u.DEBUGCheckBox->isEnabled());
    EXPECT_FALSE(u.TaktRadioGroup->isHidden());
}

TEST(TypeChange, LeavesImageAndDeviceIdMarkAlone) {
    Window win({QStringLiteral("/p16f84a")});
    win.w->Image.HexWords[5] = 0x1234;
    choose(win, Dev16F628);
    choose(win, Dev16F84);
    EXPECT_TRUE(win.w->Device.Is84A);
    EXPECT_EQ(win.w->Image.HexWords[5], 0x1234);
}

TEST(TypeChange, UserPickClearsProtectionFindingsAndPanelEvenForSameType) {
    Window win;
    auto& u = win.ui();
    u.FCPLabel->setText(QStringLiteral("codeprotected"));
    u.ECPLabel->setText(QStringLiteral("codeprotected"));
    win.w->setPanel(1, QStringLiteral("Chip-Revision: 3"));
    win.w->setPanel(0, QStringLiteral("a.hex"));
    win.w->TypComboBoxClick();
    EXPECT_TRUE(u.FCPLabel->text().isEmpty());
    EXPECT_TRUE(u.ECPLabel->text().isEmpty());
    EXPECT_TRUE(win.w->panel(1).isEmpty());
    EXPECT_EQ(win.w->panel(0), QStringLiteral("a.hex"));

    // Picking from the list runs click and change.
    u.TypComboBox->setEnabled(true);
    u.FCPLabel->setText(QStringLiteral("codeprotected"));
    emit u.TypComboBox->activated(0);
    EXPECT_TRUE(u.FCPLabel->text().isEmpty());
    u.TypComboBox->setCurrentIndex(Dev16F628);
    emit u.TypComboBox->activated(Dev16F628);
    EXPECT_EQ(win.w->Device.CurrentType, Dev16F628);
}

TEST(TypeChange, ProgramGaugeFollowsTheChipSize) {
    Window win;
    auto& u = win.ui();
    // No file: u stops at 1, 0 % in blue.
    EXPECT_EQ(u.ProgGauge->value(), 0);
    win.w->Image.HexWords[0x1FFF] = 0x3FFF;
    choose(win, Dev16F84);
    EXPECT_EQ(u.ProgGauge->value(), 100);
    EXPECT_EQ(u.ProgGauge->text(), QStringLiteral("800 %"));
    EXPECT_EQ(u.ProgGauge->palette().color(QPalette::Highlight), QColor(255, 0, 0));
    choose(win, Dev16F876_877);
    EXPECT_EQ(u.ProgGauge->value(), 100);
    EXPECT_EQ(u.ProgGauge->palette().color(QPalette::Highlight), QColor(255, 255, 0));
}

}  // namespace
}  // namespace pk
