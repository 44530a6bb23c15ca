#pragma once
// The programmer circuit on the parallel port: which data-register bit is the
// clock, the data line or a voltage switch for each circuit variant, the
// calibrated line delay, the serial command frames, entering and leaving
// programming mode, and the search for the port the circuit hangs on.
//
// Every line change is one read-modify-write of the real data register; two
// changes are never merged, because a circuit sees every intermediate state
// (a merged write could raise VPP in the same instant as VDD).

#include <chrono>
#include <cstdint>
#include <string>

#include "link/clock.h"
#include "link/port_io.h"
#include "link/settings.h"
#include "link/user_dialog.h"

namespace pk {

// Data-register bits.
inline constexpr std::uint8_t kD0 = 0x01;  // data to the chip
inline constexpr std::uint8_t kD1 = 0x02;  // clock
inline constexpr std::uint8_t kD2 = 0x04;  // VDD switch, or data-driver disable (AN589)
inline constexpr std::uint8_t kD3 = 0x08;  // VPP switch
inline constexpr std::uint8_t kD4 = 0x10;  // second VPP line (AN589 switch)
inline constexpr std::uint8_t kD5 = 0x20;  // AN589 mode line
// Status-register bit carrying the chip's data (the acknowledge input).
inline constexpr std::uint8_t kStatusData = 0x40;

inline constexpr std::int32_t kLpt1 = 0x378;
inline constexpr std::int32_t kLpt2 = 0x278;

// Prompts of the hand-operated voltage switch.
inline constexpr const char* kManualIdle = "12V ausschalten";
inline constexpr const char* kManualVppOn = "+12V jetzt einschalten";
inline constexpr const char* kManualVppOff = "+12V jetzt ausschalten";

class ProgrammerLink {
  public:
    // All references must outlive the link; settings and portBase are read at
    // every step, so changes by the setup dialog or the search apply at once.
    ProgrammerLink(PortIo& port, Clock& clock, UserDialog& dialog, ProgrammerSettings& settings,
                   std::int32_t& portBase);

    // ---- Port access ----
    // A negative port raises RangeError before any hardware is touched.
    void WritePort(std::int32_t port, std::uint8_t value);
    std::uint8_t ReadPort(std::int32_t port);
    bool PortOpen() const { return port_.available(); }
    std::string portUnavailableReason() const { return port_.unavailableReason(); }

    // ---- Line terms of the current circuit (each one read-modify-write, or nothing) ----
    void clockHigh();
    void clockLow();
    void dataBit(bool one);
    void releaseData();       // before reading
    void takeLines();         // before sending (AN589 only)
    void entryLow();          // clock and data low, programming-mode entry
    void idleLow();           // clock and data low, idle
    void endProgmodeLines();  // AN589 only
    bool sampleBit();         // one status read; true for a data bit 1
    void voltageIdle();       // both off; prompts with the hand switch
    void vddOn();
    void vppOn();
    void vppOff();
    void vddOff();

    // ---- Timing ----
    // The single wait between line changes: (DelayCount + 1) units, where
    // 101 units x 10001 calls make the 400 ms reference run. Never shorter.
    void Delay();
    std::chrono::nanoseconds delayLength() const;
    // Measures Delay over 10001 calls and sets DelayCount so one Delay lasts
    // about 40 us. An unusable measurement (0 ms or less) leaves 100.
    void Bremse();

    // ---- Serial frames (only in programming mode) ----
    // Sends the low 6 bits, least significant first.
    void Kommando(std::uint16_t command);
    // Sends (word x 2) OR 0x8001; RangeError for word > 0x7FFF before any bit.
    void WrDaten(std::uint16_t word);
    // Clocks in a frame; returns the 14-bit word.
    std::uint16_t RdDaten();

    // ---- Programming mode ----
    void StartProgmode();  // chip's address counter at 0 afterwards
    void EndProgmode();
    // Idle lines and voltages off; nothing at all without port access.
    void Anfang();
    // Between StartProgmode and EndProgmode (VDD and VPP on).
    bool inProgrammingMode() const { return inProgmode_; }
    // VPP off, VDD off, lines idle, without asking anyone: for giving the port
    // back at exit, so a chip is never left powered. A hand switch cannot be
    // thrown from here; its prompts belong to EndProgmode and Anfang.
    void safeIdle();

    // ---- Search ----
    // Bits held at 1 besides clock and data during the loop-back test.
    static std::uint8_t SearchExtraBits(std::int32_t driverIndex, std::int32_t switchIndex);
    // The loop-back test at PortBase: status bit 6 must follow D0. Writes whole bytes.
    bool loopBackTest();
    // Tests LPT2, then LPT1 (Quick and Dirty: LPT1 untested); sets PortBase.
    // Returns whether the programmer was found. Touches nothing else: the
    // caller brings the lines to idle (Anfang) and tells the user.
    bool findProgrammer();

    std::int32_t portBase() const { return portBase_; }

  private:
    void change(std::uint8_t clear, std::uint8_t set);
    void sendBit(bool one);
    std::int32_t driver() const { return settings_.DriverIndex; }
    std::int32_t switchIndex() const { return settings_.SwitchIndex; }

    PortIo& port_;
    Clock& clock_;
    UserDialog& dialog_;
    ProgrammerSettings& settings_;
    std::int32_t& portBase_;
    bool inProgmode_ = false;
};

}  // namespace pk
