#pragma once
// "pkorvel-cli doctor": why the Korvel or the chip does not answer, line by line.

#include <cstdint>

#include "link/clock.h"
#include "link/programmer.h"
#include "link/settings.h"

namespace pk::cli {

// Takes the readings (it needs no programmer found beforehand), prints the
// explanation on standard output unless quiet, and returns the exit code: 0 when
// a chip answers steadily, 3 when no programmer answers, 4 for chip problems.
int runDoctor(ProgrammerLink& link, Clock& clock, const ProgrammerSettings& settings,
              std::int32_t& portBase, bool quiet);

}  // namespace pk::cli
