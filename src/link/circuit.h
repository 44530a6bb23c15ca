#pragma once
// The programmer circuits as data: one row per usable combination of line
// driver and voltage switch, saying which data-register bits each line term
// clears and sets. Everything above the line bus asks a row; nothing else
// branches on the two setup indexes.
//
// Data register (PortBase), by bit:
//   D0 data to the chip        D1 clock
//   D2 VDD switch, or (AN589 driver) the data-driver disable
//   D3 VPP switch              D4 second VPP line of the AN589 switch
//   D5 AN589 mode line
// Status register (PortBase + 1), bit 6: data from the chip.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/settings.h"

namespace pk {

inline constexpr std::uint8_t kD0 = 0x01;
inline constexpr std::uint8_t kD1 = 0x02;
inline constexpr std::uint8_t kD2 = 0x04;
inline constexpr std::uint8_t kD3 = 0x08;
inline constexpr std::uint8_t kD4 = 0x10;
inline constexpr std::uint8_t kD5 = 0x20;
// Status-register bit carrying the chip's data (the acknowledge input).
inline constexpr std::uint8_t kStatusData = 0x40;

// The two ports a Korvel can hang on: data registers; status is one above.
inline constexpr std::int32_t kLpt1 = 0x378;
inline constexpr std::int32_t kLpt2 = 0x278;
inline constexpr std::int32_t kStatusOffset = 1;

// Prompts of the hand-operated voltage switch.
inline constexpr const char* kManualIdle = "12V ausschalten";
inline constexpr const char* kManualVppOn = "+12V jetzt einschalten";
inline constexpr const char* kManualVppOff = "+12V jetzt ausschalten";

// Numbered as the items of the setup dialog's lists (and the settings file).
enum class Driver : std::int32_t { Inverting7406 = 0, Direct7407 = 1, An589 = 2 };
enum class VoltageSwitch : std::int32_t { Npn4066 = 0, Pnp = 1, ByHand = 2, An589 = 3 };

inline constexpr std::int32_t kDriverCount = 3;
inline constexpr std::int32_t kSwitchCount = 4;

// One read-modify-write of the data register: (d & ~clear) | set. An empty
// term is "nothing" and touches no port at all.
struct LineTerm {
    std::uint8_t clear = 0;
    std::uint8_t set = 0;

    constexpr bool empty() const { return clear == 0 && set == 0; }
    constexpr std::uint8_t touches() const { return static_cast<std::uint8_t>(clear | set); }
    constexpr std::uint8_t apply(std::uint8_t d) const {
        return static_cast<std::uint8_t>((d & ~clear) | set);
    }
    // Whether the register shows the state this term makes.
    constexpr bool holds(std::uint8_t d) const { return (d & touches()) == set; }
};

// A voltage step is a line term, or with the hand switch a prompt for the user.
struct VoltageStep {
    LineTerm term;
    const char* prompt = nullptr;
};

enum class EntryOrder : std::uint8_t {
    VddFirst,        // VDD, a pause, then VPP on MCLR
    VppFirst,        // VPP first, so the chip runs no code before the mode takes over
    VddThenVppFast,  // VDD, then VPP at once (the 16F87/88 and 16F818/819 allow 250 us)
};

struct EntryOrders {
    bool vddFirst = false;
    bool vppFirst = false;
    // VDD followed at once by VPP needs VDD switched like VPP first does.
    constexpr bool can(EntryOrder o) const {
        return o == EntryOrder::VddFirst ? vddFirst : vppFirst;
    }
};

struct Circuit {
    Driver driver;
    VoltageSwitch voltage;
    // The 7406 inverts clock and data out, and the data read back.
    bool inverted;
    // A sent bit begins with a wait, except with the 7406: its bits cost three
    // waits, the others' four.
    bool leadingWait;
    LineTerm clockHigh, clockLow, dataHigh, dataLow;
    LineTerm release;   // before reading: the chip drives the data line
    LineTerm take;      // before sending a command or data word
    LineTerm entry;     // clock and data low, programming-mode entry
    LineTerm idle;      // clock and data low, idle
    LineTerm endLines;  // end of programming mode
    // Bits that, while set, keep the PC's data driver off the line (AN589: D2).
    std::uint8_t dataDriverOff;
    VoltageStep vddOn, vddOff, vppOn, vppOff, voltageIdle;
    EntryOrders entryOrders;
    // Bits held at 1 besides clock and data during the search's loop-back test.
    std::uint8_t searchExtraBits;
};

namespace circuit_detail {

struct DriverLines {
    bool inverted, leadingWait;
    LineTerm clockHigh, clockLow, dataHigh, dataLow, release, take, entry, idle, endLines;
    std::uint8_t dataDriverOff;
};

struct SwitchSteps {
    VoltageStep vddOn, vddOff, vppOn, vppOff, idle;
    EntryOrders orders;
};

// clang-format off
inline constexpr DriverLines kDriverLines[kDriverCount] = {
    // "7406": both directions inverted, open collector.
    {true, false, {kD1, 0}, {0, kD1}, {kD0, 0}, {0, kD0}, {kD0, 0}, {}, {0, kD0 | kD1},
     {0, kD0 | kD1}, {}, 0},
    // "7407 / keine": direct; releasing is driving high into the pull-up.
    {false, true, {0, kD1}, {kD1, 0}, {0, kD0}, {kD0, 0}, {0, kD0}, {}, {kD0 | kD1, 0},
     {kD0 | kD1, 0}, {}, 0},
    // "AN589 / FA": D0 reaches the line only while D2 is clear; D5 is cleared
    // while the PC talks and set when programming mode ends.
    {false, true, {0, kD1}, {kD1, 0}, {0, kD0}, {kD0, 0}, {kD0 | kD5, kD2}, {kD2 | kD5, 0},
     {kD0 | kD1 | kD2 | kD5, 0}, {kD0 | kD1 | kD5, kD2}, {0, kD2 | kD5}, kD2},
};

inline constexpr SwitchSteps kSwitchSteps[kSwitchCount] = {
    // "4066 / npn / pnp+7406": VDD = D2, VPP = D3.
    {{{0, kD2}}, {{kD2, 0}}, {{0, kD3}}, {{kD3, 0}}, {{kD2 | kD3, 0}}, {true, true}},
    // "pnp / pnp+7407": both active low.
    {{{kD2, 0}}, {{0, kD2}}, {{kD3, 0}}, {{0, kD3}}, {{0, kD2 | kD3}}, {true, true}},
    // "von Hand": VDD always on; the user throws VPP when told.
    {{}, {}, {{}, kManualVppOn}, {{}, kManualVppOff}, {{}, kManualIdle}, {true, false}},
    // "AN589 / FA": VDD always on; VPP on is D3 with D4 clear, off is D4 with
    // D3 clear (MCLR held low), which is also what "VDD on" parks it at.
    {{{kD3, kD4}}, {}, {{kD4, kD3}}, {{kD3, kD4}}, {{kD3, kD4}}, {true, false}},
};
// clang-format on

constexpr Circuit row(Driver d, VoltageSwitch s, std::uint8_t searchExtraBits) {
    const DriverLines& l = kDriverLines[static_cast<int>(d)];
    const SwitchSteps& v = kSwitchSteps[static_cast<int>(s)];
    return Circuit{
        d,         s,         l.inverted, l.leadingWait, l.clockHigh, l.clockLow, l.dataHigh,
        l.dataLow, l.release, l.take,     l.entry,       l.idle,      l.endLines, l.dataDriverOff,
        v.vddOn,   v.vddOff,  v.vppOn,    v.vppOff,      v.idle,      v.orders,   searchExtraBits};
}

}  // namespace circuit_detail

// Every usable variant. The AN589 driver with switch 0 or 1 is missing on
// purpose: there D2 would be the data-driver disable and the VDD switch at once.
inline constexpr std::array kCircuits = {
    circuit_detail::row(Driver::Inverting7406, VoltageSwitch::Npn4066, 0x08),
    circuit_detail::row(Driver::Inverting7406, VoltageSwitch::Pnp, 0x04),
    circuit_detail::row(Driver::Inverting7406, VoltageSwitch::ByHand, 0x00),
    circuit_detail::row(Driver::Inverting7406, VoltageSwitch::An589, 0x00),
    circuit_detail::row(Driver::Direct7407, VoltageSwitch::Npn4066, 0x04),
    circuit_detail::row(Driver::Direct7407, VoltageSwitch::Pnp, 0x08),
    circuit_detail::row(Driver::Direct7407, VoltageSwitch::ByHand, 0x00),
    circuit_detail::row(Driver::Direct7407, VoltageSwitch::An589, 0x00),
    circuit_detail::row(Driver::An589, VoltageSwitch::ByHand, 0x00),
    circuit_detail::row(Driver::An589, VoltageSwitch::An589, 0x30),
};

// The row for the two setup indexes, or nullptr for a combination that is out
// of range or unusable.
constexpr const Circuit* findCircuit(std::int32_t driverIndex, std::int32_t switchIndex) {
    for (const Circuit& c : kCircuits) {
        if (static_cast<std::int32_t>(c.driver) == driverIndex &&
            static_cast<std::int32_t>(c.voltage) == switchIndex) {
            return &c;
        }
    }
    return nullptr;
}

inline const Circuit* findCircuit(const ProgrammerSettings& s) {
    return findCircuit(s.DriverIndex, s.SwitchIndex);
}

// Why the two indexes name no usable circuit, as a German message; nullopt
// when they do. Asked where settings come in (settings file, setup dialog).
std::optional<std::string> circuitRefusal(std::int32_t driverIndex, std::int32_t switchIndex);

// Every bit a voltage step of the row moves.
constexpr std::uint8_t voltageBits(const Circuit& c) {
    return static_cast<std::uint8_t>(c.vddOn.term.touches() | c.vddOff.term.touches() |
                                     c.vppOn.term.touches() | c.vppOff.term.touches() |
                                     c.voltageIdle.term.touches());
}

// Two line changes, a then b, as one write, where that is the same as writing
// them one after the other: both name lines, they move no bit in common (so
// neither undoes the other, whatever the polarity), and neither moves a bit of
// the voltage switch, which must never change in the instant a line does. A
// term names bits of the data register, so the two are bits of one register.
// nullopt where they need two writes.
constexpr std::optional<LineTerm> oneWrite(const Circuit& c, LineTerm a, LineTerm b) {
    if (a.empty() || b.empty() || (a.touches() & b.touches()) != 0 ||
        ((a.touches() | b.touches()) & voltageBits(c)) != 0) {
        return std::nullopt;
    }
    return LineTerm{static_cast<std::uint8_t>(a.clear | b.clear),
                    static_cast<std::uint8_t>(a.set | b.set)};
}

// Line levels a register value gives, as the trace shows them.
// VDD is always on where the switch has no "VDD off".
constexpr bool vddOn(const Circuit& c, std::uint8_t reg) {
    return c.vddOff.term.empty() || c.vddOn.term.holds(reg);
}
// nullopt where only the user knows (hand switch).
constexpr std::optional<bool> vppOn(const Circuit& c, std::uint8_t reg) {
    if (c.vppOn.term.empty()) {
        return std::nullopt;
    }
    return c.vppOn.term.holds(reg);
}
constexpr bool clockHigh(const Circuit& c, std::uint8_t reg) {
    return c.clockHigh.holds(reg);
}
// nullopt while the PC's data driver is off the line.
constexpr std::optional<bool> dataOutHigh(const Circuit& c, std::uint8_t reg) {
    if ((reg & c.dataDriverOff) != 0) {
        return std::nullopt;
    }
    return c.dataHigh.holds(reg);
}
constexpr bool dataInHigh(const Circuit& c, std::uint8_t status) {
    return ((status & kStatusData) != 0) != c.inverted;
}

}  // namespace pk
