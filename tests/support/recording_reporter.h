#pragma once
// A Reporter that remembers what it was told: the panels as they stand, every
// message box, every run-gauge state shown, every failed word, the last
// code-protection findings.

#include <array>
#include <string>
#include <vector>

#include "device/commands.h"

namespace pk {

class RecordingReporter : public Reporter {
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

    void showFailure(const WordFailure& f) override {
        failures.push_back(f);
        Reporter::showFailure(f);
    }
    // The image as the test set it up stands for the file, unless a test reads one.
    bool reloadHexFile(MemoryImage& image, BurnOptions& options) override {
        if (reloadFromDisk) {
            return Reporter::reloadHexFile(image, options);
        }
        image.HexLoaded = true;
        return true;
    }
    bool confirm(const std::string& question) override {
        questions.push_back(question);
        return answer;
    }

    void clear() {
        panels = {};
        panelUpdates = 0;
        gauges.clear();
        messages.clear();
        failures.clear();
        questions.clear();
        flashProtected = eepromProtected = false;
        protectionUpdates = 0;
    }

    std::array<std::string, 2> panels;
    int panelUpdates = 0;
    std::vector<RunGaugeState> gauges;
    std::vector<std::string> messages;
    std::vector<WordFailure> failures;
    std::vector<std::string> questions;
    bool answer = false;  // to every question
    bool reloadFromDisk = false;
    bool flashProtected = false;
    bool eepromProtected = false;
    int protectionUpdates = 0;
};

}  // namespace pk
