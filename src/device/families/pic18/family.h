#pragma once
// The PIC18F parts (kP18Devices) as one ChipFamily.

#include "device/family.h"

namespace pk {

const ChipFamily& pic18Family();

}  // namespace pk
