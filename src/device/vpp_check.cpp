// The circuit's fixed VPP against the range each chip's programming data sheet
// allows on MCLR. The program cannot measure it; the user states it in the setup.

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "device/commands.h"
#include "device/p18_catalogue.h"
#include "device/vpp_finding.h"

namespace pk {

namespace {

// "12 V", "12,75 V", "13,5 V": German decimals, no trailing zeros.
std::string volts(int centivolts) {
    char text[16];
    if (centivolts % 100 == 0) {
        std::snprintf(text, sizeof text, "%d V", centivolts / 100);
    } else if (centivolts % 10 == 0) {
        std::snprintf(text, sizeof text, "%d,%d V", centivolts / 100, (centivolts / 10) % 10);
    } else {
        std::snprintf(text, sizeof text, "%d,%02d V", centivolts / 100, centivolts % 100);
    }
    return text;
}

// "13,0 V": the circuit's VPP as the setup gives it.
std::string suppliedText(std::int32_t vppTenths) {
    char text[16];
    std::snprintf(text, sizeof text, "%d,%d V", vppTenths / 10, vppTenths % 10);
    return text;
}

// "A", "A und B", "A, B und C".
std::string listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " und " : ", ") + names[i];
    }
    return text;
}

// Every chip a detection may find, by name, with its VIHH range: the 14-bit
// rows, and the PIC18F families (their parts share the range).
template <typename F>
void forEachCandidate(F&& visit) {
    for (const DeviceInfo& row : kDevices) {
        if (row.vpp.given()) {
            visit(std::string(row.listText), row.vpp);
        }
    }
    std::vector<const P18Family*> families;
    for (const P18Device& d : kP18Devices) {
        if (std::find(families.begin(), families.end(), d.family) == families.end()) {
            families.push_back(d.family);
            visit("die " + std::string(d.family->name), d.family->vpp);
        }
    }
}

}  // namespace

std::string vppRangeText(const VppRange& range) {
    std::string low = volts(range.minCentivolts);
    low.resize(low.size() - 2);  // one unit for both ends
    return low + "–" + volts(range.maxCentivolts);
}

std::optional<std::string> vppFinding(std::string_view chipName, const VppRange& range,
                                      std::int32_t vppTenths) {
    const int given = static_cast<int>(vppTenths) * 10;
    if (!range.given() || range.holds(given)) {
        return std::nullopt;
    }
    const std::string supplied = suppliedText(vppTenths);
    const std::string chip = "Der " + std::string(chipName);
    if (given > range.maxCentivolts) {
        return chip + " verträgt höchstens " + volts(range.maxCentivolts) +
               " an MCLR; der Korvel liefert " + supplied + ".";
    }
    return chip + " braucht mindestens " + volts(range.minCentivolts) +
           " an MCLR; der Korvel liefert nur " + supplied + ".";
}

std::optional<std::string> vppFinding(const DeviceInfo& row, std::int32_t vppTenths) {
    return vppFinding(row.listText, row.vpp, vppTenths);
}

Outcome checkVpp(ChipSession& chip) {
    const std::int32_t type = chip.ops.device().CurrentType;
    const DeviceInfo* row = deviceInfo(type);
    chip.report.setPartVpp(row != nullptr ? row->vpp : VppRange{});
    if (row == nullptr || chip.vppAccepted.count(type) != 0) {
        return Outcome::Ok;
    }
    const auto finding = vppFinding(*row, chip.ops.settings().VppTenths);
    if (!finding) {
        return Outcome::Ok;
    }
    if (!chip.report.confirmVpp(*finding, "Trotzdem fortfahren?")) {
        return Outcome::Cancelled;
    }
    chip.vppAccepted.insert(type);
    return Outcome::Ok;
}

int detectionVppLimit() {
    int limit = 0;
    forEachCandidate([&](const std::string& /*name*/, const VppRange& range) {
        limit = limit == 0 ? range.maxCentivolts : std::min(limit, range.maxCentivolts);
    });
    return limit;
}

std::optional<std::string> detectionVppFinding(std::int32_t vppTenths) {
    const int given = static_cast<int>(vppTenths) * 10;
    std::map<int, std::vector<std::string>> below;  // by their maximum, lowest first
    forEachCandidate([&](const std::string& name, const VppRange& range) {
        if (range.maxCentivolts < given) {
            below[range.maxCentivolts].push_back(name);
        }
    });
    if (below.empty()) {
        return std::nullopt;
    }
    std::string text =
        "Die Erkennung legt " + suppliedText(vppTenths) + " an MCLR, bevor sie den PIC kennt; ";
    bool first = true;
    for (const auto& [max, names] : below) {
        text += (first ? "höchstens " : ", höchstens ") + volts(max) +
                (first ? " vertragen " : " ") + listed(names);
        first = false;
    }
    return text + ". Bis " + volts(detectionVppLimit()) + " fragt sie nicht.";
}

Outcome checkDetectionVpp(ChipSession& chip) {
    if (chip.detectionVppAccepted) {
        return Outcome::Ok;
    }
    const auto finding = detectionVppFinding(chip.ops.settings().VppTenths);
    if (!finding) {
        return Outcome::Ok;
    }
    if (!chip.report.confirmDetectionVpp(*finding, "Trotzdem erkennen?")) {
        return Outcome::Cancelled;
    }
    chip.detectionVppAccepted = true;
    return Outcome::Ok;
}

}  // namespace pk
