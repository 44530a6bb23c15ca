#pragma once
// The names --type takes, from the catalogue's command-line switches.

#include <string>
#include <string_view>
#include <vector>

#include "device/catalogue.h"
#include "device/p18_catalogue.h"

namespace pk {

// A row's names ("16f84", "16f84a"): its switches without "/p".
std::vector<std::string_view> typeNames(const DeviceInfo& d);
// A PIC18F part's name as --type takes it ("18f4550").
std::string typeName(const P18Device& d);
// Every row's names in catalogue order, the PIC18F parts after them, ", "
// between them: for messages.
std::string allTypeNames();

}  // namespace pk
