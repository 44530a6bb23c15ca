#pragma once
// The baseline (12-bit) parts: 10F200..222, 12F508..519, 16F505/506/526 and
// 16F54/57/59. They have no device ID; their factory oscillator calibration is
// a MOVLW in the last program word, with a backup copy after the user IDs.

#include <cstdint>
#include <span>
#include <string_view>

#include "device/catalogue.h"
#include "device/config_fields.h"
#include "image/byte_regions.h"

namespace pk {

struct BaselineDevice {
    std::string_view name;        // "12F508"
    std::uint16_t programWords;   // the reset vector (OSCCAL) is the last of them
    std::uint16_t configAddress;  // where the counter stands after entry
    std::uint16_t idAddress;      // four user IDs
    std::uint16_t backupAddress;  // backup OSCCAL; 0: the part has no calibration
    std::uint16_t dataWords;      // flash data memory at 0x400 (12F519, 16F526); 0: none
    std::uint8_t rowWords;        // words programmed together (16F57/59: 4)
    std::uint16_t configMask;     // implemented configuration bits
    std::uint16_t cpMask;         // the code-protection bit (protects when 0)
    std::span<const ConfigField> fields;

    bool hasOsccal() const { return backupAddress != 0; }
    std::uint16_t osccalAddress() const { return static_cast<std::uint16_t>(programWords - 1); }
};

namespace baseline {
inline constexpr std::uint16_t kWordMask = 0x0FFF;
inline constexpr std::uint16_t kErased = 0x0FFF;
inline constexpr std::uint16_t kDataAddress = 0x400;     // flash data memory, where a part has it
inline constexpr std::uint16_t kHexConfigWord = 0x0FFF;  // where HEX files keep the configuration
inline constexpr std::uint16_t kIdWords = 4;
// Program words below this stay readable under code protection.
inline constexpr std::uint16_t kUnprotectedWords = 0x40;
// Whether a word is the MOVLW a factory calibration is.
inline bool isMovlw(std::uint16_t word) {
    return (word & 0x0F00) == 0x0C00;
}
}  // namespace baseline

std::span<const BaselineDevice> baselineDevices();
// The HEX file's layout: program words, IDs, configuration at word 0xFFF, data.
ByteRegions baselineRegions(const BaselineDevice& d);
// The VIHH range every baseline part shares.
VppRange baselineVpp();

}  // namespace pk
