#pragma once
// The baseline (12-bit) parts as one ChipFamily.

#include "device/family.h"

namespace pk {

const ChipFamily& baselineFamily();

}  // namespace pk
