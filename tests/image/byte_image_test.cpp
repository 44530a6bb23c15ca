#include "image/byte_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

namespace pk {
namespace {

using ::testing::HasSubstr;

const ByteRegions k4550{0x8000, 14, 256};  // 32 KB, 14 configuration bytes, 256 EEPROM
const ByteRegions k2410{0x4000, 14, 0};    // 16 KB, no data EEPROM

TEST(ByteRegions, EachAddressBelongsToTheRightAreaUpToItsLastByte) {
    struct Case {
        const ByteRegions* regions;
        std::uint64_t address;
        bool held;
    };
    const std::vector<Case> cases = {
        {&k4550, 0x000000, true},  {&k4550, 0x007FFF, true},   {&k4550, 0x008000, false},
        {&k4550, 0x1FFFFF, false}, {&k4550, 0x200000, true},   {&k4550, 0x200007, true},
        {&k4550, 0x200008, false}, {&k4550, 0x2FFFFF, false},  {&k4550, 0x300000, true},
        {&k4550, 0x30000D, true},  {&k4550, 0x30000E, false},  {&k4550, 0x3FFFFE, false},
        {&k4550, 0xEFFFFF, false}, {&k4550, 0xF00000, true},   {&k4550, 0xF000FF, true},
        {&k4550, 0xF00100, false}, {&k4550, 0x1F00000, false}, {&k4550, 0x100000000, false},
        {&k2410, 0x003FFF, true},  {&k2410, 0x004000, false},  {&k2410, 0xF00000, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.regions->indexOf(c.address).has_value(), c.held) << std::hex << c.address;
        EXPECT_EQ(ByteAddressOutside(c.address, *c.regions).empty(), c.held)
            << std::hex << c.address;
    }
}

TEST(ByteRegions, TheAreasFillTheArraysWithoutGapOrOverlap) {
    for (const ByteRegions& r : {k4550, k2410, ByteRegions{}}) {
        std::set<std::size_t> seen;
        for (ByteArea a : kByteAreas) {
            const ByteAreaPlace p = r.place(a);
            for (std::uint32_t k = 0; k < p.size; ++k) {
                const auto i = r.indexOf(p.base + k);
                ASSERT_TRUE(i.has_value());
                ASSERT_EQ(*i, p.first + k);
                seen.insert(*i);
            }
        }
        EXPECT_EQ(seen.size(), r.totalBytes());
        EXPECT_TRUE(seen.empty() || *seen.rbegin() == r.totalBytes() - 1);
    }
    EXPECT_EQ(k4550.totalBytes(), 0x8000u + 8 + 14 + 256);
}

TEST(ByteRegions, OversizedAreasAreCutToTheirWindow) {
    // Program memory as large as 3 MB would swallow the ID bytes at 0x200000.
    const ByteRegions huge{0x300000, 0x200000, 0x200000};
    EXPECT_EQ(huge.place(ByteArea::Program).size, 0x200000u);
    EXPECT_EQ(huge.indexOf(0x200000), huge.place(ByteArea::Id).first);
    EXPECT_EQ(huge.place(ByteArea::Config).size, 0x100000u);
    EXPECT_FALSE(huge.indexOf(0x1000000).has_value());
    const ByteImage image(huge);
    EXPECT_EQ(image.HexBytes.size(), huge.totalBytes());
    EXPECT_EQ(image.regions().programBytes, 0x200000u);
}

// The reader's cases show most of these texts in their messages; here the rest.
TEST(ByteRegions, OutsideTextsNameTheAreaAndItsLastAddress) {
    struct Case {
        const ByteRegions* regions;
        std::uint64_t address;
        const char* text;
    };
    const std::vector<Case> cases = {
        {&k4550, 0x200010, "liegt hinter den ID-Bytes des PIC (höchstens 0x200007)"},
        {&k4550, 0xF00100, "liegt hinter dem Data-EEPROM des PIC (höchstens 0xF000FF)"},
        {&k2410, 0xF00000, "gehört zum Data-EEPROM, das der PIC nicht hat"},
        {&k4550, 0x3FFFFE, "liegt hinter den Konfigurationsbytes des PIC (höchstens 0x30000D)"},
        {&k4550, 0x400000, "gehört zu keinem Speicher des PIC"},
        {&k4550, 0x1000000, "gehört zu keinem Speicher des PIC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ByteAddressOutside(c.address, *c.regions), c.text) << std::hex << c.address;
    }
    EXPECT_EQ(HexByteAddress(0x8000), "0x008000");
    EXPECT_EQ(HexByteAddress(0x100000000), "0x100000000");
}

TEST(ByteImage, StartsAbsentAndAFilesFFIsPresent) {
    ByteImage m(k4550);
    EXPECT_FALSE(m.HexLoaded);
    ASSERT_EQ(m.HexBytes.size(), k4550.totalBytes());
    ASSERT_EQ(m.ReadBack.size(), k4550.totalBytes());
    for (std::size_t i = 0; i < m.HexBytes.size(); ++i) {
        ASSERT_EQ(m.HexBytes[i], ByteImage::AbsentByte);
        ASSERT_EQ(m.ReadBack[i], ByteImage::AbsentByte);
    }
    m.area(m.HexBytes, ByteArea::Config)[1] = 0xFF;
    m.area(m.ReadBack, ByteArea::Config)[1] = 0x12;
    EXPECT_TRUE(m.present(0x300001));
    EXPECT_EQ(m.hexByte(0x300001), 0xFF);
    EXPECT_FALSE(m.present(0x300000));
    EXPECT_FALSE(m.present(0x30000E));  // not the chip's
    EXPECT_EQ(m.hexByte(0x400000), ByteImage::AbsentByte);
    m.clear();
    EXPECT_FALSE(m.present(0x300001));
    EXPECT_EQ(m.area(m.ReadBack, ByteArea::Config)[1], 0x12);  // a load never clears it
}

}  // namespace
}  // namespace pk
