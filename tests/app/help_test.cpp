#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>

#include "help_window.h"
#include "ostrac_fixture.h"

namespace pk {
namespace {

using test::Window;

// One help window lives for the run; tests start and end without one.
struct HelpTest : ::testing::Test {
    void SetUp() override { delete HelpWindow::instance(); }
    void TearDown() override { delete HelpWindow::instance(); }
};

TEST_F(HelpTest, EveryContextNumberAndTheContentsHaveAGermanPage) {
    std::vector<int> contexts{99};
    for (int c = 107; c <= 120; ++c) {
        contexts.push_back(c);
    }
    QStringList pages;
    for (int c : contexts) {
        SCOPED_TRACE(c);
        const QString page = HelpWindow::pageFor(c);
        ASSERT_FALSE(page.isEmpty());
        pages << page;
    }
    ASSERT_FALSE(HelpWindow::pageFor(QStringLiteral("Inhalt")).isEmpty());
    pages << HelpWindow::pageFor(QStringLiteral("Inhalt"));
    EXPECT_TRUE(HelpWindow::pageFor(5).isEmpty());

    // Every page has a title and real text, and every link inside the help leads to a page.
    const QRegularExpression link(QStringLiteral("href=\"([^\"]+)\""));
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("<h1>")));
        EXPECT_GT(html.size(), 400);
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/resources/help/") + target))
                << target.toStdString();
        }
    }
}

TEST_F(HelpTest, ControlsCarryTheirContextNumbers) {
    Window win;
    const struct {
        const char* name;
        int context;
    } rows[] = {
        {"Ostrac", 99},
        {"TypComboBox", 108},
        {"DetectBTN", 108},
        {"ConfigCheckBox", 110},
        {"IDCheckBox", 111},
        {"ProgBTN", 112},
        {"CompBTN", 113},
        {"EraseBTN", 114},
        {"ReadBTN", 115},
        {"AntiCpBTN", 116},
        // No number of their own: the main window's.
        {"TaktRadioGroup1_4", 99},
        {"DATACheckBox", 99},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        QWidget* w =
            QLatin1String(r.name) == QLatin1String("Ostrac") ? win.w.get() : win.find(r.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(helpContextOf(w), r.context);
    }
    QWidget child(win.find("ProgBTN"));
    EXPECT_EQ(helpContextOf(&child), 112);
    setHelpContext(&child, help::IdEditor);
    EXPECT_EQ(helpContextOf(&child), 120);
    EXPECT_EQ(helpContextOf(nullptr), 0);
}

TEST_F(HelpTest, F1OpensThePageOfTheFocusedControl) {
    Window win;
    auto* prog = win.find<QPushButton>("ProgBTN");
    prog->setEnabled(true);
    QTest::keyClick(prog, Qt::Key_F1);
    ASSERT_NE(HelpWindow::instance(), nullptr);
    EXPECT_EQ(HelpWindow::instance()->currentPage(), QStringLiteral(":/resources/help/112.html"));
    EXPECT_TRUE(HelpWindow::instance()->isVisible());

    // A control without its own number: the enclosing window's page, in the same help window.
    HelpWindow* first = HelpWindow::instance();
    QTest::keyClick(win.find("DATACheckBox"), Qt::Key_F1);
    EXPECT_EQ(HelpWindow::instance(), first);
    EXPECT_EQ(first->currentPage(), QStringLiteral(":/resources/help/99.html"));
}

TEST_F(HelpTest, HelpButtonOpensTheContents) {
    Window win;
    win.find<QToolButton>("ToolButton13")->click();
    ASSERT_NE(HelpWindow::instance(), nullptr);
    EXPECT_EQ(HelpWindow::instance()->currentPage(),
              QStringLiteral(":/resources/help/inhalt.html"));
    const auto* browser =
        HelpWindow::instance()->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Brennen")));
}

TEST_F(HelpTest, UnknownContextFallsBackToContents) {
    HelpWindow* w = HelpWindow::show(4711);
    EXPECT_EQ(w->currentPage(), QStringLiteral(":/resources/help/inhalt.html"));
    EXPECT_EQ(HelpWindow::showTopic(QStringLiteral("gibtsnicht"))->currentPage(),
              QStringLiteral(":/resources/help/inhalt.html"));
}

}  // namespace
}  // namespace pk
