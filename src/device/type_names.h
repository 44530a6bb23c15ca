#pragma once
// The names --type takes, from the catalogue's command-line switches.

#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"

namespace pk {

// A row's names ("16f84", "16f84a"): its switches without "/p".
std::vector<std::string_view> typeNames(const DeviceInfo& d);
// Every row's names in catalogue order, ", " between them: for messages.
std::string allTypeNames();

}  // namespace pk
