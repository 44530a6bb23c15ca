// The run gauge of ChipOps: progress of a running chip operation.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "device/chip_ops.h"

namespace pk {

std::optional<std::chrono::seconds> remainingTime(std::chrono::nanoseconds elapsed, double done,
                                                  double total) {
    if (!(done > 0) || !(total > done) ||
        (done / total < 0.05 && elapsed < std::chrono::seconds(1))) {
        return std::nullopt;
    }
    const double left = std::chrono::duration<double>(elapsed).count() * (total - done) / done;
    return std::chrono::seconds(static_cast<std::int64_t>(std::ceil(left)));
}

std::string remainingText(std::chrono::seconds left) {
    const std::int64_t s = std::max<std::int64_t>(left.count(), 0);
    if (s < 60) {
        return "noch " + std::to_string(s) + " s";
    }
    const std::int64_t sec = s % 60;
    return "noch " + std::to_string(s / 60) + ":" + (sec < 10 ? "0" : "") + std::to_string(sec) +
           " min";
}

std::string addressText(std::int32_t address) {
    char text[32];
    if (address >= MemoryImage::EepromBase) {
        std::snprintf(text, sizeof text, "EEPROM 0x%02X",
                      static_cast<unsigned>(address - MemoryImage::EepromBase));
    } else {
        std::snprintf(text, sizeof text, "Adresse 0x%04X", static_cast<unsigned>(address));
    }
    return text;
}

void ChipOps::UpdateRunGauge(std::int32_t position, std::int32_t maximum) {
    if (position != 0 && position < maximum) {
        if (!gauge_.visible) {
            gauge_.visible = true;
            gauge_.remaining.reset();
            runStart_ = clock_.monotonic();
            report_.showRunGauge(gauge_);
        }
        gauge_.remaining = remainingTime(clock_.monotonic() - runStart_, position, maximum);
        const double share =
            static_cast<double>(position) / static_cast<double>(maximum) * RunGaugeState::Maximum;
        // Only a negative position can leave 0..20 (and with maximum 0, infinity).
        const int p = share > 0 ? static_cast<int>(std::trunc(std::min(share, 20.0))) : 0;
        // A run that revisits an address (the 16F7x verify) must not look as if it went back.
        if (p > gauge_.progress) {
            gauge_.progress = p;
        }
        report_.showRunGauge(gauge_);
        return;
    }
    if (position == maximum) {
        // Full, so even a short run is seen to have finished. How long it stays
        // so is the front end's business: the chip is not kept powered for it.
        gauge_.progress = RunGaugeState::Maximum;
        gauge_.remaining.reset();
        report_.showRunGauge(gauge_);
    }
    gauge_.visible = false;
    gauge_.remaining.reset();
    gauge_.progress = 0;
    gauge_.colour = RunGaugeColour::DarkGreen;
    report_.showRunGauge(gauge_);
}

void ChipOps::setGaugeColour(RunGaugeColour c) {
    gauge_.colour = c;
    report_.showRunGauge(gauge_);
}

}  // namespace pk
