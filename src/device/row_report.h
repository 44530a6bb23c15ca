#pragma once
// What the families' type-list rows (ChipFamily::describeRow) write alike.

#include <string>
#include <string_view>
#include <vector>

#include "link/circuit.h"

namespace pk {

// "VDD, dann VPP" and the JSON's "vdd-first".
std::string_view entryOrderText(EntryOrder o);
std::string_view entryOrderKey(EntryOrder o);
// 1250 -> "12,50" (German decimal comma, as the tool's messages write volts).
std::string voltsText(int centivolts);
// The items with ", " between them.
std::string joinedText(const std::vector<std::string>& items);

}  // namespace pk
