#include "startform.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QUrl>

#include "ostrac.h"
#include "support/scripted_dialog.h"

namespace pk {
namespace {

// Receives what the info window asks the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
    QList<QUrl> opened;
  public slots:
    void open(const QUrl& url) { opened << url; }
};

struct InfoWindowTest : ::testing::Test {
    ScriptedDialog dialog;
    VirtualClock clock;
    std::unique_ptr<TOstrac> main;

    void SetUp() override {
        OstracDeps deps;
        deps.dialog = &dialog;
        deps.clock = &clock;
        deps.arguments = {QStringLiteral("pkorvel")};
        main = std::make_unique<TOstrac>(deps);
        TStartForm::InfoFirstShow = true;
    }

    QList<TStartForm*> infoWindows() const { return main->findChildren<TStartForm*>(); }
    static void flushDeletes() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(InfoWindowTest, LayoutAndTexts) {
    TStartForm info(main.get());
    EXPECT_EQ(info.windowTitle(), QStringLiteral("PKorvel Info"));
    EXPECT_TRUE(info.windowFlags() & Qt::Tool);
    EXPECT_TRUE(info.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(info.size(), QSize(523, 215));
    struct Expect {
        const char* name;
        QRect geometry;
        const char* text;
    };
    for (const Expect& e : {
             Expect{"Image1", {8, 8, 201, 201}, ""},
             Expect{"StaticText1", {216, 32, 294, 28}, "Korvel für PIC-Prozessoren"},
             Expect{"StaticText2", {272, 80, 160, 24}, "Version 2.2 (24.05.02)"},
             Expect{"StaticText3", {320, 128, 82, 20}, "www.velmor.de"},
         }) {
        auto* label = info.findChild<QLabel*>(QString::fromLatin1(e.name));
        ASSERT_NE(label, nullptr) << e.name;
        // A font wider than Arial may widen a text box, never move it.
        EXPECT_EQ(label->pos(), e.geometry.topLeft()) << e.name;
        EXPECT_GE(label->width(), e.geometry.width()) << e.name;
        EXPECT_EQ(label->height(), e.geometry.height()) << e.name;
        EXPECT_LE(label->geometry().right(), 523 - 8) << e.name;
        EXPECT_EQ(label->text(), QString::fromUtf8(e.text)) << e.name;
    }
    auto* close = info.findChild<QPushButton*>(QStringLiteral("Button1"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry().bottomRight(), QRect(456, 184, 57, 25).bottomRight());
    EXPECT_GE(close->width(), 57);
    EXPECT_EQ(close->text(), QStringLiteral("Schließen"));

    // The picture came out of the JPEG resource.
    EXPECT_TRUE(info.hasPicture());
    const QPixmap pic = info.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap();
    EXPECT_EQ(pic.size(), QSize(200, 200));
}

TEST_F(InfoWindowTest, CentredOverTheMainWindow) {
    main->setGeometry(100, 80, 610, 398);
    main->show();
    TStartForm info(main.get());
    info.show();
    const QPoint offset = info.frameGeometry().center() - main->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << offset.x() << "," << offset.y();
}

TEST_F(InfoWindowTest, DamagedPictureStillShowsTheWindow) {
    QTemporaryFile broken;
    ASSERT_TRUE(broken.open());
    QByteArray bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    bytes.append(QByteArray(200, '\x55'));
    broken.write(bytes);
    broken.close();

    TStartForm info(main.get(), broken.fileName());
    info.show();
    EXPECT_FALSE(info.hasPicture());
    EXPECT_TRUE(info.findChild<QLabel*>(QStringLiteral("Image1"))->pixmap().isNull());
    EXPECT_TRUE(info.isVisible());
    EXPECT_TRUE(info.timer()->isActive());
}

TEST_F(InfoWindowTest, FirstWindowOneSecondLaterOnesFiveSeconds) {
    main->ToolButton7Click();
    EXPECT_FALSE(TStartForm::InfoFirstShow);
    main->ToolButton7Click();
    main->ToolButton7Click();
    const auto windows = infoWindows();
    ASSERT_EQ(windows.size(), 3);
    EXPECT_EQ(windows[0]->timer()->interval(), 1000);
    EXPECT_EQ(windows[1]->timer()->interval(), 5000);
    EXPECT_EQ(windows[2]->timer()->interval(), 5000);
    for (TStartForm* w : windows) {
        EXPECT_TRUE(w->isVisible());
        EXPECT_TRUE(w->timer()->isSingleShot());
        EXPECT_TRUE(w->timer()->isActive());
    }

    // The first one really goes after about a second; the others are still there.
    QPointer<TStartForm> first = windows[0];
    QSignalSpy gone(first.data(), &QObject::destroyed);
    EXPECT_TRUE(gone.wait(3000));
    EXPECT_TRUE(first.isNull());
    ASSERT_EQ(infoWindows().size(), 2);
    EXPECT_TRUE(main->isVisible());
    for (TStartForm* w : infoWindows()) {
        EXPECT_TRUE(w->isVisible());
        EXPECT_GT(w->timer()->remainingTime(), 1000);
    }
}

TEST_F(InfoWindowTest, EachWindowEndsOnItsOwnTimer) {
    TStartForm::InfoFirstShow = false;
    main->ToolButton7Click();
    main->ToolButton7Click();
    auto windows = infoWindows();
    ASSERT_EQ(windows.size(), 2);
    QPointer<TStartForm> a = windows[0];
    QPointer<TStartForm> b = windows[1];
    EXPECT_NE(a->timer(), b->timer());

    a->Timer1Timer();
    flushDeletes();
    EXPECT_TRUE(a.isNull());
    ASSERT_FALSE(b.isNull());
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(b->timer()->isActive());
}

TEST_F(InfoWindowTest, CloseOnlyHidesTheTimerDestroys) {
    TStartForm::InfoFirstShow = false;
    main->hide();

    main->ToolButton7Click();
    QPointer<TStartForm> byButton = infoWindows().last();
    QTest::mouseClick(byButton->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    flushDeletes();
    ASSERT_FALSE(byButton.isNull());
    EXPECT_FALSE(byButton->isVisible());
    EXPECT_TRUE(byButton->timer()->isActive());
    EXPECT_TRUE(main->isVisible());

    main->hide();
    main->ToolButton7Click();
    QPointer<TStartForm> byBackground = infoWindows().last();
    // Clicks on the picture or the texts do not count, the bare background does.
    QTest::mouseClick(byBackground.data(), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_TRUE(byBackground->isVisible());
    QTest::mouseClick(byBackground.data(), Qt::LeftButton, {}, QPoint(300, 170));
    EXPECT_FALSE(byBackground->isVisible());
    EXPECT_TRUE(main->isVisible());

    byButton->Timer1Timer();
    byBackground->Timer1Timer();
    flushDeletes();
    EXPECT_TRUE(byButton.isNull());
    EXPECT_TRUE(byBackground.isNull());
}

TEST_F(InfoWindowTest, WebAddressOpensThroughTheDesktop) {
    UrlCatcher catcher;
    TStartForm info(main.get());
    info.show();
    QTest::mouseClick(info.findChild<QLabel*>(QStringLiteral("StaticText3")), Qt::LeftButton);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl(QStringLiteral("http://www.velmor.de")));
    EXPECT_TRUE(info.isVisible());
}

}  // namespace
}  // namespace pk

#include "startform_test.moc"
