#include "backend_setup.h"

#include <QEvent>
#include <QWidget>

namespace pk {

namespace {

const QString kSimulationSuffix = QStringLiteral(" [Simulation]");

}  // namespace

BackendSetup::BackendSetup() = default;
BackendSetup::~BackendSetup() = default;

QList<QCommandLineOption> BackendSetup::commandLineOptions() {
    QList<QCommandLineOption> options;
    for (const BackendOptionText& o : backendOptionTexts()) {
        options.append({QString::fromUtf8(o.name), QString::fromUtf8(o.description),
                        QString::fromUtf8(o.valueName)});
    }
    return options;
}

bool BackendSetup::takeOptions(QStringList& args, QString* error) {
    std::vector<std::string> plain;
    for (const QString& a : args) {
        plain.push_back(a.toStdString());
    }
    std::string why;
    if (!takeBackendOptions(plain, options_, &why)) {
        *error = QString::fromStdString(why);
        return false;
    }
    args.clear();
    for (const std::string& a : plain) {
        args << QString::fromStdString(a);
    }
    return true;
}

bool BackendSetup::apply(OstracDeps& deps, PortKind port, QString* error, UserDialog* inner) {
    fileSettings_ = loadSettings();
    options_.port = port;
    if (options_.sim.simulate && inner == nullptr) {
        qtDialog_ = std::make_unique<QtUserDialog>();
        inner = qtDialog_.get();
    }
    BackendError failure;
    backend_ = Backend::build(options_, fileSettings_, inner, &failure);
    if (!backend_) {
        *error = QString::fromStdString(failure.text);
        return false;
    }
    deps.port = &backend_->port();
    deps.clock = &backend_->clock();
    // Without the simulator the window brings its own message boxes.
    deps.dialog = backend_->simulated() ? backend_->dialog() : nullptr;
    deps.simulated = backend_->simulated();
    return true;
}

void BackendSetup::attach(TOstrac& window) {
    if (qtDialog_) {
        qtDialog_->setParent(&window);
    }
    if (backend_) {
        backend_->followSettings(window.Settings);
        if (backend_->simulated()) {
            window.installEventFilter(this);
            if (!window.windowTitle().endsWith(kSimulationSuffix)) {
                window.setWindowTitle(window.windowTitle() + kSimulationSuffix);
            }
        }
    }
}

bool BackendSetup::eventFilter(QObject* watched, QEvent* event) {
    // Whatever the window puts into its caption (a file name, ...), the simulation stays visible.
    if (event->type() == QEvent::WindowTitleChange) {
        if (auto* w = qobject_cast<QWidget*>(watched);
            w != nullptr && !w->windowTitle().endsWith(kSimulationSuffix)) {
            w->setWindowTitle(w->windowTitle() + kSimulationSuffix);
        }
    }
    return QObject::eventFilter(watched, event);
}

bool BackendSetup::finish(QString* error) {
    std::string why;
    if (backend_ && !backend_->finish(&why)) {
        *error = QString::fromStdString(why);
        return false;
    }
    return true;
}

}  // namespace pk
