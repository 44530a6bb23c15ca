#pragma once
// The baseline (12-bit core) chips of the simulator as data: 10F200/202/204/206,
// 10F220/222, 12F508/509/510/519, 16F505/506/526, 16F54/57/59. They have no
// device ID, no Load Configuration and a PC that starts at the configuration
// word, and their memories live at physical addresses the 14-bit model rows
// cannot say; so each part is a BaselinePart row, and its ChipModel row
// (baselineModels()) points at it. This table is the simulator's own, kept
// apart from the device layer's on purpose: each checks the other.
// What the chip does with its commands is BaselineChip (baseline_chip.h).

#include <cstdint>
#include <string_view>
#include <vector>

#include "sim/chip_core.h"

namespace pk::sim {

struct BaselinePart {
    std::string_view name;  // "12F508"
    int programWords;       // user flash, the reset vector (last word) included
    // The configuration word, where the PC stands after entry. Always 2^n - 1:
    // the PC counts modulo configAddress + 1.
    int configAddress;
    // The ID area: four user IDs from idAddress, then (where the part has
    // them) the backup OSCCAL and reserved words; all of it one erase region.
    int idAddress;
    int idAreaWords;
    int backupOsccal;            // -1: none
    bool osccalAtResetVector;    // the last program word is the factory MOVLW k
    std::uint8_t factoryOsccal;  // k of that MOVLW, as this simulated chip came
    int dataAddress;             // 64 flash data bytes from here; -1: none
    int rowWords;                // words one Begin Programming writes (1 or 4)
    std::uint16_t configMask;    // implemented configuration bits; the others read 1
    int cpBit;                   // CP, protected when 0
    int cpdfBit;                 // CPDF (flash data protection), -1: none
    // A bulk erase with the PC in the ID area clears the whole chip (otherwise
    // only the ID area).
    bool idEraseClearsAll;
};

inline constexpr int kBaselineDataWords = 64;
// The first words of program memory stay readable under code protection.
inline constexpr int kBaselineUnprotectedWords = 0x40;

// The rows; baselineModels() (chip.h) makes them model rows, in the same order.
const std::vector<BaselinePart>& baselineParts();

}  // namespace pk::sim
