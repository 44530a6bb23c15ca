#pragma once
// A programmer board with a chip in its socket and a host driving it, all on
// virtual time.

#include <memory>
#include <string>

#include "bitbang.h"
#include "link/clock.h"
#include "sim/circuit.h"
#include "sim/switch_dialog.h"
#include "support/scripted_dialog.h"

namespace pk::sim::test {

struct Board {
    // strict: port accesses take no time, only the host's waits count.
    explicit Board(const char* chipName, int driver = 1, int sw = 1, int lpt = 1,
                   bool strict = false)
        : circuit(clock, {driver, sw}, lpt),
          dialog(&recorder, circuit),
          host(circuit, clock, driver, sw, lpt == 2 ? 0x278 : 0x378) {
        host.setDialog(&dialog);
        if (strict) {
            circuit.setAccessCost(std::chrono::nanoseconds(0));
        }
        if (chipName != nullptr) {
            chip = circuit.insertChip(std::make_unique<SimChip>(*findChip(chipName)));
        }
        idle();
        circuit.log().clear();
    }

    // The lines at rest: clock and data low, both voltages off.
    void idle() { host.idle(); }

    const SimLog& log() const { return circuit.log(); }
    std::string violations() const { return circuit.log().violationText(); }

    VirtualClock clock;
    SimCircuit circuit;
    ScriptedDialog recorder;
    SimSwitchDialog dialog;
    BitBang host;
    SimChip* chip = nullptr;
};

}  // namespace pk::sim::test
