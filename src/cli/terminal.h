#pragma once
// The terminal's side of the chip routines: message boxes and switch prompts on
// standard error, the run gauge as a progress bar.

#include <QElapsedTimer>
#include <csignal>
#include <string>
#include <vector>

#include "device/commands.h"
#include "link/user_dialog.h"

namespace pk::cli {

class TerminalDialog : public UserDialog {
  public:
    // yes: switch prompts are answered at once instead of waiting for Enter.
    explicit TerminalDialog(bool yes) : yes_(yes) {}
    void setYes(bool yes) { yes_ = yes; }

    void message(const std::string& text, const std::string& caption = kAppTitle) override;
    std::optional<std::string> openFile(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
    void manualSwitch(const std::string& text) override;

    // Every message shown, in order (for --json).
    const std::vector<std::string>& messages() const { return messages_; }

  private:
    bool yes_;
    std::vector<std::string> messages_;
};

// Set by the SIGINT/SIGTERM handler: the signal number.
extern volatile std::sig_atomic_t gStopSignal;

// Thrown at the next progress step after SIGINT or SIGTERM, so the command's
// brackets end programming mode on the way out.
struct Interrupted {
    int signal;
};

class TerminalReporter : public Reporter {
  public:
    // progress: draw the bar (standard error is a terminal and not --quiet).
    TerminalReporter(UserDialog& dialog, bool progress) : dialog_(dialog), progress_(progress) {
        elapsed_.start();
    }

    void setPanel(int panel, const std::string& text) override;
    void showRunGauge(const RunGaugeState& gauge) override;
    // The chip stays powered while the gauge is held: no pause here.
    void message(const std::string& text) override;
    void showCodeProtection(bool flash, bool eeprom) override;

    // Without --vpp-ok a chip never gets a VPP outside its range: there is nobody
    // to ask, and the finding says what to do.
    bool confirmVpp(const std::string& finding, const std::string& question) override;
    bool confirmDetectionVpp(const std::string& finding, const std::string& question) override;
    void setVppOk(bool ok) { vppOk_ = ok; }
    // Without --force a file with a checksum error is not burnt or compared.
    bool confirmFile(const std::string& finding, const std::string& question) override;
    void notice(const std::string& text) override;

    void setProgress(bool progress) { progress_ = progress; }
    const std::string& notice() const { return panel1_; }

  private:
    void checkStop() const;
    void draw();
    void clearLine();

    UserDialog& dialog_;
    bool progress_;
    bool vppOk_ = false;
    bool drawn_ = false;
    RunGaugeState gauge_;
    std::string panel0_;
    std::string panel1_;
    QElapsedTimer elapsed_;
};

// "\r" in the program's texts is a line break.
std::string terminalText(const std::string& text);

}  // namespace pk::cli
