#include "editors/id_words.h"

#include <gtest/gtest.h>

namespace pk {
namespace {

constexpr std::int32_t kNone = MemoryImage::IdNone;

TEST(IdWords, LabelTextGivesEachEntryTwoBlanks) {
    EXPECT_EQ(idLabelText({5, kNone, 12, 0}), "ID: 5  xx  12  0  ");
    EXPECT_EQ(idLabelText({kNone, kNone, kNone, kNone}), "ID: xx  xx  xx  xx  ");
    // Any value with bit 15 set is absent, not only IdNone itself.
    EXPECT_EQ(idLabelText({0xFFFF, 0x3FFF, kNone | 3, 15}), "ID: xx  16383  xx  15  ");
    EXPECT_FALSE(anyIdPresent({kNone, 0xFFFF, kNone, kNone}));
    EXPECT_TRUE(anyIdPresent({kNone, kNone, kNone, 0}));
}

TEST(IdWords, FileValuesAreZeroExtended) {
    MemoryImage image;
    image.HexWords[0x2001] = 0x3FFF;  // present, even though it is the erased value
    image.HexWords[0x2003] = 7;
    const auto ids = idWordsFromFile(image);
    EXPECT_EQ(ids[0], 0xFFFF);
    EXPECT_FALSE(idPresent(ids[0]));
    EXPECT_EQ(ids[1], 0x3FFF);
    EXPECT_EQ(ids[3], 7);
    EXPECT_EQ(idLabelText(ids), "ID: xx  16383  xx  7  ");
}

TEST(IdWords, EepromDataOnlyCountsInsideTheChip) {
    MemoryImage image;
    EXPECT_FALSE(hasEepromData(image, 0x7F));
    image.HexWords[0x2140] = 0x12;  // offset 0x40: beyond a 64-byte EEPROM
    EXPECT_FALSE(hasEepromData(image, 0x3F));
    EXPECT_TRUE(hasEepromData(image, 0x7F));
    image.HexWords[0x2100] = 0x00;
    EXPECT_TRUE(hasEepromData(image, 0x3F));
    EXPECT_FALSE(hasEepromData(image, -1)) << "no EEPROM, never checked";
    image.clear();
    image.HexWords[0x213F] = 0xFF;  // the last byte of the smallest EEPROM
    EXPECT_TRUE(hasEepromData(image, 0x3F));
}

}  // namespace
}  // namespace pk
