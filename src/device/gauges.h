#pragma once
// How full the loaded HEX data makes the selected chip's program memory and data
// EEPROM: the figures behind the two usage gauges of the main window.

#include <cstdint>

#include "image/memory_image.h"

namespace pk {

enum class GaugeColour {
    Blue,    // fits comfortably
    Yellow,  // more than 90 %: nearly full
    Red,     // more than 100 %: the file holds code beyond the chip's memory
};

struct GaugeReading {
    bool visible = true;  // false: the chip has no such memory
    int percent = 0;      // may exceed 100
    GaugeColour colour = GaugeColour::Blue;
};

GaugeColour gaugeColour(int percent);

// Usage of program memory: the highest present word below 0x2000 against the last
// program address. The scan starts at 0x1FFF whatever the chip, so code beyond a
// small chip's memory shows as more than 100 %.
GaugeReading programUsage(const MemoryImage& image, std::int32_t progLastAddr);

// Usage of data EEPROM; not visible when the chip has none (last address below 1).
GaugeReading dataUsage(const MemoryImage& image, std::int32_t dataLastAddr);

}  // namespace pk
