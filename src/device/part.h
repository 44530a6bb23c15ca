#pragma once
// A chip type of any family: the family that programs it and its row there.
// The family's interface is device/family.h.

#include <cstdint>
#include <string>

namespace pk {

class ChipFamily;

struct Part {
    const ChipFamily* family = nullptr;
    std::int32_t row = 0;
    // The name chose the chip with device ID within a row that also covers one
    // without (16F84A within "16F84/84A").
    bool expectDeviceId = false;

    // The type list's text ("16F628A", "18F4550").
    std::string listText() const;
    bool operator==(const Part&) const = default;
};

}  // namespace pk
