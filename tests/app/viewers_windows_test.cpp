#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <optional>

#include "hexdatei.h"
#include "mem.h"
#include "qt_user_dialog.h"
#include "reass.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

// The main window's state as the viewers see it.
struct Owner {
    MemoryImage image;
    DeviceState device{Dev16F84, 0x03FF, 0x3F, false};
    ScriptedDialog dialog;
    QStringList panel0;

    ViewerContext context() {
        ViewerContext c;
        c.image = &image;
        c.device = &device;
        c.dialog = &dialog;
        c.setStatusPanel0 = [this](const QString& text) { panel0 << text; };
        return c;
    }
};

QPlainTextEdit* memo(QWidget& w) {
    auto* m = w.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    EXPECT_NE(m, nullptr);
    return m;
}

template <typename T>
T* child(QWidget& w, const char* name) {
    auto* c = w.findChild<T*>(QLatin1String(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void activate(QWidget& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// Takes the focus away and gives it back, as a user switching windows does.
void reactivate(QWidget& w) {
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    activate(w);
}

TEST(ReassWindow, ShowsTheListingAfterActivation) {
    Owner owner;
    owner.image.HexFileName = "/tmp/blink.hex";
    owner.image.HexWords[0] = 0x2805;
    owner.image.HexWords[5] = 0x3041;
    TReass w(owner.context());
    EXPECT_EQ(w.size(), QSize(550, 448));
    EXPECT_EQ(w.property("helpContext").toInt(), 119);
    EXPECT_TRUE(QFontInfo(memo(w)->font()).fixedPitch());
    EXPECT_EQ(QFontInfo(memo(w)->font()).pixelSize(), 13);

    activate(w);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Assembler-Betrachter  -  /tmp/blink.hex"));
    const std::string expected = reassemble(owner.image, 0x03FF);
    EXPECT_EQ(memo(w)->toPlainText().toStdString(), expected);
    EXPECT_NE(expected.find(" 0005 3041        MOVLW   41h          ; 'A' \n"), std::string::npos);
    EXPECT_TRUE(owner.dialog.messages().empty());

    // Switching back shows the image as it is now, from the top.
    owner.image.HexWords[5] = 0x0064;
    owner.image.HexFileName = "/tmp/other.hex";
    reactivate(w);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Assembler-Betrachter  -  /tmp/other.hex"));
    EXPECT_TRUE(memo(w)->toPlainText().contains(QStringLiteral(" 0005 0064        CLRWDT")));
    EXPECT_EQ(memo(w)->textCursor().position(), 0);
}

TEST(ReassWindow, OwnTemporaryFileForItsLifetime) {
    Owner owner;
    QString name;
    {
        TReass a(owner.context());
        TReass b(owner.context());
        name = a.ListingFile();
        ASSERT_FALSE(name.isEmpty());
        EXPECT_NE(name, b.ListingFile());
        const QFileInfo info(name);
        EXPECT_TRUE(info.exists());
        EXPECT_EQ(QDir(info.absolutePath()), QDir(QDir::tempPath()));
        EXPECT_TRUE(info.fileName().startsWith('$'));
        activate(a);
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll().toStdString(), reassemble(owner.image, 0x03FF));
    }
    EXPECT_FALSE(QFileInfo::exists(name));
}

TEST(ReassWindow, ListingFileThatCannotBeWritten) {
    Owner owner;
    TReass w(owner.context());
    // Put a directory where the file was: it can be neither written nor loaded.
    const QString name = w.ListingFile();
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QDir().mkdir(name));
    memo(w)->setPlainText(QStringLiteral("old"));
    activate(w);
    QDir().rmdir(name);
    EXPECT_EQ(owner.panel0, QStringList{QStringLiteral("!! file save ERROR !!")});
    ASSERT_EQ(owner.dialog.entries().size(), 2u);
    EXPECT_EQ(owner.dialog.entries()[0].text, "Datei nicht zwischengespeichert werden");
    EXPECT_EQ(owner.dialog.entries()[0].caption, "Problem");
    EXPECT_EQ(owner.dialog.entries()[1].text, "Datei fehlerhaft oder zu groß");
    EXPECT_EQ(owner.dialog.entries()[1].caption, "Problem");
    EXPECT_TRUE(memo(w)->toPlainText().isEmpty());
}

TEST(ReassWindow, ClosingOnlyHides) {
    Owner owner;
    TReass w(owner.context());
    activate(w);
    QPushButton* close = w.findChild<QPushButton*>(QStringLiteral("Button1"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Schließen"));
    close->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(QFileInfo::exists(w.ListingFile()));
}

TEST(HexdateiWindow, NoFileGivesMessageAndEmptyText) {
    Owner owner;
    THexdatei w(owner.context());
    EXPECT_EQ(memo(w)->toPlainText(), QStringLiteral("Memo1"));
    EXPECT_EQ(w.property("helpContext").toInt(), 118);
    EXPECT_TRUE(QFontInfo(memo(w)->font()).fixedPitch());
    activate(w);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Hexdatei-Betrachter  -  "));
    ASSERT_EQ(owner.dialog.entries().size(), 1u);
    EXPECT_EQ(owner.dialog.entries()[0].text, "Datei nicht geladen oder fehlerhaft");
    EXPECT_EQ(owner.dialog.entries()[0].caption, "Problem");
    EXPECT_TRUE(memo(w)->toPlainText().isEmpty());

    // A file that has gone since it was loaded.
    owner.image.HexFileName = "/nonexistent/dir/prog.hex";
    owner.image.HexWords[0] = 0x0000;
    reactivate(w);
    EXPECT_EQ(owner.dialog.messages().size(), 2u);
    EXPECT_TRUE(memo(w)->toPlainText().isEmpty());
}

TEST(HexdateiWindow, ShowsTheFileOnDiskAndFollowsItsName) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("a.hex"));
    const QString second = dir.filePath(QStringLiteral("b.hex"));
    auto write = [](const QString& path, const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(first, ":020000000528D1\r\n:00000001FF\r\n");
    write(second, ":0400000000000000FC\n:00000001FF\n");

    Owner owner;
    owner.image.HexFileName = first.toStdString();
    THexdatei w(owner.context());
    activate(w);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Hexdatei-Betrachter  -  ") + first);
    EXPECT_EQ(memo(w)->toPlainText(), QStringLiteral(":020000000528D1\n:00000001FF\n"));

    owner.image.HexFileName = second.toStdString();
    reactivate(w);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Hexdatei-Betrachter  -  ") + second);
    EXPECT_EQ(memo(w)->toPlainText(), QStringLiteral(":0400000000000000FC\n:00000001FF\n"));
    EXPECT_TRUE(owner.dialog.messages().empty());
}

QRgb programSquare(const TMem& w, int address) {
    const int row = (address % 0x800) / 32;
    const int column = address % 32;
    return w.pageImage(address / 0x800).pixel(4 * column + 1, 4 * row + 1);
}

TEST(MemWindow, DrawsTheMapAndLabels) {
    Owner owner;
    owner.image.HexFileName = "/tmp/map.hex";
    owner.image.HexWords[0] = 0x2805;
    owner.image.HexWords[0x0400] = 0x2805;
    owner.image.HexWords[MemoryImage::ConfigAddr] = 0x3FF0;
    owner.image.HexWords[MemoryImage::EepromBase] = 0x0041;
    TMem w(owner.context());
    EXPECT_EQ(w.property("helpContext").toInt(), 117);
    EXPECT_EQ(child<QLabel>(w, "PLabel")->text(), QStringLiteral("PIC-Typ"));
    EXPECT_EQ(child<QLabel>(w, "P2Image")->toolTip(), QStringLiteral("Programm von 1000 bis 17FF"));
    activate(w);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Speicher-Belegung  -  /tmp/map.hex"));
    EXPECT_EQ(child<QGroupBox>(w, "PGroupBox")->title(),
              QStringLiteral("1 k Flash-Programmspeicher"));
    EXPECT_EQ(child<QGroupBox>(w, "EGroupBox")->title(),
              QStringLiteral("64 Byte EEPROM-Datenspeicher"));
    EXPECT_EQ(child<QLabel>(w, "PLabel")->text(), QStringLiteral("PIC 16F 84/84A"));
    EXPECT_EQ(child<QLabel>(w, "CLabel")->text(), QStringLiteral("Config: 3FF0"));
    EXPECT_EQ(w.pageImage(0).size(), QSize(128, 256));
    EXPECT_EQ(w.eepromImage().size(), QSize(512, 32));
    EXPECT_EQ(programSquare(w, 0), qRgb(160, 160, 160));
    EXPECT_EQ(programSquare(w, 0x0400), qRgb(128, 160, 160));
    EXPECT_EQ(programSquare(w, 1), qRgb(255, 128, 255));
    EXPECT_EQ(programSquare(w, 0x1FFF), qRgb(128, 128, 255));
    EXPECT_EQ(w.eepromImage().pixel(3, 3), qRgb(0x41, 0x41, 0x41));
    EXPECT_FALSE(child<QLabel>(w, "P0Image")->pixmap().isNull());

    // Another chip and no configuration word: redrawn on the next activation.
    owner.device = DeviceState{Dev16F876_877, 0x1FFF, 0xFF, false};
    owner.image.HexWords[MemoryImage::ConfigAddr] = MemoryImage::AbsentWord;
    reactivate(w);
    EXPECT_EQ(programSquare(w, 0x0400), qRgb(160, 160, 160));
    EXPECT_EQ(child<QGroupBox>(w, "PGroupBox")->title(),
              QStringLiteral("8 k Flash-Programmspeicher"));
    EXPECT_EQ(child<QLabel>(w, "PLabel")->text(), QStringLiteral("PIC 16F 876/877"));
    EXPECT_EQ(child<QLabel>(w, "CLabel")->text(), QStringLiteral("Config: nicht im Hex-File"));

    // No type selected: the type label stays as it was.
    owner.device.CurrentType = -1;
    reactivate(w);
    EXPECT_EQ(child<QLabel>(w, "PLabel")->text(), QStringLiteral("PIC 16F 876/877"));
}

// A message box shown while rebuilding takes the focus; getting it back must not
// count as a new activation, or the box would come up again and again.
TEST(ViewerWindows, MessageBoxDoesNotReactivate) {
    Owner owner;
    QtUserDialog qtDialog;
    ViewerContext context = owner.context();
    context.dialog = &qtDialog;
    THexdatei w(context);
    int boxes = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&boxes, &w] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            box->accept();
            // A window manager gives the focus back to the window the box came from.
            QTimer::singleShot(0, &w, [&w] { w.activateWindow(); });
        }
    });
    // Waits by condition, not by time alone: a loaded machine may be slow to
    // deliver the events, and a fixed wait would then decide too early.
    closer.start(20);
    w.show();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&boxes] { return boxes >= 1; }, 10000));
    QTest::qWait(300);  // time for a wrongly repeated box to come up
    closer.stop();
    EXPECT_EQ(w.rebuildCount(), 1);
    EXPECT_EQ(boxes, 1);
    // A real switch back still rebuilds (and shows the message once more).
    closer.start(20);
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_TRUE(
        QTest::qWaitFor([&other] { return QApplication::activeWindow() == &other; }, 10000));
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitFor([&boxes] { return boxes >= 2; }, 10000));
    QTest::qWait(300);
    closer.stop();
    EXPECT_EQ(w.rebuildCount(), 2);
    EXPECT_EQ(boxes, 2);
}

}  // namespace
}  // namespace pk
