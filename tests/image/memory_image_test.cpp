#include "image/memory_image.h"

#include <gtest/gtest.h>

namespace pk {
namespace {

TEST(MemoryImage, StartsBlankWithEverythingAbsent) {
    MemoryImage m;
    EXPECT_FALSE(m.HexLoaded);
    for (std::size_t a = 0; a < MemoryImage::Size; ++a) {
        ASSERT_EQ(m.HexWords[a], 0xFFFF) << a;
        ASSERT_EQ(m.ReadBack[a], 0xFFFF) << a;
        ASSERT_FALSE(m.present(a));
    }
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(m.IdWords[k], MemoryImage::IdNone);
        EXPECT_EQ(m.IdEdited[k], MemoryImage::IdNone);
    }
}

TEST(MemoryImage, ErasedValueCountsAsPresentAndClearLeavesReadBack) {
    MemoryImage m;
    m.HexWords[0x10] = 0x3FFF;
    m.ReadBack[0x10] = 0x1234;
    EXPECT_TRUE(m.present(0x10));
    EXPECT_FALSE(m.present(0x11));
    EXPECT_FALSE(m.present(MemoryImage::Size));  // outside the image
    m.clear();
    EXPECT_FALSE(m.present(0x10));
    EXPECT_EQ(m.ReadBack[0x10], 0x1234);
}

}  // namespace
}  // namespace pk
