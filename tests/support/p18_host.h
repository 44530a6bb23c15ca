#pragma once
// A PIC18F host for tests: the programming sequences of the chips' data
// sheets on frames18, against the simulated board. What a host must know of
// each family is its own small table here, taken from the programming facts,
// not from the simulator's rows.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/frames18.h"
#include "link/line_bus.h"
#include "link/progmode.h"
#include "sim/chip.h"
#include "sim/circuit.h"
#include "sim/switch_dialog.h"
#include "support/scripted_dialog.h"

namespace pk::p18test {

using namespace std::chrono_literals;
namespace op = p18::op;

struct HostFamily {
    std::uint16_t eraseHigh;  // operand for 0x3C0005; 0: no such register
    std::uint16_t eraseLow;   // operand for 0x3C0004
    bool unlock;              // 55h, AAh to EECON2 before WR
    bool pollWr;              // poll WR after an EEPROM write, else wait P11
    p18::Hold p9p10;
    std::chrono::nanoseconds p11;
};

// With margins over every source: P9 1.5 ms, P10 200 µs, P11 10 ms.
inline constexpr HostFamily kHostF2x{0x3F3F, 0x8F8F, false, true, {1500us, 200us}, 10ms};
inline constexpr HostFamily kHostFxx2{0, 0x0080, true, true, {1500us, 200us}, 10ms};
inline constexpr HostFamily kHostFx220{0, 0x0080, true, false, {1500us, 200us}, 10ms};

struct Rig {
    Rig(const char* chipName, sim::CircuitVariant variant, TimingMode timing, int vppCentivolts)
        : circuit(clock, variant, 1),
          dialog(&prompts, circuit),
          bus(circuit, clock, dialog, settings, base),
          mode(bus) {
        settings.DriverIndex = variant.driver;
        settings.SwitchIndex = variant.sw;
        settings.DelayCount = 100;
        settings.Timing = timing;
        circuit.setVpp(vppCentivolts);
        if (chipName != nullptr) {
            chip = circuit.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(chipName)));
        }
        mode.idle();
        circuit.log().clear();
    }

    void enter() { p18::enter(mode); }
    void leave() { p18::leave(bus, mode); }
    std::string violations() const { return circuit.log().violationText(); }

    VirtualClock clock;
    sim::SimCircuit circuit;
    ScriptedDialog prompts;
    sim::SimSwitchDialog dialog;
    ProgrammerSettings settings;
    std::int32_t base = kLpt1;
    LineBus bus;
    ProgrammingMode mode;
    sim::SimChip* chip = nullptr;
};

// n bytes from address on; one TBLRD * first, as a careful host does after
// loading the pointer.
inline std::vector<std::uint8_t> readBytes(LineBus& bus, std::uint32_t address, int n) {
    p18::setTablePointer(bus, address);
    (void)p18::read(bus, p18::Command::TableRead);
    std::vector<std::uint8_t> out;
    for (int i = 0; i < n; ++i) {
        out.push_back(p18::readPostInc(bus));
    }
    return out;
}

inline std::uint16_t readDeviceId(LineBus& bus) {
    const auto b = readBytes(bus, 0x3FFFFE, 2);
    return static_cast<std::uint16_t>(b[1] << 8 | b[0]);
}

inline void bulkErase(LineBus& bus, const HostFamily& f) {
    if (f.eraseHigh != 0) {
        p18::setTablePointer(bus, 0x3C0005);
        p18::tableWrite(bus, p18::Command::TableWrite, f.eraseHigh);
    }
    p18::setTablePointer(bus, 0x3C0004);
    p18::tableWrite(bus, p18::Command::TableWrite, f.eraseLow);
    p18::nop(bus);
    // The erase starts as the next NOP's fourth clock falls; PGD stays low.
    p18::holdNop(bus, {0ns, f.p11 + f.p9p10.low});
}

inline void selectFlash(LineBus& bus) {
    p18::core(bus, op::bsf(op::kEecon1, op::kEepgd));
    p18::core(bus, op::bcf(op::kEecon1, op::kCfgs));
}

// Whole words into the buffer from an aligned address, the last one starting
// the write.
inline void writeBuffer(LineBus& bus, std::uint32_t address, const std::vector<std::uint8_t>& bytes,
                        p18::Hold hold) {
    selectFlash(bus);
    p18::setTablePointer(bus, address);
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 2) {
        p18::tableWrite(bus, p18::Command::TableWritePostInc,
                        static_cast<std::uint16_t>(bytes[i] | bytes[i + 1] << 8));
    }
    const std::size_t last = bytes.size() - 2;
    p18::writeAndProgram(bus, static_cast<std::uint16_t>(bytes[last] | bytes[last + 1] << 8), hold);
}

inline void selectEeprom(LineBus& bus, int address) {
    p18::core(bus, op::bcf(op::kEecon1, op::kEepgd));
    p18::core(bus, op::bcf(op::kEecon1, op::kCfgs));
    p18::core(bus, op::movlw(static_cast<std::uint8_t>(address)));
    p18::core(bus, op::movwf(op::kEeadr));
    p18::core(bus, op::movlw(static_cast<std::uint8_t>(address >> 8)));
    p18::core(bus, op::movwf(op::kEeadrh));
}

inline std::uint8_t readEecon1(LineBus& bus) {
    p18::core(bus, op::movfToW(op::kEecon1));
    p18::core(bus, op::movwf(op::kTablat));
    return p18::shiftOutTablat(bus);
}

inline void writeEeprom(LineBus& bus, const HostFamily& f, int address, std::uint8_t value) {
    selectEeprom(bus, address);
    p18::core(bus, op::movlw(value));
    p18::core(bus, op::movwf(op::kEedata));
    p18::core(bus, op::bsf(op::kEecon1, op::kWren));
    if (f.unlock) {
        p18::core(bus, op::movlw(0x55));
        p18::core(bus, op::movwf(op::kEecon2));
        p18::core(bus, op::movlw(0xAA));
        p18::core(bus, op::movwf(op::kEecon2));
    }
    p18::core(bus, op::bsf(op::kEecon1, op::kWr));
    p18::nop(bus);
    if (f.pollWr) {
        for (int i = 0; i < 1000 && (readEecon1(bus) & (1 << op::kWr)) != 0; ++i) {
        }
    } else {
        bus.sleepFor(f.p11);
    }
    bus.sleepFor(f.p9p10.low);
    p18::core(bus, op::bcf(op::kEecon1, op::kWren));
}

inline std::uint8_t readEeprom(LineBus& bus, int address) {
    selectEeprom(bus, address);
    p18::core(bus, op::bsf(op::kEecon1, op::kRd));
    p18::core(bus, op::movfToW(op::kEedata));
    p18::core(bus, op::movwf(op::kTablat));
    return p18::shiftOutTablat(bus);
}

// One configuration byte per programming cycle, with the PC out of code space.
inline void writeConfig(LineBus& bus, std::uint32_t address, std::uint8_t value, p18::Hold hold) {
    p18::core(bus, op::bsf(op::kEecon1, op::kEepgd));
    p18::core(bus, op::bsf(op::kEecon1, op::kCfgs));
    p18::core(bus, op::gotoFirst(0x100000));
    p18::core(bus, op::gotoSecond(0x100000));
    p18::setTablePointer(bus, address);
    const bool odd = (address & 1) != 0;
    p18::writeAndProgram(bus, static_cast<std::uint16_t>(odd ? value << 8 : value), hold);
}

}  // namespace pk::p18test
