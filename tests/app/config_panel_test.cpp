// With "aus HEX-File lesen", the configuration panel shows the word "Brennen"
// will burn, after any order of file load, start-up switch and type change.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <fstream>

#include "device/commands.h"
#include "image/hex_file.h"
#include "ostrac_fixture.h"

namespace pk {
namespace {

using test::Window;

// Words that set different clock items, protection and the pins on each layout.
constexpr std::uint16_t kFileWords[] = {0x3F39, 0x1F54, 0x2A4A};

std::string writeFile(const QTemporaryDir& dir, std::uint16_t word) {
    WordArray words;
    words.fill(0x3FFF);
    for (int a = 0; a < 16; ++a) {
        words[a] = static_cast<std::uint16_t>(0x3000 + a);
    }
    words[MemoryImage::ConfigAddr] = word;
    words[MemoryImage::Config2Addr] = 0x3FFC;
    const std::string path = dir.filePath(QStringLiteral("cfg.hex")).toStdString();
    std::ofstream(path, std::ios::binary) << BuildHexFile(words, 0x1FFF);
    return path;
}

QString firstSwitch(const DeviceInfo& d) {
    return QString::fromLatin1(d.switches[0].data(), static_cast<qsizetype>(d.switches[0].size()));
}

// What the panel shows is what a fresh read of the file's word into the type's
// layout gives, and what the re-read before a burn leaves in the controls.
void expectPanelIsTheBurntWord(Window& win, std::uint16_t fileWord) {
    const std::int32_t type = win.ui().TypComboBox->currentIndex();
    ASSERT_TRUE(win.ui().ConfigCheckBox->isChecked());
    const ConfigControls shown = win.w->configControls();
    const ConfigRule fromFile = configRule(ConfigControls{}, true);
    const std::uint16_t expected = fromFile(type, fileWord, 0xFFFF).word;
    EXPECT_EQ(buildConfigWord(type, shown), expected)
        << "type " << deviceInfo(type)->listText << " file word " << fileWord;
    EXPECT_EQ(buildConfigWord2(type, shown), fromFile(type, 0x3FFF, 0x3FFC).word2);
    ASSERT_TRUE(win.w->reloadHexFile());
    EXPECT_EQ(buildConfigWord(type, win.w->configControls()), buildConfigWord(type, shown))
        << "the burn re-read changed the panel";
}

TEST(ConfigPanel, ShowsTheBurntWordAfterEveryStartOrderAndTypeChange) {
    QTemporaryDir dir;
    for (std::uint16_t word : kFileWords) {
        const QString file = QStringLiteral("/f") + QString::fromStdString(writeFile(dir, word));
        for (const DeviceInfo& start : kDevices) {
            for (bool fileFirst : {true, false}) {
                SCOPED_TRACE(std::string(start.listText) + (fileFirst ? " /f /p" : " /p /f"));
                const QStringList args = fileFirst ? QStringList{file, firstSwitch(start)}
                                                   : QStringList{firstSwitch(start), file};
                Window win(args);
                ASSERT_EQ(win.ui().TypComboBox->currentIndex(), start.type);
                expectPanelIsTheBurntWord(win, word);
                if (!fileFirst) {
                    continue;  // the pairs once per word are enough
                }
                for (const DeviceInfo& next : kDevices) {
                    SCOPED_TRACE(std::string("then ") + std::string(next.listText));
                    win.ui().TypComboBox->setCurrentIndex(next.type);
                    win.w->TypComboBoxChange();
                    expectPanelIsTheBurntWord(win, word);
                    win.ui().TypComboBox->setCurrentIndex(start.type);
                    win.w->TypComboBoxChange();
                }
            }
        }
    }
}

// "incl. DataEEProm" is the user's: a type change keeps it, a chip without EEPROM
// only disables it for as long as it is selected.
TEST(DataCheckBox, KeepsTheUsersChoiceAcrossTypeChanges) {
    struct Case {
        bool ticked;
        std::int32_t via;  // a type passed through on the way back
    };
    const Case cases[] = {
        {true, Dev16F628A},   {false, Dev16F628A}, {true, Dev16F76_77},
        {false, Dev16F73_74}, {true, Dev16F84},    {true, Dev12F629_675},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(deviceInfo(c.via)->listText) + (c.ticked ? " ticked" : ""));
        Window win({QStringLiteral("/p16f877")});
        QCheckBox* box = win.ui().DATACheckBox;
        box->setChecked(c.ticked);
        win.ui().TypComboBox->setCurrentIndex(c.via);
        win.w->TypComboBoxChange();
        const bool viaHasEeprom = deviceInfo(c.via)->dataLastAddr >= 0;
        EXPECT_EQ(box->isEnabled(), viaHasEeprom);
        EXPECT_EQ(box->isChecked(), c.ticked && viaHasEeprom);
        EXPECT_TRUE(box->isVisible() || !win.w->isVisible());
        win.ui().TypComboBox->setCurrentIndex(Dev16F876_877);
        win.w->TypComboBoxChange();
        EXPECT_TRUE(box->isEnabled());
        EXPECT_EQ(box->isChecked(), c.ticked) << "the choice came back";
    }
}

TEST(DataCheckBox, CanBeTickedByHandForAFileWithoutEeprom) {
    QTemporaryDir dir;
    const QString file = QStringLiteral("/f") + QString::fromStdString(writeFile(dir, 0x3FFF));
    Window win({QStringLiteral("/p16f628a"), file});
    QCheckBox* box = win.ui().DATACheckBox;
    EXPECT_FALSE(box->isChecked()) << "a file without EEPROM bytes leaves the EEPROM alone";
    box->setChecked(true);
    EXPECT_TRUE(box->isChecked()) << "for Lesen and Löschen the user wants it";
    EXPECT_TRUE(win.w->commandOptions().includeData);
}

}  // namespace
}  // namespace pk
