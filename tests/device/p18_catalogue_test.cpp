// The PIC18F table checks itself, the way a chip table is tested: invariants
// over all rows rather than row by row, and every simulated part against its row.

#include "device/p18_catalogue.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "device/vpp_finding.h"
#include "sim/chip.h"
#include "sim/families/p18.h"

namespace pk {
namespace {

bool powerOfTwo(std::uint32_t n) {
    return n != 0 && (n & (n - 1)) == 0;
}

TEST(P18Catalogue, RowsAreConsistent) {
    std::set<std::string_view> names;
    for (const P18Device& d : kP18Devices) {
        SCOPED_TRACE(std::string(d.name));
        EXPECT_TRUE(names.insert(d.name).second) << "name twice";
        ASSERT_NE(d.family, nullptr);
        EXPECT_TRUE(d.writeBuffer == 8 || d.writeBuffer == 16 || d.writeBuffer == 32 ||
                    d.writeBuffer == 64);
        // Whole buffers and whole 64-byte erase rows fill program memory.
        EXPECT_EQ(d.programBytes % d.writeBuffer, 0u);
        EXPECT_EQ(d.programBytes % 64, 0u);
        EXPECT_LE(d.programBytes, 0x200000u);
        EXPECT_TRUE(d.eepromBytes == 0 || powerOfTwo(d.eepromBytes));
        EXPECT_LE(d.eepromBytes, 1024u);
        EXPECT_TRUE(d.revisionMask == 0x1F || d.revisionMask == 0x0F);
        EXPECT_EQ(d.deviceId & d.revisionMask, 0) << "the ID carries no revision bits";
        EXPECT_NE(d.deviceId, 0);
        for (int i = 0; i < d.configBytes(); ++i) {
            const auto n = static_cast<std::size_t>(i);
            SCOPED_TRACE("CONFIG byte " + std::to_string(i));
            EXPECT_EQ(d.configErased[n] & ~d.configMask[n], 0) << "erased value within the mask";
            // An erased chip is unprotected: every protection bit erases to 1.
            EXPECT_EQ(d.configErased[n] & d.protectionBits(i), d.protectionBits(i));
        }
        // Protection the routines rely on: code protection, WRTC (written last), LVP erased on.
        EXPECT_NE(d.configMask[p18cfg::k5L], 0);
        EXPECT_EQ(d.configMask[p18cfg::k5H], p18cfg::kCpd | p18cfg::kCpb);
        EXPECT_NE(d.configMask[p18cfg::k6H] & p18cfg::kWrtc, 0);
        EXPECT_NE(d.configErased[6] & 0x04, 0) << "LVP is set after an erase";
        // CONFIG3L and CONFIG4H exist on no part of these families.
        EXPECT_EQ(d.configMask[4], 0);
        EXPECT_EQ(d.configMask[7], 0);
        // The older families erase every implemented bit to 1.
        if (d.family != &kP18F2x) {
            EXPECT_EQ(d.configErased, d.configMask);
        }
        EXPECT_EQ(p18ByDeviceId(static_cast<std::uint16_t>(d.deviceId | d.revisionMask)), &d);
        EXPECT_EQ(p18ByDeviceId(d.deviceId), &d);
        const ByteRegions r = p18Regions(d);
        EXPECT_EQ(r.programBytes, d.programBytes);
        EXPECT_EQ(r.configBytes, 14u);
        EXPECT_EQ(r.eepromBytes, d.eepromBytes);
    }
}

TEST(P18Catalogue, DeviceIdsAreUniqueUnderTheirMasks) {
    for (const P18Device& a : kP18Devices) {
        for (const P18Device& b : kP18Devices) {
            if (&a == &b) {
                continue;
            }
            const auto both = static_cast<std::uint16_t>(a.idMask() & b.idMask());
            EXPECT_NE(a.deviceId & both, b.deviceId & both) << a.name << " and " << b.name;
        }
    }
    // Nothing answering (line pulled up or held low) is no part.
    EXPECT_EQ(p18ByDeviceId(0xFFFF), nullptr);
    EXPECT_EQ(p18ByDeviceId(0x0000), nullptr);
    // A 14-bit ID is no PIC18F.
    EXPECT_EQ(p18ByDeviceId(0x09E7), nullptr);
}

TEST(P18Catalogue, FamiliesAreConsistent) {
    for (const P18Family* f : {&kP18F2x, &kP18Fxx2, &kP18Fx220}) {
        SCOPED_TRACE(std::string(f->name));
        bool chip = false;
        std::set<std::uint16_t> codes;
        for (const P18EraseCode& e : f->eraseCodes) {
            EXPECT_TRUE(codes.insert(e.code).second);
            EXPECT_NE(e.code & 0x80, 0) << "bit 7 of 0x3C0004 enables the erase";
            if (!f->eraseHighRegister) {
                EXPECT_LE(e.code, 0xFF) << "0x3C0005 only where it exists";
            }
            EXPECT_EQ(e.clears & ~p18clear::kChip, 0);
            chip = chip || (e.code == f->chipErase && e.clears == p18clear::kChip);
        }
        EXPECT_TRUE(chip) << "the chip erase is one of the family's codes";
        EXPECT_GT(f->times.p9.count(), 0);
        EXPECT_GT(f->times.p10.count(), 0);
        EXPECT_GE(f->times.p11, f->times.p9);
        EXPECT_GT(f->times.eepromWrite.count(), 0);
        EXPECT_TRUE(f->vpp.given());
        EXPECT_LE(f->bulkEraseMinVddCentivolts, 500) << "the Korvel's 5 V erases";
    }
    // 13 V is above the 18F2xx0/4xx0's VIHH, inside the others'; 12 V suits all.
    EXPECT_TRUE(vppFinding("18F4550", kP18F2x.vpp, 130).has_value());
    EXPECT_NE(vppFinding("18F4550", kP18F2x.vpp, 130)->find("12,5 V"), std::string::npos);
    EXPECT_FALSE(vppFinding("18F452", kP18Fxx2.vpp, 130).has_value());
    EXPECT_FALSE(vppFinding("18F1320", kP18Fx220.vpp, 130).has_value());
    for (const P18Family* f : {&kP18F2x, &kP18Fxx2, &kP18Fx220}) {
        EXPECT_FALSE(vppFinding(f->name, f->vpp, 120).has_value());
    }
}

TEST(P18Catalogue, LooksUpNames) {
    EXPECT_EQ(p18ByName("18f4550"), p18ByName("18F4550"));
    EXPECT_EQ(p18ByName("PIC18F4550"), p18ByName("18F4550"));
    ASSERT_NE(p18ByName("pic18f452"), nullptr);
    EXPECT_EQ(p18ByName("pic18f452")->name, "18F452");
    EXPECT_EQ(p18ByName("18F45"), nullptr);
    EXPECT_EQ(p18ByName("16F877"), nullptr);
    EXPECT_EQ(p18ByName(""), nullptr);
    ASSERT_TRUE(p18EraseCode(*p18ByName("18F4550"), p18clear::kEeprom).has_value());
    EXPECT_EQ(*p18EraseCode(*p18ByName("18F4550"), p18clear::kEeprom), 0x0084);
    EXPECT_EQ(*p18EraseCode(*p18ByName("18F452"), p18clear::kChip), 0x0080);
    EXPECT_FALSE(p18EraseCode(*p18ByName("18F452"), p18clear::kIds).has_value());
}

// The simulator's parts and the catalogue come from the same facts but were
// typed apart: where they disagree one of them is wrong.
TEST(P18Catalogue, EverySimulatedPartAgreesWithItsRow) {
    for (const sim::P18Part& p : sim::p18Parts()) {
        SCOPED_TRACE(std::string(p.name));
        const P18Device* d = p18ByName(p.name);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(p18ByDeviceId(p.deviceId), d);
        EXPECT_EQ(d->revisionMask, p.revisionMask);
        EXPECT_EQ(d->programBytes, static_cast<std::uint32_t>(p.flashBytes));
        EXPECT_EQ(d->eepromBytes, static_cast<std::uint32_t>(p.eepromBytes));
        EXPECT_EQ(d->writeBuffer, static_cast<std::uint32_t>(p.writeBuffer));
        EXPECT_EQ(d->configMask, p.configMask);
        EXPECT_EQ(d->configErased, p.configErased);
        EXPECT_EQ(d->family->eraseHighRegister, p.scheme->eraseHighRegister);
        EXPECT_EQ(d->family->panelRegister, p.scheme->panelRegister);
        EXPECT_EQ(d->family->vpp.maxCentivolts, p.scheme->vihhMaxCentivolts);
        EXPECT_GE(d->family->times.p11, p.scheme->p11);
        EXPECT_GE(d->family->times.p10, p.scheme->p10);
        EXPECT_GE(d->family->times.p9, p.scheme->p9);
        EXPECT_GE(d->family->times.eepromWrite, p.scheme->eepromWrite);
        EXPECT_EQ(d->family->eepromWrite != P18EepromWrite::PollWr, p.scheme->unlock);
    }
    // The parts to support first are all in the table.
    for (const char* name :
         {"18F4550", "18F2550", "18F2455", "18F4455", "18F4520", "18F2520", "18F4620", "18F2620",
          "18F452", "18F252", "18F1320", "18F1220", "18F4420", "18F2420"}) {
        EXPECT_NE(p18ByName(name), nullptr) << name;
    }
    // And every row has its simulated part, so that every row is tried end to end.
    for (const P18Device& d : kP18Devices) {
        EXPECT_NE(sim::findChip(std::string(d.name)), nullptr) << d.name;
    }
}

}  // namespace
}  // namespace pk
