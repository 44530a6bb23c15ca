#include "hint_timing.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QToolTip>
#include <QWidget>

namespace pk {
namespace {

class HintStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay) {
            return kHintDelayMs;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

class HintDisplayFilter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            const QString tip = widget->toolTip();
            if (!tip.isEmpty()) {
                const auto* help = static_cast<QHelpEvent*>(event);
                QToolTip::showText(help->globalPos(), tip, widget, QRect(), kHintDisplayMs);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

void applyHintTimings() {
    static QPointer<HintDisplayFilter> installed;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr || !installed.isNull()) {
        return;
    }
    // The proxy wraps a fresh instance of the current style; the application owns it.
    QApplication::setStyle(new HintStyle);
    installed = new HintDisplayFilter(app);
    app->installEventFilter(installed);
}

int hintDelayMs() {
    return QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay);
}

}  // namespace pk
