#include "device/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "sim/chip.h"
#include "sim/family.h"

namespace pk {
namespace {

// The table checks itself: rows in list order, sizes that are powers of two and
// agree with the label numbers, ID codes unique and well formed, every switch
// mapping back to its own row.
TEST(Catalogue, RowsAreConsistent) {
    std::set<std::uint16_t> codes;
    std::set<std::string_view> switches;
    for (std::size_t i = 0; i < kDevices.size(); ++i) {
        const DeviceInfo& d = kDevices[i];
        SCOPED_TRACE(std::string(d.listText));
        EXPECT_EQ(static_cast<std::size_t>(d.type), i);
        const int words = d.progLastAddr + 1;
        EXPECT_EQ(words & (words - 1), 0) << "program size is a power of two";
        EXPECT_LE(d.progLastAddr, 0x1FFF);
        EXPECT_EQ(d.flashK, words / 1024);
        EXPECT_EQ(d.eepromBytes, d.dataLastAddr + 1);
        EXPECT_LE(d.dataLastAddr, 0xFF);
        if (d.writeScheme == WriteScheme::PairsAfterBulkErase) {
            EXPECT_EQ(d.dataLastAddr, -1) << "the 16F7x have no EEPROM";
        }
        EXPECT_EQ(d.configLayout == ConfigLayout::Layout7x,
                  d.writeScheme == WriteScheme::PairsAfterBulkErase);
        int nCodes = 0;
        for (std::uint16_t c : d.idCodes) {
            if (c == 0)
                continue;
            ++nCodes;
            EXPECT_EQ(c & ~0x3FE0, 0) << "codes carry no revision bits";
            EXPECT_TRUE(codes.insert(c).second) << "code " << c << " twice";
            IdLookup l = lookupDeviceId(static_cast<std::uint16_t>(c | 0x7));
            EXPECT_EQ(l.type, d.type);
            EXPECT_EQ(l.revision, 7);
            EXPECT_FALSE(l.noChip || l.unknown);
        }
        EXPECT_GE(nCodes, 1);
        for (std::string_view s : d.switches) {
            if (s.empty())
                continue;
            EXPECT_TRUE(switches.insert(s).second);
            auto m = lookupSwitch(s);
            ASSERT_TRUE(m.has_value()) << s;
            EXPECT_EQ(m->type, d.type);
        }
        EXPECT_FALSE(d.mapName.empty());
        EXPECT_EQ(deviceInfo(d.type), &d);
    }
    EXPECT_EQ(deviceInfo(-1), nullptr);
    EXPECT_EQ(deviceInfo(kDeviceTypeCount), nullptr);
}

// The simulator keeps its own table of the chips; both must describe the same
// silicon. Every simulated chip is found by its switch and agrees with its row
// in ID code, sizes and implemented configuration bits, and the data sheet's
// waits of the row let every self-timed cycle of the model finish.
TEST(Catalogue, AgreesWithEverySimulatedChip) {
    std::set<std::int32_t> covered;
    for (const sim::ChipModel& m : sim::chipModels()) {
        SCOPED_TRACE(std::string(m.name));
        std::string sw = "/p" + std::string(m.name);
        std::transform(sw.begin(), sw.end(), sw.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const auto match = lookupSwitch(sw);
        ASSERT_TRUE(match.has_value());
        const DeviceInfo& d = *deviceInfo(match->type);
        covered.insert(d.type);

        EXPECT_EQ(m.programWords, d.progLastAddr + 1);
        EXPECT_EQ(m.eepromBytes, d.dataLastAddr + 1);
        EXPECT_EQ(m.configMask, d.config().implemented);
        EXPECT_EQ(m.configMask2, d.config2().implemented);
        // The VPP range the program warns about is the one the simulated chip checks.
        EXPECT_EQ(m.behaviour->vihh().minCentivolts, d.vpp.minCentivolts);
        EXPECT_EQ(m.behaviour->vihh().maxCentivolts, d.vpp.maxCentivolts);
        const bool hasId = m.deviceId != 0;
        if (hasId) {
            const IdLookup id = lookupDeviceId(m.deviceId);
            EXPECT_FALSE(id.unknown || id.noChip);
            EXPECT_EQ(id.type, d.type);
            EXPECT_EQ(id.is84A, d.idless.has_value());
        } else {
            EXPECT_TRUE(d.idless.has_value()) << "a chip without ID needs its own variant";
        }
        EXPECT_EQ(match->is84A, hasId && d.idless.has_value());

        const ChipProcedure p = procedureOf(d, hasId);
        const CycleTimes& ds = p.times->dataSheet;
        const sim::CycleTimes t = sim::cycleTimes(m);
        EXPECT_GE(ds.program, t.word);
        EXPECT_GE(ds.config, t.word);
        if (d.dataLastAddr >= 0) {
            EXPECT_GE(ds.data, t.dataByte);
        }
        const bool setupPair =
            p.erase == EraseScheme::SetupPairPerLoad || p.erase == EraseScheme::SetupPairAtConfig;
        EXPECT_GE(ds.erase, setupPair ? t.setupErase : t.bulkErase);
        if (ds.dataErase.count() > 0) {
            EXPECT_GE(ds.dataErase, setupPair ? t.setupErase : t.bulkErase);
        }
        if (d.unprotect == UnprotectScheme::SetupPairAtConfig) {
            EXPECT_GE(ds.unprotect, t.setupErase);
        }
    }
    EXPECT_EQ(covered.size(), kDevices.size()) << "every row has a simulated chip";
}

TEST(Catalogue, DeviceIdSpecialCases) {
    IdLookup none = lookupDeviceId(0x3FFF);
    EXPECT_TRUE(none.noChip);
    EXPECT_EQ(none.type, Dev16F84);
    EXPECT_EQ(none.revisionText(), "?");
    EXPECT_FALSE(none.is84A);

    IdLookup odd = lookupDeviceId(0x1234);
    EXPECT_TRUE(odd.unknown);
    EXPECT_EQ(odd.type, Dev16F84);
    EXPECT_EQ(odd.revisionText(), std::to_string(0x1234 & 0x3FE0));

    EXPECT_TRUE(lookupDeviceId(0x0560 | 3).is84A);
    EXPECT_FALSE(lookupDeviceId(0x09E7).is84A);
    EXPECT_EQ(lookupDeviceId(0x09E7).revisionText(), "7");
    // 0x0720 is the 16F87; the 16F628 is 0x07C0 alone.
    EXPECT_EQ(lookupDeviceId(0x0723).type, Dev16F87_88);
    EXPECT_EQ(lookupDeviceId(0x07C3).type, Dev16F628);
}

TEST(Catalogue, SwitchesNeedExactLowerCase) {
    EXPECT_TRUE(lookupSwitch("/p16f84a")->is84A);
    EXPECT_FALSE(lookupSwitch("/p16f84")->is84A);
    EXPECT_FALSE(lookupSwitch("/p16f89").has_value());
    EXPECT_FALSE(lookupSwitch("/P16F877").has_value()) << "callers lower-case first";
    EXPECT_TRUE(is16F7x(Dev16F73_74));
    EXPECT_FALSE(is16F7x(Dev16F628));
    EXPECT_FALSE(is16F7x(-1));
}

}  // namespace
}  // namespace pk
