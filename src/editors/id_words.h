#pragma once
// The ID locations as the main window shows them.

#include <array>
#include <cstdint>
#include <string>

#include "image/memory_image.h"

namespace pk {

// The ID label: "ID: " and per location its decimal value or "xx", each followed
// by two blanks, e.g. "ID: 5  xx  12  0  ".
std::string idLabelText(const std::array<std::int32_t, 4>& ids);

// True when at least one of the four values is present.
bool anyIdPresent(const std::array<std::int32_t, 4>& ids);

}  // namespace pk
