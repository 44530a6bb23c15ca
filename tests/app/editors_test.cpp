// The configuration word editor and the ID display, driven through the real
// main window: controls are found by their object names, as a user finds them
// by their captions.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QToolButton>

#include "ostrac.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

class EditorsTest : public ::testing::Test {
  protected:
    EditorsTest() {
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.arguments = {QStringLiteral("pkorvel")};
        w = std::make_unique<TOstrac>(deps);
    }

    template <class T = QCheckBox>
    T* get(const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QCheckBox* box(const char* name) { return get<QCheckBox>(name); }
    QRadioButton* radio(const char* name) { return get<QRadioButton>(name); }

    void selectType(int index) {
        get<QComboBox>("TypComboBox")->setCurrentIndex(index);
        w->TypComboBoxChange();
    }
    // Every fuse box off, as a starting point for building a word.
    void clearFuses() {
        for (const char* n : {"CP1CheckBox", "CP0CheckBox", "CPDCheckBox", "DEBUGCheckBox",
                              "WRTCheckBox", "LVPCheckBox", "BODENCheckBox", "RA5CheckBox",
                              "RA6CheckBox", "PWRTECheckBox", "WDTECheckBox"}) {
            box(n)->setChecked(false);
        }
    }
    // The file gives a configuration word (as the HEX reader would have stored it).
    void fileConfig(std::uint16_t word) {
        w->Image.HexLoaded = true;
        w->Image.HexWords[MemoryImage::ConfigAddr] = word;
    }

    ScriptedDialog dialog;
    VirtualClock clock;
    OstracDeps deps;
    std::unique_ptr<TOstrac> w;
};

TEST_F(EditorsTest, StartsWithTheDefaults) {
    EXPECT_FALSE(box("ConfigCheckBox")->isChecked());
    EXPECT_FALSE(box("IDCheckBox")->isChecked());
    EXPECT_TRUE(box("DEBUGCheckBox")->isChecked());
    EXPECT_TRUE(radio("TaktRadioGroup_1")->isChecked());
    EXPECT_TRUE(radio("TaktRadioGroup1_1")->isChecked());
    EXPECT_FALSE(box("RA6CheckBox")->isEnabled());
    EXPECT_FALSE(get<QLabel>("IDLabel")->isEnabled());
    EXPECT_TRUE(get<QToolButton>("ToolButton12")->isEnabled());
}

TEST_F(EditorsTest, ControlsBuildTheWordOfTheSelectedType) {
    selectType(Dev16F84);
    clearFuses();
    box("CP1CheckBox")->setChecked(true);
    box("PWRTECheckBox")->setChecked(true);
    box("WDTECheckBox")->setChecked(true);
    radio("TaktRadioGroup_1")->setChecked(true);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x000D);
    box("CP1CheckBox")->setChecked(false);
    box("PWRTECheckBox")->setChecked(false);
    box("WDTECheckBox")->setChecked(false);
    radio("TaktRadioGroup_0")->setChecked(true);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x3FF0);

    selectType(Dev16F876_877);
    clearFuses();
    box("DEBUGCheckBox")->setChecked(true);
    box("BODENCheckBox")->setChecked(true);
    box("PWRTECheckBox")->setChecked(true);
    radio("TaktRadioGroup_2")->setChecked(true);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord,
              0x0400 + 0x2020 + 0x1010 + 0x0800 + 0x0100 + 0x0040 + 0x0008 + 0x0002);

    selectType(Dev16F628);
    clearFuses();
    radio("TaktRadioGroup1_4")->setChecked(true);
    box("RA6CheckBox")->setChecked(true);
    box("RA5CheckBox")->setChecked(true);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x0200 + 0x2800 + 0x1400 + 0x0100 + 0x0020 + 0x0011);

    selectType(Dev16F73_74);
    clearFuses();
    box("BODENCheckBox")->setChecked(true);
    radio("TaktRadioGroup_1")->setChecked(true);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x3FA0 + 0x0010 + 0x0040 + 0x0001);
    box("CP1CheckBox")->setChecked(true);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x3FA0 + 0x0040 + 0x0001);
}

TEST_F(EditorsTest, FileWordSetsAndLocksTheControls) {
    selectType(Dev16F627);
    fileConfig(0x0200 + 0x2800 + 0x1400 + 0x0100 + 0x0020 + 0x0011 + 0x0008);
    box("CP1CheckBox")->setChecked(true);  // the file's word must win
    box("WDTECheckBox")->setChecked(true);
    box("ConfigCheckBox")->setChecked(true);
    EXPECT_TRUE(radio("TaktRadioGroup1_4")->isChecked());
    EXPECT_TRUE(box("RA6CheckBox")->isChecked());
    EXPECT_FALSE(box("RA6CheckBox")->isEnabled()) << "the file decides CLKOUT too";
    EXPECT_TRUE(box("RA5CheckBox")->isChecked());
    EXPECT_FALSE(box("CP1CheckBox")->isChecked());
    EXPECT_FALSE(box("CP0CheckBox")->isChecked());
    EXPECT_FALSE(box("CPDCheckBox")->isChecked());
    EXPECT_TRUE(box("PWRTECheckBox")->isChecked());
    EXPECT_FALSE(box("WDTECheckBox")->isChecked());
    for (const char* n : {"CP1CheckBox", "WDTECheckBox", "PWRTECheckBox", "RA5CheckBox",
                          "LVPCheckBox", "BODENCheckBox"}) {
        EXPECT_FALSE(box(n)->isEnabled()) << n;
    }
    EXPECT_FALSE(get<QWidget>("TaktRadioGroup1")->isEnabled());
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x3F39);

    // Leaving the from-file mode unlocks what the type uses.
    box("ConfigCheckBox")->setChecked(false);
    EXPECT_TRUE(box("CP1CheckBox")->isEnabled());
    EXPECT_TRUE(box("WDTECheckBox")->isEnabled());
    EXPECT_TRUE(get<QWidget>("TaktRadioGroup1")->isEnabled());
    EXPECT_FALSE(box("DEBUGCheckBox")->isEnabled()) << "the 16F627 has no debug fuse";
}

TEST_F(EditorsTest, NewerChipsShowTheirOwnControlsAndOlderOnesKeepTheirs) {
    const auto shown = [&](const char* n) { return get<QWidget>(n)->isVisibleTo(w.get()); };
    selectType(Dev16F87_88);
    EXPECT_EQ(box("CP1CheckBox")->text(), "Codeprotection gesamt");
    EXPECT_FALSE(shown("CP0CheckBox"));
    EXPECT_FALSE(shown("WRTCheckBox"));
    for (const char* n : {"WRTComboBox", "CCPMXCheckBox", "FCMENCheckBox", "IESOCheckBox"}) {
        EXPECT_TRUE(shown(n)) << n;
        EXPECT_TRUE(get<QWidget>(n)->isEnabled()) << n;
    }
    EXPECT_EQ(get<QComboBox>("WRTComboBox")->count(), 4);

    // Write protection "mittel" is WRT1:0 = 01, CCP1 on RB3 clears CCPMX, and the
    // second word follows its two boxes.
    clearFuses();
    get<QComboBox>("WRTComboBox")->setCurrentIndex(2);
    box("CCPMXCheckBox")->setChecked(true);
    box("FCMENCheckBox")->setChecked(false);
    radio("TaktRadioGroup1_1")->setChecked(true);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x2000 + 0x0200 + 0x0100 + 0x0001);
    EXPECT_EQ(w->Image.ConfigWord2, 0x3FFE);

    // A file's two words set and lock them.
    fileConfig(0x3FFF & ~0x2000 & ~0x0600);
    w->Image.HexWords[MemoryImage::Config2Addr] = 0x3FFD;
    box("ConfigCheckBox")->setChecked(true);
    EXPECT_TRUE(box("CP1CheckBox")->isChecked());
    EXPECT_EQ(get<QComboBox>("WRTComboBox")->currentIndex(), 3);
    EXPECT_FALSE(box("CCPMXCheckBox")->isChecked());
    EXPECT_TRUE(box("FCMENCheckBox")->isChecked());
    EXPECT_FALSE(box("IESOCheckBox")->isChecked());
    for (const char* n : {"WRTComboBox", "CCPMXCheckBox", "FCMENCheckBox", "IESOCheckBox"}) {
        EXPECT_FALSE(get<QWidget>(n)->isEnabled()) << n;
    }
    box("ConfigCheckBox")->setChecked(false);

    // The 16F818 has the CCP1 pin but no second word; the 16F877A neither.
    selectType(Dev16F818);
    EXPECT_TRUE(shown("CCPMXCheckBox"));
    EXPECT_FALSE(shown("FCMENCheckBox"));
    selectType(Dev16F876A_877A);
    EXPECT_TRUE(shown("WRTComboBox"));
    EXPECT_FALSE(shown("CCPMXCheckBox"));

    // The older chips keep their two protection boxes and the write box.
    selectType(Dev16F876_877);
    EXPECT_EQ(box("CP1CheckBox")->text(), "oberer Bereich");
    EXPECT_TRUE(shown("CP0CheckBox"));
    EXPECT_TRUE(shown("WRTCheckBox"));
    for (const char* n : {"WRTComboBox", "CCPMXCheckBox", "FCMENCheckBox", "IESOCheckBox"}) {
        EXPECT_FALSE(shown(n)) << n;
    }
}

// What each of the newest layouts shows: its table's controls, nothing of a
// family it is not.
TEST_F(EditorsTest, NewestLayoutsShowTheControlsTheirTablesName) {
    struct Case {
        std::int32_t type;
        std::vector<const char*> shown, hidden, enabled, disabled;
        int borItems;
        const char* intosc;
    };
    const Case cases[] = {
        {Dev16F886_887,
         {"BORComboBox", "BORVCheckBox", "WRTComboBox", "FCMENCheckBox", "IESOCheckBox",
          "TaktRadioGroup1", "RA5CheckBox"},
         {"BODENCheckBox", "CCPMXCheckBox", "IOSCFSCheckBox", "CP0CheckBox", "WRTCheckBox",
          "TaktRadioGroup"},
         {"LVPCheckBox", "DEBUGCheckBox", "CPDCheckBox", "BORComboBox", "BORVCheckBox"},
         {},
         4,
         "INTOSC (8MHz)"},
        {Dev16F685_689_690,
         {"BORComboBox", "FCMENCheckBox", "IESOCheckBox", "WRTCheckBox"},
         {"BODENCheckBox", "BORVCheckBox", "IOSCFSCheckBox", "WRTComboBox", "CCPMXCheckBox"},
         {"CPDCheckBox", "RA5CheckBox"},
         {"LVPCheckBox", "DEBUGCheckBox", "WRTCheckBox"},
         4,
         "INTOSC (8MHz)"},
        {Dev16F916_917_946,
         {"BORComboBox", "FCMENCheckBox"},
         {"BORVCheckBox", "WRTComboBox"},
         {"DEBUGCheckBox", "CPDCheckBox"},
         {"LVPCheckBox"},
         4,
         "INTOSC (8MHz)"},
        {Dev16F616,
         {"BORComboBox", "IOSCFSCheckBox"},
         {"FCMENCheckBox", "Config2Row", "BORVCheckBox", "BODENCheckBox"},
         {"IOSCFSCheckBox"},
         {"CPDCheckBox", "LVPCheckBox", "DEBUGCheckBox"},
         3,
         "INTOSC (4/8MHz)"},
        {Dev16F716,
         {"BODENCheckBox", "BORVCheckBox", "TaktRadioGroup"},
         {"BORComboBox", "TaktRadioGroup1", "FCMENCheckBox", "IOSCFSCheckBox", "CP0CheckBox"},
         {"BODENCheckBox", "BORVCheckBox"},
         {"CPDCheckBox", "LVPCheckBox", "DEBUGCheckBox", "WRTCheckBox"},
         -1,
         nullptr},
        {Dev12F629_675,  // an older layout keeps its panel
         {"BODENCheckBox", "TaktRadioGroup1"},
         {"BORComboBox", "BORVCheckBox", "IOSCFSCheckBox", "Config2Row"},
         {},
         {},
         -1,
         "INTRC (4Mhz)"},
    };
    const auto shown = [&](const char* n) { return get<QWidget>(n)->isVisibleTo(w.get()); };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(deviceInfo(k.type)->listText));
        selectType(k.type);
        for (const char* n : k.shown) {
            EXPECT_TRUE(shown(n)) << n;
        }
        for (const char* n : k.hidden) {
            EXPECT_FALSE(shown(n)) << n;
        }
        for (const char* n : k.enabled) {
            EXPECT_TRUE(get<QWidget>(n)->isEnabled()) << n;
        }
        for (const char* n : k.disabled) {
            EXPECT_FALSE(get<QWidget>(n)->isEnabled()) << n;
        }
        if (k.borItems > 0) {
            EXPECT_EQ(get<QComboBox>("BORComboBox")->count(), k.borItems);
        }
        if (k.intosc != nullptr) {
            EXPECT_EQ(radio("TaktRadioGroup1_4")->text().toStdString(), k.intosc);
        }
    }
}

TEST_F(EditorsTest, SixteenF887BothWordsByHandAndFromFile) {
    selectType(Dev16F886_887);
    clearFuses();
    auto* bor = get<QComboBox>("BORComboBox");
    bor->setCurrentIndex(bor->findText(QStringLiteral("BOR an, aus im Sleep")));
    box("BORVCheckBox")->setChecked(false);
    get<QComboBox>("WRTComboBox")->setCurrentIndex(1);
    box("FCMENCheckBox")->setChecked(false);
    box("IESOCheckBox")->setChecked(true);
    box("DEBUGCheckBox")->setChecked(true);
    box("RA5CheckBox")->setChecked(true);
    radio("TaktRadioGroup1_4")->setChecked(true);
    w->SetConfiguration();
    // DEBUG off, IESO, BOREN 10, CPD and CP open, MCLR, INTOSCIO.
    EXPECT_EQ(w->Image.ConfigWord, 0x26E4);
    // WRT1:0 = 10, BOR4V clear, the rest ones.
    EXPECT_EQ(w->Image.ConfigWord2, 0x3CFF);

    // Debugger, LVP, FCMEN, BOR on, INTOSC with CLKOUT; WRT1:0 = 01, BOR4V.
    fileConfig(0x1BC5);
    w->Image.HexWords[MemoryImage::Config2Addr] = 0x3BFF;
    box("ConfigCheckBox")->setChecked(true);
    EXPECT_FALSE(box("DEBUGCheckBox")->isChecked());
    EXPECT_TRUE(box("LVPCheckBox")->isChecked());
    EXPECT_TRUE(box("FCMENCheckBox")->isChecked());
    EXPECT_FALSE(box("IESOCheckBox")->isChecked());
    EXPECT_EQ(bor->currentText(), QStringLiteral("BOR an"));
    EXPECT_FALSE(box("RA5CheckBox")->isChecked());
    EXPECT_TRUE(radio("TaktRadioGroup1_4")->isChecked());
    EXPECT_TRUE(box("RA6CheckBox")->isChecked());
    EXPECT_EQ(get<QComboBox>("WRTComboBox")->currentIndex(), 2);
    EXPECT_TRUE(box("BORVCheckBox")->isChecked());
    for (const char* n : {"BORComboBox", "BORVCheckBox", "WRTComboBox", "FCMENCheckBox",
                          "IESOCheckBox", "LVPCheckBox", "DEBUGCheckBox"}) {
        EXPECT_FALSE(get<QWidget>(n)->isEnabled()) << n;
    }
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x1BC5);
    EXPECT_EQ(w->Image.ConfigWord2, 0x3BFF);
    box("ConfigCheckBox")->setChecked(false);
    EXPECT_TRUE(bor->isEnabled());
    EXPECT_TRUE(box("BORVCheckBox")->isEnabled());
}

// The brown-out list keeps the chosen mode across types where the new list has it.
TEST_F(EditorsTest, BrownOutModeFollowsTheTypeWhereItExists) {
    auto* bor = get<QComboBox>("BORComboBox");
    struct Case {
        const char* chosen;
        std::int32_t next;
        const char* shown;
    };
    const Case cases[] = {
        {"BOR an", Dev16F616, "BOR an"},
        {"BOR an, aus im Sleep", Dev16F616, "BOR an, aus im Sleep"},
        {"BOR per SBOREN", Dev16F616, "BOR aus"},
        {"BOR per SBOREN", Dev16F684, "BOR per SBOREN"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.chosen) + " then " + std::string(deviceInfo(k.next)->listText));
        selectType(Dev16F883_884);
        bor->setCurrentIndex(bor->findText(QString::fromUtf8(k.chosen)));
        selectType(Dev16F87_88);  // a type without the list in between
        selectType(k.next);
        EXPECT_EQ(bor->currentText().toStdString(), k.shown);
    }
}

TEST_F(EditorsTest, FileWordOfA16F7xCopiesProtectionIntoTheLowerBox) {
    selectType(Dev16F76_77);
    fileConfig(0x3FA0 + 0x0040 + 0x0002);  // protected, BOD, HS
    const int cp1Runs = w->editorRuns.cp1CheckBox;
    box("ConfigCheckBox")->setChecked(true);
    EXPECT_TRUE(box("CP1CheckBox")->isChecked());
    EXPECT_TRUE(box("CP0CheckBox")->isChecked());
    EXPECT_TRUE(box("BODENCheckBox")->isChecked());
    EXPECT_TRUE(radio("TaktRadioGroup_2")->isChecked());
    EXPECT_EQ(w->editorRuns.cp1CheckBox, cp1Runs + 1);
}

TEST_F(EditorsTest, MissingConfigWordLeavesTheFromFileMode) {
    selectType(Dev16F876_877);
    fileConfig(0x3D7A);
    box("ConfigCheckBox")->setChecked(true);
    ASSERT_TRUE(box("ConfigCheckBox")->isChecked());
    ASSERT_FALSE(box("CP1CheckBox")->isEnabled());

    // A file without configuration word is loaded while the mode is on.
    w->Image.clear();
    const int runs = w->editorRuns.configCheckBox;
    w->UpdateConfigButtons();
    EXPECT_FALSE(box("ConfigCheckBox")->isChecked());
    EXPECT_EQ(w->panel(1), QStringLiteral("keine Config einstellung im HEX-File enthalten"));
    EXPECT_EQ(w->editorRuns.configCheckBox, runs + 1) << "one run for the one change";
    for (const char* n : {"CP1CheckBox", "CP0CheckBox", "DEBUGCheckBox", "WRTCheckBox",
                          "LVPCheckBox", "BODENCheckBox", "WDTECheckBox", "PWRTECheckBox"}) {
        EXPECT_TRUE(box(n)->isEnabled()) << n;
    }
    EXPECT_EQ(w->Image.ConfigWord, 0xFFFF);
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x3D7A) << "the controls still hold the last file's word";

    // The next file has one again: the notice goes.
    fileConfig(0x3D7A);
    box("ConfigCheckBox")->setChecked(true);
    EXPECT_EQ(w->panel(1), QString());
}

TEST_F(EditorsTest, ConfigurationWithoutFile) {
    const int runs = w->editorRuns.configCheckBox;
    box("ConfigCheckBox")->setChecked(true);
    EXPECT_FALSE(box("ConfigCheckBox")->isChecked());
    EXPECT_EQ(w->panel(1), QStringLiteral("kein HEX-File geladen"));
    EXPECT_EQ(w->editorRuns.configCheckBox, runs + 2) << "checked once, unchecked once";
    EXPECT_TRUE(box("CP1CheckBox")->isEnabled());
    EXPECT_FALSE(box("CP0CheckBox")->isEnabled()) << "16F84: one protection setting";
}

TEST_F(EditorsTest, IdLocationsWithoutFile) {
    const int idRuns = w->editorRuns.idCheckBox;
    const int updateRuns = w->editorRuns.updateId;
    box("IDCheckBox")->setChecked(true);
    EXPECT_FALSE(box("IDCheckBox")->isChecked());
    EXPECT_EQ(w->panel(1), QStringLiteral("kein HEX-File geladen"));
    EXPECT_TRUE(get<QToolButton>("ToolButton12")->isEnabled());
    EXPECT_EQ(get<QLabel>("IDLabel")->text(), QStringLiteral("ID: xx  xx  xx  xx  "));
    EXPECT_FALSE(get<QLabel>("IDLabel")->isEnabled());
    // Checking runs the handler, whose first UpdateID unchecks the box: the nested
    // handler runs UpdateID twice, then the outer one its second time.
    EXPECT_EQ(w->editorRuns.idCheckBox, idRuns + 2);
    EXPECT_EQ(w->editorRuns.updateId, updateRuns + 4);
}

TEST_F(EditorsTest, IdLocationsFromFileAndFromTheEditor) {
    w->Image.IdEdited = {5, MemoryImage::IdNone, 12, 0};
    w->UpdateID();
    EXPECT_EQ(get<QLabel>("IDLabel")->text(), QStringLiteral("ID: 5  xx  12  0  "));
    EXPECT_TRUE(get<QLabel>("IDLabel")->isEnabled());
    EXPECT_EQ(w->Image.IdWords, w->Image.IdEdited);

    w->Image.HexLoaded = true;
    w->Image.HexWords[0x2000] = 1;
    w->Image.HexWords[0x2001] = 0x3FFF;
    w->Image.HexWords[0x2003] = 3;
    box("IDCheckBox")->setChecked(true);
    EXPECT_TRUE(box("IDCheckBox")->isChecked());
    EXPECT_FALSE(get<QToolButton>("ToolButton12")->isEnabled());
    EXPECT_EQ(get<QLabel>("IDLabel")->text(), QStringLiteral("ID: 1  16383  xx  3  "));
    EXPECT_EQ(w->Image.IdWords[2], 0xFFFF);

    // The file has no ID words: the box goes off, the editor's values return.
    w->Image.clear();
    box("IDCheckBox")->setChecked(false);
    box("IDCheckBox")->setChecked(true);
    EXPECT_FALSE(box("IDCheckBox")->isChecked());
    EXPECT_EQ(w->panel(1), QStringLiteral("keine ID-Information im HEX-File enthalten"));
    EXPECT_EQ(get<QLabel>("IDLabel")->text(), QStringLiteral("ID: 5  xx  12  0  "));
    EXPECT_TRUE(get<QLabel>("IDLabel")->isEnabled());
    EXPECT_TRUE(get<QToolButton>("ToolButton12")->isEnabled());

    // A file with ID words again: the notice is no longer true and goes.
    w->Image.HexWords[0x2000] = 7;
    box("IDCheckBox")->setChecked(true);
    EXPECT_TRUE(box("IDCheckBox")->isChecked());
    EXPECT_EQ(w->panel(1), QString());
    // Other texts in the panel are not the ID box's to clear.
    w->setPanel(1, QStringLiteral("Korvel gefunden an LPT 1"));
    w->UpdateID();
    EXPECT_EQ(w->panel(1), QStringLiteral("Korvel gefunden an LPT 1"));
}

TEST_F(EditorsTest, ClockChoiceEnablesClkout) {
    selectType(Dev16F627);
    const int runs = w->editorRuns.taktRadioGroup1;
    radio("TaktRadioGroup1_3")->click();  // EC
    EXPECT_FALSE(box("RA6CheckBox")->isEnabled());
    radio("TaktRadioGroup1_5")->click();  // ER
    EXPECT_TRUE(box("RA6CheckBox")->isEnabled());
    radio("TaktRadioGroup1_4")->setChecked(true);  // INTRC, from code
    EXPECT_TRUE(box("RA6CheckBox")->isEnabled());
    radio("TaktRadioGroup1_1")->setChecked(true);  // XT
    EXPECT_FALSE(box("RA6CheckBox")->isEnabled());
    EXPECT_EQ(w->editorRuns.taktRadioGroup1, runs + 4) << "one run per change of item";
}

TEST_F(EditorsTest, LowerProtectionFollowsUpperOnlyWithOneSetting) {
    selectType(Dev16F84);
    const int runs = w->editorRuns.cp1CheckBox;
    box("CP1CheckBox")->setChecked(true);
    EXPECT_TRUE(box("CP0CheckBox")->isChecked());
    box("CP1CheckBox")->setChecked(false);
    EXPECT_FALSE(box("CP0CheckBox")->isChecked());
    EXPECT_EQ(w->editorRuns.cp1CheckBox, runs + 2);

    selectType(Dev16F876_877);
    box("CP1CheckBox")->setChecked(true);
    EXPECT_FALSE(box("CP0CheckBox")->isChecked());
}

TEST_F(EditorsTest, DataBoxKeepsTheUsersChoice) {
    selectType(Dev16F84);
    QCheckBox* data = box("DATACheckBox");
    data->setChecked(false);
    const int runs = w->editorRuns.dataCheckBox;
    data->setChecked(true);
    EXPECT_TRUE(data->isChecked()) << "no file, but Lesen and Löschen want the EEPROM";
    EXPECT_EQ(w->editorRuns.dataCheckBox, runs + 1);
    EXPECT_TRUE(w->dataWanted);
    data->setChecked(false);
    EXPECT_FALSE(w->dataWanted);
    selectType(Dev16F628);
    data->setChecked(true);
    EXPECT_TRUE(data->isChecked());
    w->DATACheckBoxClick();
    EXPECT_TRUE(data->isChecked());
}

// Through the load command, with files gpasm wrote.
TEST_F(EditorsTest, LoadingTakesConfigurationFromTheFile) {
    const std::string dir = std::string(PKORVEL_TEST_DATA) + "/config/";
    selectType(Dev16F628);
    dialog.queueFileAnswer(dir + "f628_intrc_clkout.hex");
    w->ToolButton1Click();
    EXPECT_TRUE(box("ConfigCheckBox")->isChecked());
    EXPECT_TRUE(radio("TaktRadioGroup1_4")->isChecked());
    EXPECT_TRUE(box("RA6CheckBox")->isChecked());
    EXPECT_FALSE(box("RA6CheckBox")->isEnabled());
    EXPECT_TRUE(box("RA5CheckBox")->isChecked());
    EXPECT_TRUE(box("PWRTECheckBox")->isChecked());
    EXPECT_FALSE(box("CP1CheckBox")->isEnabled());
    // The file has neither ID words nor EEPROM data.
    EXPECT_FALSE(box("IDCheckBox")->isChecked());
    EXPECT_FALSE(box("DATACheckBox")->isChecked());
    EXPECT_EQ(w->panel(1), QStringLiteral("keine ID-Information im HEX-File enthalten"));
    w->SetConfiguration();
    EXPECT_EQ(w->Image.ConfigWord, 0x3F39);

    // The file is read again before a burn; now it has no configuration word.
    selectType(Dev16F876_877);
    w->Image.HexFileName = dir + "no_config.hex";
    const int runs = w->editorRuns.configCheckBox;
    w->loadFile();
    EXPECT_FALSE(box("ConfigCheckBox")->isChecked());
    EXPECT_EQ(w->panel(1), QStringLiteral("keine Config einstellung im HEX-File enthalten"));
    EXPECT_EQ(w->editorRuns.configCheckBox, runs + 1);
    EXPECT_TRUE(box("CP1CheckBox")->isEnabled());
    EXPECT_TRUE(box("WRTCheckBox")->isEnabled());
}

}  // namespace
}  // namespace pk
