#pragma once
// The user of a hand-operated voltage switch ("von Hand"), simulated: wraps the
// program's real dialog, shows every question through it unchanged, and throws
// the simulated board's VPP switch the way a user obeys the prompts.
//
//   pk::sim::SimSwitchDialog dialog(&realDialog, circuit);
//   // "+12V jetzt einschalten" -> VPP on; "+12V jetzt ausschalten" and
//   // "12V ausschalten" -> VPP off; everything else only passes through.

#include "link/user_dialog.h"
#include "sim/circuit.h"

namespace pk::sim {

class SimSwitchDialog : public UserDialog {
  public:
    SimSwitchDialog(UserDialog* inner, SimCircuit& circuit) : inner_(inner), circuit_(circuit) {}

    void setInner(UserDialog* inner) { inner_ = inner; }
    UserDialog* inner() const { return inner_; }

    void message(const std::string& text, const std::string& caption = kAppTitle) override;
    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override;
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& initialName) override;
    void manualSwitch(const std::string& text) override;
    bool question(const std::string& text, const std::string& caption = kAppTitle) override;

  private:
    UserDialog* inner_;
    SimCircuit& circuit_;
};

}  // namespace pk::sim
