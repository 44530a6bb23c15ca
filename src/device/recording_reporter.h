#pragma once
// A ChipReporter that remembers what it was told: the panels as they stand,
// every message box, every run-gauge state shown, the last code-protection
// findings. For tests, and for any front end that wants a transcript.

#include <array>
#include <string>
#include <vector>

#include "device/chip_ops.h"

namespace pk {

class RecordingReporter : public ChipReporter {
  public:
    void setPanel(int panel, const std::string& text) override {
        if (panel >= 0 && panel < 2) {
            panels[static_cast<std::size_t>(panel)] = text;
        }
        ++panelUpdates;
    }
    void showRunGauge(const RunGaugeState& gauge) override { gauges.push_back(gauge); }
    void message(const std::string& text) override { messages.push_back(text); }
    void showCodeProtection(bool flash, bool eeprom) override {
        flashProtected = flash;
        eepromProtected = eeprom;
        ++protectionUpdates;
    }

    void clear() { *this = RecordingReporter(); }

    std::array<std::string, 2> panels;
    int panelUpdates = 0;
    std::vector<RunGaugeState> gauges;
    std::vector<std::string> messages;
    bool flashProtected = false;
    bool eepromProtected = false;
    int protectionUpdates = 0;
};

}  // namespace pk
