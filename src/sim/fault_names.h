#pragma once
// The names --sim-fault takes. The parser, --help, the manual pages and the
// shell completion all take them from this one table (options.cpp).

#include <span>
#include <string>
#include <string_view>

#include "sim/options.h"

namespace pk::sim {

// Every kind from NoChip to the last, EraseAtCalibration.
inline constexpr int kSimFaultKinds = static_cast<int>(SimFault::Kind::EraseAtCalibration) + 1;

// What a fault's name may be followed by.
enum class FaultArgument { None, OptionalChip, Address, Period };

struct SimFaultName {
    std::string_view name;
    SimFault::Kind kind;
    FaultArgument argument;
    std::string_view syntax;  // what follows the name in --help, e.g. ":ADR"
};
std::span<const SimFaultName> simFaultNames();

// The table's row of a kind; nullptr if it has none.
const SimFaultName* simFaultName(SimFault::Kind kind);

// "no-chip, wrong-chip[:PIC], ...": the names with their arguments, for --help.
std::string simFaultSummary();

}  // namespace pk::sim
