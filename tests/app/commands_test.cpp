// The command buttons driven in the real window against the simulated board:
// "Brennen", "Lesen", "Vergleichen", "Löschen" and "CP entfernen" end to end,
// with HEX files on disk, the save dialog after a read, and a clean violation
// log in every passing case.

#include <gtest/gtest.h>

#include "chip_facts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cctype>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "image/hex_file.h"
#include "ostrac.h"
#include "sim/circuit.h"
#include "support/scripted_dialog.h"
#include "ui_ostrac.h"

namespace pk {
namespace {

using testfacts::plainConfig;
using testfacts::typeOf;

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A window on a simulated "7407" board at LPT1, found by the search, with a chip
// in the socket and its type selected.
// Scripted answers, and a hook that runs inside a message box, where a nested
// event loop would let the user click.
struct HookedDialog : ScriptedDialog {
    std::function<void()> inMessage;
    void message(const std::string& text, const std::string& caption) override {
        ScriptedDialog::message(text, caption);
        if (inMessage) {
            inMessage();
        }
    }
};

struct Cmd {
    HookedDialog dialog;
    VirtualClock clock;
    sim::SimCircuit board{clock, {1, 1}, 1};
    std::unique_ptr<TOstrac> w;
    QTemporaryDir dir;
    sim::SimChip* chip = nullptr;

    explicit Cmd(const std::string& chipName) {
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
        chip = board.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(chipName)));
        selectType(typeOf(chipName));
        dialog.clear();
        board.log().clear();
    }

    void selectType(std::int32_t type) {
        ui().TypComboBox->setCurrentIndex(type);
        w->TypComboBoxChange();
    }

    std::string path(const char* name) const {
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }

    // Writes a HEX file with these words (absent ones left out) and loads it.
    std::string writeHex(const char* name, const WordArray& words) {
        WordArray blanked = words;
        for (std::size_t a = 0; a < blanked.size(); ++a) {
            if (blanked[a] == MemoryImage::AbsentWord) {
                blanked[a] = a >= MemoryImage::EepromBase ? 0xFF : 0x3FFF;
            }
        }
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary) << BuildHexFile(blanked, 0x1FFF);
        return p;
    }
    void load(const std::string& p) {
        dialog.queueFileAnswer(p);
        w->ToolButton1Click();
        ASSERT_TRUE(w->Image.HexLoaded);
        if ((w->Image.ConfigWord & 0x8000) != 0) {
            // What "aus HEX-File lesen" does, where the configuration editor is not wired.
            w->Image.ConfigWord = w->Image.HexWords[MemoryImage::ConfigAddr];
        }
        dialog.clear();
    }

    Ui::Ostrac& ui() { return *w->ui(); }
    QColor textColour(QLabel* l) { return l->palette().color(QPalette::WindowText); }
    bool clean() const { return board.log().violations().empty(); }
    std::string violations() const { return board.log().violationText(); }
    std::string labels() {
        return (ui().Label4->text() + " " + ui().Label5->text() + " " + ui().Label6->text())
            .toStdString();
    }
};

// A program with gaps, EEPROM bytes where the chip has them, IDs, a plain configuration word.
WordArray sampleFile(std::int32_t type, int seed) {
    const DeviceInfo& info = *deviceInfo(type);
    WordArray words;
    words.fill(MemoryImage::AbsentWord);
    for (int a = 0; a < 48; ++a) {
        words[a] = static_cast<std::uint16_t>((a * 131 + seed) & 0x3FFF);
    }
    words[info.progLastAddr] = static_cast<std::uint16_t>(0x1000 + seed);
    if (info.dataLastAddr >= 0) {
        for (int n = 0; n < 8; ++n) {
            words[0x2100 + n] = static_cast<std::uint16_t>((n * 17 + seed) & 0xFF);
        }
        words[0x2100 + info.dataLastAddr] = 0x5A;
    }
    for (int i = 0; i < 4; ++i) {
        words[0x2000 + i] = static_cast<std::uint16_t>((i + seed) & 0x0F);
    }
    words[0x2007] = plainConfig(type);
    return words;
}

// ---- The whole cycle on every catalogue entry ----

class CommandCycle : public ::testing::TestWithParam<const char*> {};

TEST_P(CommandCycle, EraseBurnCompareReadSaveAndLoadBack) {
    Cmd c(GetParam());
    const std::int32_t type = c.w->Device.CurrentType;
    const DeviceInfo& info = *deviceInfo(type);
    for (int a = 0; a <= info.progLastAddr; a += 7) {
        c.chip->setWord(a, 0x0101);  // old contents for the erase to take
    }
    c.load(c.writeHex("prog.hex", sampleFile(type, 3)));
    const bool data = c.ui().DATACheckBox->isChecked();

    c.ui().EraseBTN->click();
    for (int a = 0; a <= info.progLastAddr; ++a) {
        ASSERT_EQ(c.chip->word(a), 0x3FFF) << a;
    }

    c.ui().ProgBTN->click();
    EXPECT_TRUE(c.dialog.messages().empty()) << c.dialog.messages().front();
    EXPECT_EQ(c.labels(), data ? "0 0 0" : "0 ? 0");
    EXPECT_EQ(c.chip->word(47), (47 * 131 + 3) & 0x3FFF);
    EXPECT_EQ(c.chip->word(info.progLastAddr), 0x1003);
    EXPECT_EQ(c.chip->word(0x2007), plainConfig(type));

    c.w->ClearFehler();
    c.w->Timer1->stop();
    c.ui().CompBTN->click();
    EXPECT_EQ(c.labels(), data ? "0 0 0" : "0 ? 0");
    EXPECT_EQ(c.w->Errors.sum(), 0);
    EXPECT_TRUE(c.w->Timer1->isActive()) << "O.K. blinks";
    EXPECT_EQ(c.ui().OKLabel->text(), "O.K.");

    const std::string saved = c.path("read.hex");
    c.dialog.queueFileAnswer(saved);
    c.ui().ReadBTN->click();
    EXPECT_TRUE(c.ui().ToolButton2->isEnabled());
    EXPECT_EQ(c.w->panel(1).toStdString(), "PIC gelesen – O.K.") << "seen behind the dialog";
    ASSERT_FALSE(c.dialog.entries().empty());
    EXPECT_EQ(c.dialog.entries().back().kind, ScriptedDialog::Kind::SaveFile);
    EXPECT_EQ(c.dialog.entries().back().text, "HEX-Datei speichern");
    EXPECT_EQ(c.w->Image.HexFileName, saved);

    WordArray loaded;
    loaded.fill(MemoryImage::AbsentWord);
    ASSERT_TRUE(OpenHexfile(readText(saved), loaded).ok());
    for (int a = 0; a <= info.progLastAddr; ++a) {
        const std::uint16_t word = c.chip->word(a);
        ASSERT_EQ(loaded[a], word == 0x3FFF ? MemoryImage::AbsentWord : word) << a;
    }
    for (int a = info.progLastAddr + 1; a < 0x2000; ++a) {
        ASSERT_EQ(loaded[a], MemoryImage::AbsentWord) << a;
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(loaded[0x2000 + i], c.chip->word(0x2000 + i) & 0x0F);
    }
    EXPECT_EQ(loaded[0x2007], c.chip->word(0x2007));
    for (int n = 0; n < 256; ++n) {
        const std::uint16_t byte = n <= info.dataLastAddr ? c.chip->word(0x2100 + n) : 0xFF;
        ASSERT_EQ(loaded[0x2100 + n], byte == 0xFF ? MemoryImage::AbsentWord : byte) << n;
    }
    EXPECT_TRUE(c.clean()) << c.violations();
    // The command controls are back as they were.
    EXPECT_TRUE(c.ui().ProgBTN->isEnabled());
    EXPECT_TRUE(c.ui().TypComboBox->isEnabled());
    EXPECT_FALSE(c.w->commandRunning());
}

// Every catalogue entry runs the same cycle through the commands in tests/device;
// here the buttons' wiring, on one chip of each write scheme.
INSTANTIATE_TEST_SUITE_P(Wiring, CommandCycle, ::testing::Values("16F877", "16F77"));

// ---- Compare ----

TEST(Compare, CountsOnlyWordsTheFileGivesAndIdNibbles) {
    Cmd c("16F877");
    WordArray words = sampleFile(Dev16F876_877, 5);
    words[0x2000] = 5;
    c.load(c.writeHex("prog.hex", words));
    c.ui().ProgBTN->click();
    ASSERT_EQ(c.w->Errors.sum(), 0);

    c.chip->setWord(1, 0);
    c.chip->setWord(20, 0x3FFF);
    c.chip->setWord(0x1FFF, 0x1234);
    c.chip->setWord(100, 0x0F0F);  // words the file does not give
    c.chip->setWord(0x1000, 0);
    c.chip->setWord(0x2000, 0x3FF5);  // upper bits set, 5 below
    c.w->Timer1->stop();
    c.dialog.clear();
    c.ui().CompBTN->click();
    EXPECT_EQ(c.labels(), "3 0 0");
    EXPECT_EQ(c.textColour(c.ui().Label4), QColor(255, 0, 0));
    EXPECT_EQ(c.textColour(c.ui().Label6), QColor(0, 0, 0));
    EXPECT_FALSE(c.w->Timer1->isActive());
    EXPECT_TRUE(c.dialog.messages().empty()) << "the compare reports by its counters";
    EXPECT_TRUE(c.clean()) << c.violations();
}

TEST(Compare, WithoutEepromTheDataFigureIsAQuestionMark) {
    Cmd c("16F628");
    c.load(c.writeHex("prog.hex", sampleFile(Dev16F628, 1)));
    c.ui().ProgBTN->click();
    c.chip->setWord(0x2100, 0x00);  // would count if the data were compared
    c.ui().DATACheckBox->setChecked(false);
    c.board.log().clear();
    c.ui().CompBTN->click();
    EXPECT_EQ(c.labels(), "0 ? 0");
    EXPECT_EQ(c.board.log().count(cmd::ReadDataFromDataMemory), 0);
    EXPECT_TRUE(c.w->Timer1->isActive());
    EXPECT_TRUE(c.clean()) << c.violations();
}

// ---- Burn ----

TEST(Burn, FileChangedOnDiskSinceLoadingBurnsTheNewContent) {
    Cmd c("16F84A");
    const std::string p = c.writeHex("prog.hex", sampleFile(Dev16F84, 1));
    c.load(p);
    WordArray changed = sampleFile(Dev16F84, 9);
    changed[200] = 0x0200;
    c.writeHex("prog.hex", changed);
    c.ui().ProgBTN->click();
    EXPECT_EQ(c.chip->word(0), 9);
    EXPECT_EQ(c.chip->word(200), 0x0200);
    EXPECT_EQ(c.w->Image.HexWords[200], 0x0200);
    EXPECT_EQ(c.w->Errors.sum(), 0);
    EXPECT_TRUE(c.clean()) << c.violations();
}

TEST(Burn, FileBrokenOnDiskSinceLoadingStopsBeforeTheChip) {
    Cmd c("16F84A");
    const std::string p = c.writeHex("prog.hex", sampleFile(Dev16F84, 1));
    c.load(p);
    std::ofstream(p, std::ios::binary) << ":0400000001000200F9\r\n:04000400XX00040000\r\n";
    c.ui().ProgBTN->click();
    EXPECT_EQ(c.dialog.messages().size(), 1u) << "the load tells what is wrong";
    EXPECT_EQ(c.board.log().modeEntries(), 0) << "the chip got VPP";
    EXPECT_EQ(c.board.log().count(cmd::BeginEraseProgrammingCycle), 0);
    EXPECT_EQ(c.chip->word(0), 0x3FFF);
    EXPECT_TRUE(c.clean()) << c.violations();
}

TEST(Burn, WithoutAFileTheDialogIsOfferedAndCancelStopsBeforeTheChip) {
    Cmd c("16F84A");
    c.ui().ProgBTN->click();
    ASSERT_EQ(c.dialog.entries().size(), 1u);
    EXPECT_EQ(c.dialog.entries()[0].kind, ScriptedDialog::Kind::OpenFile);
    EXPECT_EQ(c.board.log().modeEntries(), 0);
    EXPECT_EQ(c.board.log().count(cmd::BeginEraseProgrammingCycle), 0);
    EXPECT_EQ(c.labels(), "? ? ?");
}

TEST(WrongType, EveryCommandStopsAfterTheMessageAndTouchesNothing) {
    Cmd c("16F84A");
    const std::string p = c.writeHex("prog.hex", sampleFile(Dev16F84, 1));
    c.load(p);
    c.selectType(Dev16F873_874);
    // Changed on disk: a reload would be noticed in HexWords.
    c.writeHex("prog.hex", sampleFile(Dev16F84, 7));
    const auto hexBefore = c.w->Image.HexWords;
    const auto backBefore = c.w->Image.ReadBack;
    c.w->Errors = {2, 0, 1};
    c.w->ShowFehler();
    c.w->Timer1->stop();
    c.chip->setWord(3, 0x0333);

    QPushButton* buttons[] = {c.ui().ProgBTN, c.ui().ReadBTN, c.ui().CompBTN, c.ui().EraseBTN,
                              c.ui().AntiCpBTN};
    for (QPushButton* b : buttons) {
        c.dialog.clear();
        c.board.log().clear();
        b->click();
        EXPECT_EQ(c.dialog.messages(),
                  std::vector<std::string>{"Falscher PIC-Typ ausgewählt: im Sockel steckt ein "
                                           "16F84/84A, gewählt ist 16F873/874."})
            << b->objectName().toStdString();
        EXPECT_EQ(c.dialog.entries().size(), 1u) << "no file or save dialog";
        EXPECT_EQ(c.board.log().modeEntries(), 1) << "only the type check";
        EXPECT_EQ(c.board.log().count(cmd::BeginEraseProgrammingCycle), 0);
        EXPECT_EQ(c.board.log().count(cmd::LoadDataForProgramMemory), 0);
    }
    EXPECT_EQ(c.w->Image.HexWords, hexBefore) << "the file was not reloaded";
    EXPECT_EQ(c.w->Image.ReadBack, backBefore);
    EXPECT_EQ(c.chip->word(3), 0x0333);
    EXPECT_EQ(c.labels(), "2 0 1") << "the counters were not touched";
    EXPECT_FALSE(c.ui().ToolButton2->isEnabled());
    EXPECT_TRUE(c.clean()) << c.violations();
}

// ---- Erase ----

TEST(Erase, OldF84WithoutDataSendsTheErasePairOnly) {
    Cmd c("16F84");
    c.ui().DATACheckBox->setChecked(false);
    for (int a = 0; a < 1024; a += 3) {
        c.chip->setWord(a, 0x0042);
    }
    c.chip->setWord(0x2100, 0x11);
    // A used chip: its configuration word answers the type check, so no word
    // needs to be written to prove that a chip is there.
    c.chip->setWord(0x2007, 0x3FF1);
    c.w->Errors = {1, 0, 0};
    c.w->ShowFehler();
    c.ui().EraseBTN->click();
    EXPECT_FALSE(c.w->Device.Is84A);
    // The type check's own bracket, then the erase.
    const auto& log = c.board.log();
    std::size_t from = 0;
    for (std::size_t i = 0; i < log.commands().size(); ++i) {
        if (log.commands()[i].code == cmd::LoadDataForProgramMemory) {
            from = i;
            break;
        }
    }
    // Then the blank check reads program memory back (no data, no configuration word).
    EXPECT_EQ(log.commandTrace(from).rfind("2(3FFF) 1 7 8 1 7 4 6 4 6 ", 0), 0u);
    EXPECT_EQ(log.count(cmd::ReadDataFromProgramMemory), 2 + 1024);  // type check: ID, config
    EXPECT_EQ(log.count(cmd::ReadDataFromDataMemory), 0);
    EXPECT_EQ(log.modeEntries(), 4);
    EXPECT_EQ(c.labels(), "0 ? 0");
    EXPECT_EQ(c.w->panel(1).toStdString(), "PIC gelöscht – O.K.");
    for (int a = 0; a < 1024; ++a) {
        ASSERT_EQ(c.chip->word(a), 0x3FFF) << a;
    }
    EXPECT_EQ(c.chip->word(0x2100), 0x11);
    // Full for a moment after the run, then hidden.
    QTRY_VERIFY_WITH_TIMEOUT(c.ui().RunGauge->isHidden(), 1000);
    EXPECT_TRUE(c.clean()) << c.violations();
}

TEST(Erase, WithDataTheEepromIsBlankToo) {
    Cmd c("16F877");
    c.chip->setWord(0, 0);
    c.chip->setWord(0x1FFF, 0);
    c.chip->setWord(0x2100 + 255, 0);
    c.ui().DATACheckBox->setChecked(true);
    c.ui().EraseBTN->click();
    EXPECT_EQ(c.chip->word(0), 0x3FFF);
    EXPECT_EQ(c.chip->word(0x1FFF), 0x3FFF);
    EXPECT_EQ(c.chip->word(0x2100 + 255), 0xFF);
    EXPECT_TRUE(c.clean()) << c.violations();
}

// ---- The result is seen: status bar and "O.K.", or the counters ----

TEST(Results, LoeschenAndCpEntfernenShowWhatTheBlankCheckFound) {
    struct Row {
        const char* chip;
        QPushButton* Ui::Ostrac::*button;
        int stuckCell;  // -1: none
        const char* panel;
        const char* labels;
    };
    const Row rows[] = {
        {"16F628", &Ui::Ostrac::EraseBTN, -1, "PIC gelöscht – O.K.", "0 0 0"},
        {"16F628", &Ui::Ostrac::AntiCpBTN, -1, "Codeschutz entfernt – O.K.", "0 0 0"},
        {"16F877", &Ui::Ostrac::EraseBTN, 5, "Löschen – 1 Fehler", "1 0 0"},
        {"16F877", &Ui::Ostrac::AntiCpBTN, 0x2100, "CP entfernen – 1 Fehler", "0 1 0"},
    };
    for (const Row& row : rows) {
        Cmd c(row.chip);
        SCOPED_TRACE(std::string(row.chip) + " " + (c.ui().*row.button)->text().toStdString());
        c.chip->setWord(5, 0x0555);
        c.chip->setWord(0x2100, 0x12);
        if (row.stuckCell >= 0) {
            c.chip->setStuckCell(row.stuckCell);
        }
        c.ui().DATACheckBox->setChecked(true);
        (c.ui().*row.button)->click();
        const bool ok = row.stuckCell < 0;
        EXPECT_EQ(c.w->panel(1).toStdString(), row.panel);
        EXPECT_EQ(c.labels(), row.labels);
        EXPECT_EQ(c.w->Timer1->isActive(), ok) << "O.K. blinks only after a clean check";
        EXPECT_EQ(c.dialog.messages().size(), ok ? 0u : 1u);
        EXPECT_TRUE(c.clean()) << c.violations();
    }
}

// Every fault of the board gives one message, never "Falscher PIC-Typ ausgewählt".
TEST(Results, EachFaultGivesOneMessage) {
    struct Row {
        const char* fault;
        const char* chip;
        std::int32_t type;
        std::function<void(Cmd&)> apply;
        const char* message;  // how it starts
    };
    const auto noChip = [](Cmd& c) { c.board.removeChip(); };
    const auto low = [](Cmd& c) { c.board.setDataStuck(false); };
    const auto high = [](Cmd& c) { c.board.setDataStuck(true); };
    const auto clock = [](Cmd& c) { c.board.setClockOpen(true); };
    const auto vpp = [](Cmd& c) { c.board.setNoVpp(true); };
    const Row rows[] = {
        {"no-chip", "16F84", Dev16F84, noChip, "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF"},
        {"no-chip", "16F628", Dev16F628, noChip, "kein PIC erkannt"},
        {"stuck-low", "16F84", Dev16F84, low,
         "kein PIC erkannt: Device-ID liest 0x0000, alle Bits 0."},
        {"stuck-low", "16F877", Dev16F876_877, low, "kein PIC erkannt"},
        {"stuck-high", "16F84", Dev16F84, high, "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF"},
        {"stuck-high", "16F628", Dev16F628, high, "kein PIC erkannt"},
        {"clock-open", "16F84", Dev16F84, clock, "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF"},
        {"clock-open", "16F74", Dev16F73_74, clock, "kein PIC erkannt"},
        {"no-vpp", "16F84", Dev16F84, vpp, "kein PIC erkannt: Adresse 0x0000 liest 0x3FFF"},
        {"no-vpp", "16F628", Dev16F628, vpp, "kein PIC erkannt"},
        {"flaky:97", "16F877", Dev16F876_877, [](Cmd& c) { c.chip->setFlaky(97, 1); }, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.fault) + " on " + row.chip);
        Cmd c(row.chip);
        c.selectType(row.type);
        c.load(c.writeHex("prog.hex", sampleFile(row.type, 4)));
        row.apply(c);
        const bool flaky = *row.message == '\0';
        if (flaky) {
            c.dialog.queueFileAnswer(std::nullopt);
            c.ui().ReadBTN->click();
        } else {
            c.ui().ProgBTN->click();
        }
        ASSERT_EQ(c.dialog.messages().size(), 1u) << c.dialog.messages().back();
        const std::string m = c.dialog.messages()[0];
        EXPECT_EQ(m.rfind(row.message, 0), 0u) << m;
        if (flaky) {
            // The warning comes first, then the save is still offered.
            EXPECT_NE(m.find(" lasen sich zweimal verschieden – bitte die Verbindung prüfen."),
                      std::string::npos)
                << m;
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(m[0])));
            EXPECT_EQ(c.dialog.entries().back().kind, ScriptedDialog::Kind::SaveFile);
            EXPECT_FALSE(c.w->Timer1->isActive());
        }
    }
}

TEST(Results, AnEmptySocketReadAs16F84IsNamedAndTheSaveStillOffered) {
    Cmd c("16F84");
    c.board.removeChip();
    c.dialog.queueFileAnswer(std::nullopt);
    c.ui().ReadBTN->click();
    EXPECT_EQ(c.dialog.messages(), std::vector<std::string>{kAllBlankText});
    EXPECT_EQ(c.w->panel(1).toStdString(), kAllBlankText);
    EXPECT_EQ(c.dialog.entries().back().kind, ScriptedDialog::Kind::SaveFile);
}

// The old 16F84 has no device ID, and an empty socket reads like a blank one:
// "Löschen" and "CP entfernen" prove that a chip answered, or say that none did.
TEST(Results, AnEmptySocketFor16F84IsNeverReportedErased) {
    for (const bool unprotect : {false, true}) {
        SCOPED_TRACE(unprotect ? "CP entfernen" : "Löschen");
        Cmd c("16F84");
        c.board.removeChip();
        (unprotect ? c.ui().AntiCpBTN : c.ui().EraseBTN)->click();
        ASSERT_EQ(c.dialog.messages().size(), 1u);
        EXPECT_EQ(c.dialog.messages()[0].rfind("kein PIC erkannt: ", 0), 0u)
            << c.dialog.messages()[0];
        EXPECT_FALSE(c.w->Timer1->isActive()) << "no O.K.";
        EXPECT_NE(c.w->panel(1).toStdString(), unprotect ? kUnprotectDoneText : kEraseDoneText);
    }
}

// ---- Code-protection removal ----

class RemoveProtection : public ::testing::TestWithParam<std::pair<const char*, std::uint16_t>> {};

TEST_P(RemoveProtection, ChipIsUnprotectedAndBlank) {
    Cmd c(GetParam().first);
    for (int a = 0; a <= c.w->Device.ProgLastAddr; a += 5) {
        c.chip->setWord(a, 0x0101);
    }
    c.chip->setWord(0x2100, 0x22);
    c.chip->setWord(0x2007, GetParam().second);
    ASSERT_TRUE(c.chip->anyProgramProtected());
    c.ui().AntiCpBTN->click();
    EXPECT_TRUE(c.dialog.messages().empty());
    EXPECT_FALSE(c.chip->anyProgramProtected());
    EXPECT_FALSE(c.chip->dataProtected());
    for (int a = 0; a <= c.w->Device.ProgLastAddr; ++a) {
        ASSERT_EQ(c.chip->word(a), 0x3FFF) << a;
    }
    EXPECT_EQ(c.chip->word(0x2100), 0xFF);
    EXPECT_EQ(c.chip->word(0x2007), 0x3FFF);
    // Full for a moment after the run, then hidden.
    QTRY_VERIFY_WITH_TIMEOUT(c.ui().RunGauge->isHidden(), 1000);
    EXPECT_TRUE(c.clean()) << c.violations();

    // Now it reads as a blank chip.
    c.dialog.queueFileAnswer(std::nullopt);
    c.ui().ReadBTN->click();
    EXPECT_EQ(c.w->Image.ReadBack[0], 0x3FFF);
    EXPECT_EQ(c.w->Image.ReadBack[0x2100], 0xFF);
}

INSTANTIATE_TEST_SUITE_P(Chips, RemoveProtection,
                         ::testing::Values(std::pair<const char*, std::uint16_t>{"16F84A", 0x3FE1},
                                           std::pair<const char*, std::uint16_t>{"16F877", 0x0E42},
                                           std::pair<const char*, std::uint16_t>{"16F628",
                                                                                 0x0262}));

TEST(RemoveProtection16F7x, IsExactlyTheEraseCommand) {
    Cmd erase("16F76");
    Cmd anti("16F76");
    for (Cmd* c : {&erase, &anti}) {
        c->chip->setWord(5, 0x0055);
        c->chip->setWord(0x2007, 0x3FEA);
    }
    erase.ui().EraseBTN->click();
    anti.ui().AntiCpBTN->click();
    EXPECT_EQ(anti.board.log().commandTrace(), erase.board.log().commandTrace());
    EXPECT_EQ(anti.board.log().modeEntries(), erase.board.log().modeEntries());
    EXPECT_EQ(anti.clock.slept(), erase.clock.slept());
    EXPECT_EQ(anti.chip->word(5), 0x3FFF);
    EXPECT_FALSE(anti.chip->anyProgramProtected());
    EXPECT_TRUE(anti.clean()) << anti.violations();
}

// ---- Read ----

TEST(Read, SaveAfterAnotherChipHoldsOnlyThisChipsEeprom) {
    Cmd c("16F877");
    c.chip->setWord(0x2100 + 200, 0x33);
    c.dialog.queueFileAnswer(std::nullopt);
    c.ui().ReadBTN->click();
    ASSERT_EQ(c.w->Image.ReadBack[0x2100 + 200], 0x33);

    c.board.removeChip();
    c.board.insertChip(std::make_unique<sim::SimChip>(*sim::findChip("16F84A")));
    c.selectType(Dev16F84);
    const std::string saved = c.path("f84.hex");
    c.dialog.queueFileAnswer(saved);
    c.ui().ReadBTN->click();
    // Erased ID locations read 15; the configuration word 0x3FFF is blank; no EEPROM
    // byte of the 16F877 is left over.
    EXPECT_EQ(readText(saved), ":084000000F000F000F000F007C\r\n:00000001FF\r\n");
    EXPECT_TRUE(c.clean()) << c.violations();
}

TEST(Read, CancelledSaveKeepsTheSaveButtonAndTheFileName) {
    Cmd c("16F628");
    c.w->Image.HexFileName = "keep.hex";
    c.dialog.queueFileAnswer(std::nullopt);
    c.ui().ReadBTN->click();
    EXPECT_EQ(c.w->Image.HexFileName, "keep.hex");
    EXPECT_TRUE(c.ui().ToolButton2->isEnabled());
    EXPECT_EQ(c.labels(), "0 0 0");
    EXPECT_TRUE(c.w->Timer1->isActive());
}

// ---- Nothing re-enters ----

TEST(Busy, ControlsAreDisabledWhileACommandRunsAndNoSecondCommandStarts) {
    Cmd c("16F628");
    WordArray words = sampleFile(Dev16F628, 2);
    c.load(c.writeHex("prog.hex", words));
    c.chip->setBadCell(10);  // the burn stops there with a message box
    int messages = 0;
    bool disabled = false;
    int entriesBefore = 0;
    int entriesAfter = 0;
    c.dialog.inMessage = [&] {
        ++messages;
        disabled = !c.ui().ProgBTN->isEnabled() && !c.ui().ReadBTN->isEnabled() &&
                   !c.ui().CompBTN->isEnabled() && !c.ui().EraseBTN->isEnabled() &&
                   !c.ui().AntiCpBTN->isEnabled() && !c.ui().DetectBTN->isEnabled() &&
                   !c.ui().TypComboBox->isEnabled() && !c.ui().ToolButton1->isEnabled();
        entriesBefore = c.board.log().modeEntries();
        // Clicks and direct calls alike: nothing may start inside the running burn.
        c.ui().EraseBTN->click();
        c.w->EraseBTNClick();
        c.w->ReadBTNClick();
        c.w->AntiCpBTNClick();
        c.w->DetectBTNClick();
        entriesAfter = c.board.log().modeEntries();
        EXPECT_TRUE(c.w->commandRunning());
    };
    c.ui().ProgBTN->click();
    c.dialog.inMessage = nullptr;
    EXPECT_EQ(messages, 1);
    EXPECT_TRUE(disabled);
    EXPECT_EQ(entriesAfter, entriesBefore) << "a second command ran inside the first";
    // The burn stopped at the failed word: it and every word left after it are
    // counted (program, EEPROM, IDs and configuration), and nothing more was written.
    EXPECT_EQ(c.labels(), "39 9 5");
    EXPECT_EQ(c.chip->word(0x2007), 0x3FFF);
    EXPECT_TRUE(c.ui().ProgBTN->isEnabled());
    EXPECT_TRUE(c.ui().DetectBTN->isEnabled());
    EXPECT_TRUE(c.ui().ToolButton1->isEnabled());
    EXPECT_FALSE(c.w->commandRunning());
    EXPECT_TRUE(c.clean()) << c.violations();
}

TEST(Busy, AClickOnLoeschenDuringABurnIsDroppedNotKeptForLater) {
    Cmd c("16F628");
    c.load(c.writeHex("prog.hex", sampleFile(Dev16F628, 2)));
    // The configuration word fails: its message box comes after the last progress step.
    c.chip->setBadCell(0x2007);
    c.dialog.inMessage = [&] {
        QPushButton* erase = c.ui().EraseBTN;
        const QPointF at(erase->rect().center());
        for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QCoreApplication::postEvent(
                erase,
                new QMouseEvent(t, at, erase->mapToGlobal(at), Qt::LeftButton,
                                t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        }
        c.w->close();  // a close request, too
    };
    c.ui().ProgBTN->click();
    c.dialog.inMessage = nullptr;
    QCoreApplication::processEvents();
    EXPECT_EQ(c.chip->word(0), sampleFile(Dev16F628, 2)[0]) << "the chip was erased";
    EXPECT_EQ(c.labels(), "0 0 1");
    // The close request is answered with a question; "Nein" keeps the program.
    ASSERT_FALSE(c.dialog.entries().empty());
    EXPECT_EQ(c.dialog.entries().back().kind, ScriptedDialog::Kind::Question);
    EXPECT_TRUE(c.clean()) << c.violations();
}

// A file the chip has no place for is refused; one with a checksum error is burnt
// only after "Ja".
TEST(Burn, AFileBiggerThanTheChipIsRefusedAndABadChecksumAsked) {
    Cmd c("16F84A");
    WordArray words = sampleFile(Dev16F84, 1);
    words[0x0500] = 0x0123;  // beyond the 16F84's 1k words
    c.load(c.writeHex("prog.hex", words));
    c.ui().ProgBTN->click();
    ASSERT_EQ(c.dialog.messages().size(), 1u);
    EXPECT_NE(c.dialog.messages()[0].find("Adresse 0x0500 liegt hinter dem Programmspeicher"),
              std::string::npos);
    EXPECT_EQ(c.board.log().modeEntries(), 0);

    const std::string p = c.writeHex("prog.hex", sampleFile(Dev16F84, 1));
    std::string text;
    {
        std::ifstream in(p, std::ios::binary);
        std::getline(in, text, '\0');
    }
    char& digit = text[text.find('\r') - 1];  // the first record's checksum
    digit = digit == '0' ? '1' : '0';
    std::ofstream(p, std::ios::binary) << text;
    c.load(p);
    c.ui().ProgBTN->click();
    ASSERT_EQ(c.dialog.entries().back().kind, ScriptedDialog::Kind::Question);
    EXPECT_NE(c.dialog.entries().back().text.find("Prüfsummenfehler"), std::string::npos);
    EXPECT_EQ(c.chip->word(0), 0x3FFF) << "Nein burns nothing";
    c.dialog.queueQuestionAnswer(true);
    c.ui().ProgBTN->click();
    EXPECT_EQ(c.chip->word(0), 1);
}

}  // namespace
}  // namespace pk
