#pragma once
// The simulator's command-line options, parsed without Qt so the command-line
// tool and tests can use them too:
//   --simulate[=CHIP]         simulated programmer with this chip (default 16F84A)
//   --sim-lpt=0|1|2           port of the board (default 1; 0 = not attached)
//   --sim-circuit=DRIVER,SWITCH  the board's variant (default: the settings')
//   --sim-chip-file=FILE      chip memories kept in this Intel HEX file
//   --sim-fast                virtual clock: no real waiting
//   --sim-strict              virtual clock and port accesses that take no time,
//                             so only the program's own waits meet the chip's minima
//   --sim-fault=NAME[:ARG]    repeatable: no-chip, wrong-chip[:CHIP], stuck-low,
//                             stuck-high, clock-open, bad-cell:ADDR, stuck-cell:ADDR,
//                             flaky:N[,SEED], misread:ADDR, no-vpp, no-bulk-erase,
//                             erase-at-calibration
//   --sim-vpp=VOLTS           the board's VPP at MCLR (default 13)
// ADDR is a chip address as the memory image uses it (program word n at n,
// configuration 0x2007, EEPROM byte n at 0x2100 + n), decimal or 0x-hex.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/circuit.h"

namespace pk::sim {

struct SimFault {
    enum class Kind {
        NoChip,
        WrongChip,
        StuckLow,
        StuckHigh,
        ClockOpen,
        BadCell,
        StuckCell,
        Flaky,
        Misread,  // the first read of one cell gives its lowest bit inverted
        NoVpp,
        NoBulkErase,
        EraseAtCalibration  // every bulk erase also clears the factory calibration words
    };
    Kind kind = Kind::NoChip;
    int arg = 0;        // bad-cell / stuck-cell / misread address, flaky period
    unsigned seed = 1;  // flaky
    std::string chip;   // wrong-chip: the chip really in the socket ("" = pick one)
};

struct SimOptions {
    bool simulate = false;
    std::string chip = "16F84A";
    int lpt = 1;
    std::optional<CircuitVariant> circuit;  // nullopt: the program's settings
    std::string chipFile;
    bool fast = false;
    bool strict = false;  // implies fast
    std::vector<SimFault> faults;
    int vppCentivolts = 1300;  // the board's VPP at MCLR
};

enum class OptionResult { NotMine, Ok, Error };

// Applies one argument to opts. Arguments that are not the simulator's are left
// alone (NotMine); a bad value gives Error with a message in *error.
OptionResult parseSimOption(std::string_view arg, SimOptions& opts, std::string* error = nullptr);

// Parses a fault description "NAME[:ARG]"; nullopt with a message if unknown.
std::optional<SimFault> parseSimFault(std::string_view text, std::string* error = nullptr);

}  // namespace pk::sim
