#pragma once
// The simulated programmer and the line trace as the program's options:
// --simulate[=CHIP], --sim-lpt, --sim-circuit, --sim-chip-file, --sim-fast,
// --sim-fault (see sim/options.h) and --trace=FILE.vcd (any backend).
//
// main() uses it in four steps (the options are among programOptions()):
//   SimSetup sim;
//   sim.takeOptions(args, &error);          // before parser.process(args)
//   sim.apply(deps, &error);                // after the real backend is in deps.port
//   TOstrac window(deps); sim.attach(window);
//   ... exec() ...; sim.finish();           // saves the chip file

#include <QCommandLineOption>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "link/settings.h"
#include "link/trace_port.h"
#include "ostrac.h"
#include "qt_user_dialog.h"
#include "sim/backend.h"

namespace pk {

class SimSetup : public QObject {
    Q_OBJECT

  public:
    SimSetup();
    ~SimSetup() override;

    // The options as the parser knows them (for --help and for splitting the
    // arguments). --simulate is listed without a value: its value is optional.
    static QList<QCommandLineOption> commandLineOptions();

    // Takes the simulator's and the trace's arguments out of args ("--name=value"
    // or "--name value"): --simulate has an optional value, which
    // QCommandLineParser cannot express. False with a message for a bad value.
    bool takeOptions(QStringList& args, QString* error);

    bool simulate() const { return options_.simulate; }

    // Builds the simulated backend (when --simulate was given) and the trace around
    // whichever port deps holds, and fills deps. Prompts go to `inner` (tests), or
    // to Qt message boxes. False with a message.
    bool apply(OstracDeps& deps, QString* error, UserDialog* inner = nullptr);

    // Once the window exists: prompts go to its message boxes, the trace reads its
    // settings, and its caption ends with " [Simulation]".
    void attach(TOstrac& window);

    // At exit: the chip's memories go back to the chip file. False with a message.
    bool finish(QString* error);

    sim::SimBackend* backend() { return backend_.get(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    sim::SimOptions options_;
    QString tracePath_;
    ProgrammerSettings fileSettings_;
    std::unique_ptr<QtUserDialog> qtDialog_;
    std::unique_ptr<sim::SimBackend> backend_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<TracePort> trace_;
};

}  // namespace pk
