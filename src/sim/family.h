#pragma once
// One chip family's own rules, behind the one interface the simulator core
// (chip_core.h) calls: which commands the family accepts and what they do, its
// write latches, erases, protection bits, calibration and cycle times. Each
// family lives in its own families/<name>.cpp and is named by the rows of the
// model table (chip.cpp); a new family is a new file and its rows.

#include <array>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "sim/chip_core.h"

namespace pk::sim {

// The 6-bit command codes a family accepts, one bit per code.
using CommandSet = std::uint64_t;
constexpr CommandSet commandSet(std::initializer_list<int> codes) {
    CommandSet set = 0;
    for (int c : codes) {
        set |= CommandSet{1} << c;
    }
    return set;
}

class FamilyBehaviour {
  public:
    virtual ~FamilyBehaviour() = default;

    // The tag the model rows carry, and the file that holds the behaviour
    // ("f84" for families/f84.cpp).
    virtual Family family() const = 0;
    virtual std::string_view file() const = 0;

    virtual CycleTimes cycleTimes(const ChipModel& model) const = 0;

    // Programming mode entry.
    // The voltage MCLR must have to enter (VIHH), in hundredths of a volt.
    struct Vihh {
        int minCentivolts;
        int maxCentivolts;
    };
    virtual Vihh vihh() const = 0;
    // VPP before VDD is the family's way in (otherwise VDD first).
    virtual bool vppFirst() const { return false; }
    // Configured to run its own program once VDD is on (internal oscillator,
    // MCLR disabled), so that VPP after VDD finds no programming mode.
    virtual bool runsOwnProgram(const ChipCore& /*chip*/) const { return false; }
    // Such a chip waits 250 µs after VDD before its program starts.
    virtual bool programStartsLate() const { return false; }

    // Memory.
    // What the factory left in the chip beyond erased memory.
    virtual void factoryState(ChipCore& /*chip*/) const {}
    // Factory calibration words in configuration space (oscillator trim, POR and
    // BOR levels): where, how many, what the factory measured, and which bits
    // are stored (the others read 1). Only an erase at their address clears them.
    struct Calibration {
        int first = 0;
        int count = 0;  // 0: none
        std::array<std::uint16_t, 2> factory{0x3FFF, 0x3FFF};
        std::array<std::uint16_t, 2> implemented{0x3FFF, 0x3FFF};
    };
    virtual Calibration calibration() const { return {}; }
    // The configuration word as an erase leaves it.
    virtual std::uint16_t erasedConfig(const ChipModel& /*model*/) const { return 0x3FFF; }
    // The bits of the configuration word that read 1 whatever was written.
    virtual std::uint16_t configReadsOne(const ChipModel& model) const {
        return static_cast<std::uint16_t>(~model.configMask & 0x3FFF);
    }
    // A program word that stays readable under code protection.
    virtual bool readableWhenProtected(const ChipModel& /*model*/, int /*address*/) const {
        return false;
    }
    virtual bool programProtected(const ChipCore& chip, int address) const = 0;
    // CPD (0 = protected): bit 8 on the older families with a data EEPROM.
    virtual bool dataProtected(const ChipCore& chip) const;

    // Commands.
    virtual bool supports(const ChipModel& /*model*/, int code) const {
        return code >= 0 && code < 64 && (commands() >> code & 1) != 0;
    }
    // What the family's command table holds.
    virtual CommandSet commands() const = 0;
    // A supported command; `armed` is what the command before it armed.
    virtual void command(ChipCore& chip, int code, ChipCore::Arm armed,
                         std::chrono::nanoseconds now) const = 0;
    // The word of a load frame.
    virtual void loaded(ChipCore& chip, std::uint16_t word, std::chrono::nanoseconds now) const = 0;
    // The code that ends a cycle the host times (24 or 8 until it).
    virtual int endCode() const { return 23; }
    // Programming mode is left now.
    virtual void leaveMode(ChipCore& /*chip*/, std::chrono::nanoseconds /*now*/) const {}
};

// A chip on its internal oscillator (FOSC2:0 = 10x) with MCLR as an input
// (MCLRE, bit 5, = 0): nothing on MCLR stops it once VDD is on.
inline bool ownProgramRuns(std::uint16_t config, int fosc) {
    const bool internalOscillator = fosc == 4 || fosc == 5;
    const bool mclrDisabled = (config & 0x0020) == 0;
    return internalOscillator && mclrDisabled;
}
// FOSC2:0 where the 16F62x, 16F62xA, 16F87/88 and 16F818/819 keep them: FOSC2
// in bit 4, FOSC1:0 in bits 1..0.
inline int splitFosc(std::uint16_t config) {
    return ((config >> 2) & 4) | (config & 3);
}

// Every family behaviour, for the model table.
const FamilyBehaviour& familyF84();
const FamilyBehaviour& familyF87x();
const FamilyBehaviour& familyF7x();
const FamilyBehaviour& familyF62x();
const FamilyBehaviour& familyF62xA();
const FamilyBehaviour& familyF87xA();
const FamilyBehaviour& familyF88();
const FamilyBehaviour& familyF629();
const FamilyBehaviour& familyF88x();
const FamilyBehaviour& familyF6xx();
const FamilyBehaviour& familyF61x();
const FamilyBehaviour& familyF716();
const FamilyBehaviour& familyF91x();
const FamilyBehaviour& familyF785();

}  // namespace pk::sim
