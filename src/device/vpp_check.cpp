// The circuit's fixed VPP against the range each chip's programming data sheet
// allows on MCLR. The program cannot measure it; the user states it in the setup.

#include <cstdio>

#include "device/commands.h"
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
    char supplied[16];
    std::snprintf(supplied, sizeof supplied, "%d,%d V", vppTenths / 10, vppTenths % 10);
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

}  // namespace pk
