#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <optional>

#include "device/family.h"
#include "ostrac.h"
#include "ostrac_fixture.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

using test::Window;

TEST(Ostrac, StartsWithCaptionAndBlankImage) {
    ScriptedDialog dialog;
    VirtualClock clock;
    OstracDeps deps;
    deps.dialog = &dialog;
    deps.clock = &clock;
    deps.arguments = {QStringLiteral("pkorvel")};
    TOstrac w(deps);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("ParallelportKorvel Version 2.2 (Velmor)"));
    EXPECT_FALSE(w.Image.HexLoaded);
}

// One row per control of the main window: what a user sees before anything happened.
struct ControlRow {
    const char* name;
    const char* text;  // button/label text or group title; nullptr: not checked
    const char* tip;   // tool tip; nullptr: none expected
    bool enabled;
    bool hidden;
    std::optional<bool> checked;
};

QString shownText(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        return b->text();
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        return l->text();
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        return g->title();
    }
    return {};
}

// clang-format off
const ControlRow kStartControls[] = {
    // Tool bar
    {"ToolButton1",  nullptr, "HEX-File laden",                true,  false, {}},
    {"ToolButton2",  nullptr, "Hex-File speichern",            false, false, {}},
    {"ToolButton3",  nullptr, "Korvel suchen",                 true,  false, {}},
    {"ToolButton6",  nullptr, "Hardwareeinstellung",           true,  false, {}},
    {"ToolButton8",  nullptr, "grafische Speicherdarstellung", true,  false, {}},
    {"ToolButton9",  nullptr, "HEX-Datei anzeigen",            true,  false, {}},
    {"ToolButton11", nullptr, "Assembler-Code anzeigen",       true,  false, {}},
    {"ToolButton12", nullptr, "ID Editor",                     true,  false, {}},
    {"ToolButton7",  nullptr, "Programminfo",                  true,  false, {}},
    {"ToolButton13", nullptr, "Help",                          true,  false, {}},
    {"ToolButton5",  nullptr, "Ende",                          true,  false, {}},
    // PIC-Typ
    {"PicTypGroupBox", "PIC-Typ", nullptr,                    true,  false, {}},
    {"TypComboBox",  nullptr, nullptr,                         false, false, {}},
    {"DetectBTN",    "Autodetect", "PIC Typ ermitteln",        false, false, {}},
    {"FlashLabel",   "Flash-ROM:1 k", nullptr,                 true,  false, {}},
    {"EEPROMLabel",  "EEPROM:64 Byte", nullptr,                true,  false, {}},
    {"FCPLabel",     "", nullptr,                              true,  false, {}},
    {"ECPLabel",     "", nullptr,                              true,  false, {}},
    // PIC-Setup (16F84/84A selected)
    {"SetupGroupBox",   "PIC-Setup", nullptr,                  true,  false, {}},
    {"TaktRadioGroup",  "Taktgenerator", "Taktquelle einstellen", true, false, {}},
    {"TaktRadioGroup1", "Taktgenerator", "Taktquelle einstellen", true, true, {}},
    {"RA5CheckBox",  "RA5 = MCLR", nullptr,                    true,  true,  false},
    {"RA6CheckBox",  "RA6 = CLKOUT", nullptr,                  false, true,  false},
    {"WDTECheckBox", "Watchdog on", "Watchdog-Timer aktivieren", true, false, false},
    {"BODENCheckBox", "Brown out Reset enable", "Reset bei Betriebsspannungsaussetzern aktiviern", false, false, false},
    {"PWRTECheckBox", "Power up Timer OFF", "72 ms Verzögerung beim Einschalten", true, false, false},
    {"WRTCheckBox",  "ProgMem Write Enable", "Schreiben in Programmspeicher erlauben", false, false, false},
    {"LVPCheckBox",  "LV-Programming enable", "5-V-Programmierungsbit einschalten (unbedeutend)", false, false, false},
    {"DEBUGCheckBox", "Debug OFF", "Debug-Mode des 16F8xx abschalten", false, false, true},
    {"CodeprotectionGroupBox", "Codeprotection", nullptr,      true,  false, {}},
    {"CP1CheckBox",  "oberer Bereich", "1. Hälfte der Programmspeichers schützen (16F84/7x: ganzer Speicher)", true, false, false},
    {"CP0CheckBox",  "unterer Bereich", "2. Hälfte der Programmspeichers schützen", false, false, false},
    {"CPDCheckBox",  "Data-EEPROM", "Daten-EEPROM schützen",   false, false, false},
    {"FromFileGroupBox", "aus HEX-File lesen", nullptr,        true,  false, {}},
    {"ConfigCheckBox", "Configuration", "es gelten, wenn vorhanden, nur die Config Informationen aus dem HEX-File", true, false, false},
    {"IDCheckBox",   "ID-Locations", nullptr,                  true,  false, false},
    {"IDFrame",      nullptr, "ID-Information",                true,  false, {}},
    {"IDLabel",      "ID: xx xx xx xx", nullptr,               false, false, {}},
    // Commands
    {"EraseBTN",     "Löschen", "PIC löschen",                 false, false, {}},
    {"AntiCpBTN",    "CP entfernen", "Codeprotection entfernen", false, false, {}},
    {"ReadBTN",      "Lesen", "PIC auslesen",                  false, false, {}},
    {"CompBTN",      "Vergleichen", "PIC mit HEX-File vergleichen", false, false, {}},
    {"ProgBTN",      "Brennen", "HEX-File neu lesen und in den PIC brennen", false, false, {}},
    {"DATACheckBox", "incl. DataEEProm", "Datenbereich beim brennen/löschen/lesen/vergleichen einschließen", true, false, true},
    {"QDLabel",      "QaD", "Lesen  und Vergleichen mit dem Quick and Dirty Korvel nicht möglich", true, true, {}},
    // Gauges and results
    {"Label11",      "Programmgröße", nullptr,                 true,  false, {}},
    {"ProgGauge",    nullptr, "Auslastung des Programmspeichers", true, false, {}},
    {"DataGauge",    nullptr, "Auslastung des Datenspeichers", true,  false, {}},
    {"RunGauge",     nullptr, nullptr,                         true,  true,  {}},
    {"OKLabel",      "O.K.", nullptr,                          true,  true,  {}},
    {"FehlerGroupBox", "Fehlerstatistik", nullptr,             true,  false, {}},
    {"FehlerProgramLabel", "Program", nullptr,                 true,  false, {}},
    {"FehlerDataLabel", "Data", nullptr,                       true,  false, {}},
    {"FehlerConfigIdLabel", "Config/ID", nullptr,              true,  false, {}},
    {"Label4",       "?", nullptr,                             true,  false, {}},
    {"Label5",       "?", nullptr,                             true,  false, {}},
    {"Label6",       "?", nullptr,                             true,  false, {}},
    {"StatusBar1",   nullptr, nullptr,                         true,  false, {}},
};
// clang-format on

TEST(OstracStart, EveryControlHasItsTextHintAndState) {
    Window win;
    for (const ControlRow& row : kStartControls) {
        SCOPED_TRACE(row.name);
        QWidget* w = win.find(row.name);
        ASSERT_NE(w, nullptr);
        if (row.text != nullptr) {
            EXPECT_EQ(shownText(w), QString::fromUtf8(row.text));
        }
        EXPECT_EQ(w->toolTip(), row.tip != nullptr ? QString::fromUtf8(row.tip) : QString());
        EXPECT_EQ(w->isEnabled(), row.enabled);
        EXPECT_EQ(w->isHidden(), row.hidden);
        if (row.checked) {
            auto* b = qobject_cast<QAbstractButton*>(w);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->isChecked(), *row.checked);
        }
    }
}

TEST(OstracStart, TypeListHoldsTheCatalogueInOrder) {
    Window win;
    auto* combo = win.find<QComboBox>("TypComboBox");
    // The 14-bit rows, then the PIC18F parts, then the baseline parts.
    const std::vector<Part> parts = allParts();
    ASSERT_EQ(combo->count(), static_cast<int>(parts.size()));
    EXPECT_EQ(combo->itemText(combo->count() - 1).toStdString(), parts.back().listText());
    for (const DeviceInfo& d : kDevices) {
        EXPECT_EQ(combo->itemText(d.type).toStdString(), d.listText);
    }
    for (std::size_t i = 0; i < kP18Devices.size(); ++i) {
        EXPECT_EQ(combo->itemText(kDeviceTypeCount + static_cast<int>(i)).toStdString(),
                  kP18Devices[i].name);
    }
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(win.w->Device.CurrentType, Dev16F84);
    EXPECT_EQ(win.w->Device.ProgLastAddr, 0x03FF);
    EXPECT_EQ(win.w->Device.DataLastAddr, 0x3F);
    EXPECT_FALSE(win.w->Device.Is84A);
}

TEST(OstracStart, ClockGroupsNumberTheirItemsAndStartOnXt) {
    Window win;
    const QStringList four{"LP (min ..200kHz)", "XT (0,1 .. 4MHz)", "HS (4MHz ...max)", "RC"};
    const QStringList six{"LP (min ..200kHz)", "XT (0,1 .. 4MHz)", "HS (4MHz ...max)",
                          "EC (->RA7)",        "INTRC (4Mhz)",     "ER (0.01..8MHz)"};
    const struct {
        const char* prefix;
        QButtonGroup* group;
        const QStringList& texts;
    } groups[] = {{"TaktRadioGroup_", win.ui().TaktButtonGroup, four},
                  {"TaktRadioGroup1_", win.ui().TaktButtonGroup1, six}};
    for (const auto& g : groups) {
        SCOPED_TRACE(g.prefix);
        ASSERT_EQ(g.group->buttons().size(), g.texts.size());
        for (int i = 0; i < g.texts.size(); ++i) {
            auto* b = win.find<QAbstractButton>((g.prefix + std::to_string(i)).c_str());
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->text(), g.texts[i]);
            EXPECT_EQ(g.group->id(b), i);
        }
        EXPECT_EQ(g.group->checkedId(), 1);
        EXPECT_TRUE(g.group->exclusive());
    }
}

TEST(OstracStart, GaugesTimerAndStatusBar) {
    Window win;
    auto* run = win.find<QProgressBar>("RunGauge");
    EXPECT_EQ(run->minimum(), 0);
    EXPECT_EQ(run->maximum(), 20);
    EXPECT_EQ(run->value(), 0);
    EXPECT_EQ(win.find<QProgressBar>("ProgGauge")->value(), 0);
    EXPECT_EQ(win.find<QProgressBar>("DataGauge")->value(), 0);

    ASSERT_NE(win.w->Timer1, nullptr);
    EXPECT_EQ(win.w->Timer1->objectName(), QStringLiteral("Timer1"));
    EXPECT_EQ(win.w->Timer1->interval(), 400);
    EXPECT_FALSE(win.w->Timer1->isActive());

    auto* p0 = win.find<QLabel>("StatusPanel0");
    auto* p1 = win.find<QLabel>("StatusPanel1");
    ASSERT_NE(p0, nullptr);
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p0->width(), 150);
    EXPECT_EQ(p0->parentWidget(), win.find("StatusBar1"));
    EXPECT_EQ(win.w->statusBar(), win.find<QStatusBar>("StatusBar1"));
    win.w->setPanel(0, QStringLiteral("a.hex"));
    win.w->setPanel(1, QStringLiteral("OK"));
    EXPECT_EQ(p0->text(), QStringLiteral("a.hex"));
    EXPECT_EQ(win.w->panel(1), QStringLiteral("OK"));
    EXPECT_EQ(win.w->panel(2), QString());
}

TEST(OstracStart, NoIdValuesAndNothingLoadedOrRead) {
    Window win;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(win.w->Image.IdWords[k], MemoryImage::IdNone);
        EXPECT_EQ(win.w->Image.IdEdited[k], MemoryImage::IdNone);
    }
    for (std::size_t a = 0; a < MemoryImage::Size; ++a) {
        ASSERT_EQ(win.w->Image.HexWords[a], MemoryImage::AbsentWord);
        ASSERT_EQ(win.w->Image.ReadBack[a], 0xFFFF);
    }
    EXPECT_FALSE(win.w->StartupFilePending);
    EXPECT_TRUE(win.w->StartupFileName.isEmpty());
}

TEST(OstracStart, WindowFitsItsClassicSize) {
    Window win;
    EXPECT_EQ(win.w->size(), QSize(610, 398));
    // Everything must fit at that size.
    EXPECT_LE(win.w->minimumSizeHint().width(), 610);
    EXPECT_LE(win.w->minimumSizeHint().height(), 398);
}

}  // namespace
}  // namespace pk

namespace pk {
namespace {

// Each tool button is wired exactly once, whichever subsystem connects it.
TEST(OstracToolBar, EachButtonRunsItsHandlerOnce) {
    test::Window win;
    win.dialog.clear();
    win.find<QToolButton>("ToolButton3")->click();
    EXPECT_EQ(win.dialog.messages().size(), 1u);  // one programmer search, one message

    const auto infoWindows = [&win] {
        return win.w->findChildren<QWidget*>(QStringLiteral("StartForm")).size();
    };
    const auto before = infoWindows();
    win.find<QToolButton>("ToolButton7")->click();
    EXPECT_EQ(infoWindows(), before + 1);
}

}  // namespace
}  // namespace pk
