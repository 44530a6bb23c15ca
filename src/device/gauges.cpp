#include "device/gauges.h"

namespace pk {

GaugeColour gaugeColour(int percent) {
    if (percent > 100) {
        return GaugeColour::Red;
    }
    if (percent > 90) {
        return GaugeColour::Yellow;
    }
    return GaugeColour::Blue;
}

namespace {

// Integer division gives the exact truncated percentage, free of rounding noise.
int percentOf(std::int64_t used, std::int32_t last) {
    if (last <= 0) {
        return 0;
    }
    return static_cast<int>(used * 100 / last);
}

}  // namespace

GaugeReading programUsage(const MemoryImage& image, std::int32_t progLastAddr) {
    std::int32_t u = 0x1FFF;
    while (!image.present(static_cast<std::size_t>(u)) && u > 1) {
        --u;
    }
    GaugeReading r;
    r.percent = percentOf(u, progLastAddr);
    r.colour = gaugeColour(r.percent);
    return r;
}

GaugeReading dataUsage(const MemoryImage& image, std::int32_t dataLastAddr) {
    GaugeReading r;
    if (dataLastAddr <= 0) {
        r.visible = false;
        return r;
    }
    std::int32_t d = MemoryImage::EepromBase + 0xFF;
    while (!image.present(static_cast<std::size_t>(d)) && d > MemoryImage::EepromBase) {
        --d;
    }
    r.percent = percentOf(d - MemoryImage::EepromBase, dataLastAddr);
    r.colour = gaugeColour(r.percent);
    return r;
}

}  // namespace pk
