#pragma once
// The ID locations as the main window shows them, and the data-EEPROM check of
// "incl. DataEEProm".

#include <array>
#include <cstdint>
#include <string>

#include "image/memory_image.h"

namespace pk {

// The four ID values the loaded file gives, zero-extended: an absent word keeps
// bit 15 set and so counts as absent.
std::array<std::int32_t, 4> idWordsFromFile(const MemoryImage& image);

// True when the value is an ID value (bit 15 clear).
constexpr bool idPresent(std::int32_t value) {
    return (value & MemoryImage::IdNone) == 0;
}

// The ID label: "ID: " and per location its decimal value or "xx", each followed
// by two blanks, e.g. "ID: 5  xx  12  0  ".
std::string idLabelText(const std::array<std::int32_t, 4>& ids);

// True when at least one of the four values is present.
bool anyIdPresent(const std::array<std::int32_t, 4>& ids);

// True when the file gives at least one data-EEPROM byte of a chip whose last
// EEPROM offset is dataLastAddr (-1: no EEPROM, never true).
bool hasEepromData(const MemoryImage& image, std::int32_t dataLastAddr);

}  // namespace pk
