#pragma once
// The program's side of the shared backend (backend/backend.h): its options as the
// Qt parser lists them, Qt message boxes for the simulated hand switch, and the
// caption that says "[Simulation]".
//
// main() uses it in four steps (the options are among programOptions()):
//   BackendSetup setup;
//   setup.takeOptions(args, &error);          // before parser.process(args)
//   setup.apply(deps, portKind, &error);      // fills deps.port, deps.clock, deps.dialog
//   TOstrac window(deps); setup.attach(window);
//   ... exec() ...; setup.finish(&error);     // saves the chip file

#include <QCommandLineOption>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "backend/backend.h"
#include "ostrac.h"
#include "qt_user_dialog.h"

namespace pk {

class BackendSetup : public QObject {
    Q_OBJECT

  public:
    BackendSetup();
    ~BackendSetup() override;

    // The options as the parser knows them (for --help and for splitting the
    // arguments). --simulate is listed without a value: its value is optional.
    static QList<QCommandLineOption> commandLineOptions();

    // Takes the simulator's and the trace's arguments out of args. False with a
    // message for a bad value.
    bool takeOptions(QStringList& args, QString* error);

    bool simulate() const { return options_.sim.simulate; }

    // Builds the port of that kind (or the simulated one), the clock and the trace,
    // and fills deps. Prompts go to `inner` (tests), or to Qt message boxes. False
    // with a message.
    bool apply(OstracDeps& deps, PortKind port, QString* error, UserDialog* inner = nullptr);

    // Once the window exists: prompts go to its message boxes, the trace reads its
    // settings, and its caption ends with " [Simulation]".
    void attach(TOstrac& window);

    // At exit: the chip's memories go back to the chip file. False with a message.
    bool finish(QString* error);

    sim::SimBackend* simulator() { return backend_ ? backend_->simulator() : nullptr; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    BackendOptions options_;
    ProgrammerSettings fileSettings_;
    std::unique_ptr<QtUserDialog> qtDialog_;
    std::unique_ptr<Backend> backend_;
};

}  // namespace pk
