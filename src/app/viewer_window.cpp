#include "viewer_window.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QWindow>

#include "help_window.h"

namespace pk {

ViewerWindow::ViewerWindow(const ViewerContext& context, int helpContext, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context) {
    setHelpContext(this, helpContext);
    // Any other ordinary window taking the focus ends the detour through a message box.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) {
        if (now != nullptr && now != windowHandle() && now->modality() == Qt::NonModal) {
            returnFromMessage_ = false;
        }
    });
}

QFont ViewerWindow::fixedFont(int pixelSize, int pointSize) {
    // "Courier New" is an alias that fontconfig may resolve to a face it does not mark as
    // fixed pitch (e.g. Nimbus Mono PS); the listing's columns need a real one.
    QFont font;
    bool found = false;
    for (const char* family :
         {"Courier New", "DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono", "monospace"}) {
        font = QFont(QString::fromLatin1(family));
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        if (QFontInfo(font).fixedPitch()) {
            found = true;
            break;
        }
    }
    if (!found) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
    if (pixelSize > 0) {
        font.setPixelSize(pixelSize);
    } else {
        font.setPointSize(pointSize);
    }
    return font;
}

bool ViewerWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        if (returnFromMessage_) {
            returnFromMessage_ = false;
        } else {
            messageShown_ = false;
            ++rebuilds_;
            FormActivate();
            returnFromMessage_ = messageShown_;
        }
    }
    return QWidget::event(event);
}

void ViewerWindow::message(const std::string& text, const std::string& caption) {
    messageShown_ = true;
    context_.dialog->message(text, caption);
}

void ViewerWindow::setStatusPanel0(const QString& text) const {
    if (context_.setStatusPanel0) {
        context_.setStatusPanel0(text);
    }
}

}  // namespace pk
