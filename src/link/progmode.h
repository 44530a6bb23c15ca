#pragma once
// Programming mode on the line bus: clock and data held low, then VDD and the
// programming voltage on MCLR in the order the chip wants and the circuit can
// do; leaving it; and the idle state of the lines between operations.

#include "link/circuit.h"
#include "link/line_bus.h"

namespace pk {

class ProgrammingMode {
  public:
    explicit ProgrammingMode(LineBus& bus) : bus_(bus) {}

    // The order entry will use: the wanted one where the circuit can do it,
    // else VDD first, which every circuit can.
    static EntryOrder orderFor(const Circuit& c, EntryOrder wanted);

    // The chip's address counter stands at 0 afterwards.
    void start(EntryOrder wanted = EntryOrder::VddFirst);
    void end();
    // Idle lines and voltages off; nothing at all without port access.
    void idle();
    // VPP off, VDD off, lines idle, without asking anyone: for giving the port
    // back at exit, so a chip is never left powered. A hand switch cannot be
    // thrown from here; its prompts belong to end() and idle().
    void safeIdle();
    // Between start() and end() (VDD and VPP on).
    bool active() const { return active_; }

  private:
    LineBus& bus_;
    bool active_ = false;
};

}  // namespace pk
