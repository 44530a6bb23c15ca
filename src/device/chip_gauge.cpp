// The run gauge of ChipOps: progress of a running chip operation.

#include <algorithm>
#include <cmath>

#include "device/chip_ops.h"

namespace pk {

void ChipOps::UpdateRunGauge(std::int32_t position, std::int32_t maximum) {
    if (position != 0 && position < maximum) {
        if (!gauge_.visible) {
            gauge_.visible = true;
            report_.showRunGauge(gauge_);
        }
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
        // Full for a moment, so even a short run is seen to have finished.
        gauge_.progress = RunGaugeState::Maximum;
        report_.showRunGauge(gauge_);
        clock_.sleepMs(200);
    }
    gauge_.visible = false;
    gauge_.progress = 0;
    gauge_.colour = RunGaugeColour::DarkGreen;
    report_.showRunGauge(gauge_);
}

void ChipOps::setGaugeColour(RunGaugeColour c) {
    gauge_.colour = c;
    report_.showRunGauge(gauge_);
}

}  // namespace pk
