#include "viewers/p18_memory_map.h"

#include <gtest/gtest.h>

namespace pk {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb grey(std::uint8_t v) {
    return Rgb{v, v, v};
}

enum class Cell { Word, Id, Config, Eeprom, Gap };

// The far corner of a cell's square on the sheet: pages of 64 x 64 words of 2 x 2
// pixels, two rows of four, 8 pixels apart; below them the ID and configuration
// squares of 8 x 8, then the EEPROM, 128 squares of 4 x 4 a row.
Rgb onSheet(const RgbPicture& sheet, Cell kind, int i) {
    switch (kind) {
        case Cell::Word: {
            const int page = i / 4096;
            return sheet.at(page % 4 * 136 + 2 * (i % 64) + 1,
                            page / 4 * 136 + 2 * (i % 4096 / 64) + 1);
        }
        case Cell::Id:
            return sheet.at(8 * i + 7, 279);
        case Cell::Config:
            return sheet.at(72 + 8 * i + 7, 279);
        case Cell::Eeprom:
            return sheet.at(4 * (i % 128) + 3, 288 + 4 * (i / 128) + 3);
        case Cell::Gap:
            return sheet.at(i, 130);
    }
    return {};
}

TEST(P18MemoryMap, CellsAtTheBordersOfEachArea) {
    using enum ByteArea;
    struct Case {
        const char* part;
        Cell kind;
        int index;
        Rgb want;
    };
    // 18F1220: 2048 words, 256 EEPROM bytes, no CONFIG1L. 18F2525: 1 KB EEPROM.
    const Case cases[] = {
        {"18F1220", Cell::Word, 0, grey(0xEF)},  // GOTO: the high byte is the grey
        {"18F1220", Cell::Word, 1, kFreeColour},
        {"18F1220", Cell::Word, 5, kWhite},      // low byte only: used, high byte erased
        {"18F1220", Cell::Word, 6, grey(0x0E)},  // high byte only
        {"18F1220", Cell::Word, 2047, kBlack},   // last word of the part
        {"18F1220", Cell::Word, 2048, kMissingColour},
        {"18F1220", Cell::Id, 7, grey(0x0F)},
        {"18F1220", Cell::Config, 0, kMissingColour},
        {"18F1220", Cell::Config, 1, grey(0xCF)},
        {"18F1220", Cell::Config, 4, Rgb{128, 0xFF, 0xFF}},  // given, but not the part's
        {"18F1220", Cell::Config, 13, kFreeColour},
        {"18F1220", Cell::Eeprom, 255, grey(0xAA)},
        {"18F1220", Cell::Eeprom, 256, kMissingColour},
        {"18F1220", Cell::Gap, 128, kWhite},
        {"18F4550", Cell::Config, 0, kFreeColour},  // CONFIG1L exists here
        {"18F4550", Cell::Word, 16383, kBlack},
        {"18F4550", Cell::Word, 16384, kMissingColour},
        {"18F2525", Cell::Eeprom, 1022, kFreeColour},
        {"18F2525", Cell::Eeprom, 1023, grey(0xAA)},
        {"18F4620", Cell::Word, 32767, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.part) + " cell " + std::to_string(c.index));
        const P18Device& part = *p18ByName(c.part);
        ByteImage image(p18Regions(part));
        image.clear();
        const auto set = [&image](ByteArea area, std::size_t offset, std::uint8_t value) {
            image.area(image.HexBytes, area)[offset] = value;
        };
        set(Program, 0, 0x12);
        set(Program, 1, 0xEF);
        set(Program, 10, 0x34);
        set(Program, 13, 0x0E);
        set(Program, part.programBytes - 2, 0);
        set(Program, part.programBytes - 1, 0);
        set(Id, 7, 0x0F);
        set(Config, 1, 0xCF);
        set(Config, 4, 0xFF);
        set(Eeprom, part.eepromBytes - 1, 0xAA);
        const RgbPicture sheet = p18MemoryMapSheet(computeP18MemoryMap(image, part));
        ASSERT_EQ(sheet.width, 536);
        ASSERT_EQ(sheet.height, 320);
        EXPECT_EQ(onSheet(sheet, c.kind, c.index), c.want);
    }
}

TEST(P18MemoryMap, Labels) {
    const P18Device& part = *p18ByName("18F4550");
    ByteImage image(p18Regions(part));
    image.clear();
    P18MemoryMap map = computeP18MemoryMap(image, part);
    EXPECT_EQ(map.programCaption, "32 KB Flash-Programmspeicher");
    EXPECT_EQ(map.eepromCaption, "256 Byte EEPROM-Datenspeicher");
    EXPECT_EQ(map.typeLabel, "PIC 18F 4550");
    EXPECT_EQ(map.configLabel, "Config: nicht im Hex-File");
    const auto config = image.area(image.HexBytes, ByteArea::Config);
    config[0] = 0x24;
    config[13] = 0x40;
    EXPECT_EQ(p18ConfigLabel(image), "Config: 24 -- -- -- -- -- -- -- -- -- -- -- -- 40");
    map = computeP18MemoryMap(image, *p18ByName("18F2525"));
    EXPECT_EQ(map.programCaption, "48 KB Flash-Programmspeicher");
    EXPECT_EQ(map.eepromCaption, "1024 Byte EEPROM-Datenspeicher");
}

}  // namespace
}  // namespace pk
