#pragma once
// The 14-bit mid-range PICs (kDevices) as one ChipFamily.

#include "device/family.h"

namespace pk {

const ChipFamily& midrange14Family();

}  // namespace pk
