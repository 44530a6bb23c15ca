#pragma once
// The whole simulated backend for the program: clock, board, chip and the
// simulated user of a hand-operated switch, built from the command-line options.
//
//   pk::sim::SimOptions opts;                       // or parseSimOption(...) per argument
//   opts.simulate = true; opts.chip = "16F877"; opts.fast = true;
//   std::string error;
//   auto sim = pk::sim::SimBackend::create(opts, settings, &error);
//   sim->dialog().setInner(&realDialog);            // prompts still reach the user
//   deps.port = &sim->port(); deps.clock = &sim->clock(); deps.dialog = &sim->dialog();
//   ...
//   sim->saveChipFile(&error);                      // at exit, when --sim-chip-file was given
//
// Faults from the options are switched on here; tests can switch them on
// directly on circuit() and chip() as well.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/settings.h"
#include "sim/circuit.h"
#include "sim/options.h"
#include "sim/switch_dialog.h"

namespace pk::sim {

class SimBackend {
  public:
    // nullptr with a message when the options cannot be honoured (unknown chip,
    // unreadable or damaged chip file).
    static std::unique_ptr<SimBackend> create(const SimOptions& options,
                                              const ProgrammerSettings& settings,
                                              std::string* error);

    Clock& clock() { return *clock_; }
    SimCircuit& circuit() { return *circuit_; }
    PortIo& port() { return *circuit_; }
    SimSwitchDialog& dialog() { return *dialog_; }
    SimChip* chip() { return circuit_->chip(); }
    const SimOptions& options() const { return options_; }

    // Writes the chip back to the chip file when its memories changed since the
    // file was loaded or last saved; true when there is nothing to save. Never
    // writes a file for a chip other than the one --simulate names (wrong-chip).
    bool saveChipFile(std::string* error);

  private:
    explicit SimBackend(const SimOptions& options) : options_(options) {}

    SimOptions options_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<SimCircuit> circuit_;
    std::unique_ptr<SimSwitchDialog> dialog_;
    bool chipFromFile_ = false;
    std::vector<std::uint16_t> saved_;  // the chip's contents as the file holds them
};

}  // namespace pk::sim
