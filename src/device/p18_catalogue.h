#pragma once
// The PIC18F parts as data, beside the 14-bit table kDevices. Their memories
// are byte addressed, their configuration is fourteen bytes, and their writes
// go through a buffer of 8 to 64 bytes, none of which a DeviceInfo row can say.
//
// Three programming data sheets cover the parts; what differs between them
// (erase codes, EEPROM write style, panel register, timing, VIHH) is a
// P18Family row; what differs between parts of a family (ID, sizes, buffer,
// configuration masks) is a P18Device row.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "device/catalogue.h"
#include "image/byte_regions.h"

namespace pk {

// Where the table pointer finds things.
namespace p18addr {
inline constexpr std::uint32_t kIds = 0x200000;
inline constexpr int kIdBytes = 8;
inline constexpr std::uint32_t kConfig = 0x300000;
inline constexpr int kConfigBytes = 14;
inline constexpr std::uint32_t kEraseLow = 0x3C0004;
inline constexpr std::uint32_t kEraseHigh = 0x3C0005;
inline constexpr std::uint32_t kPanel = 0x3C0006;
inline constexpr std::uint32_t kDeviceId = 0x3FFFFE;
// The data EEPROM is not reachable by the table pointer; HEX files put byte n here.
inline constexpr std::uint32_t kEeprom = 0xF00000;
}  // namespace p18addr

// What an erase code clears, one bit per region.
namespace p18clear {
inline constexpr std::uint16_t kBlocks = 0x003F;  // code blocks 0..5
inline constexpr std::uint16_t kBoot = 0x0040;
inline constexpr std::uint16_t kConfig = 0x0080;  // configuration bytes back to their erased values
inline constexpr std::uint16_t kEeprom = 0x0100;
inline constexpr std::uint16_t kIds = 0x0200;
inline constexpr std::uint16_t kChip = 0x03FF;  // everything, protection included
}  // namespace p18clear

// An erase code: the byte for 0x3C0005 in the high half (0 where the family
// has no such register), the byte for 0x3C0004 in the low half.
struct P18EraseCode {
    std::uint16_t code;
    std::uint16_t clears;
};

// How a data EEPROM byte is written once EEADR, EEDATA and WREN are set.
enum class P18EepromWrite {
    PollWr,           // WR, then read EECON1 until WR clears (18F2xx0/4xx0)
    UnlockPollWr,     // 55h, AAh to EECON2 before WR, then poll (18Fxx2)
    UnlockFixedWait,  // 55h, AAh before WR, then wait the write time (18Fx220)
};

// The chip's cycle times. None of the programming data sheets gives a maximum
// for P9, P10 or P11; these are the times the chip needs at least, which the
// data-sheet timing waits with its margin.
struct P18Times {
    std::chrono::microseconds p9;   // a buffer or configuration byte programming (clock high)
    std::chrono::microseconds p10;  // clock low after it, the high voltage discharging
    std::chrono::microseconds p11;  // the self-timed bulk erase
    std::chrono::microseconds eepromWrite;  // one data EEPROM byte
};

struct P18Family {
    std::string_view name;    // "18F2xx0/4xx0"
    std::uint16_t chipErase;  // the erase code that clears everything
    bool eraseHighRegister;   // 0x3C0005 exists
    bool panelRegister;       // 0x3C0006: single-panel writes are selected before writing
    P18EepromWrite eepromWrite;
    P18Times times;
    // VIHH; the 18F2xx0/4xx0 take at most 12.5 V on MCLR.
    VppRange vpp;
    int bulkEraseMinVddCentivolts;  // below this VDD the bulk erase does not run
    std::span<const P18EraseCode> eraseCodes;
};

// Configuration byte indexes (0x300000 + n) of the protection bytes. A
// protection bit is active when 0.
namespace p18cfg {
inline constexpr int k5L = 8;   // CP3..CP0: code blocks read as 0
inline constexpr int k5H = 9;   // CPD (bit 7), CPB (bit 6)
inline constexpr int k6L = 10;  // WRT3..WRT0
inline constexpr int k6H =
    11;  // WRTD (7), WRTB (6), WRTC (5): WRTC = 0 blocks configuration writes
inline constexpr int k7L = 12;  // EBTR3..EBTR0
inline constexpr int k7H = 13;  // EBTRB (6)
inline constexpr std::uint8_t kCpd = 0x80;
inline constexpr std::uint8_t kCpb = 0x40;
inline constexpr std::uint8_t kWrtd = 0x80;
inline constexpr std::uint8_t kWrtb = 0x40;
inline constexpr std::uint8_t kWrtc = 0x20;
}  // namespace p18cfg

using P18ConfigBytes = std::array<std::uint8_t, p18addr::kConfigBytes>;

struct P18Device {
    std::string_view name;  // "18F4550"
    const P18Family* family;
    std::uint16_t deviceId;      // DEVID2:DEVID1 with the revision bits 0
    std::uint16_t revisionMask;  // 0x1F; 0x0F where REV4 tells the part from its twin
    std::uint32_t programBytes;
    std::uint32_t eepromBytes;    // 0: none
    std::uint32_t writeBuffer;    // bytes one programming cycle writes, a power of two
    P18ConfigBytes configMask;    // implemented bits; 0: the byte does not exist
    P18ConfigBytes configErased;  // what a bulk erase leaves (under the mask)

    constexpr int configBytes() const { return p18addr::kConfigBytes; }
    // The protection bits the part implements: CONFIG5L .. CONFIG7H under the mask.
    constexpr std::uint8_t protectionBits(int index) const {
        return index >= p18cfg::k5L ? configMask[static_cast<std::size_t>(index)] : 0;
    }
    // The device ID with its revision bits cleared.
    constexpr std::uint16_t idMask() const { return static_cast<std::uint16_t>(~revisionMask); }
    constexpr bool matches(std::uint16_t idWord) const { return (idWord & idMask()) == deviceId; }
};

// ---- The three families ------------------------------------------------------

namespace p18_detail {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// 3C0005:3C0004 on the 18F2xx0/4xx0: one bit per region.
inline constexpr P18EraseCode kEraseF2x[] = {
    {0x3F8F, p18clear::kChip}, {0x0084, p18clear::kEeprom},
    {0x0081, p18clear::kBoot}, {0x0082, p18clear::kConfig},
    {0x0180, 0x0001},          {0x0280, 0x0002},
    {0x0480, 0x0004},          {0x0880, 0x0008},
    {0x1080, 0x0010},          {0x2080, 0x0020},
};
// 3C0004 alone on the older two.
inline constexpr P18EraseCode kEraseOlder[] = {
    {0x0080, p18clear::kChip}, {0x0081, p18clear::kEeprom},
    {0x0083, p18clear::kBoot}, {0x0088, 0x0001},
    {0x0089, 0x0002},          {0x008A, 0x0004},
    {0x008B, 0x0008},
};

}  // namespace p18_detail

// P9 1 ms, P10 100 µs, P11 5 ms, P11A 4 ms; VIHH VDD + 4 V .. 12.5 V; bulk erase from 3 V.
inline constexpr P18Family kP18F2x{"18F2xx0/4xx0",
                                   0x3F8F,
                                   true,
                                   false,
                                   P18EepromWrite::PollWr,
                                   {p18_detail::milliseconds(1), p18_detail::microseconds(100),
                                    p18_detail::milliseconds(5), p18_detail::milliseconds(4)},
                                   {900, 1250},
                                   300,
                                   p18_detail::kEraseF2x};
// P10 5 µs; the later revision of its programming sheet gives P11 10 ms, the
// earlier 5 ms: the longer is taken. VIHH 9 .. 13.25 V; bulk erase from 4.5 V.
inline constexpr P18Family kP18Fxx2{"18Fxx2",
                                    0x0080,
                                    false,
                                    true,
                                    P18EepromWrite::UnlockPollWr,
                                    {p18_detail::milliseconds(1), p18_detail::microseconds(5),
                                     p18_detail::milliseconds(10), p18_detail::milliseconds(5)},
                                    {900, 1325},
                                    450,
                                    p18_detail::kEraseOlder};
inline constexpr P18Family kP18Fx220{"18Fx220",
                                     0x0080,
                                     false,
                                     false,
                                     P18EepromWrite::UnlockFixedWait,
                                     {p18_detail::milliseconds(1), p18_detail::microseconds(5),
                                      p18_detail::milliseconds(5), p18_detail::milliseconds(5)},
                                     {900, 1325},
                                     450,
                                     p18_detail::kEraseOlder};

// ---- The parts ---------------------------------------------------------------

namespace p18_detail {
// clang-format off
using B = P18ConfigBytes;
inline constexpr B kMask2455   {0x3F, 0xCF, 0x3F, 0x1F, 0x00, 0x87, 0xE5, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
inline constexpr B kErased2455 {0x00, 0x05, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
inline constexpr B kMask2550   {0x3F, 0xCF, 0x3F, 0x1F, 0x00, 0x87, 0xE5, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
inline constexpr B kErased2550 {0x00, 0x05, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
inline constexpr B kMask2420   {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
inline constexpr B kErased2420 {0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
inline constexpr B kMask2520   {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
inline constexpr B kErased2520 {0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
// Three code blocks of 16 KB.
inline constexpr B kMask2525   {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
inline constexpr B kErased2525 {0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x07, 0xC0, 0x07, 0xE0, 0x07, 0x40};
// BBSIZ1:0 in CONFIG4L.
inline constexpr B kMask2321   {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xF5, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
inline constexpr B kErased2321 {0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
// The older two families erase every implemented bit to 1: mask and erased value agree.
inline constexpr B k252        {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
inline constexpr B k242        {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
inline constexpr B k258        {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x00, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
inline constexpr B k248        {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x00, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
inline constexpr B k1220       {0x00, 0xCF, 0x0F, 0x1F, 0x00, 0x80, 0x85, 0x00, 0x03, 0xC0, 0x03, 0xE0, 0x03, 0x40};
// clang-format on
}  // namespace p18_detail

// clang-format off
inline constexpr std::array kP18Devices{
    // 18F2xx0/4xx0: USB parts (32-byte buffer).
    P18Device{"18F2455", &kP18F2x, 0x1260, 0x1F, 0x6000,  256, 32, p18_detail::kMask2455, p18_detail::kErased2455},
    P18Device{"18F2550", &kP18F2x, 0x1240, 0x1F, 0x8000,  256, 32, p18_detail::kMask2550, p18_detail::kErased2550},
    P18Device{"18F4455", &kP18F2x, 0x1220, 0x1F, 0x6000,  256, 32, p18_detail::kMask2455, p18_detail::kErased2455},
    P18Device{"18F4550", &kP18F2x, 0x1200, 0x1F, 0x8000,  256, 32, p18_detail::kMask2550, p18_detail::kErased2550},
    // Twins told apart by REV4 (bit 4 of the ID): revision mask 0x0F.
    P18Device{"18F2420", &kP18F2x, 0x1140, 0x0F, 0x4000,  256, 32, p18_detail::kMask2420, p18_detail::kErased2420},
    P18Device{"18F2423", &kP18F2x, 0x1150, 0x0F, 0x4000,  256, 32, p18_detail::kMask2420, p18_detail::kErased2420},
    P18Device{"18F4420", &kP18F2x, 0x10C0, 0x0F, 0x4000,  256, 32, p18_detail::kMask2420, p18_detail::kErased2420},
    P18Device{"18F4423", &kP18F2x, 0x10D0, 0x0F, 0x4000,  256, 32, p18_detail::kMask2420, p18_detail::kErased2420},
    P18Device{"18F2520", &kP18F2x, 0x1100, 0x0F, 0x8000,  256, 32, p18_detail::kMask2520, p18_detail::kErased2520},
    P18Device{"18F2523", &kP18F2x, 0x1110, 0x0F, 0x8000,  256, 32, p18_detail::kMask2520, p18_detail::kErased2520},
    P18Device{"18F4520", &kP18F2x, 0x1080, 0x0F, 0x8000,  256, 32, p18_detail::kMask2520, p18_detail::kErased2520},
    P18Device{"18F4523", &kP18F2x, 0x1090, 0x0F, 0x8000,  256, 32, p18_detail::kMask2520, p18_detail::kErased2520},
    // 64-byte buffer, 1 KB EEPROM (EEADRH).
    P18Device{"18F2525", &kP18F2x, 0x0CC0, 0x1F, 0xC000, 1024, 64, p18_detail::kMask2525, p18_detail::kErased2525},
    P18Device{"18F4525", &kP18F2x, 0x0C40, 0x1F, 0xC000, 1024, 64, p18_detail::kMask2525, p18_detail::kErased2525},
    P18Device{"18F2620", &kP18F2x, 0x0C80, 0x1F, 0x10000, 1024, 64, p18_detail::kMask2520, p18_detail::kErased2520},
    P18Device{"18F4620", &kP18F2x, 0x0C00, 0x1F, 0x10000, 1024, 64, p18_detail::kMask2520, p18_detail::kErased2520},
    // 8-byte buffer.
    P18Device{"18F2321", &kP18F2x, 0x2120, 0x1F, 0x2000,  256,  8, p18_detail::kMask2321, p18_detail::kErased2321},
    P18Device{"18F4321", &kP18F2x, 0x2100, 0x1F, 0x2000,  256,  8, p18_detail::kMask2321, p18_detail::kErased2321},
    // 18Fxx2/xx8: an 8-byte buffer per 8 KB panel, written one panel at a time.
    P18Device{"18F242",  &kP18Fxx2, 0x0480, 0x1F, 0x4000, 256, 8, p18_detail::k242, p18_detail::k242},
    P18Device{"18F252",  &kP18Fxx2, 0x0400, 0x1F, 0x8000, 256, 8, p18_detail::k252, p18_detail::k252},
    P18Device{"18F442",  &kP18Fxx2, 0x04A0, 0x1F, 0x4000, 256, 8, p18_detail::k242, p18_detail::k242},
    P18Device{"18F452",  &kP18Fxx2, 0x0420, 0x1F, 0x8000, 256, 8, p18_detail::k252, p18_detail::k252},
    P18Device{"18F248",  &kP18Fxx2, 0x0800, 0x1F, 0x4000, 256, 8, p18_detail::k248, p18_detail::k248},
    P18Device{"18F258",  &kP18Fxx2, 0x0840, 0x1F, 0x8000, 256, 8, p18_detail::k258, p18_detail::k258},
    P18Device{"18F448",  &kP18Fxx2, 0x0820, 0x1F, 0x4000, 256, 8, p18_detail::k248, p18_detail::k248},
    P18Device{"18F458",  &kP18Fxx2, 0x0860, 0x1F, 0x8000, 256, 8, p18_detail::k258, p18_detail::k258},
    // 18Fx220: 18- and 20-pin parts, 8-byte buffer.
    P18Device{"18F1220", &kP18Fx220, 0x07E0, 0x1F, 0x1000, 256, 8, p18_detail::k1220, p18_detail::k1220},
    P18Device{"18F1320", &kP18Fx220, 0x07C0, 0x1F, 0x2000, 256, 8, p18_detail::k1220, p18_detail::k1220},
};
// clang-format on

// The part whose ID the chip answered, masking its revision; nullptr if none.
const P18Device* p18ByDeviceId(std::uint16_t idWord);
// The part of a name, case-insensitive, with or without "PIC" in front
// ("18f4550", "PIC18F4550"); nullptr if none.
const P18Device* p18ByName(std::string_view name);
// The erase code of the part's family that clears exactly `clears`; nullopt if none.
std::optional<std::uint16_t> p18EraseCode(const P18Device& d, std::uint16_t clears);
// The part's memories as its HEX files and images lay them out.
ByteRegions p18Regions(const P18Device& d);

}  // namespace pk
