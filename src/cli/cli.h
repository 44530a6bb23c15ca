#pragma once
// The command-line front end: parses the arguments, sets up the port (real or
// simulated), runs one command over the chip routines and returns the exit code.

#include <QStringList>

namespace pk::cli {

// Exit codes, as documented in --help and the README.
enum Exit : int {
    ExitOk = 0,
    ExitDifferences = 1,  // verify/compare found differences, burn failed, check found faults
    ExitUsage = 2,
    ExitNoProgrammer = 3,  // no port access or no programmer found
    ExitChip = 4,          // no chip or the wrong chip type
    ExitHexFile = 5,       // HEX file missing or unreadable
    ExitOutput = 6,        // the output file could not be written
};

int run(const QStringList& arguments);

}  // namespace pk::cli
