#pragma once
// Programming mode on the line bus: clock and data held low, then VDD and the
// programming voltage on MCLR in the order the chip wants and the circuit can
// do; leaving it; and the idle state of the lines between operations.

#include <chrono>
#include <optional>

#include "link/circuit.h"
#include "link/line_bus.h"

namespace pk {

class ProgrammingMode {
  public:
    explicit ProgrammingMode(LineBus& bus) : bus_(bus) {}

    // The pauses after each voltage step, in ms: after the first step of entry
    // and of exit, and after the second. The classic timing's are generous for
    // any switch; the chips themselves need 5 us between VPP and the first
    // clock. The data-sheet timing leaves the switch transistors and the
    // socket's capacitors 10 ms per step, still two thousand times that. Its
    // pause after VDD off is owed only to the next entry: it is waited there, as
    // far as it has not passed, so a command does not end on an idle wait.
    struct Pauses {
        int first;
        int second;
        constexpr std::chrono::milliseconds bracket() const {
            return std::chrono::milliseconds(2 * (first + second));
        }
    };
    static constexpr Pauses pauses(bool dataSheet) {
        return dataSheet ? Pauses{10, 10} : Pauses{100, 150};
    }

    // The order entry will use: the wanted one where the circuit can do it,
    // else VDD first, which every circuit can.
    static EntryOrder orderFor(const Circuit& c, EntryOrder wanted);

    // The chip's address counter stands at 0 afterwards. vddOffFirst: the chip's
    // data sheet asks VDD off before VPP when the mode is left (a chip on its
    // internal oscillator with MCLR off would otherwise run its own program for
    // the pause in between); end() does so where the circuit can switch the two
    // apart, else VPP first as for every other chip.
    void start(EntryOrder wanted = EntryOrder::VddFirst, bool vddOffFirst = false);
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
    bool vddOffFirst_ = false;
    // When VDD went off with its settling pause still owed to the next entry.
    std::optional<std::chrono::nanoseconds> settleFrom_;
};

}  // namespace pk
