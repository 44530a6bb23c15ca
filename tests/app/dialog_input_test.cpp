// Real Qt message boxes and file dialogs opened from inside a running chip
// operation, answered with keys delivered the way the window system delivers them
// (to the dialog's QWindow first). The operation drops input to the main window;
// a dialog must still take its answer.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <fstream>
#include <functional>
#include <memory>

#include "image/hex_file.h"
#include "ostrac.h"
#include "qt_user_dialog.h"
#include "sim/circuit.h"
#include "support/scripted_dialog.h"
#include "ui_ostrac.h"

namespace pk {
namespace {

// The start-up search answers through the script; once the window stands, the
// real Qt dialogs take over.
struct SwitchDialog : UserDialog {
    UserDialog* target = nullptr;
    void message(const std::string& text, const std::string& caption) override {
        target->message(text, caption);
    }
    bool question(const std::string& text, const std::string& caption) override {
        return target->question(text, caption);
    }
    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override {
        return target->openFile(title, filter, initialName);
    }
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override {
        return target->saveFile(title, filter, initialName);
    }
};

struct RealDialogs {
    ScriptedDialog script;
    QtUserDialog qt;
    SwitchDialog dialog;
    VirtualClock clock;
    sim::SimCircuit board{clock, {1, 1}, 1};
    std::unique_ptr<TOstrac> w;
    QTemporaryDir dir;
    // What was on screen when the keys went in, for the checks after the operation.
    QString seenTitle;
    QString seenText;
    bool answered = false;

    RealDialogs() {
        dialog.target = &script;
        OstracDeps deps;
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.port = &board;
        deps.arguments = {QStringLiteral("pkorvel")};
        w = std::make_unique<TOstrac>(deps);
        w->Settings.DriverIndex = 1;
        w->Settings.SwitchIndex = 1;
        w->Settings.QuickAndDirty = false;
        w->Sync();
        w->show();
        qt.setParent(w.get());
        dialog.target = &qt;
    }

    sim::SimChip* insert(const char* name, std::int32_t type) {
        sim::SimChip* chip = board.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(name)));
        w->ui()->TypComboBox->setCurrentIndex(type);
        w->TypComboBoxChange();
        return chip;
    }

    // Waits for the next modal dialog, then types into its QWindow. The timer is a
    // safety net: a dialog that takes no key would otherwise hang the test, so it
    // is closed by force and the test fails on `answered`.
    void answerWith(const QString& typed, Qt::Key key) {
        auto* poll = new QTimer(w.get());
        auto tries = std::make_shared<int>(0);
        QObject::connect(poll, &QTimer::timeout, w.get(), [this, poll, tries, typed, key] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->isVisible() || modal->windowHandle() == nullptr) {
                if (++*tries > 500) {
                    poll->stop();
                }
                return;
            }
            poll->stop();
            poll->deleteLater();
            seenTitle = modal->windowTitle();
            if (auto* label = modal->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
                seenText = label->text();
            }
            QWindow* handle = modal->windowHandle();
            for (QChar ch : typed) {
                QTest::keyClick(handle, ch.toLatin1());
            }
            QTest::keyClick(handle, key);
            QApplication::processEvents();
            answered = !modal->isVisible();
            if (!answered) {
                modal->close();  // the test has failed; do not hang
            }
        });
        poll->start(5);
    }
};

TEST(DialogInput, TheSaveDialogAfterLesenTakesATypedNameAndReturn) {
    RealDialogs r;
    r.insert("16F628A", Dev16F628A)->setWord(0, 0x2805);
    // The dialog opens in the working folder; typed there, the name needs no path
    // (and no completion list pops up over an empty folder).
    const QString before = QDir::currentPath();
    QDir::setCurrent(r.dir.path());
    const QString target = r.dir.filePath(QStringLiteral("gelesen.hex"));
    r.answerWith(QStringLiteral("gelesen.hex"), Qt::Key_Return);
    r.w->ui()->ReadBTN->click();
    EXPECT_TRUE(r.answered) << "the save dialog took no key";
    ASSERT_TRUE(QFileInfo::exists(target));
    MemoryImage back;
    ASSERT_TRUE(LoadHexFile(target.toStdString(), back).complete());
    EXPECT_EQ(back.HexWords[0], 0x2805) << "the chip's first word";
    QDir::setCurrent(before);
}

TEST(DialogInput, EscapeInTheSaveDialogSavesNothing) {
    RealDialogs r;
    r.insert("16F628A", Dev16F628A);
    const QString target = r.dir.filePath(QStringLiteral("nicht.hex"));
    r.answerWith(target, Qt::Key_Escape);
    r.w->ui()->ReadBTN->click();
    EXPECT_TRUE(r.answered) << "the save dialog took no Escape";
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(r.dir.isValid());
}

TEST(DialogInput, TheMessageBoxOfAFailedBurnClosesWithReturn) {
    RealDialogs r;
    r.w->ui()->TypComboBox->setCurrentIndex(Dev16F628A);
    r.w->TypComboBoxChange();
    const std::string file = r.dir.filePath(QStringLiteral("p.hex")).toStdString();
    WordArray words;
    words.fill(0x3FFF);
    words[0] = 0x2805;
    std::ofstream(file, std::ios::binary) << BuildHexFile(words, 0x03FF);
    r.w->Image.HexFileName = file;
    r.w->Image.HexLoaded = true;
    // No chip in the socket: the burn ends in a message box.
    r.answerWith(QString(), Qt::Key_Return);
    r.w->ui()->ProgBTN->click();
    EXPECT_TRUE(r.answered) << "the message box took no Return";
    EXPECT_TRUE(r.seenText.contains(QStringLiteral("kein PIC erkannt")))
        << r.seenText.toStdString();
    EXPECT_FALSE(r.w->operationRunning());
}

TEST(DialogInput, AQuestionDuringAnOperationTakesItsKey) {
    RealDialogs r;
    bool yes = true;
    r.answerWith(QString(), Qt::Key_Escape);
    EXPECT_TRUE(r.w->runOperation([&] { yes = r.w->dialog().question("Weiter?"); }));
    EXPECT_TRUE(r.answered);
    EXPECT_FALSE(yes) << "Escape is No";
}

}  // namespace
}  // namespace pk
