#include "sim_setup.h"

#include <QEvent>
#include <QWidget>

#include "settings/settings_file.h"

namespace pk {

namespace {

const QString kSimulationSuffix = QStringLiteral(" [Simulation]");

}  // namespace

SimSetup::SimSetup() = default;
SimSetup::~SimSetup() = default;

QList<QCommandLineOption> SimSetup::commandLineOptions() {
    return {
        {QStringLiteral("simulate"),
         QStringLiteral("Simuliertes Programmiergerät; --simulate=PIC wählt den PIC "
                        "(Vorgabe 16F84A)")},
        {QStringLiteral("sim-lpt"),
         QStringLiteral("Port des simulierten Geräts: 1 oder 2 (0: nicht angeschlossen)"),
         QStringLiteral("1|2")},
        {QStringLiteral("sim-circuit"),
         QStringLiteral("Schaltungsvariante des simulierten Geräts (Vorgabe: die "
                        "Hardwareeinstellung)"),
         QStringLiteral("TREIBER,SCHALTER")},
        {QStringLiteral("sim-chip-file"),
         QStringLiteral("Speicher des simulierten PIC in dieser HEX-Datei halten"),
         QStringLiteral("DATEI")},
        {QStringLiteral("sim-fast"), QStringLiteral("Simulation ohne echte Wartezeiten")},
        {QStringLiteral("sim-strict"), QStringLiteral("wie sim-fast, Portzugriffe ohne Zeit")},
        {QStringLiteral("sim-fault"),
         QStringLiteral("Fehler einschalten (mehrfach möglich): no-chip, wrong-chip[:PIC], "
                        "stuck-low, stuck-high, clock-open, bad-cell:ADRESSE, stuck-cell:ADRESSE, "
                        "flaky:N, no-vpp, no-bulk-erase"),
         QStringLiteral("NAME[:ARG]")},
        {QStringLiteral("trace"),
         QStringLiteral("Jeden Portzugriff als Value Change Dump in diese Datei schreiben"),
         QStringLiteral("DATEI.vcd")},
    };
}

bool SimSetup::takeOptions(QStringList& args, QString* error) {
    static const QStringList withValue{QStringLiteral("--sim-lpt"), QStringLiteral("--sim-circuit"),
                                       QStringLiteral("--sim-chip-file"),
                                       QStringLiteral("--sim-fault"), QStringLiteral("--trace")};
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString a = args.at(i);
        if (withValue.contains(a) && i + 1 < args.size()) {
            a += QLatin1Char('=') + args.at(++i);
        }
        if (a == QStringLiteral("--trace") || a.startsWith(QStringLiteral("--trace="))) {
            tracePath_ = a.mid(8);
            if (tracePath_.isEmpty()) {
                *error = QStringLiteral("--trace: Dateiname fehlt");
                return false;
            }
            continue;
        }
        std::string why;
        switch (sim::parseSimOption(a.toStdString(), options_, &why)) {
            case sim::OptionResult::NotMine:
                rest << a;
                break;
            case sim::OptionResult::Ok:
                break;
            case sim::OptionResult::Error:
                *error = QString::fromStdString(why);
                return false;
        }
    }
    args = rest;
    return true;
}

bool SimSetup::apply(OstracDeps& deps, QString* error, UserDialog* inner) {
    // The board is by default the variant the settings file names, so the search succeeds.
    SettingsRecord record;
    LoadSettingsFile(SettingsFilePath(), record, fileSettings_);
    if (options_.simulate) {
        std::string why;
        backend_ = sim::SimBackend::create(options_, fileSettings_, &why);
        if (!backend_) {
            *error = QStringLiteral("--simulate: ") + QString::fromStdString(why);
            return false;
        }
        backend_->circuit().log().setEcho(true);
        backend_->circuit().log().setMaxCommands(100'000);
        if (inner == nullptr) {
            qtDialog_ = std::make_unique<QtUserDialog>();
            inner = qtDialog_.get();
        }
        backend_->dialog().setInner(inner);
        deps.port = &backend_->port();
        deps.clock = &backend_->clock();
        deps.dialog = &backend_->dialog();
        deps.simulated = true;
    }
    if (!tracePath_.isEmpty()) {
        if (deps.port == nullptr) {
            *error =
                QStringLiteral("--trace: kein Port, dessen Zugriffe aufgezeichnet werden könnten");
            return false;
        }
        if (deps.clock == nullptr) {
            // The trace and the window must read the same clock.
            ownClock_ = std::make_unique<RealClock>();
            deps.clock = ownClock_.get();
        }
        trace_ = std::make_unique<TracePort>(*deps.port, *deps.clock, fileSettings_,
                                             tracePath_.toStdString());
        if (!trace_->ok()) {
            *error = QStringLiteral("--trace: %1 kann nicht angelegt werden").arg(tracePath_);
            return false;
        }
        deps.port = trace_.get();
    }
    return true;
}

void SimSetup::attach(TOstrac& window) {
    if (qtDialog_) {
        qtDialog_->setParent(&window);
    }
    if (trace_) {
        trace_->setSettings(window.Settings);
    }
    if (backend_) {
        window.installEventFilter(this);
        if (!window.windowTitle().endsWith(kSimulationSuffix)) {
            window.setWindowTitle(window.windowTitle() + kSimulationSuffix);
        }
    }
}

bool SimSetup::eventFilter(QObject* watched, QEvent* event) {
    // Whatever the window puts into its caption (a file name, ...), the simulation stays visible.
    if (event->type() == QEvent::WindowTitleChange) {
        if (auto* w = qobject_cast<QWidget*>(watched);
            w != nullptr && !w->windowTitle().endsWith(kSimulationSuffix)) {
            w->setWindowTitle(w->windowTitle() + kSimulationSuffix);
        }
    }
    return QObject::eventFilter(watched, event);
}

bool SimSetup::finish(QString* error) {
    if (!backend_) {
        return true;
    }
    std::string why;
    if (!backend_->saveChipFile(&why)) {
        *error = QStringLiteral("--sim-chip-file: ") + QString::fromStdString(why);
        return false;
    }
    return true;
}

}  // namespace pk
