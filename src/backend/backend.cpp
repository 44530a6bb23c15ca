#include "backend.h"

#include <algorithm>

#include "link/direct_port.h"
#include "link/ppdev_port.h"
#include "settings/settings_file.h"
#include "sim/fault_names.h"

namespace pk {

namespace {

constexpr std::string_view kTrace = "--trace";

bool isTrace(std::string_view arg) {
    return arg == kTrace || arg.starts_with("--trace=");
}

bool takesValue(std::string_view arg) {
    for (const BackendOptionText& o : backendOptionTexts()) {
        if (*o.valueName != '\0' && arg.size() > 2 && arg.substr(2) == o.name) {
            return true;
        }
    }
    return false;
}

}  // namespace

const std::vector<BackendOptionText>& backendOptionTexts() {
    // The fault names from the simulator's own table, so --help cannot leave one out.
    static const std::string faults =
        std::string("Fehler einschalten (mehrfach möglich): ").append(sim::simFaultSummary());
    static const std::vector<BackendOptionText> texts{
        {"simulate", "Simuliertes Korvel; --simulate=PIC wählt den PIC (Vorgabe 16F84A)", ""},
        {"sim-lpt", "Port des simulierten Korvels: 1 oder 2 (0: nicht angeschlossen)", "1|2"},
        {"sim-circuit",
         "Schaltungsvariante des simulierten Korvels (Vorgabe: die Hardwareeinstellung)",
         "TREIBER,SCHALTER"},
        {"sim-chip-file", "Speicher des simulierten PIC in dieser HEX-Datei halten", "DATEI"},
        {"sim-fast", "Simulation ohne echte Wartezeiten", ""},
        {"sim-strict", "wie sim-fast, Portzugriffe ohne Zeit", ""},
        {"sim-fault", faults.c_str(), "NAME[:ARG]"},
        {"sim-vpp", "VPP des simulierten Korvels an MCLR in Volt (Vorgabe 13)", "VOLT"},
        {"trace", "Jeden Portzugriff als Value Change Dump in diese Datei schreiben", "DATEI.vcd"},
    };
    return texts;
}

bool takeBackendOptions(std::vector<std::string>& args, BackendOptions& options,
                        std::string* error) {
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        if (i == 0) {
            rest.push_back(a);
            continue;
        }
        if (takesValue(a) && i + 1 < args.size()) {
            a += '=' + args[++i];
        }
        if (isTrace(a)) {
            options.tracePath = a.substr(std::min(a.size(), kTrace.size() + 1));
            if (options.tracePath.empty()) {
                *error = "--trace: Dateiname fehlt";
                return false;
            }
            continue;
        }
        switch (sim::parseSimOption(a, options.sim, error)) {
            case sim::OptionResult::NotMine:
                rest.push_back(a);
                break;
            case sim::OptionResult::Ok:
                break;
            case sim::OptionResult::Error:
                return false;
        }
    }
    args = std::move(rest);
    return true;
}

std::optional<PortKind> portKindNamed(std::string_view name, std::string* error) {
    if (name.empty() || name == "ppdev") {
        return PortKind::Ppdev;
    }
    if (name == "direct") {
        return PortKind::Direct;
    }
    if (error != nullptr) {
        *error = "--port=" + std::string(name) + ": erlaubt sind ppdev und direct";
    }
    return std::nullopt;
}

ProgrammerSettings loadSettings(const SettingsOverrides& overrides) {
    ProgrammerSettings settings;
    SettingsRecord record;
    LoadSettingsFile(SettingsFilePath(), record, settings);
    if (overrides.driver) {
        settings.DriverIndex = *overrides.driver;
    }
    if (overrides.switchIndex) {
        settings.SwitchIndex = *overrides.switchIndex;
    }
    if (overrides.quickAndDirty) {
        settings.QuickAndDirty = true;
    }
    if (overrides.delay) {
        settings.DelayCount = *overrides.delay;
        settings.AutoSpeed = false;
    }
    return settings;
}

std::unique_ptr<Backend> Backend::build(const BackendOptions& options,
                                        const ProgrammerSettings& settings, UserDialog* prompts,
                                        BackendError* error) {
    std::unique_ptr<Backend> b(new Backend);
    b->dialog_ = prompts;
    if (options.sim.simulate) {
        std::string why;
        b->simulator_ = sim::SimBackend::create(options.sim, settings, &why);
        if (!b->simulator_) {
            *error = {BackendError::Kind::Usage, "--simulate: " + why};
            return nullptr;
        }
        b->simulator_->circuit().log().setEcho(options.echoViolations);
        b->simulator_->circuit().log().setMaxCommands(100'000);
        b->simulator_->dialog().setInner(prompts);
        b->port_ = &b->simulator_->port();
        b->clock_ = &b->simulator_->clock();
        b->dialog_ = &b->simulator_->dialog();
    } else {
        if (options.port == PortKind::Direct) {
            b->ownPort_ = std::make_unique<DirectPort>();
        } else {
            b->ownPort_ = std::make_unique<PpdevPort>();
        }
        b->ownClock_ = std::make_unique<RealClock>();
        b->port_ = b->ownPort_.get();
        b->clock_ = b->ownClock_.get();
    }
    if (!options.tracePath.empty()) {
        // The trace stamps each access with the same clock the link waits on.
        b->trace_ = std::make_unique<TracePort>(*b->port_, *b->clock_, settings, options.tracePath);
        if (!b->trace_->ok()) {
            *error = {BackendError::Kind::Output,
                      "--trace: " + options.tracePath + " kann nicht angelegt werden"};
            return nullptr;
        }
        b->port_ = b->trace_.get();
    }
    return b;
}

Backend::~Backend() = default;

void Backend::followSettings(const ProgrammerSettings& settings) {
    if (trace_) {
        trace_->setSettings(settings);
    }
}

bool Backend::finish(std::string* error) {
    if (!simulator_) {
        return true;
    }
    std::string why;
    if (!simulator_->saveChipFile(&why)) {
        *error = "--sim-chip-file: " + why;
        return false;
    }
    return true;
}

}  // namespace pk
