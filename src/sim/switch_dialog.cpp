#include "sim/switch_dialog.h"

#include "link/circuit.h"

namespace pk::sim {

void SimSwitchDialog::message(const std::string& text, const std::string& caption) {
    if (inner_ != nullptr) {
        inner_->message(text, caption);
    }
}

std::optional<std::string> SimSwitchDialog::openFile(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& initialName) {
    return inner_ != nullptr ? inner_->openFile(title, filter, initialName) : std::nullopt;
}

std::optional<std::string> SimSwitchDialog::saveFile(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& initialName) {
    return inner_ != nullptr ? inner_->saveFile(title, filter, initialName) : std::nullopt;
}

bool SimSwitchDialog::question(const std::string& text, const std::string& caption) {
    return inner_ != nullptr && inner_->question(text, caption);
}

void SimSwitchDialog::manualSwitch(const std::string& text) {
    if (inner_ != nullptr) {
        inner_->manualSwitch(text);
    }
    // The user has read the prompt and thrown the switch before confirming.
    if (text == kManualVppOn) {
        circuit_.setManualVpp(true);
    } else if (text == kManualVppOff || text == kManualIdle) {
        circuit_.setManualVpp(false);
    }
}

}  // namespace pk::sim
