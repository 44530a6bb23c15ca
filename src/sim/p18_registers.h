#pragma once
// The PIC18F's registers as P18Chip's files name them: the SFRs of the access
// bank, the bits of EECON1, the configuration bytes that hold the protection
// bits; and how the violation log writes numbers.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace pk::sim::p18reg {

// SFRs in the access bank (address & 0xFF).
inline constexpr std::uint8_t kEecon1 = 0xA6;
inline constexpr std::uint8_t kEecon2 = 0xA7;
inline constexpr std::uint8_t kEedata = 0xA8;
inline constexpr std::uint8_t kEeadr = 0xA9;
inline constexpr std::uint8_t kEeadrh = 0xAA;
inline constexpr std::uint8_t kStatus = 0xD8;
inline constexpr std::uint8_t kTablat = 0xF5;
inline constexpr std::uint8_t kTblptrL = 0xF6;
inline constexpr std::uint8_t kTblptrH = 0xF7;
inline constexpr std::uint8_t kTblptrU = 0xF8;

inline constexpr int kRd = 0;
inline constexpr int kWr = 1;
inline constexpr int kWren = 2;
inline constexpr int kFree = 4;
inline constexpr int kCfgs = 6;
inline constexpr int kEepgd = 7;

inline constexpr std::uint32_t kPointerMask = 0x3FFFFF;
inline constexpr int kRowBytes = 64;

// Configuration byte indexes (0x300000 + n) of the protection bits.
inline constexpr int kConfig5L = 8;   // CPx
inline constexpr int kConfig5H = 9;   // CPD (7), CPB (6)
inline constexpr int kConfig6L = 10;  // WRTx
inline constexpr int kConfig6H = 11;  // WRTD (7), WRTB (6), WRTC (5)
inline constexpr int kConfig7L = 12;  // EBTRx
inline constexpr int kConfig7H = 13;  // EBTRB (6)

// Numbers as the log writes them: upper-case hex digits, whole microseconds.
inline std::string hex(std::uint32_t v, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(v));
    return text;
}

inline std::string micros(std::chrono::nanoseconds d) {
    return std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(d).count()) + " µs";
}

}  // namespace pk::sim::p18reg
