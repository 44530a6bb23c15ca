#pragma once
// Tool tips appear after 100 ms and stay 10 s, for every window of the program.

namespace pk {

inline constexpr int kHintDelayMs = 100;
inline constexpr int kHintDisplayMs = 10000;

// Installs the timings application-wide; further calls do nothing.
// Qt 6.4 has no setter for these: the delay comes from a proxy style's
// SH_ToolTip_WakeUpDelay, the display time from an event filter that shows each
// tool tip itself with an explicit display time.
void applyHintTimings();

// The delay currently in effect (the style hint), for checks.
int hintDelayMs();

}  // namespace pk
