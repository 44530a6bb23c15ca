#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "hexdatei.h"
#include "image/hex_file.h"
#include "mem.h"
#include "ostrac_fixture.h"
#include "reass.h"
#include "viewers/reassembler.h"

namespace pk {
namespace {

const QString kData = QStringLiteral(PKORVEL_TEST_DATA);

// A new viewer builds its content when the activation reaches it.
bool waitForContent(ViewerWindow* w) {
    for (int i = 0; i < 500 && w->rebuildCount() == 0; ++i) {
        QTest::qWait(10);
    }
    return w->rebuildCount() > 0;
}

template <typename T>
std::vector<T*> windowsOf(TOstrac& w) {
    std::vector<T*> found;
    for (T* c : w.findChildren<T*>()) {
        found.push_back(c);
    }
    return found;
}

TEST(OstracViewers, EachPressOpensANewWindow) {
    test::Window t;
    auto* mapButton = t.find<QToolButton>("ToolButton8");
    auto* hexButton = t.find<QToolButton>("ToolButton9");
    auto* listButton = t.find<QToolButton>("ToolButton11");
    ASSERT_NE(mapButton, nullptr);
    ASSERT_NE(hexButton, nullptr);
    ASSERT_NE(listButton, nullptr);
    t.dialog.clear();

    mapButton->click();
    mapButton->click();
    listButton->click();
    ASSERT_EQ(windowsOf<TMem>(*t.w).size(), 2u);
    ASSERT_EQ(windowsOf<TReass>(*t.w).size(), 1u);
    for (TMem* m : windowsOf<TMem>(*t.w)) {
        EXPECT_TRUE(m->isVisible());
        EXPECT_TRUE(m->isWindow());
        EXPECT_FALSE(m->isModal());
    }

    // Without a file the HEX viewer says so.
    hexButton->click();
    ASSERT_EQ(windowsOf<THexdatei>(*t.w).size(), 1u);
    THexdatei* hex = windowsOf<THexdatei>(*t.w).front();
    ASSERT_TRUE(waitForContent(hex));
    ASSERT_FALSE(t.dialog.messages().empty());
    for (const std::string& m : t.dialog.messages()) {
        EXPECT_EQ(m, "Datei nicht geladen oder fehlerhaft");
    }
    EXPECT_EQ(hex->windowTitle(), QStringLiteral("Hexdatei-Betrachter  -  "));

    // Closing hides; the window stays until the program ends.
    hex->close();
    EXPECT_EQ(windowsOf<THexdatei>(*t.w).size(), 1u);
}

TEST(OstracViewers, ShowTheLoadedFileAndTheSelectedChip) {
    const QString file = kData + QStringLiteral("/viewers_all_instructions.hex");
    test::Window t({QStringLiteral("/p16f877")});
    ASSERT_EQ(t.w->Device.ProgLastAddr, 0x1FFF);
    t.w->Image.HexFileName = file.toStdString();
    ASSERT_TRUE(LoadHexFile(t.w->Image.HexFileName, t.w->Image).complete());
    t.dialog.clear();

    t.find<QToolButton>("ToolButton11")->click();
    TReass* listing = windowsOf<TReass>(*t.w).front();
    ASSERT_TRUE(waitForContent(listing));
    EXPECT_EQ(listing->windowTitle(), QStringLiteral("Assembler-Betrachter  -  ") + file);
    const QString text =
        listing->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
    EXPECT_EQ(text.toStdString(), reassemble(t.w->Image, 0x1FFF));
    EXPECT_TRUE(text.contains(QStringLiteral(" 0001 0880        MOVF    0x00,f       \n")));

    t.find<QToolButton>("ToolButton9")->click();
    THexdatei* hex = windowsOf<THexdatei>(*t.w).front();
    ASSERT_TRUE(waitForContent(hex));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    EXPECT_EQ(hex->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText(),
              QString::fromLatin1(f.readAll()));

    t.find<QToolButton>("ToolButton8")->click();
    TMem* map = windowsOf<TMem>(*t.w).front();
    ASSERT_TRUE(waitForContent(map));
    EXPECT_EQ(map->findChild<QLabel*>(QStringLiteral("PLabel"))->text(),
              QStringLiteral("PIC 16F 876/877"));
    EXPECT_EQ(map->pageImage(0).pixel(0, 0), qRgb(0x20, 0x20, 0x20));  // MOVF 0x00,w = 0x0800
    EXPECT_TRUE(t.dialog.messages().empty());
}

TEST(OstracViewers, ListingFileErrorGoesToStatusPanel0) {
    test::Window t;
    t.find<QToolButton>("ToolButton11")->click();
    TReass* listing = windowsOf<TReass>(*t.w).front();
    const QString name = listing->ListingFile();
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QDir().mkdir(name));
    t.dialog.clear();
    listing->FormActivate();
    QDir().rmdir(name);
    EXPECT_EQ(t.w->panel(0), QStringLiteral("!! file save ERROR !!"));
    EXPECT_EQ(t.dialog.messages(),
              (std::vector<std::string>{"Datei nicht zwischengespeichert werden",
                                        "Datei fehlerhaft oder zu groß"}));
}

TEST(OstracViewers, ListingFilesGoWithTheProgram) {
    QString name;
    {
        test::Window t;
        t.find<QToolButton>("ToolButton11")->click();
        name = windowsOf<TReass>(*t.w).front()->ListingFile();
        EXPECT_TRUE(QFile::exists(name));
    }
    EXPECT_FALSE(QFile::exists(name));
}

}  // namespace
}  // namespace pk
