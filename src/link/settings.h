#pragma once
// Which programmer circuit is on the port and how fast its lines may be clocked.

#include <cstdint>

namespace pk {

// How the program times the chip. Classic: the calibrated line delay between
// line changes and the fixed waits of old, generous on every chip. DataSheet:
// line changes only as far apart as the chips' rules ask, measured on the
// steady clock, and every self-timed cycle at the family's data-sheet maximum
// plus a small margin.
enum class TimingMode : std::uint8_t { Classic = 0, DataSheet = 1 };

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
    // Classic unless chosen; files of older versions carry none.
    TimingMode Timing = TimingMode::Classic;
    // The circuit's programming voltage at MCLR, in tenths of a volt, as the user
    // measured it; the chips' allowed ranges are checked against it.
    std::int32_t VppTenths = kDefaultVppTenths;
    static constexpr std::int32_t kDefaultVppTenths = 130;
    static constexpr std::int32_t kMinVppTenths = 80;
    static constexpr std::int32_t kMaxVppTenths = 150;
};

}  // namespace pk
