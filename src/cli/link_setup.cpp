// Setting up the port and the programmer link for a chip command, and what the
// options say about the chip type.

#include "run.h"

#include <unistd.h>

#include <cstdio>

#include "editors/config_word.h"
#include "link/circuit.h"
#include "link/search_texts.h"

namespace pk::cli {

int Run::setUpLink() {
    settings_ = loadSettings(overrides_);
    if (timing_) {
        settings_.Timing = *timing_;
    }
    if (vppTenths_) {
        settings_.VppTenths = *vppTenths_;
    }
    if (const auto why = circuitRefusal(settings_.DriverIndex, settings_.SwitchIndex)) {
        usage(*why);
        return ExitUsage;
    }
    backendOptions_.port = port_ == "direct" ? PortKind::Direct : PortKind::Ppdev;
    // Protocol violations of the simulated chip go to the terminal, as in the program.
    backendOptions_.echoViolations = !quiet_;
    BackendError failure;
    backend_ = Backend::build(backendOptions_, settings_, &dialog_, &failure);
    if (!backend_) {
        usage(failure.text);
        return failure.kind == BackendError::Kind::Output ? ExitOutput : ExitUsage;
    }
    clock_ = &backend_->clock();
    link_ = std::make_unique<ProgrammerLink>(backend_->port(), *clock_, *backend_->dialog(),
                                             settings_, portBase_);
    reporter_.setProgress(!quiet_ && ::isatty(STDERR_FILENO) != 0);
    session_ =
        std::make_unique<Session>(*link_, *clock_, image_, device_, settings_, errors_, reporter_);
    if (!link_->PortOpen()) {
        message(kNoDriverMessage);
        std::fprintf(stderr, "%s\n", link_->portUnavailableReason().c_str());
        return ExitNoProgrammer;
    }
    // The data-sheet timing measures its line waits on the clock: nothing to calibrate.
    if (settings_.AutoSpeed && settings_.Timing == TimingMode::Classic) {
        link_->Bremse();
    }
    if (command_ == "doctor") {
        return ExitOk;  // it explains a failing search itself
    }
    bool found = false;
    if (port_ == "lpt1" || port_ == "lpt2") {
        portBase_ = port_ == "lpt1" ? kLpt1 : kLpt2;
        found = settings_.QuickAndDirty || link_->loopBackTest();
    } else {
        found = link_->findProgrammer();
    }
    if (!found) {
        message(kNotFoundMessage);
        return ExitNoProgrammer;
    }
    link_->Anfang();
    return ExitOk;
}

// The Quick-and-Dirty circuit cannot read: no detection, no type without --type.
int Run::needReadableOrType(bool reads) {
    if (!settings_.QuickAndDirty) {
        return ExitOk;
    }
    if (reads) {
        usage("mit dem Quick-and-Dirty-Korvel kann nicht gelesen werden");
        return ExitUsage;
    }
    if (!part_) {
        usage("mit dem Quick-and-Dirty-Korvel muss --type angegeben werden");
        return ExitUsage;
    }
    return ExitOk;
}

int Run::exitFor(Outcome o) {
    switch (o) {
        case Outcome::Ok:
            return ExitOk;
        case Outcome::Failed:
            return ExitDifferences;
        case Outcome::NoChip:
        case Outcome::WrongType:
            return ExitChip;
        case Outcome::FileUnusable:
            return ExitHexFile;
        case Outcome::Cancelled:
            break;
    }
    return ExitUsage;
}

CommandOptions Run::commandOptions(Command c) {
    CommandOptions o;
    o.path = files_.empty() ? std::string() : files_[0];
    // The protection removal always takes the data EEPROM along.
    o.includeData = c == Command::Unprotect || !noData_;
    o.acceptDoubtfulFile = force_;
    o.config = config_;
    o.configRule = configRule(ConfigControls{}, true);
    if (ids_) {
        o.ids = std::vector<std::int32_t>(ids_->begin(), ids_->end());
    }
    // A chip found without --type may be of a family the options do not fit.
    o.partAccepted = [this](const Part& part) {
        shownPart_ = part;
        if (const std::string why = optionRefusal(part); !why.empty()) {
            usage(why);
            return false;
        }
        return true;
    };
    return o;
}

}  // namespace pk::cli
