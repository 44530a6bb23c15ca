#pragma once
// Which programmer circuit is on the port and how fast its lines may be clocked.

#include <cstdint>

namespace pk {

struct ProgrammerSettings {
    // Driver on the data lines: 0 "7406" (inverting), 1 "7407 / keine", 2 "AN589 / FA".
    std::int32_t DriverIndex = 1;
    // Voltage switch: 0 "4066 / npn / pnp+7406", 1 "pnp / pnp+7407", 2 "von Hand", 3 "AN589 / FA".
    std::int32_t SwitchIndex = 1;
    // The cheap circuit without read-back, only on LPT1.
    bool QuickAndDirty = false;
    // One of the models "Korvel1, 3 oder 5".
    bool ModelK1 = true;
    // Measure the line delay at every start instead of taking it from the file.
    bool AutoSpeed = true;
    // Length of one line delay: Delay spins for DelayCount + 1 units.
    std::int32_t DelayCount = 100;
};

}  // namespace pk
