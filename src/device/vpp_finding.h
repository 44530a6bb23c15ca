#pragma once
// What is wrong with the circuit's VPP for a chip's VIHH range, for any table
// that gives one (the 14-bit rows and the PIC18F families alike).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/catalogue.h"

namespace pk {

// "Der 18F4550 verträgt höchstens 12,5 V an MCLR; der Korvel liefert 13,0 V.",
// or nullopt when the range holds the circuit's VPP (tenths of a volt) or gives none.
std::optional<std::string> vppFinding(std::string_view chipName, const VppRange& range,
                                      std::int32_t vppTenths);

// "10–13 V", "9–12,5 V": the range as the hints name it.
std::string vppRangeText(const VppRange& range);

}  // namespace pk
