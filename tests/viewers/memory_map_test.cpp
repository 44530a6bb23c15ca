#include "viewers/memory_map.h"

#include <gtest/gtest.h>

#include <iterator>

namespace pk {
namespace {

DeviceState stateFor(DeviceType type) {
    const DeviceInfo* d = deviceInfo(type);
    return DeviceState{type, d->progLastAddr, d->dataLastAddr, false};
}

// The colour of the square of program word i in the pictures.
Rgb programPixel(const MemoryMap& map, int i) {
    const RgbPicture& page = map.pages[static_cast<std::size_t>(i / 0x800)];
    const int row = (i % 0x800) / 32;
    const int column = i % 32;
    // All 16 pixels of the square carry the colour; sample two corners.
    EXPECT_EQ(page.at(4 * column, 4 * row), page.at(4 * column + 3, 4 * row + 3));
    return page.at(4 * column + 3, 4 * row + 3);
}

Rgb eepromPixel(const MemoryMap& map, int i) {
    EXPECT_EQ(map.eeprom.at(8 * (i % 64), 8 * (i / 64)),
              map.eeprom.at(8 * (i % 64) + 7, 8 * (i / 64) + 7));
    return map.eeprom.at(8 * (i % 64) + 7, 8 * (i / 64) + 7);
}

TEST(MemoryMap, EmptyImageOn16F84) {
    MemoryImage image;
    const MemoryMap map = computeMemoryMap(image, stateFor(Dev16F84));
    for (int i = 0; i < 0x2000; ++i) {
        ASSERT_EQ(programPixel(map, i), i < 0x400 ? kFreeColour : kMissingColour) << i;
    }
    // Page 0: 32 free rows then 32 missing rows.
    EXPECT_EQ(map.pages[0].at(0, 127), kFreeColour);
    EXPECT_EQ(map.pages[0].at(0, 128), kMissingColour);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(eepromPixel(map, i), i < 64 ? kFreeColour : kMissingColour) << i;
    }
    EXPECT_EQ(map.programCaption, "1 k Flash-Programmspeicher");
    EXPECT_EQ(map.eepromCaption, "64 Byte EEPROM-Datenspeicher");
    EXPECT_EQ(map.typeLabel, "PIC 16F 84/84A");
    EXPECT_EQ(map.configLabel, "Config: nicht im Hex-File");
}

TEST(MemoryMap, CellColourRule) {
    // Code: the top eight of fourteen bits as grey.
    EXPECT_EQ(programCellColour(0x2805, 0, 0x03FF), (Rgb{160, 160, 160}));
    EXPECT_EQ(programCellColour(0x3FFF, 0, 0x03FF), (Rgb{255, 255, 255}));
    EXPECT_EQ(programCellColour(0x0000, 0x03FF, 0x03FF), (Rgb{0, 0, 0}));
    // Present but beyond the chip: a conflict, red halved.
    EXPECT_EQ(programCellColour(0x0000, 0x0400, 0x03FF), (Rgb{128, 0, 0}));
    EXPECT_EQ(programCellColour(0x3FFF, 0x0400, 0x03FF), (Rgb{128, 255, 255}));
    EXPECT_EQ(programCellColour(0x2BFF, 0x0400, 0x03FF), (Rgb{128, 0xAF, 0xAF}));
    // EEPROM: the byte itself as grey.
    EXPECT_EQ(eepromCellColour(0x00AE, 0, 0x3F), (Rgb{0xAE, 0xAE, 0xAE}));
    EXPECT_EQ(eepromCellColour(0x00AE, 0x40, 0x3F), (Rgb{128, 0xAE, 0xAE}));
    EXPECT_EQ(eepromCellColour(MemoryImage::AbsentWord, 0, -1), kMissingColour);
}

TEST(MemoryMap, ConflictDependsOnSelectedChip) {
    MemoryImage image;
    image.HexWords[0] = 0x2805;
    image.HexWords[0x0400] = 0x2805;
    const MemoryMap small = computeMemoryMap(image, stateFor(Dev16F84));
    EXPECT_EQ(programPixel(small, 0), (Rgb{160, 160, 160}));
    EXPECT_EQ(programPixel(small, 0x0400), (Rgb{128, 160, 160}));
    const MemoryMap big = computeMemoryMap(image, stateFor(Dev16F876_877));
    EXPECT_EQ(programPixel(big, 0x0400), (Rgb{160, 160, 160}));
    EXPECT_EQ(big.programCaption, "8 k Flash-Programmspeicher");
    EXPECT_EQ(big.eepromCaption, "256 Byte EEPROM-Datenspeicher");
    EXPECT_EQ(big.typeLabel, "PIC 16F 876/877");
}

TEST(MemoryMap, PagesAndEepromPlacement) {
    MemoryImage image;
    image.HexWords[0x0821] = 0x0000;                        // page 1, row 1, column 1
    image.HexWords[0x1FFF] = 0x0000;                        // page 3, last square
    image.HexWords[MemoryImage::EepromBase + 65] = 0x0000;  // row 1, column 1
    const MemoryMap map = computeMemoryMap(image, stateFor(Dev16F876_877));
    EXPECT_EQ(map.pages[1].at(4, 4), (Rgb{0, 0, 0}));
    EXPECT_EQ(map.pages[1].at(3, 4), kFreeColour);
    EXPECT_EQ(map.pages[3].at(127, 255), (Rgb{0, 0, 0}));
    EXPECT_EQ(map.eeprom.at(8, 8), (Rgb{0, 0, 0}));
    EXPECT_EQ(map.eeprom.at(7, 8), kFreeColour);
}

TEST(MemoryMap, LabelsForEveryType) {
    struct Labels {
        const char* name;
        const char* flash;
        const char* eeprom;
    };
    const Labels labels[] = {
        {"PIC 16F 84/84A", "1", "64"},       {"PIC 16F 876/877", "8", "256"},
        {"PIC 16F 873/874", "4", "128"},     {"PIC 16F 870/871", "2", "64"},
        {"PIC 16F 76/76", "8", "0"},         {"PIC 16F 73/74", "4", "0"},
        {"PIC 16F 627", "1", "128"},         {"PIC 16F 628", "2", "128"},
        {"PIC 16F 627A", "1", "128"},        {"PIC 16F 628A", "2", "128"},
        {"PIC 16F 648A", "4", "256"},        {"PIC 16F 873A/874A", "4", "128"},
        {"PIC 16F 876A/877A", "8", "256"},   {"PIC 16F 87/88", "4", "256"},
        {"PIC 16F 818", "1", "128"},         {"PIC 16F 819", "2", "256"},
        {"PIC 12F 629/675", "1", "128"},     {"PIC 16F 630/676", "1", "128"},
        {"PIC 16F 882", "2", "128"},         {"PIC 16F 883/884", "4", "256"},
        {"PIC 16F 886/887", "8", "256"},     {"PIC 12F 683", "2", "256"},
        {"PIC 16F 684", "2", "256"},         {"PIC 16F 688", "4", "256"},
        {"PIC 16F 631", "1", "128"},         {"PIC 16F 677/687", "2", "256"},
        {"PIC 16F 685/689/690", "4", "256"}, {"PIC 16F 72", "2", "0"},
        {"PIC 16F 716", "2", "0"},           {"PIC 16F 913/914", "4", "256"},
        {"PIC 16F 916/917/946", "8", "256"}, {"PIC 12F 609/615, 16F 610", "1", "0"},
        {"PIC 16F 616", "2", "0"},           {"PIC 16F 785", "2", "256"},
    };
    static_assert(std::size(labels) == kDeviceTypeCount);
    for (int t = 0; t < kDeviceTypeCount; ++t) {
        SCOPED_TRACE(t);
        const MemoryMap map = computeMemoryMap(MemoryImage{}, stateFor(static_cast<DeviceType>(t)));
        EXPECT_EQ(map.typeLabel, labels[t].name);
        EXPECT_EQ(map.programCaption, std::string(labels[t].flash) + " k Flash-Programmspeicher");
        EXPECT_EQ(map.eepromCaption, std::string(labels[t].eeprom) + " Byte EEPROM-Datenspeicher");
    }
    EXPECT_EQ(mapTypeLabel(-1), std::nullopt);
    EXPECT_EQ(mapTypeLabel(kDeviceTypeCount), std::nullopt);
    // 16F7x: no EEPROM, every square missing.
    const MemoryMap map = computeMemoryMap(MemoryImage{}, stateFor(Dev16F76_77));
    EXPECT_EQ(eepromPixel(map, 0), kMissingColour);
    EXPECT_EQ(programGroupCaption(0x05FF), "1,5 k Flash-Programmspeicher");
}

TEST(MemoryMap, ConfigurationLabel) {
    MemoryImage image;
    EXPECT_EQ(configLabel(image), "Config: nicht im Hex-File");
    image.HexWords[MemoryImage::ConfigAddr] = 0x3FF0;
    EXPECT_EQ(configLabel(image), "Config: 3FF0");
    image.HexWords[MemoryImage::ConfigAddr] = 0x00AB;
    EXPECT_EQ(configLabel(image), "Config: 00AB");
    image.HexWords[MemoryImage::Config2Addr] = 0x3FFC;
    EXPECT_EQ(configLabel(image), "Config: 00AB 3FFC");
}

TEST(MemoryMap, SheetHoldsAllPictures) {
    MemoryImage image;
    image.HexWords[0x1800] = 0x0000;
    image.HexWords[MemoryImage::EepromBase + 255] = 0x0000;
    const MemoryMap map = computeMemoryMap(image, stateFor(Dev16F876_877));
    const RgbPicture sheet = memoryMapSheet(map);
    ASSERT_EQ(sheet.width, 4 * 128 + 3 * 8);
    ASSERT_EQ(sheet.height, 256 + 8 + 32);
    EXPECT_EQ(sheet.at(0, 0), kFreeColour);
    EXPECT_EQ(sheet.at(128, 0), (Rgb{255, 255, 255}));  // gap
    EXPECT_EQ(sheet.at(3 * 136, 0), (Rgb{0, 0, 0}));    // page 3, address 0x1800
    EXPECT_EQ(sheet.at(511, 256 + 8 + 31), (Rgb{0, 0, 0}));
    EXPECT_EQ(sheet.at(520, 256 + 8), (Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace pk
