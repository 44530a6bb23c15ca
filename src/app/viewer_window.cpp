#include "viewer_window.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QWindow>

#include "help_window.h"

namespace pk {

ViewerWindow::ViewerWindow(const ViewerContext& context, int helpContext, QWidget* parent)
    : QWidget(parent, Qt::Window), context_(context) {
    setHelpContext(this, helpContext);
    // Any other window taking the focus ends a detour through a message box.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) {
        if (now != nullptr && now != windowHandle() && now->modality() == Qt::NonModal) {
            leftForModal_ = false;
        }
    });
}

QFont ViewerWindow::fixedFont(int pixelSize, int pointSize) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
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
    if (event->type() == QEvent::WindowDeactivate) {
        leftForModal_ = QApplication::activeModalWidget() != nullptr;
    } else if (event->type() == QEvent::WindowActivate) {
        if (leftForModal_) {
            leftForModal_ = false;
        } else {
            ++rebuilds_;
            FormActivate();
        }
    }
    return QWidget::event(event);
}

void ViewerWindow::setStatusPanel0(const QString& text) const {
    if (context_.setStatusPanel0) {
        context_.setStatusPanel0(text);
    }
}

}  // namespace pk
