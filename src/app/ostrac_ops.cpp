// TOstrac: Chip operations, gauges and error statistics.

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "device/gauges.h"
#include "ostrac.h"
#include "ui_ostrac.h"

namespace pk {

namespace {

void showReading(QProgressBar* gauge, const GaugeReading& r) {
    // The bar stops at full; the text still tells how far beyond the chip the file goes.
    gauge->setValue(std::min(r.percent, gauge->maximum()));
    gauge->setFormat(QStringLiteral("%1 %").arg(r.percent));
    QPalette p = gauge->palette();
    switch (r.colour) {
        case GaugeColour::Blue:
            p.setColor(QPalette::Highlight, QColor(0, 0, 255));
            p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
            break;
        case GaugeColour::Yellow:
            p.setColor(QPalette::Highlight, QColor(255, 255, 0));
            p.setColor(QPalette::HighlightedText, QColor(0, 0, 0));
            break;
        case GaugeColour::Red:
            p.setColor(QPalette::Highlight, QColor(255, 0, 0));
            p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
            break;
    }
    gauge->setPalette(p);
}

}  // namespace

void TOstrac::UpdateGauge() {
    // Before the type list is filled, the device state's type.
    const Part p = part().value_or(partAt(Device.CurrentType).value_or(Part{}));
    if (p.family == nullptr) {
        return;
    }
    FileImages images = fileImages();
    const ChipFamily::Usage usage = p.family->usage(images, p);
    showReading(ui()->ProgGauge, usage.program);
    ui()->DataGauge->setVisible(usage.data.visible);
    if (usage.data.visible) {
        showReading(ui()->DataGauge, usage.data);
    }
}

// The chip routines report into the window's widgets. A chip operation holds the
// UI thread, so every change is painted at once; paint and window-manager events
// are let through now and then so the desktop sees a live window, but no user
// input (nothing can start a second operation meanwhile).
class OpsReporter : public Reporter {
  public:
    explicit OpsReporter(TOstrac& w) : w_(w) {
        sinceEvents_.start();
        hold_.setSingleShot(true);
        hold_.setInterval(kFullHold);
        QObject::connect(&hold_, &QTimer::timeout, [this] { paint(last_); });
    }

    void setPanel(int panel, const std::string& text) override {
        w_.setPanel(panel, QString::fromStdString(text));
        if (QLabel* label = w_.panelLabel(panel)) {
            label->repaint();
        }
        keepAlive(false);
    }

    void showRunGauge(const RunGaugeState& gauge) override {
        const bool changed = !shownOnce_ || gauge.visible != last_.visible ||
                             gauge.progress != last_.progress || gauge.colour != last_.colour;
        // A run that ends stays full on screen for a moment, so even a short one
        // is seen to finish; the operation goes on meanwhile (the chip is powered).
        const bool ending = !gauge.visible && last_.visible &&
                            last_.progress == RunGaugeState::Maximum && shownOnce_;
        last_ = gauge;
        shownOnce_ = true;
        if (ending) {
            hold_.start();
        } else if (gauge.visible || !hold_.isActive()) {
            hold_.stop();
            paint(gauge);
        }
        keepAlive(changed);
    }

    // Whether the full gauge of a run just ended is still on screen.
    bool holdingFullGauge() const { return hold_.isActive(); }

    void message(const std::string& text) override { w_.dialog().message(text); }

    void showCodeProtection(bool flash, bool eeprom) override {
        const QString text = QString::fromUtf8(kCodeProtectedText);
        w_.ui()->FCPLabel->setText(flash ? text : QString());
        w_.ui()->ECPLabel->setText(eeprom ? text : QString());
    }

    bool reloadHexFile(MemoryImage& /*image*/, BurnOptions& options) override {
        if (!w_.reloadHexFile()) {
            return false;
        }
        // The load may have changed the controls (the file's word, its ID values,
        // "incl. DataEEProm"): the command goes on with them as they now stand.
        const CommandOptions now = w_.commandOptions();
        options.includeData = now.includeData;
        options.configRule = now.configRule;
        options.ids = w_.Image.IdWords;
        return true;
    }

    bool fileAtHand(std::string& path) override {
        if (!w_.reloadHexFile()) {
            return false;
        }
        path = w_.Image.HexFileName;
        return true;
    }

    bool confirm(const std::string& question) override { return w_.dialog().question(question); }

    void countersCleared() override { w_.ClearFehler(); }
    void countersDone(const ErrorCounters& /*counters*/) override { w_.ShowFehler(); }

  private:
    static constexpr std::chrono::milliseconds kFullHold{200};

    void paint(const RunGaugeState& gauge) {
        QProgressBar* bar = w_.ui()->RunGauge;
        QPalette p = bar->palette();
        const QColor colour =
            gauge.colour == RunGaugeColour::Red ? QColor(255, 0, 0) : QColor(0, 128, 0);
        if (p.color(QPalette::Highlight) != colour) {
            p.setColor(QPalette::Highlight, colour);
            bar->setPalette(p);
        }
        bar->setValue(gauge.progress);
        bar->setVisible(gauge.visible);
        w_.showRemaining(gauge.visible ? gauge.remaining : std::nullopt);
        if (gauge.visible) {
            bar->repaint();
        }
    }

    void keepAlive(bool now) {
        // Often enough for the window manager, rarely enough not to slow a burn. User
        // input is let through too, to be dropped by the operation's filter: kept
        // back, it would act after the operation.
        if (now || sinceEvents_.elapsed() >= 50) {
            QCoreApplication::processEvents();
            sinceEvents_.restart();
        }
    }

    TOstrac& w_;
    QElapsedTimer sinceEvents_;
    RunGaugeState last_;
    bool shownOnce_ = false;
    QTimer hold_;
};

namespace {

QLabel* errorLabel(Ui::Ostrac& u, int area) {
    switch (area) {
        case 0:
            return u.Label4;
        case 1:
            return u.Label5;
        default:
            return u.Label6;
    }
}

void setTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

}  // namespace

void TOstrac::ClearFehler() {
    std::int32_t* counters[] = {&Errors.ProgramErrorCount, &Errors.DataErrorCount,
                                &Errors.ConfigIdErrorCount};
    for (int area = 0; area < 3; ++area) {
        *counters[area] = 0;
        QLabel* label = errorLabel(*ui(), area);
        label->setText(QStringLiteral("?"));
        label->repaint();
    }
}

void TOstrac::ShowFehler() {
    const std::int32_t counters[] = {Errors.ProgramErrorCount, Errors.DataErrorCount,
                                     Errors.ConfigIdErrorCount};
    for (int area = 0; area < 3; ++area) {
        QLabel* label = errorLabel(*ui(), area);
        label->setText(QString::number(counters[area]));
        setTextColour(label, counters[area] != 0 ? QColor(255, 0, 0) : QColor(0, 0, 0));
        // Nothing was verified: a figure would claim what is not known.
        if (Settings.QuickAndDirty || (area == 1 && !ui()->DATACheckBox->isChecked())) {
            label->setText(QStringLiteral("?"));
        }
    }
    if (Errors.sum() == 0) {
        OK();
    }
}

void TOstrac::OK() {
    OkBlinkCount = 0;
    ui()->OKLabel->setText(QStringLiteral("O.K."));
    ui()->OKLabel->setStyleSheet(QStringLiteral("color: rgb(0, 128, 0);"));
    Timer1->start();
}

void TOstrac::Timer1Timer() {
    QLabel* label = ui()->OKLabel;
    label->setHidden(!label->isHidden());
    ++OkBlinkCount;
    if (OkBlinkCount > 5) {
        Timer1->stop();
        label->hide();
    }
}

void TOstrac::UpdateRunGauge(std::int32_t position, std::int32_t maximum) {
    ops().UpdateRunGauge(position, maximum);
}

void TOstrac::Autodetect2() {
    const Identification found = identifyChip(session(), std::nullopt);
    // Nothing answered, the VPP was refused, or a device ID no row knows: the
    // type stays as the user chose it (the status bar says so).
    if (!found.part) {
        return;
    }
    ui()->TypComboBox->setCurrentIndex(listIndexOf(*found.part));
    ui()->TypComboBox->repaint();
    TypComboBoxChange();
    if (!found.notice.empty()) {
        setPanel(1, QString::fromStdString(found.notice));
    }
}

void TOstrac::DetectBTNClick() {
    // Not inside a running command (a message box's event loop could deliver the call).
    if (operationRunning()) {
        return;
    }
    ui()->DetectBTN->setEnabled(false);
    runOperation([this] { Autodetect2(); });
    ui()->DetectBTN->setEnabled(true);
}

namespace {

// While a chip operation runs, clicks and keys meant for the main window are
// dropped: the operation holds the thread, and input kept back would act once it
// has ended (an erase after the burn, with "O.K." still on display). The message
// boxes an operation opens itself still take their answers.
class InputDropper : public QObject {
  public:
    explicit InputDropper(QWidget& window) : window_(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!event->isInputEvent() && event->type() != QEvent::Shortcut &&
            event->type() != QEvent::ShortcutOverride && event->type() != QEvent::ContextMenu) {
            return false;
        }
        // Qt hands a window's input to its QWindow first, then to the widget: both
        // are checked, and only the main window's own are dropped. A dialog or
        // message box the operation opens is another window and answers as usual.
        if (const auto* widget = qobject_cast<QWidget*>(watched)) {
            if (widget->window() != &window_) {
                return false;
            }
        } else if (const auto* handle = qobject_cast<QWindow*>(watched)) {
            if (handle != window_.windowHandle()) {
                return false;
            }
        } else {
            return false;
        }
        event->accept();
        return true;
    }

  private:
    QWidget& window_;
};

}  // namespace

bool TOstrac::runOperation(const std::function<void()>& operation) {
    const bool outermost = operationDepth_ == 0;
    struct Busy {
        int& depth;
        explicit Busy(int& d) : depth(d) { ++depth; }
        ~Busy() { --depth; }
    } busy(operationDepth_);
    if (!outermost) {
        return runGuarded(operation);
    }
    qApp->installEventFilter(inputDropper_.get());
    const bool ok = runGuarded(operation);
    // What arrived since the last look goes now, while it is still dropped.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(inputDropper_.get());
    if (closeRequested_) {
        closeRequested_ = false;
        QTimer::singleShot(0, this, [this] {
            if (dialog().question("Die Operation am PIC ist beendet. PKorvel jetzt beenden?")) {
                close();
            }
        });
    }
    return ok;
}

void TOstrac::noteCloseRequest() {
    closeRequested_ = true;
}

void TOstrac::wireOps() {
    opsReporter_ = std::make_unique<OpsReporter>(*this);
    inputDropper_ = std::make_unique<InputDropper>(*this);
    session_ =
        std::make_unique<Session>(link(), clock(), Image, Device, Settings, Errors, *opsReporter_);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(ui()->DetectBTN, &QPushButton::clicked, this, [this] { DetectBTNClick(); });
}

}  // namespace pk
