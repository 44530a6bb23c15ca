// The PIC18F frames against the simulated PIC18F: device ID, bulk erase,
// a buffer row, an EEPROM byte, a configuration byte and the IDs, for parts
// of all three programming families, on several circuits and in both timings.
// What passes here passes the model's timing and sequence checks.

#include <gtest/gtest.h>

#include "sim/p18_chip.h"
#include "support/p18_host.h"

namespace pk::p18test {
namespace {

struct Part {
    const char* name;
    const HostFamily* host;
    std::uint16_t id;  // without revision
    std::uint16_t idMask;
    int buffer;
    int eepromAddress;      // above 255 where the part has 1 KB
    std::uint8_t config2h;  // CONFIG2H with the watchdog off
    int vppCentivolts;      // inside the part's VIHH range
};

// From the programming facts: IDs, buffer sizes, EEPROM sizes, CONFIG2H masks.
const Part kParts[] = {
    {"18F4550", &kHostF2x, 0x1200, 0xFFE0, 32, 0x42, 0x1E, 1200},
    {"18F4620", &kHostF2x, 0x0C00, 0xFFE0, 64, 0x342, 0x1E, 1200},
    {"18F452", &kHostFxx2, 0x0420, 0xFFE0, 8, 0x42, 0x0E, 1300},
    {"18F1320", &kHostFx220, 0x07C0, 0xFFE0, 8, 0x42, 0x1E, 1300},
};

struct Variant {
    sim::CircuitVariant board;
    TimingMode timing;
    bool strict = false;  // port accesses take no time: only the program's waits count
};

const Variant kVariants[] = {
    {{1, 1}, TimingMode::Classic},         {{1, 1}, TimingMode::DataSheet},
    {{0, 0}, TimingMode::Classic},         {{0, 1}, TimingMode::DataSheet},
    {{2, 3}, TimingMode::Classic},         {{2, 3}, TimingMode::DataSheet},
    {{1, 2}, TimingMode::DataSheet},       {{1, 1}, TimingMode::DataSheet, true},
    {{2, 3}, TimingMode::DataSheet, true},
};

std::vector<std::uint8_t> pattern(int n, int seed) {
    std::vector<std::uint8_t> v;
    for (int i = 0; i < n; ++i) {
        v.push_back(static_cast<std::uint8_t>(seed * 31 + i * 7));
    }
    return v;
}

TEST(P18Link, EveryFamilyRoundTripsOnEveryCircuitAndTiming) {
    for (const Part& p : kParts) {
        for (const Variant& v : kVariants) {
            SCOPED_TRACE(std::string(p.name) + " driver " + std::to_string(v.board.driver) +
                         " switch " + std::to_string(v.board.sw) +
                         (v.timing == TimingMode::Classic ? " classic" : " data sheet") +
                         (v.strict ? " strict" : ""));
            Rig r(p.name, v.board, v.timing, p.vppCentivolts);
            if (v.strict) {
                r.circuit.setAccessCost(0ns);
            }
            sim::P18Chip& chip = *r.chip->p18();
            // Something to erase in every region.
            chip.setByte(0x0100, 0x12);
            chip.setByte(0x200003, 0x34);
            chip.setByte(0xF00000 + static_cast<std::uint32_t>(p.eepromAddress), 0x56);
            const p18::Hold hold = p.host->p9p10;

            r.enter();
            EXPECT_EQ(readDeviceId(r.bus) & p.idMask, p.id);

            bulkErase(r.bus, *p.host);
            EXPECT_EQ(readBytes(r.bus, 0x0100, 4), std::vector<std::uint8_t>(4, 0xFF));
            EXPECT_EQ(readBytes(r.bus, 0x200000, 8), std::vector<std::uint8_t>(8, 0xFF));
            EXPECT_EQ(readEeprom(r.bus, p.eepromAddress), 0xFF);

            const std::uint32_t row = 2 * static_cast<std::uint32_t>(p.buffer);
            const auto data = pattern(p.buffer, 1);
            writeBuffer(r.bus, row, data, hold);
            EXPECT_EQ(readBytes(r.bus, row, p.buffer), data);

            writeEeprom(r.bus, *p.host, p.eepromAddress, 0xA5);
            EXPECT_EQ(readEeprom(r.bus, p.eepromAddress), 0xA5);

            const auto ids = pattern(8, 2);
            writeBuffer(r.bus, 0x200000, ids, hold);
            EXPECT_EQ(readBytes(r.bus, 0x200000, 8), ids);

            writeConfig(r.bus, 0x300003, p.config2h, hold);
            EXPECT_EQ(readBytes(r.bus, 0x300003, 1)[0], p.config2h);
            r.leave();

            EXPECT_EQ(chip.byte(0xF00000 + static_cast<std::uint32_t>(p.eepromAddress)), 0xA5);
            EXPECT_EQ(chip.byte(row + 1), data[1]);
            EXPECT_FALSE(r.chip->inProgrammingMode());
            EXPECT_EQ(r.circuit.log().modeEntries(), 1);
            EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
        }
    }
}

TEST(P18Link, ReadsWithEveryPointerModeAndWritesWithPostIncrement) {
    Rig r("18F2550", {1, 1}, TimingMode::DataSheet, 1200);
    sim::P18Chip& chip = *r.chip->p18();
    for (std::uint32_t a = 0; a < 8; ++a) {
        chip.setByte(0x40 + a, static_cast<std::uint8_t>(0xB0 + a));
    }
    r.enter();
    p18::setTablePointer(r.bus, 0x44);
    using C = p18::Command;
    // (command, byte it returns, pointer afterwards)
    const struct {
        C command;
        std::uint8_t byte;
        std::uint32_t after;
    } steps[] = {
        {C::TableRead, 0xB4, 0x44},        {C::TableReadPostInc, 0xB4, 0x45},
        {C::TableReadPostDec, 0xB5, 0x44}, {C::TableReadPreInc, 0xB5, 0x45},
        {C::TableReadPreInc, 0xB6, 0x46},  {C::TableReadPostDec, 0xB6, 0x45},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(p18::read(r.bus, s.command), s.byte);
        EXPECT_EQ(chip.tablePointer(), s.after);
    }
    EXPECT_THROW((void)p18::read(r.bus, C::TableWrite), std::invalid_argument);
    EXPECT_THROW(p18::tableWrite(r.bus, C::TableReadPostInc, 0), std::invalid_argument);
    r.leave();
    EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
}

}  // namespace
}  // namespace pk::p18test
