// The type check before every command, and the detection of the 14-bit chip.

#include "device/command_parts.h"

namespace pk {

namespace {

void selectType(DeviceState& device, std::int32_t type) {
    device.CurrentType = type;
    if (const DeviceInfo* info = deviceInfo(type)) {
        device.ProgLastAddr = info->progLastAddr;
        device.DataLastAddr = info->dataLastAddr;
    }
}

// A device ID of all ones or all zeros: no chip drove the data line (an empty
// socket or no VPP reads ones, a data line held low or no VDD zeros). No chip has
// either code.
bool silentId(const IdLookup& found) {
    return found.noChip || (found.unknown && found.code == 0);
}

}  // namespace

bool chipAnswered(const Detection& d) {
    return !silentId(d.found) || d.config != d.idWord;
}

TypeCheck checkChip(ChipSession& chip, const ChipChoice& choice, bool readAlong,
                    bool programAlong) {
    TypeCheck r;
    ChipOps& ops = chip.ops;
    DeviceState& device = ops.device();
    // The chosen type is known before it gets VPP; a detected one only after,
    // so the detection itself is asked about for every chip it may find.
    if (const Outcome vpp = choice.fromChip ? checkDetectionVpp(chip) : checkVpp(chip);
        vpp != Outcome::Ok) {
        r.outcome = vpp;
        return r;
    }
    // That circuit cannot read the chip, so there is nothing to check against.
    if (ops.settings().QuickAndDirty) {
        return r;
    }
    const std::int32_t selected = device.CurrentType;
    const bool along =
        readAlong && !choice.fromChip && ops.settings().Timing == TimingMode::DataSheet;
    r.detection =
        ops.Autodetect(choice.fromChip ? ChipOps::Probe::Unknown : ChipOps::Probe::SelectedType,
                       along, along && programAlong);
    const Detection& d = r.detection;
    const IdLookup& found = d.found;
    // All ones is what an empty socket reads. Only the old 16F84 has no device ID,
    // so for every other chip it means that nothing answered. Even the old 16F84
    // drives its ID location and configuration word high, so both reading zero is
    // a line that nothing drives.
    const DeviceInfo* row = deviceInfo(selected);
    const bool deviceIdExpected =
        choice.fromChip || row == nullptr || !row->idless || choice.expectDeviceId;
    if (silentId(found) && (deviceIdExpected || (!found.noChip && !chipAnswered(d)))) {
        chip.report.message(noChipMessage(d.idWord));
        r.outcome = Outcome::NoChip;
        return r;
    }
    if (choice.fromChip) {
        if (found.unknown) {
            chip.report.message("unbekannter PIC, Device-ID " + hexAddress(d.idWord));
            r.outcome = Outcome::WrongType;
            return r;
        }
        selectType(device, d.type());
        // The detected chip's range is known only now, before anything is written.
        r.outcome = checkVpp(chip);
        return r;
    }
    // A device ID that no type has is no 16F84 either: that one reads none.
    if (selected != d.type() || (found.unknown && !silentId(found))) {
        chip.report.message(wrongTypeMessage(d.idWord, selected));
        r.outcome = Outcome::WrongType;
    }
    return r;
}

Outcome checkType(ChipSession& chip, const ChipChoice& choice, bool readAlong, bool programAlong) {
    return checkChip(chip, choice, readAlong, programAlong).outcome;
}

DetectResult detect(ChipSession& chip, bool typeExpected) {
    DetectResult d;
    ChipOps& ops = chip.ops;
    if (!typeExpected && checkDetectionVpp(chip) != Outcome::Ok) {
        d.outcome = Outcome::Cancelled;
        return d;
    }
    const Detection det =
        ops.Autodetect(typeExpected ? ChipOps::Probe::Expected : ChipOps::Probe::Unknown);
    d.found = det.found;
    d.idWord = det.idWord;
    d.config = det.config;
    d.config2 = det.config2;
    d.factory = det.factoryWords;
    d.flashProtected = det.flashProtected;
    d.eepromProtected = det.eepromProtected;
    if (silentId(d.found)) {
        d.outcome = Outcome::NoChip;
        return d;
    }
    selectType(ops.device(), det.type());
    if (d.found.unknown) {
        d.outcome = Outcome::WrongType;
    }
    return d;
}

}  // namespace pk
