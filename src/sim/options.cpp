#include "sim/options.h"

#include <charconv>
#include <cstdlib>

#include "sim/fault_names.h"

namespace pk::sim {

namespace {

void fail(std::string* error, std::string text) {
    if (error != nullptr) {
        *error = std::move(text);
    }
}

// Decimal or 0x-hex, the whole text.
std::optional<long> parseNumber(std::string_view s) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    long v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return v;
}

}  // namespace

namespace {

using K = SimFault::Kind;
using A = FaultArgument;

constexpr SimFaultName kFaultNames[] = {
    {"no-chip", K::NoChip, A::None, ""},
    {"wrong-chip", K::WrongChip, A::OptionalChip, "[:PIC]"},
    {"stuck-low", K::StuckLow, A::None, ""},
    {"stuck-high", K::StuckHigh, A::None, ""},
    {"clock-open", K::ClockOpen, A::None, ""},
    {"bad-cell", K::BadCell, A::Address, ":ADR"},
    {"stuck-cell", K::StuckCell, A::Address, ":ADR"},
    {"flaky", K::Flaky, A::Period, ":N[,SEED]"},
    {"misread", K::Misread, A::Address, ":ADR"},
    {"no-vpp", K::NoVpp, A::None, ""},
    {"no-bulk-erase", K::NoBulkErase, A::None, ""},
    {"erase-at-calibration", K::EraseAtCalibration, A::None, ""},
};

}  // namespace

std::span<const SimFaultName> simFaultNames() {
    return kFaultNames;
}

const SimFaultName* simFaultName(SimFault::Kind kind) {
    for (const SimFaultName& f : kFaultNames) {
        if (f.kind == kind) {
            return &f;
        }
    }
    return nullptr;
}

std::string simFaultSummary() {
    std::string s;
    for (const SimFaultName& f : kFaultNames) {
        s.append(s.empty() ? "" : ", ").append(f.name).append(f.syntax);
    }
    return s;
}

std::optional<SimFault> parseSimFault(std::string_view text, std::string* error) {
    const auto colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const std::string_view arg =
        colon == std::string_view::npos ? std::string_view{} : text.substr(colon + 1);
    const bool hasArg = colon != std::string_view::npos;
    const SimFaultName* row = nullptr;
    for (const SimFaultName& f : kFaultNames) {
        row = f.name == name ? &f : row;
    }
    if (row == nullptr) {
        fail(error, "unknown fault " + std::string(name));
        return std::nullopt;
    }
    SimFault f;
    f.kind = row->kind;
    switch (row->argument) {
        case A::None:
            if (hasArg) {
                fail(error, "fault " + std::string(name) + " takes no argument");
                return std::nullopt;
            }
            return f;
        case A::OptionalChip:
            if (hasArg) {
                if (findChip(arg) == nullptr) {
                    fail(error, "unknown chip " + std::string(arg));
                    return std::nullopt;
                }
                f.chip = std::string(findChip(arg)->name);
            }
            return f;
        case A::Address: {
            const auto a = parseNumber(arg);
            // Up to a PIC18F's EEPROM in its HEX file place; the chip checks its own range.
            if (!a || *a < 0 || *a > 0xFFFFFF) {
                fail(error, std::string(name) + " needs a chip address, e.g. " + std::string(name) +
                                ":0x64");
                return std::nullopt;
            }
            f.arg = static_cast<int>(*a);
            return f;
        }
        case A::Period: {
            const auto comma = arg.find(',');
            const auto n = parseNumber(arg.substr(0, comma));
            std::optional<long> seed = 1L;
            if (comma != std::string_view::npos) {
                seed = parseNumber(arg.substr(comma + 1));
            }
            if (!n || *n < 1 || *n > 1'000'000 || !seed || *seed < 0) {
                fail(error, "flaky needs a period, e.g. flaky:1000 or flaky:1000,7");
                return std::nullopt;
            }
            f.arg = static_cast<int>(*n);
            f.seed = static_cast<unsigned>(*seed);
            return f;
        }
    }
    return std::nullopt;
}

OptionResult parseSimOption(std::string_view arg, SimOptions& opts, std::string* error) {
    const auto eq = arg.find('=');
    const std::string_view key = arg.substr(0, eq);
    const bool hasValue = eq != std::string_view::npos;
    const std::string_view value = hasValue ? arg.substr(eq + 1) : std::string_view{};
    auto bad = [&](std::string text) {
        fail(error, std::string(key) + ": " + text);
        return OptionResult::Error;
    };

    if (key == "--simulate") {
        opts.simulate = true;
        if (hasValue) {
            const ChipModel* model = findChip(value);
            if (model == nullptr) {
                return bad("unknown chip " + std::string(value));
            }
            opts.chip = std::string(model->name);
        }
        return OptionResult::Ok;
    }
    if (key == "--sim-fast" || key == "--sim-strict") {
        if (hasValue) {
            return bad("takes no value");
        }
        opts.fast = true;
        opts.strict = opts.strict || key == "--sim-strict";
        return OptionResult::Ok;
    }
    if (key == "--sim-lpt") {
        if (value != "0" && value != "1" && value != "2") {
            return bad("1 or 2 (0: not attached)");
        }
        opts.lpt = value[0] - '0';
        return OptionResult::Ok;
    }
    if (key == "--sim-circuit") {
        if (value.size() != 3 || value[1] != ',' || value[0] < '0' || value[0] > '2' ||
            value[2] < '0' || value[2] > '3') {
            return bad("DRIVER,SWITCH with driver 0..2 and switch 0..3, e.g. 1,1");
        }
        opts.circuit = CircuitVariant{value[0] - '0', value[2] - '0'};
        return OptionResult::Ok;
    }
    if (key == "--sim-chip-file") {
        if (value.empty()) {
            return bad("needs a file name");
        }
        opts.chipFile = std::string(value);
        return OptionResult::Ok;
    }
    if (key == "--sim-vpp") {
        // "12", "12.5" or "12,5" volts.
        std::string text(value);
        for (char& c : text) {
            c = c == ',' ? '.' : c;
        }
        char* end = nullptr;
        const double volts = text.empty() ? 0 : std::strtod(text.c_str(), &end);
        if (text.empty() || end == nullptr || *end != '\0' || !(volts >= 5.0 && volts <= 20.0)) {
            return bad("volts from 5 to 20, e.g. 12.5");
        }
        opts.vppCentivolts = static_cast<int>(volts * 100 + 0.5);
        return OptionResult::Ok;
    }
    if (key == "--sim-fault") {
        std::string why;
        auto f = parseSimFault(value, &why);
        if (!f) {
            return bad(why);
        }
        opts.faults.push_back(*f);
        return OptionResult::Ok;
    }
    return OptionResult::NotMine;
}

}  // namespace pk::sim
