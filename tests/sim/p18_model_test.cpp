// The simulated PIC18F: its part table against the rules every row must keep,
// the broken host sequences it must log, and the shared faults it takes.

#include <gtest/gtest.h>

#include <bitset>
#include <functional>
#include <set>

#include "sim/families/p18.h"
#include "sim/p18_chip.h"
#include "support/p18_host.h"

namespace pk::p18test {
namespace {

TEST(P18Parts, EveryRowIsFoundAndKeepsTheTableRules) {
    std::set<std::uint16_t> ids;
    for (const sim::P18Part& p : sim::p18Parts()) {
        SCOPED_TRACE(std::string(p.name));
        const sim::ChipModel* m = sim::findChip("PIC" + std::string(p.name));
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->p18, &p);
        EXPECT_EQ(m->deviceId, p.deviceId);
        EXPECT_TRUE(ids.insert(p.deviceId & ~p.revisionMask).second) << "two parts answer alike";
        EXPECT_EQ(std::bitset<8>(static_cast<unsigned>(p.writeBuffer)).count(), 1u);
        EXPECT_EQ(p.flashBytes % p.writeBuffer, 0);
        // One code-protection bit per block the flash reaches.
        const int blocks = (p.flashBytes + p.blockBytes - 1) / p.blockBytes;
        EXPECT_EQ(static_cast<int>(std::bitset<8>(p.configMask[8]).count()), blocks);
        EXPECT_LT(p.bootBytes, p.blockBytes);
        for (std::size_t i = 0; i < p.configMask.size(); ++i) {
            EXPECT_EQ(p.configErased[i] & ~p.configMask[i], 0) << "byte " << i;
        }
        EXPECT_EQ(p.configErased[6], 0x85) << "LVP set after an erase";
        const auto& codes = p.scheme->eraseCodes;
        EXPECT_TRUE(std::any_of(codes.begin(), codes.end(), [](const sim::P18EraseCode& c) {
            return c.clears == sim::p18erase::kChip && (c.code & 0x80) != 0;
        }));
    }
    EXPECT_EQ(sim::findChip("18f4550")->p18->writeBuffer, 32);
    EXPECT_EQ(sim::findChip("16F877")->p18, nullptr);
}

// ---- Broken sequences ---------------------------------------------------------

struct Broken {
    const char* what;
    const char* chip;
    int vpp;
    std::function<void(Rig&)> run;  // after entry unless it enters itself
    const char* logged;
    bool entersItself = false;
};

const p18::Hold kGood = kHostF2x.p9p10;

std::vector<std::uint8_t> bytes(int n, std::uint8_t v) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(n), v);
}

HostFamily withErase(HostFamily f, std::chrono::nanoseconds p11, std::chrono::nanoseconds p10) {
    f.p11 = p11;
    f.p9p10.low = p10;
    return f;
}

const Broken kBroken[] = {
    {"P9 too short", "18F4550", 1200,
     [](Rig& r) {
         writeBuffer(r.bus, 0, bytes(32, 0x00), {100us, 200us});
     },
     "P9 asks"},
    {"P10 too short", "18F2520", 1200,
     [](Rig& r) {
         writeBuffer(r.bus, 0, bytes(32, 0x00), {1500us, 20us});
     },
     "P10 asks"},
    {"write over unerased memory", "18F1220", 1300,
     [](Rig& r) {
         writeBuffer(r.bus, 8, bytes(8, 0x0F), kGood);
         writeBuffer(r.bus, 8, bytes(8, 0xF0), kGood);
     },
     "write over unerased memory at 000008"},
    {"VPP above the 12.5 V of the 18F2xx0/4xx0", "18F4550", 1300, [](Rig&) {},
     "above the VIHH maximum 12.50 V"},
    {"VPP below 9 V", "18F452", 850, [](Rig&) {}, "below the VIHH minimum 9.00 V"},
    {"VPP before VDD", "18F4620", 1200, [](Rig& r) { r.mode.start(EntryOrder::VppFirst); },
     "(VPP before VDD)", true},
    {"clock during the bulk erase", "18F4550", 1200,
     [](Rig& r) { bulkErase(r.bus, withErase(kHostF2x, 1ms, 0ns)); },
     "clock edge during the bulk erase"},
    {"no P10 after the bulk erase", "18F4550", 1200,
     [](Rig& r) { bulkErase(r.bus, withErase(kHostF2x, 5ms, 0ns)); },
     "after the bulk erase; P10 asks 100 µs"},
    {"erase code of another family", "18F4550", 1200, [](Rig& r) { bulkErase(r.bus, kHostFxx2); },
     "0080 (3C0005:3C0004) is not one the 18F4550"},
    {"no NOP before the TABLAT shift", "18F2455", 1200,
     [](Rig& r) {
         p18::core(r.bus, op::movlw(0x5A));
         p18::core(r.bus, op::movwf(op::kTablat));
         EXPECT_NE(p18::read(r.bus, p18::Command::ShiftOutTablat), 0x5A);
     },
     "a NOP must come between"},
    {"EEPROM write without the unlock", "18F452", 1300,
     [](Rig& r) { writeEeprom(r.bus, kHostF2x, 3, 0x11); }, "without 55h, AAh"},
    {"WR without WREN", "18F4550", 1200,
     [](Rig& r) {
         selectEeprom(r.bus, 3);
         p18::core(r.bus, op::bsf(op::kEecon1, op::kWr));
         p18::nop(r.bus);
     },
     "WREN clear"},
    {"table write during a self-timed row erase", "18F252", 1300,
     [](Rig& r) {
         selectFlash(r.bus);
         p18::core(r.bus, op::bsf(op::kEecon1, op::kWren));
         p18::core(r.bus, op::bsf(op::kEecon1, op::kFree));
         for (const std::uint8_t k : {0x55, 0xAA}) {
             p18::core(r.bus, op::movlw(k));
             p18::core(r.bus, op::movwf(op::kEecon2));
         }
         p18::core(r.bus, op::bsf(op::kEecon1, op::kWr));
         p18::nop(r.bus);
         p18::tableWrite(r.bus, p18::Command::TableWrite, 0);
     },
     "table write while a self-timed row erase runs"},
    {"buffer loaded for one region, started in another", "18F1320", 1300,
     [](Rig& r) {
         selectFlash(r.bus);
         p18::setTablePointer(r.bus, 0);
         p18::tableWrite(r.bus, p18::Command::TableWrite, 0x1234);
         p18::setTablePointer(r.bus, 0x40);
         p18::writeAndProgram(r.bus, 0x5678, kGood);
     },
     "write buffer filled for 000000, then loaded at 000040"},
    {"an instruction the model does not run", "18F4520", 1200,
     [](Rig& r) {
         p18::core(r.bus, 0x6F00);  // MOVWF with a = 1
         p18::nop(r.bus);
     },
     "core instruction 6F00"},
    {"a command no PIC18 has", "18F4520", 1200,
     [](Rig& r) { p18::send(r.bus, static_cast<p18::Command>(0b0101), 0); },
     "command 5 is not a PIC18 command"},
};

TEST(P18Model, LogsEveryBrokenSequence) {
    for (const Broken& b : kBroken) {
        SCOPED_TRACE(b.what);
        Rig r(b.chip, {1, 1}, TimingMode::DataSheet, b.vpp);
        if (!b.entersItself) {
            r.enter();
        }
        b.run(r);
        r.leave();
        EXPECT_NE(r.violations().find(b.logged), std::string::npos) << r.violations();
    }
}

TEST(P18Model, ATooShortP9WritesNothing) {
    Rig r("18F4550", {1, 1}, TimingMode::DataSheet, 1200);
    r.enter();
    writeBuffer(r.bus, 0x40, bytes(32, 0x00), {500us, 200us});
    writeConfig(r.bus, 0x300003, 0x00, {500us, 200us});
    r.leave();
    EXPECT_EQ(r.chip->p18()->byte(0x40), 0xFF);
    EXPECT_EQ(r.chip->p18()->byte(0x300003), 0x1F);
}

// ---- Sequences and what they leave --------------------------------------------

struct Effect {
    const char* what;
    const char* chip;
    int vpp;
    std::function<void(sim::P18Chip&)> set;
    std::function<std::vector<int>(Rig&)> run;  // in programming mode: what the host saw
    std::vector<int> expected;
};

void rowEraseTimedByHost(Rig& r, std::uint32_t at) {
    selectFlash(r.bus);
    p18::core(r.bus, op::bsf(op::kEecon1, op::kWren));
    p18::setTablePointer(r.bus, at);
    p18::core(r.bus, op::bsf(op::kEecon1, op::kFree));
    p18::core(r.bus, op::bsf(op::kEecon1, op::kWr));
    p18::programmingNop(r.bus, kGood);
}

void rowEraseSelfTimed(Rig& r, std::uint32_t at) {
    selectFlash(r.bus);
    p18::core(r.bus, op::bsf(op::kEecon1, op::kWren));
    p18::setTablePointer(r.bus, at);
    p18::core(r.bus, op::bsf(op::kEecon1, op::kFree));
    for (const std::uint8_t k : {0x55, 0xAA}) {
        p18::core(r.bus, op::movlw(k));
        p18::core(r.bus, op::movwf(op::kEecon2));
    }
    p18::core(r.bus, op::bsf(op::kEecon1, op::kWr));
    p18::nop(r.bus);
    r.bus.sleepFor(10ms);
    p18::core(r.bus, op::bcf(op::kEecon1, op::kWren));
}

void zeros(sim::P18Chip& c, std::uint32_t from, std::uint32_t to) {
    for (std::uint32_t a = from; a < to; ++a) {
        c.setByte(a, 0x00);
    }
}

std::vector<int> ints(const std::vector<std::uint8_t>& v) {
    return std::vector<int>(v.begin(), v.end());
}

const Effect kEffects[] = {
    {"row erase timed by the host, one row only",
     "18F4550",
     1200,
     [](sim::P18Chip& c) { zeros(c, 0x80, 0xC1); },
     [](Rig& r) {
         rowEraseTimedByHost(r, 0x9A);
         return ints({readBytes(r.bus, 0x80, 1)[0], readBytes(r.bus, 0xBF, 1)[0],
                      readBytes(r.bus, 0xC0, 1)[0]});
     },
     {0xFF, 0xFF, 0x00}},
    {"self-timed row erase after the unlock",
     "18F452",
     1300,
     [](sim::P18Chip& c) { zeros(c, 0x80, 0xC1); },
     [](Rig& r) {
         rowEraseSelfTimed(r, 0x80);
         return ints({readBytes(r.bus, 0x80, 1)[0], readBytes(r.bus, 0xC0, 1)[0]});
     },
     {0xFF, 0x00}},
    {"1110 programs and steps on where it starts programming",
     "18F2550",
     1200,
     [](sim::P18Chip&) {},
     [](Rig& r) {
         selectFlash(r.bus);
         p18::setTablePointer(r.bus, 0x20);
         p18::tableWrite(r.bus, p18::Command::TableWrite1110, 0x1234);
         p18::programmingNop(r.bus, kGood);
         const int pointer = static_cast<int>(r.chip->p18()->tablePointer());
         return std::vector<int>{pointer, r.chip->p18()->byte(0x20), r.chip->p18()->byte(0x21)};
     },
     {0x22, 0x34, 0x12}},
    {"1110 only steps back on the others",
     "18F1320",
     1300,
     [](sim::P18Chip&) {},
     [](Rig& r) {
         selectFlash(r.bus);
         p18::setTablePointer(r.bus, 0x20);
         p18::tableWrite(r.bus, p18::Command::TableWrite1110, 0x1234);
         p18::programmingNop(r.bus, kGood);
         const int pointer = static_cast<int>(r.chip->p18()->tablePointer());
         return std::vector<int>{pointer, r.chip->p18()->byte(0x20)};
     },
     {0x1E, 0xFF}},
    {"a code-protected block reads 0, the others and the IDs do not",
     "18F4550",
     1200,
     [](sim::P18Chip& c) {
         c.setByte(0x1000, 0x55);
         c.setByte(0x2000, 0x66);
         c.setByte(0x200000, 0x77);
         c.setByte(0x300008, 0x0D);  // CP1 = 0
     },
     [](Rig& r) {
         return ints({readBytes(r.bus, 0x1000, 1)[0], readBytes(r.bus, 0x2000, 1)[0],
                      readBytes(r.bus, 0x200000, 1)[0]});
     },
     {0x55, 0x00, 0x77}},
    {"WRTC = 0 keeps the configuration as it is",
     "18F4550",
     1200,
     [](sim::P18Chip& c) { c.setByte(0x30000B, 0xC0); },
     [](Rig& r) {
         writeConfig(r.bus, 0x300003, 0x1E, kGood);
         return ints(readBytes(r.bus, 0x300003, 1));
     },
     {0x1F}},
    {"the bulk erase lifts code protection and sets LVP",
     "18F4620",
     1200,
     [](sim::P18Chip& c) {
         c.setByte(0x300008, 0x00);
         c.setByte(0x300006, 0x81);
     },
     [](Rig& r) {
         bulkErase(r.bus, kHostF2x);
         return ints(readBytes(r.bus, 0x300006, 3));
     },
     {0x85, 0x00, 0x0F}},
    {"EEADRH counts only on a 1 KB EEPROM",
     "18F4550",
     1200,
     [](sim::P18Chip&) {},
     [](Rig& r) {
         writeEeprom(r.bus, kHostF2x, 0x142, 0x3C);
         return std::vector<int>{r.chip->p18()->byte(0xF00042)};
     },
     {0x3C}},
    {"CPD = 0 reads the EEPROM as 0",
     "18F1220",
     1300,
     [](sim::P18Chip& c) {
         c.setByte(0xF00003, 0x77);
         c.setByte(0x300009, 0x40);
     },
     [](Rig& r) { return std::vector<int>{readEeprom(r.bus, 3)}; },
     {0x00}},
};

TEST(P18Model, SequencesLeaveWhatTheChipsDo) {
    for (const Effect& e : kEffects) {
        SCOPED_TRACE(e.what);
        Rig r(e.chip, {1, 1}, TimingMode::DataSheet, e.vpp);
        e.set(*r.chip->p18());
        r.enter();
        EXPECT_EQ(e.run(r), e.expected);
        r.leave();
        EXPECT_TRUE(r.circuit.log().violations().empty()) << r.violations();
    }
}

// ---- Faults -------------------------------------------------------------------

struct Fault {
    const char* what;
    std::function<void(sim::SimChip&)> set;
    std::function<std::uint8_t(Rig&)> run;  // in programming mode
    std::uint8_t expected;
};

const Fault kFaults[] = {
    {"bad cell takes no write", [](sim::SimChip& c) { c.setBadCell(0x101); },
     [](Rig& r) {
         writeBuffer(r.bus, 0x100, bytes(32, 0x42), kGood);
         return readBytes(r.bus, 0x101, 1)[0];
     },
     0xFF},
    {"stuck cell survives the erase",
     [](sim::SimChip& c) {
         c.p18()->setByte(5, 0x3C);
         c.setStuckCell(5);
     },
     [](Rig& r) {
         bulkErase(r.bus, kHostF2x);
         return readBytes(r.bus, 5, 1)[0];
     },
     0x3C},
    {"no bulk erase",
     [](sim::SimChip& c) {
         c.p18()->setByte(0xF00007, 0x77);
         c.setNoBulkErase(true);
     },
     [](Rig& r) {
         bulkErase(r.bus, kHostF2x);
         return readEeprom(r.bus, 7);
     },
     0x77},
    {"misread flips the lowest bit of the read after the dummy one",
     [](sim::SimChip& c) { c.setMisread(0x3FFFFF, 2); },
     [](Rig& r) { return readBytes(r.bus, 0x3FFFFF, 1)[0]; }, 0x13},
    {"flaky inverts every driven bit", [](sim::SimChip& c) { c.setFlaky(1, 0); },
     [](Rig& r) { return readBytes(r.bus, 0x3FFFFF, 1)[0]; }, 0xED},
};

TEST(P18Model, SharedFaultsApply) {
    for (const Fault& f : kFaults) {
        SCOPED_TRACE(f.what);
        Rig r("18F4550", {1, 1}, TimingMode::DataSheet, 1200);
        f.set(*r.chip);
        r.enter();
        EXPECT_EQ(f.run(r), f.expected);
        r.leave();
    }
}

}  // namespace
}  // namespace pk::p18test
