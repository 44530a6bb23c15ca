#include "viewers/p18_memory_map.h"

#include <gtest/gtest.h>

namespace pk {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb grey(std::uint8_t v) {
    return Rgb{v, v, v};
}

enum class Cell { Word, Id, Config, Eeprom };

// The colour of a cell's square, checked to be one colour corner to corner.
Rgb pixel(const P18MemoryMap& map, Cell kind, int i) {
    const RgbPicture* pic = nullptr;
    int x = 0;
    int y = 0;
    int size = P18MemoryMap::BytePixels;
    switch (kind) {
        case Cell::Word:
            pic = &map.pages[static_cast<std::size_t>(i / 4096)];
            x = 2 * (i % 64);
            y = 2 * (i % 4096 / 64);
            size = 2;
            break;
        case Cell::Id:
            pic = &map.ids;
            x = 8 * i;
            break;
        case Cell::Config:
            pic = &map.config;
            x = 8 * i;
            break;
        case Cell::Eeprom:
            pic = &map.eeprom;
            x = 4 * (i % 128);
            y = 4 * (i / 128);
            size = 4;
            break;
    }
    EXPECT_EQ(pic->at(x, y), pic->at(x + size - 1, y + size - 1)) << i;
    return pic->at(x + size - 1, y + size - 1);
}

struct Byte {
    ByteArea area;
    std::size_t offset;
    std::uint8_t value;
};

ByteImage imageOf(const P18Device& part, std::initializer_list<Byte> bytes) {
    ByteImage image(p18Regions(part));
    image.clear();
    for (const Byte& b : bytes) {
        image.area(image.HexBytes, b.area)[b.offset] = b.value;
    }
    return image;
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
    // 18F4620: all 32768 words.
    const Case cases[] = {
        {"18F1220", Cell::Word, 0, grey(0xEF)},   // GOTO: the high byte is the grey
        {"18F1220", Cell::Word, 1, kFreeColour},  //
        {"18F1220", Cell::Word, 5, kWhite},       // low byte only: used, high byte erased
        {"18F1220", Cell::Word, 6, grey(0x0E)},   // high byte only
        {"18F1220", Cell::Word, 2047, kBlack},    // last word of the part
        {"18F1220", Cell::Word, 2048, kMissingColour},
        {"18F1220", Cell::Word, 32767, kMissingColour},
        {"18F1220", Cell::Id, 7, grey(0x0F)},
        {"18F1220", Cell::Config, 0, kMissingColour},  // the part has no CONFIG1L
        {"18F1220", Cell::Config, 1, grey(0xCF)},
        {"18F1220", Cell::Config, 4, Rgb{128, 0xFF, 0xFF}},  // given, but not the part's
        {"18F1220", Cell::Config, 13, kFreeColour},
        {"18F1220", Cell::Eeprom, 255, grey(0xAA)},
        {"18F1220", Cell::Eeprom, 256, kMissingColour},
        {"18F4550", Cell::Config, 0, kFreeColour},  // CONFIG1L exists here
        {"18F4550", Cell::Word, 16383, kBlack},
        {"18F4550", Cell::Word, 16384, kMissingColour},
        {"18F2525", Cell::Eeprom, 1022, kFreeColour},
        {"18F2525", Cell::Eeprom, 1023, grey(0xAA)},
        {"18F2525", Cell::Config, 0, kMissingColour},
        {"18F4620", Cell::Word, 32767, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.part) + " cell " + std::to_string(c.index));
        const P18Device& part = *p18ByName(c.part);
        const std::size_t lastWord = part.programBytes - 2;
        const ByteImage image = imageOf(part, {{Program, 0, 0x12},
                                               {Program, 1, 0xEF},
                                               {Program, 10, 0x34},
                                               {Program, 13, 0x0E},
                                               {Program, lastWord, 0},
                                               {Program, lastWord + 1, 0},
                                               {Id, 7, 0x0F},
                                               {Config, 1, 0xCF},
                                               {Config, 4, 0xFF},
                                               {Eeprom, part.eepromBytes - 1, 0xAA}});
        EXPECT_EQ(pixel(computeP18MemoryMap(image, part), c.kind, c.index), c.want);
    }
}

TEST(P18MemoryMap, Labels) {
    const P18Device& f4550 = *p18ByName("18F4550");
    ByteImage image = imageOf(f4550, {});
    P18MemoryMap map = computeP18MemoryMap(image, f4550);
    EXPECT_EQ(map.programCaption, "32 KB Flash-Programmspeicher");
    EXPECT_EQ(map.eepromCaption, "256 Byte EEPROM-Datenspeicher");
    EXPECT_EQ(map.typeLabel, "PIC 18F 4550");
    EXPECT_EQ(map.configLabel, "Config: nicht im Hex-File");

    image = imageOf(f4550, {{ByteArea::Config, 0, 0x24}, {ByteArea::Config, 13, 0x40}});
    EXPECT_EQ(p18ConfigLabel(image), "Config: 24 -- -- -- -- -- -- -- -- -- -- -- -- 40");

    const P18Device& f2525 = *p18ByName("18F2525");
    map = computeP18MemoryMap(imageOf(f2525, {}), f2525);
    EXPECT_EQ(map.programCaption, "48 KB Flash-Programmspeicher");
    EXPECT_EQ(map.eepromCaption, "1024 Byte EEPROM-Datenspeicher");
    EXPECT_EQ(p18ProgramCaption(1536), "1536 Byte Flash-Programmspeicher");
}

TEST(P18MemoryMap, SheetPlacesEveryPicture) {
    using enum ByteArea;
    const P18Device& part = *p18ByName("18F4620");
    const ByteImage image = imageOf(part, {{Program, 0x4001, 0x00},  // page 2, first word
                                           {Program, 0x8081, 0x00},  // page 4, row 1
                                           {Config, 1, 0x00},
                                           {Eeprom, 1023, 0x00}});
    const RgbPicture sheet = p18MemoryMapSheet(computeP18MemoryMap(image, part));
    ASSERT_EQ(sheet.width, 536);
    ASSERT_EQ(sheet.height, 320);
    EXPECT_EQ(sheet.at(0, 0), kFreeColour);
    EXPECT_EQ(sheet.at(128, 0), kWhite);  // gap
    EXPECT_EQ(sheet.at(2 * 136 + 1, 1), kBlack);
    EXPECT_EQ(sheet.at(2 * 136 + 2, 1), kFreeColour);
    EXPECT_EQ(sheet.at(0, 136 + 2), kBlack);
    EXPECT_EQ(sheet.at(535, 263), kFreeColour);    // last word of 64 KB
    EXPECT_EQ(sheet.at(80, 272), kBlack);          // CONFIG1H beside the IDs
    EXPECT_EQ(sheet.at(72, 272), kMissingColour);  // the part has no CONFIG1L
    EXPECT_EQ(sheet.at(64, 272), kWhite);
    EXPECT_EQ(sheet.at(511, 319), kBlack);  // last EEPROM byte
    EXPECT_EQ(sheet.at(520, 319), kWhite);
}

}  // namespace
}  // namespace pk
