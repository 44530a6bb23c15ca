// The HEX file and settings file commands through the real main window.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "image/hex_file.h"
#include "ostrac_fixture.h"
#include "support/files.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

using test::Window;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using test::dataFile;
using test::readAll;
using test::writeAll;

std::string tempFile(const QTemporaryDir& dir, const char* name) {
    return dir.filePath(QString::fromLatin1(name)).toStdString();
}

// ---- Loading ----

TEST(HexLoad, DialogChoiceLoadsAndSwitchesTheFromFileBoxesOn) {
    Window t;
    const std::string path = dataFile("f84_all_instructions.8m.hex");
    t.dialog.clear();
    t.dialog.queueFileAnswer(path);
    EXPECT_TRUE(t.w->ToolButton1Click());

    ASSERT_FALSE(t.dialog.entries().empty());
    const auto& ask = t.dialog.entries().front();
    EXPECT_EQ(ask.kind, ScriptedDialog::Kind::OpenFile);
    EXPECT_EQ(ask.text, "HEX-Datei laden");
    EXPECT_EQ(ask.caption, "*.hex");
    EXPECT_EQ(ask.initialName, "*.hex");
    EXPECT_TRUE(t.dialog.messages().empty());

    EXPECT_EQ(t.w->windowTitle(), QString::fromStdString("PKorvel  " + path));
    // The narrow panel may shorten the name in the middle; its hint has the path.
    EXPECT_TRUE(t.w->panel(0).startsWith(QStringLiteral("f84_all"))) << t.w->panel(0).toStdString();
    EXPECT_TRUE(t.w->panel(0).endsWith(QStringLiteral(".8m.hex")));
    EXPECT_EQ(t.w->panelLabel(0)->toolTip(), QString::fromStdString(path));
    EXPECT_TRUE(t.w->Image.HexLoaded);
    EXPECT_EQ(t.w->Image.HexFileName, path);
    EXPECT_EQ(t.w->Image.HexWords[0], 0x2805);
    EXPECT_EQ(t.w->Image.HexWords[0x2007], 0x3FF1);
    EXPECT_TRUE(t.ui().ConfigCheckBox->isChecked());
    EXPECT_TRUE(t.ui().IDCheckBox->isChecked());
    EXPECT_TRUE(t.ui().DATACheckBox->isChecked());
}

TEST(HexLoad, MissingFileKeepsThePreviousWords) {
    Window t;
    t.dialog.queueFileAnswer(dataFile("f74_counter.8m.hex"));
    ASSERT_TRUE(t.w->ToolButton1Click());
    const auto before = t.w->Image.HexWords;
    t.dialog.clear();
    const std::string missing = dataFile("no-such-file.hex");
    t.dialog.queueFileAnswer(missing);
    EXPECT_FALSE(t.w->ToolButton1Click());
    EXPECT_THAT(t.dialog.messages(), ElementsAre("HEX-File  " + missing + "  nicht gefunden"));
    EXPECT_EQ(t.w->panel(0), QStringLiteral("!! file load ERROR !!"));
    EXPECT_FALSE(t.w->Image.HexLoaded);
    EXPECT_EQ(t.w->Image.HexWords, before);
    EXPECT_EQ(t.w->windowTitle(), QString::fromStdString("PKorvel  " + missing));
}

TEST(HexLoad, CancelReloadsTheCurrentFileFromDisk) {
    QTemporaryDir dir;
    const std::string path = tempFile(dir, "prog.hex");
    writeAll(path, ":020000000100FD\r\n:02400E00F13F80\r\n:00000001FF\r\n");
    Window t;
    t.dialog.queueFileAnswer(path);
    ASSERT_TRUE(t.w->ToolButton1Click());
    EXPECT_EQ(t.w->Image.HexWords[0], 1);

    writeAll(path, ":020000000200FC\r\n:02400E00F13F80\r\n:00000001FF\r\n");  // assembled again
    t.ui().ConfigCheckBox->setChecked(false);
    t.dialog.queueFileAnswer(std::nullopt);
    EXPECT_TRUE(t.w->ToolButton1Click());
    EXPECT_EQ(t.w->Image.HexFileName, path);
    EXPECT_EQ(t.w->Image.HexWords[0], 2);
    EXPECT_TRUE(t.ui().ConfigCheckBox->isChecked());

    // The re-read before a burn leaves the boxes alone.
    t.ui().ConfigCheckBox->setChecked(false);
    EXPECT_TRUE(t.w->loadFile());
    EXPECT_FALSE(t.ui().ConfigCheckBox->isChecked());
}

TEST(HexLoad, CancelWithoutAnyFileLoadsNothing) {
    Window t;
    t.dialog.clear();
    t.dialog.queueFileAnswer(std::nullopt);
    EXPECT_FALSE(t.w->ToolButton1Click());
    EXPECT_FALSE(t.w->Image.HexLoaded);
    EXPECT_TRUE(t.dialog.messages().empty());
    EXPECT_FALSE(t.w->loadFile());
}

TEST(HexLoad, BrokenFileStopsWithOneMessageAndKeepsWhatWasRead) {
    Window t;
    const std::string path = dataFile("edge_bad_char.hex");
    t.dialog.clear();
    t.dialog.queueFileAnswer(path);
    EXPECT_FALSE(t.w->ToolButton1Click());
    ASSERT_EQ(t.dialog.messages().size(), 1u);
    EXPECT_THAT(t.dialog.messages()[0], HasSubstr(path));
    EXPECT_THAT(t.dialog.messages()[0], HasSubstr("Zeile 3"));
    EXPECT_TRUE(t.w->Image.HexLoaded);
    EXPECT_EQ(t.w->Image.HexWords[8], 0x0001);
    EXPECT_EQ(t.w->Image.HexWords[0x10], MemoryImage::AbsentWord);
    // Nothing after the parse ran: the panel still names the file, the boxes are as they were.
    EXPECT_EQ(t.w->panel(0), QString::fromStdString(path));
    EXPECT_FALSE(t.ui().ConfigCheckBox->isChecked());
    EXPECT_FALSE(t.w->loadFile());  // a burn's re-read must stop too
}

TEST(HexLoad, StartupSwitchLoadsWithoutDialog) {
    const std::string path = dataFile("f877_pages.32.hex");
    Window t({QString::fromStdString("/f" + path)});
    for (const auto& e : t.dialog.entries()) {
        EXPECT_NE(e.kind, ScriptedDialog::Kind::OpenFile);
    }
    EXPECT_FALSE(t.w->StartupFilePending);
    EXPECT_TRUE(t.w->Image.HexLoaded);
    EXPECT_EQ(t.w->Image.HexWords[0x21FF], 0xA5);
    EXPECT_EQ(t.w->windowTitle(), QString::fromStdString("PKorvel  " + path));
}

// ---- Saving ----

class FailingWrite : public SaveFileOps {
  public:
    ssize_t write(int, const void*, std::size_t) override {
        errno = ENOSPC;
        return -1;
    }
};

TEST(HexSave, WritesTheReadBackDataAndAdoptsTheName) {
    QTemporaryDir dir;
    const std::string path = tempFile(dir, "read.hex");
    Window t;
    t.w->Image.ReadBack[0x2007] = 0x3FF0;
    t.w->Image.ReadBack[0x2100] = 0x00;
    t.dialog.clear();
    t.dialog.queueFileAnswer(path);
    t.w->ToolButton2Click();
    ASSERT_EQ(t.dialog.entries().size(), 1u);
    EXPECT_EQ(t.dialog.entries()[0].kind, ScriptedDialog::Kind::SaveFile);
    EXPECT_EQ(t.dialog.entries()[0].text, "HEX-Datei speichern");
    EXPECT_EQ(t.dialog.entries()[0].caption, "*.hex");
    EXPECT_EQ(t.dialog.entries()[0].initialName, "*.hex");
    EXPECT_EQ(readAll(path), ":02400E00F03F81\r\n:024200000000BC\r\n:00000001FF\r\n");
    EXPECT_EQ(t.w->Image.HexFileName, path);
    EXPECT_EQ(t.w->panel(0), QStringLiteral("read.hex"));
}

TEST(HexFileDialogs, StartInTheCurrentFilesFolder) {
    Window t;
    t.dialog.clear();
    t.w->Image.HexFileName = "/work/firmware/blink.hex";
    t.dialog.queueFileAnswer(std::nullopt);
    t.dialog.queueFileAnswer(std::nullopt);
    t.w->ToolButton1Click();
    t.w->ToolButton2Click();
    ASSERT_EQ(t.dialog.entries().size(), 3u);  // open, its "not found" message, save
    EXPECT_EQ(t.dialog.entries()[0].initialName, "/work/firmware/blink.hex");
    EXPECT_EQ(t.dialog.entries()[2].kind, ScriptedDialog::Kind::SaveFile);
    EXPECT_EQ(t.dialog.entries()[2].initialName, "/work/firmware/*.hex");
}

TEST(HexSave, CancelWritesNothingAndChangesNothing) {
    Window t;
    t.dialog.queueFileAnswer(dataFile("f74_counter.8m.hex"));
    ASSERT_TRUE(t.w->ToolButton1Click());
    const std::string before = readAll(dataFile("f74_counter.8m.hex"));
    t.w->Image.ReadBack[0] = 0x0001;
    t.dialog.queueFileAnswer(std::nullopt);
    t.w->ToolButton2Click();
    EXPECT_EQ(t.w->Image.HexFileName, dataFile("f74_counter.8m.hex"));
    EXPECT_EQ(readAll(dataFile("f74_counter.8m.hex")), before);
}

TEST(HexSave, FailedSaveKeepsTheOldFileAndTheCurrentName) {
    QTemporaryDir dir;
    const std::string path = tempFile(dir, "precious.hex");
    writeAll(path, "the user's earlier file");
    Window t;
    t.w->Image.HexFileName = "loaded.hex";
    t.w->Image.ReadBack[0] = 0x0001;
    FailingWrite failing;
    t.w->FileSaveOps = &failing;
    t.dialog.clear();
    t.dialog.queueFileAnswer(path);
    t.w->ToolButton2Click();
    EXPECT_EQ(readAll(path), "the user's earlier file");
    EXPECT_EQ(t.w->panel(0), QStringLiteral("!! file save ERROR !!"));
    ASSERT_EQ(t.dialog.messages().size(), 1u);
    EXPECT_THAT(t.dialog.messages()[0], HasSubstr(path));
    EXPECT_EQ(t.w->Image.HexFileName, "loaded.hex");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"precious.hex"});

    // A file that cannot be created at all: the message names it and says why, in German.
    t.w->FileSaveOps = nullptr;
    t.dialog.clear();
    t.dialog.queueFileAnswer(tempFile(dir, "missing-folder/x.hex"));
    t.w->ToolButton2Click();
    ASSERT_EQ(t.dialog.messages().size(), 1u);
    EXPECT_THAT(t.dialog.messages()[0], HasSubstr(tempFile(dir, "missing-folder/x.hex")));
    EXPECT_THAT(t.dialog.messages()[0], HasSubstr("Datei oder Ordner nicht vorhanden"));
    EXPECT_EQ(t.w->panel(0), QStringLiteral("!! file save ERROR !!"));
}

// ---- Settings file ----

// Points the settings file at a fresh folder for one test.
class SettingsFolder {
  public:
    SettingsFolder() {
        old_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
    }
    ~SettingsFolder() { qputenv("XDG_CONFIG_HOME", old_); }
    std::string file() const { return tempFile(dir_, "PKorvel.ini"); }

  private:
    QTemporaryDir dir_;
    QByteArray old_;
};

std::string record(std::int32_t version, std::uint8_t qd, std::uint8_t k1, std::uint8_t autoSpeed,
                   std::int32_t delay) {
    std::string s(24, '\0');
    auto put = [&](std::size_t at, std::int32_t v) {
        for (std::size_t k = 0; k < 4; ++k) {
            s[at + k] = static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * k));
        }
    };
    put(0, version);
    s[4] = 'R';
    put(8, 2);
    put(12, 3);
    s[16] = static_cast<char>(qd);
    s[17] = static_cast<char>(k1);
    s[18] = static_cast<char>(autoSpeed);
    s[19] = 'P';
    put(20, delay);
    return s;
}

bool quickAndDirtyView(const Window& t) {
    TOstrac* w = t.w.get();
    const bool qd = t.ui().QDLabel->isVisibleTo(w);
    EXPECT_EQ(t.ui().ReadBTN->isVisibleTo(w), !qd);
    EXPECT_EQ(t.ui().CompBTN->isVisibleTo(w), !qd);
    EXPECT_EQ(t.ui().DetectBTN->isVisibleTo(w), !qd);
    EXPECT_EQ(t.ui().FehlerGroupBox->isVisibleTo(w), !qd);
    return qd;
}

TEST(SettingsAtStart, NoFileGivesTheDefaultsAndTheFullView) {
    SettingsFolder folder;
    Window t;
    EXPECT_EQ(t.w->SettingsPath, folder.file());
    EXPECT_EQ(t.w->Settings.DriverIndex, 1);
    EXPECT_EQ(t.w->Settings.SwitchIndex, 1);
    EXPECT_FALSE(t.w->Settings.QuickAndDirty);
    EXPECT_TRUE(t.w->Settings.ModelK1);
    EXPECT_TRUE(t.w->Settings.AutoSpeed);
    EXPECT_FALSE(quickAndDirtyView(t));
    EXPECT_TRUE(t.dialog.messages().size() <= 1u);  // at most the programmer search's
}

TEST(SettingsAtStart, StoredValuesAndTheStoredDelayWithoutAutoSpeed) {
    SettingsFolder folder;
    std::int32_t measured = 0;
    {
        Window t;
        measured = t.w->Settings.DelayCount;
    }
    writeAll(folder.file(), record(5, 1, 1, 0, 700));
    Window t;
    EXPECT_EQ(t.w->Settings.DelayCount, 700);
    EXPECT_EQ(t.w->Settings.DriverIndex, 2);
    EXPECT_EQ(t.w->Settings.SwitchIndex, 3);
    EXPECT_TRUE(t.w->Settings.ModelK1);  // not reconciled with Quick and Dirty
    EXPECT_TRUE(quickAndDirtyView(t));

    writeAll(folder.file(), record(5, 0, 1, 1, 700));
    Window automatic;
    EXPECT_EQ(automatic.w->Settings.DelayCount, measured);
    EXPECT_FALSE(quickAndDirtyView(automatic));
}

TEST(SettingsSave, Version4IsIgnoredButItsReservedBytesSurvive) {
    SettingsFolder folder;
    writeAll(folder.file(), record(4, 1, 0, 0, 700));
    Window t;
    EXPECT_FALSE(t.w->Settings.QuickAndDirty);
    EXPECT_EQ(t.w->Settings.DriverIndex, 1);
    t.w->Settings.QuickAndDirty = true;
    t.w->Settings.ModelK1 = false;
    t.w->Settings.AutoSpeed = false;
    t.w->Settings.DelayCount = 700;
    t.w->Settings.DriverIndex = 2;
    t.w->Settings.SwitchIndex = 3;
    EXPECT_TRUE(t.w->SaveSettingsFile());
    // Byte 4 now holds the timing mode: classic, since the old record was ignored;
    // byte 5 the VPP, 13,0 V.
    std::string saved = record(5, 1, 0, 0, 700);
    saved[4] = '\0';
    saved[5] = '\x82';
    EXPECT_EQ(readAll(folder.file()), saved);

    FailingWrite failing;
    t.w->FileSaveOps = &failing;
    t.dialog.clear();
    t.w->Settings.DelayCount = 1;
    EXPECT_FALSE(t.w->SaveSettingsFile());
    ASSERT_EQ(t.dialog.messages().size(), 1u);
    EXPECT_THAT(t.dialog.messages()[0], HasSubstr(folder.file()));
    EXPECT_EQ(readAll(folder.file()), saved);
}

}  // namespace
}  // namespace pk
