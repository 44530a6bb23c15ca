#pragma once
// How the program and pkorvel-cli reach the Korvel: the port (ppdev, direct port
// instructions or the simulator), the clock, the line trace around the port and the
// prompts of a hand-operated switch, built once from the parsed options.
//
//   pk::BackendOptions options;
//   pk::takeBackendOptions(args, options, &error);    // --simulate..., --sim-*, --trace
//   ProgrammerSettings settings = pk::loadSettings(overrides);
//   pk::BackendError failure;
//   auto backend = pk::Backend::build(options, settings, &prompts, &failure);
//   ProgrammerLink link(backend->port(), backend->clock(), *backend->dialog(), settings, base);
//   ...
//   backend->finish(&error);                            // the simulated chip to its file

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/clock.h"
#include "link/port_io.h"
#include "link/settings.h"
#include "link/trace_port.h"
#include "link/user_dialog.h"
#include "sim/backend.h"
#include "sim/options.h"

namespace pk {

enum class PortKind {
    Ppdev,   // /dev/parportN: the user is in group lp
    Direct,  // the processor's port instructions: root
};

struct BackendOptions {
    PortKind port = PortKind::Ppdev;
    sim::SimOptions sim;         // sim.simulate: the simulated Korvel instead of the port
    std::string tracePath;       // empty: no trace
    bool echoViolations = true;  // the simulated chip's protocol violations on the terminal
};

// One option of the table below, for the front ends' --help.
struct BackendOptionText {
    const char* name;
    const char* description;
    const char* valueName;  // "" for an option without a value (--simulate's is optional)
};

// The options takeBackendOptions() handles, with their German help texts.
const std::vector<BackendOptionText>& backendOptionTexts();

// Takes the simulator's options and --trace out of args and leaves the rest in order;
// args[0] is the program and stays. "--name value" counts as "--name=value" (--simulate
// has an optional value, which the Qt parser cannot express). False with a German
// message for a bad value.
bool takeBackendOptions(std::vector<std::string>& args, BackendOptions& options,
                        std::string* error);

// "ppdev" (also the empty choice) or "direct"; nullopt with a German message otherwise.
std::optional<PortKind> portKindNamed(std::string_view name, std::string* error = nullptr);

// This run's circuit instead of the settings file's (pkorvel-cli's --driver, ...).
struct SettingsOverrides {
    std::optional<int> driver;
    std::optional<int> switchIndex;
    std::optional<int> delay;  // a fixed delay value: no measurement
    bool quickAndDirty = false;
};

// The settings file's values (the defaults when there is none), then the overrides.
ProgrammerSettings loadSettings(const SettingsOverrides& overrides = {});

struct BackendError {
    enum class Kind {
        Usage,   // an option cannot be honoured (unknown chip, damaged chip file)
        Output,  // the trace file cannot be created
    };
    Kind kind = Kind::Usage;
    std::string text;  // German, naming the option
};

class Backend {
  public:
    // The simulated board is by default the variant `settings` names, so the search
    // succeeds. The trace reads `settings` at every access: they must outlive the
    // backend (followSettings() points it elsewhere). Prompts of the simulated
    // hand-operated switch are passed on to `prompts`, which may be nullptr when
    // nothing is simulated. nullptr with *error when the options cannot be honoured.
    static std::unique_ptr<Backend> build(const BackendOptions& options,
                                          const ProgrammerSettings& settings, UserDialog* prompts,
                                          BackendError* error);
    ~Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    // The top of the stack: the trace when there is one, else the port itself.
    PortIo& port() { return *port_; }
    Clock& clock() { return *clock_; }
    // The simulator's hand switch in front of the prompts, or the prompts themselves.
    UserDialog* dialog() { return dialog_; }
    bool simulated() const { return simulator_ != nullptr; }
    sim::SimBackend* simulator() { return simulator_.get(); }

    // The trace shows the lines of the circuit these settings name from now on.
    void followSettings(const ProgrammerSettings& settings);

    // At exit: the simulated chip's memories go back to its chip file. False with a
    // German message.
    bool finish(std::string* error);

  private:
    Backend() = default;

    std::unique_ptr<sim::SimBackend> simulator_;
    std::unique_ptr<PortIo> ownPort_;
    std::unique_ptr<Clock> ownClock_;
    std::unique_ptr<TracePort> trace_;
    PortIo* port_ = nullptr;
    Clock* clock_ = nullptr;
    UserDialog* dialog_ = nullptr;
};

}  // namespace pk
