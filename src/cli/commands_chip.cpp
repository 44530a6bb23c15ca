// The commands that talk to the chip: search, detect, burn, verify, read, erase,
// unprotect and doctor. The part, or the chip found, does the work.

#include "run.h"

#include <cstdio>

#include "doctor_cmd.h"
#include "report_json.h"

namespace pk::cli {

int Run::cmdDoctor() {
    return runDoctor(*link_, *clock_, settings_, portBase_, quiet_ || json_);
}

int Run::cmdSearch() {
    const std::string where = portBase_ == kLpt1 ? "LPT 1" : "LPT 2";
    say("Korvel gefunden an " + where);
    extra_[QStringLiteral("port")] = QString::fromStdString(where);
    return ExitOk;
}

int Run::cmdDetect() {
    const Identification id = identifyChip(*session_, part_);
    if (id.outcome == Outcome::Cancelled) {
        return ExitUsage;
    }
    for (const ReportValue& v : id.values) {
        extra_[QString::fromStdString(v.key)] = reportJson(v);
    }
    if (id.part) {
        shownPart_ = id.part;
    }
    for (const std::string& line : id.lines) {
        say(line);
    }
    if (!id.message.empty()) {
        message(id.message);
    }
    if (id.outcome != Outcome::Ok) {
        return ExitChip;
    }
    if (!part_ && !id.typeHint.empty()) {
        say(id.typeHint);
    }
    return ExitOk;
}

CommandResult Run::runOnChip(Command c) {
    const CommandResult r = runCommand(*session_, c, part_, commandOptions(c));
    if (r.part && r.outcome != Outcome::NoChip && r.outcome != Outcome::WrongType) {
        shownPart_ = r.part;
    }
    takeResult(r);
    sayCounters();
    return r;
}

int Run::cmdBurn() {
    if (int rc = needReadableOrType(false); rc != ExitOk) {
        return rc;
    }
    return exitFor(runOnChip(Command::Burn).outcome);
}

int Run::cmdVerify() {
    if (int rc = needReadableOrType(true); rc != ExitOk) {
        return rc;
    }
    const CommandResult r = runOnChip(Command::Verify);
    if (list_ && !json_ && r.part) {
        const ChipFamily& family = *r.part->family;
        for (const WordFailure& d : failed_) {
            std::printf("%s %s: %s -> %s\n", areaName(d.area),
                        family.addressText(static_cast<std::uint32_t>(d.address)).c_str(),
                        family.valueText(d.wanted).c_str(), family.valueText(d.read).c_str());
        }
    }
    return exitFor(r.outcome);
}

int Run::cmdRead() {
    if (int rc = needReadableOrType(true); rc != ExitOk) {
        return rc;
    }
    const CommandResult r = runOnChip(Command::Read);
    // Words that read differently twice are not saved as the chip's, unless asked.
    const bool unstable = r.outcome == Outcome::Failed;
    if ((!r.ok() && !(unstable && force_)) || !r.part) {
        return exitFor(r.outcome);
    }
    if (r.allBlank) {
        message(kAllBlankText);
    }
    const std::string hex = r.part->family->readBackHex(*session_, *r.part);
    if (const int saved = save(files_[0], hex, "gelesen nach "); saved != ExitOk) {
        return saved;
    }
    return exitFor(r.outcome);
}

int Run::cmdErase() {
    if (int rc = needReadableOrType(false); rc != ExitOk) {
        return rc;
    }
    const CommandResult r = runOnChip(Command::Erase);
    if (r.ok()) {
        say("gelöscht");
    }
    return exitFor(r.outcome);
}

int Run::cmdUnprotect() {
    if (int rc = needReadableOrType(false); rc != ExitOk) {
        return rc;
    }
    const CommandResult r = runOnChip(Command::Unprotect);
    if (r.ok()) {
        say("Codeschutz entfernt");
    }
    return exitFor(r.outcome);
}

}  // namespace pk::cli
