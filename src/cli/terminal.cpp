#include "terminal.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>

#include "image/standard_streams.h"

namespace pk::cli {

volatile std::sig_atomic_t gStopSignal = 0;

void TerminalReporter::checkStop() const {
    if (gStopSignal != 0) {
        throw Interrupted{static_cast<int>(gStopSignal)};
    }
}

std::string terminalText(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        if (c == '\r') {
            c = '\n';
        }
    }
    return out;
}

void TerminalDialog::message(const std::string& text, const std::string& /*caption*/) {
    messages_.push_back(text);
    std::fprintf(stderr, "%s\n", terminalText(text).c_str());
}

void TerminalDialog::manualSwitch(const std::string& text) {
    if (yes_) {
        std::fprintf(stderr, "%s\n", terminalText(text).c_str());
        return;
    }
    std::fprintf(stderr, "%s - weiter mit Enter\n", terminalText(text).c_str());
    std::string line;
    if (StandardInputTaken()) {
        // Standard input was the HEX file and is used up: Enter comes from the terminal.
        std::ifstream terminal("/dev/tty");
        std::getline(terminal, line);
    } else {
        std::getline(std::cin, line);
    }
}

bool TerminalReporter::confirmVpp(const std::string& finding, const std::string& /*question*/) {
    if (vppOk_) {
        return true;
    }
    message(finding +
            " Abgebrochen: mit --vpp-ok trotzdem fortfahren, oder die an MCLR gemessene "
            "Spannung mit --vpp=VOLT angeben.");
    return false;
}

bool TerminalReporter::confirmFile(const std::string& finding, const std::string& /*question*/) {
    message(finding + "\rAbgebrochen: mit --force wird die Datei trotzdem verwendet.");
    return false;
}

void TerminalReporter::notice(const std::string& text) {
    clearLine();
    std::fprintf(stderr, "Hinweis: %s\n", terminalText(text).c_str());
}

bool TerminalReporter::confirmDetectionVpp(const std::string& finding,
                                           const std::string& /*question*/) {
    if (vppOk_) {
        return true;
    }
    message(finding +
            " Abgebrochen: mit --vpp-ok trotzdem erkennen, mit --vpp=VOLT eine niedrigere "
            "VPP angeben, oder den PIC mit --type nennen.");
    return false;
}

void TerminalReporter::setPanel(int panel, const std::string& text) {
    checkStop();
    if (panel == 0) {
        panel0_ = text;
        if (drawn_) {
            draw();
        }
    } else {
        panel1_ = text;
    }
}

void TerminalReporter::showRunGauge(const RunGaugeState& gauge) {
    checkStop();
    if (gauge.visible && !gauge_.visible) {
        elapsed_.restart();
    }
    gauge_ = gauge;
    if (!progress_) {
        return;
    }
    if (gauge.visible) {
        draw();
    } else {
        clearLine();
    }
}

void TerminalReporter::message(const std::string& text) {
    clearLine();
    dialog_.message(text);
}

void TerminalReporter::showCodeProtection(bool, bool) {}

void TerminalReporter::draw() {
    if (!progress_ || !gauge_.visible) {
        return;
    }
    constexpr int kWidth = RunGaugeState::Maximum;
    std::string bar(static_cast<std::size_t>(kWidth), '.');
    for (int i = 0; i < gauge_.progress && i < kWidth; ++i) {
        bar[static_cast<std::size_t>(i)] = '#';
    }
    std::fprintf(stderr, "\r\033[K[%s] %3d %%  %s  %.1f s%s", bar.c_str(),
                 gauge_.progress * 100 / kWidth, panel0_.c_str(),
                 static_cast<double>(elapsed_.elapsed()) / 1000.0,
                 gauge_.remaining ? ("  " + remainingText(*gauge_.remaining)).c_str() : "");
    std::fflush(stderr);
    drawn_ = true;
}

void TerminalReporter::clearLine() {
    if (drawn_) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        drawn_ = false;
    }
}

}  // namespace pk::cli
