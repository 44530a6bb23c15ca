#include "help_window.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace pk {
namespace {

const char* const kContextProperty = "helpContext";
const QString kHelpDir = QStringLiteral(":/resources/help/");

QPointer<HelpWindow>& theWindow() {
    static QPointer<HelpWindow> window;
    return window;
}

class HelpKeyFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
                // Key events go to the focused widget first.
                const int context = helpContextOf(static_cast<QWidget*>(watched));
                if (context != 0) {
                    HelpWindow::show(context);
                } else {
                    HelpWindow::showTopic(QStringLiteral("Inhalt"));
                }
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void setHelpContext(QWidget* widget, int context) {
    widget->setProperty(kContextProperty, context);
}

int helpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        const QVariant v = w->property(kContextProperty);
        if (v.isValid() && v.toInt() != 0) {
            return v.toInt();
        }
    }
    return 0;
}

void installHelpKey() {
    static QPointer<HelpKeyFilter> installed;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || !installed.isNull()) {
        return;
    }
    installed = new HelpKeyFilter(app);
    app->installEventFilter(installed);
}

HelpWindow::HelpWindow() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QStringLiteral("PKorvel Hilfe"));
    setHelpContext(this, 0);
    resize(620, 520);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(true);

    auto* contents = new QPushButton(QStringLiteral("Inhalt"), this);
    contents->setObjectName(QStringLiteral("HelpContentsButton"));
    auto* back = new QPushButton(QStringLiteral("Zurück"), this);
    back->setObjectName(QStringLiteral("HelpBackButton"));
    auto* close = new QPushButton(QStringLiteral("Schließen"), this);
    close->setObjectName(QStringLiteral("HelpCloseButton"));
    connect(contents, &QPushButton::clicked, this,
            [this] { open(pageFor(QStringLiteral("Inhalt"))); });
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);
}

HelpWindow* HelpWindow::instance() {
    return theWindow().data();
}

QString HelpWindow::pageFor(int context) {
    const QString page = kHelpDir + QString::number(context) + QStringLiteral(".html");
    return QFile::exists(page) ? page : QString();
}

QString HelpWindow::pageFor(const QString& topic) {
    const QString page = kHelpDir + topic.toLower() + QStringLiteral(".html");
    return QFile::exists(page) ? page : QString();
}

HelpWindow* HelpWindow::show(int context) {
    QString page = pageFor(context);
    if (page.isEmpty()) {
        page = pageFor(QStringLiteral("Inhalt"));
    }
    if (theWindow().isNull()) {
        theWindow() = new HelpWindow;
        // One help window for the whole run, like a help viewer beside the program.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, theWindow().data(),
                         [] { delete theWindow().data(); });
    }
    HelpWindow* w = theWindow().data();
    w->open(page);
    return w;
}

HelpWindow* HelpWindow::showTopic(const QString& topic) {
    const QString page = pageFor(topic);
    if (page.isEmpty()) {
        return show(0);
    }
    if (theWindow().isNull()) {
        show(0);
    }
    HelpWindow* w = theWindow().data();
    w->open(page);
    return w;
}

QString HelpWindow::currentPage() const {
    const QUrl url = browser_->source();
    return url.scheme() == QStringLiteral("qrc") ? QStringLiteral(":") + url.path()
                                                 : url.toString();
}

void HelpWindow::open(const QString& page) {
    browser_->setSource(QUrl(QStringLiteral("qrc") + page));
    QWidget::show();
    raise();
    activateWindow();
}

}  // namespace pk
