#pragma once
// A simulated programmer with a PIC18F in its socket, the link and the PIC18F
// routines on top, all on virtual time; the board at LPT1. The part the
// program is told is `part` (the chip's own unless given); a board giving more
// than the part's VIHH allows is turned down to 12 V, as a careful user would.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "device/p18_ops.h"
#include "link/clock.h"
#include "link/programmer.h"
#include "sim/circuit.h"
#include "sim/p18_chip.h"
#include "sim/switch_dialog.h"
#include "support/recording_reporter.h"
#include "support/scripted_dialog.h"

namespace pk::p18bench {

struct Bench {
    explicit Bench(const char* chipName, const char* part = nullptr, int driver = 1, int sw = 1,
                   TimingMode timing = TimingMode::Classic)
        : circuit(clock, {driver, sw}, 1), switchDialog(&dialog, circuit) {
        settings.DriverIndex = driver;
        settings.SwitchIndex = sw;
        settings.Timing = timing;
        device = p18ByName(part != nullptr ? part : chipName);
        if (chipName != nullptr) {
            chip = circuit.insertChip(std::make_unique<sim::SimChip>(*sim::findChip(chipName)));
        }
        if (device != nullptr && !device->family->vpp.holds(1300)) {
            circuit.setVpp(1200);
            settings.VppTenths = 120;
        }
        link.Anfang();
        circuit.log().clear();
    }

    ByteImage image() const { return ByteImage(p18Regions(*device)); }
    sim::P18Chip& p18() { return *chip->p18(); }
    std::string violations() const { return circuit.log().violationText(); }
    bool clean() const { return circuit.log().violations().empty(); }

    VirtualClock clock;
    sim::SimCircuit circuit;
    ScriptedDialog dialog;
    sim::SimSwitchDialog switchDialog;
    ProgrammerSettings settings;
    std::int32_t portBase = kLpt1;
    ProgrammerLink link{circuit, clock, switchDialog, settings, portBase};
    ErrorCounters errors;
    RecordingReporter report;
    P18Ops ops{link, clock, settings, errors, report};
    const P18Device* device = nullptr;
    sim::SimChip* chip = nullptr;
};

// A random image: `rowShare` of the program rows filled (a few bytes of them
// left out) and of the EEPROM bytes, random IDs, and configuration bytes under their
// masks with every protection bit left unprotected.
inline ByteImage randomImage(const P18Device& d, unsigned seed, double rowShare = 1.0) {
    ByteImage img(p18Regions(d));
    std::mt19937 rng(seed);
    auto byte = [&] { return static_cast<std::uint16_t>(rng() & 0xFF); };
    auto chance = [&](double p) { return std::uniform_real_distribution<>(0, 1)(rng) < p; };
    auto program = img.area(img.HexBytes, ByteArea::Program);
    for (std::uint32_t row = 0; row < d.programBytes; row += d.writeBuffer) {
        if (!chance(rowShare)) {
            continue;
        }
        for (std::uint32_t i = 0; i < d.writeBuffer; ++i) {
            program[row + i] = chance(0.97) ? byte() : ByteImage::AbsentByte;
        }
    }
    for (auto& b : img.area(img.HexBytes, ByteArea::Id)) {
        b = byte();
    }
    auto config = img.area(img.HexBytes, ByteArea::Config);
    for (std::size_t i = 0; i < config.size(); ++i) {
        const int n = static_cast<int>(i);
        config[i] = static_cast<std::uint16_t>((byte() & d.configMask[i]) | d.protectionBits(n));
    }
    auto eeprom = img.area(img.HexBytes, ByteArea::Eeprom);
    for (std::size_t n = 0; n < eeprom.size(); ++n) {
        // The first and last bytes always, to reach EEADRH on the 1 KB parts.
        if (n == 0 || n + 1 == eeprom.size() || chance(rowShare)) {
            eeprom[n] = byte();
        }
    }
    return img;
}

// What the chip must hold after burning `img`: the file's bytes, 0xFF where it
// gives none, configuration bytes under the mask (erased value where absent).
inline std::vector<std::uint16_t> expectedChip(const P18Device& d, const ByteImage& img) {
    std::vector<std::uint16_t> want(img.HexBytes.size());
    const ByteRegions r = p18Regions(d);
    for (ByteArea area : kByteAreas) {
        const ByteAreaPlace p = r.place(area);
        for (std::uint32_t i = 0; i < p.size; ++i) {
            const std::uint16_t b = img.HexBytes[p.first + i];
            if (area == ByteArea::Config) {
                want[p.first + i] = d.configMask[i] == 0
                                        ? ByteImage::AbsentByte
                                        : static_cast<std::uint16_t>(
                                              (b == ByteImage::AbsentByte ? d.configErased[i] : b) &
                                              d.configMask[i]);
            } else {
                want[p.first + i] = b == ByteImage::AbsentByte ? 0xFF : b;
            }
        }
    }
    return want;
}

}  // namespace pk::p18bench
