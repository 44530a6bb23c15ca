#include "device/catalogue.h"

namespace pk {

const DeviceInfo* deviceInfo(std::int32_t type) {
    if (type < 0 || type >= kDeviceTypeCount) {
        return nullptr;
    }
    return &kDevices[static_cast<std::size_t>(type)];
}

bool is16F7x(std::int32_t type) {
    const DeviceInfo* d = deviceInfo(type);
    return d != nullptr && d->writeScheme == WriteScheme::PairsAfterBulkErase;
}

bool isCalibrationWord(std::int32_t type, std::int32_t address) {
    const DeviceInfo* d = deviceInfo(type);
    return d != nullptr && d->calibration.any() && d->calibration.word == address;
}

bool sameConfig(std::int32_t type, std::uint16_t read, std::uint16_t wanted) {
    const DeviceInfo* d = deviceInfo(type);
    if (d == nullptr || !d->calibration.any()) {
        return read == wanted;
    }
    const std::uint16_t own = d->config().implemented & ~d->calibration.configBits;
    return (read & own) == (wanted & own);
}

std::string IdLookup::revisionText() const {
    if (noChip) {
        return "?";
    }
    if (unknown) {
        return std::to_string(code);
    }
    return std::to_string(revision);
}

IdLookup lookupDeviceId(std::uint16_t idWord) {
    IdLookup r;
    r.code = idWord & 0x3FE0;
    r.revision = idWord & 0x001F;
    r.is84A = false;
    if (r.code == 0x3FE0) {
        r.noChip = true;
        r.type = Dev16F84;
        return r;
    }
    for (const DeviceInfo& d : kDevices) {
        for (std::uint16_t c : d.idCodes) {
            if (c != 0 && c == r.code) {
                r.type = d.type;
                r.is84A = d.idless.has_value();
                return r;
            }
        }
    }
    r.unknown = true;
    r.type = Dev16F84;
    return r;
}

std::optional<SwitchMatch> lookupSwitch(std::string_view lowerSwitch) {
    for (const DeviceInfo& d : kDevices) {
        for (std::string_view s : d.switches) {
            if (!s.empty() && s == lowerSwitch) {
                return SwitchMatch{d.type, s == "/p16f84a"};
            }
        }
    }
    return std::nullopt;
}

}  // namespace pk
