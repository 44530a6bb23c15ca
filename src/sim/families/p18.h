#pragma once
// The PIC18F chips of the simulator as data. Their memories are byte
// addressed, their configuration is fourteen bytes and their writes go through
// a buffer of 8 to 64 bytes, none of which the 14-bit model rows can say; so
// each part is a P18Part row, and its ChipModel row (p18Models()) points at it.
// What the chip does with its frames is P18Chip (p18_chip.h).
//
// Three programming data sheets cover the parts; where they differ is a
// P18Scheme row: 18F2xx0/4xx0 (2455/2550/4455/4550, 2420/2520/4420/4520,
// 2620/4620), 18Fxx2 (252, 452) and 18Fx220 (1220, 1320).

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "sim/chip_core.h"

namespace pk::sim {

// What an erase clears, as bits: code blocks 0..5, the boot block, the
// configuration bytes, the data EEPROM and the ID locations.
namespace p18erase {
inline constexpr std::uint16_t kBlock0 = 0x0001;
inline constexpr std::uint16_t kBlocks = 0x003F;
inline constexpr std::uint16_t kBoot = 0x0040;
inline constexpr std::uint16_t kConfig = 0x0080;
inline constexpr std::uint16_t kEeprom = 0x0100;
inline constexpr std::uint16_t kIds = 0x0200;
inline constexpr std::uint16_t kChip = 0x03FF;
}  // namespace p18erase

// One erase the chip knows: 0x3C0005 in the high byte, 0x3C0004 in the low one.
struct P18EraseCode {
    std::uint16_t code;
    std::uint16_t clears;
};

struct P18Scheme {
    std::string_view name;
    Family family;
    // VIHH in hundredths of a volt (at VDD = 5 V).
    int vihhMinCentivolts;
    int vihhMaxCentivolts;
    std::chrono::nanoseconds p9;           // clock held high: a programming cycle
    std::chrono::nanoseconds p10;          // clock low after it, and after a bulk erase
    std::chrono::nanoseconds p11;          // bulk erase; self-timed row erase
    std::chrono::nanoseconds eepromWrite;  // a data EEPROM byte (P11A or P11)
    // WR needs 55h, AAh written to EECON2 by the two moves before it.
    bool unlock;
    // A row erase started by WR runs by itself (P11); otherwise the host times
    // it with the clock held high (P9).
    bool selfTimedRowErase;
    // 1110 starts programming and steps +2; otherwise it only steps -2.
    bool startOn1110;
    // 0010 right after MOVWF TABLAT shifts the old TABLAT out: a NOP must come between.
    bool nopBeforeTablat;
    bool eraseHighRegister;  // 0x3C0005 exists
    bool panelRegister;      // 0x3C0006 (bit 6: multi-panel writes)
    std::span<const P18EraseCode> eraseCodes;
};

struct P18Part {
    std::string_view name;  // "18F4550"
    const P18Scheme* scheme;
    std::uint16_t deviceId;      // DEVID2:DEVID1 as the chip answers, revision included
    std::uint16_t revisionMask;  // 0x0F where REV4 tells the part from its twin
    int flashBytes;
    int eepromBytes;
    int writeBuffer;                            // bytes, a power of two
    int bootBytes;                              // the boot block at 0
    int blockBytes;                             // code block n ends at (n + 1) * blockBytes - 1
    std::array<std::uint8_t, 14> configMask;    // 0x300000..0x30000D, implemented bits
    std::array<std::uint8_t, 14> configErased;  // as an erase leaves them
};

// The rows; p18Models() (chip.h) makes them model rows, in the same order.
const std::vector<P18Part>& p18Parts();

// Addresses in the table pointer's space.
inline constexpr std::uint32_t kP18Ids = 0x200000;
inline constexpr int kP18IdBytes = 8;
inline constexpr std::uint32_t kP18Config = 0x300000;
inline constexpr int kP18ConfigBytes = 14;
inline constexpr std::uint32_t kP18EraseLow = 0x3C0004;
inline constexpr std::uint32_t kP18EraseHigh = 0x3C0005;
inline constexpr std::uint32_t kP18Panel = 0x3C0006;
inline constexpr std::uint32_t kP18DeviceId = 0x3FFFFE;
// Data EEPROM byte n, as the HEX files place it (not reachable by the table pointer).
inline constexpr std::uint32_t kP18Eeprom = 0xF00000;

}  // namespace pk::sim
