#include "jpeg_decode.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace pk {
namespace {

std::vector<std::uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> infoPicture() {
    return readFile(PKORVEL_INFO_PICTURE);
}

DecodedPicture decode(const std::vector<std::uint8_t>& bytes) {
    return decodeJpeg(bytes.data(), bytes.size());
}

// Offset of the first baseline/progressive frame header (SOF0..SOF2), or 0.
std::size_t frameHeader(const std::vector<std::uint8_t>& jpeg) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xC0 && jpeg[i + 1] <= 0xC2) {
            return i;
        }
    }
    return 0;
}

TEST(JpegDecode, InfoPictureIs200x200Colour) {
    const auto bytes = infoPicture();
    ASSERT_GT(bytes.size(), 1000u);
    // JFIF: SOI followed by an APP0 segment named "JFIF".
    ASSERT_EQ(bytes[0], 0xFF);
    ASSERT_EQ(bytes[1], 0xD8);
    ASSERT_EQ(bytes[3], 0xE0);
    EXPECT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 10), "JFIF");

    const DecodedPicture p = decode(bytes);
    ASSERT_TRUE(p.ok()) << p.error;
    EXPECT_EQ(p.width, 200);
    EXPECT_EQ(p.height, 200);
    ASSERT_EQ(p.rgb.size(), 200u * 200u * 3u);
    auto px = [&](int x, int y) { return &p.rgb[(static_cast<std::size_t>(y) * 200 + x) * 3]; };
    // The board is green, the chip in the socket nearly black, the sky light.
    const auto* board = px(60, 130);
    EXPECT_GT(board[1], board[0] + 30);
    EXPECT_GT(board[1], board[2] + 30);
    const auto* chip = px(152, 120);
    EXPECT_LT(chip[0] + chip[1] + chip[2], 150);
    const auto* background = px(100, 8);
    EXPECT_GT(background[0] + background[1] + background[2], 600);
}

TEST(JpegDecode, DamagedPicturesGiveAnErrorNotAnExit) {
    const auto good = infoPicture();
    ASSERT_FALSE(good.empty());

    EXPECT_FALSE(decodeJpeg(nullptr, 0).ok());

    const std::vector<std::uint8_t> text{'n', 'o', ' ', 'j', 'p', 'e', 'g'};
    DecodedPicture p = decode(text);
    EXPECT_FALSE(p.ok());
    EXPECT_NE(p.error.find("Not a JPEG"), std::string::npos) << p.error;
    EXPECT_TRUE(p.rgb.empty());

    // Cut inside the headers: a fatal libjpeg error.
    std::vector<std::uint8_t> headerOnly(good.begin(), good.begin() + 100);
    p = decode(headerOnly);
    EXPECT_FALSE(p.ok());
    EXPECT_EQ(p.width, 0);

    // Cut inside the scan: libjpeg only warns and fills the rest grey; we refuse it.
    std::vector<std::uint8_t> half(good.begin(), good.begin() + good.size() / 2);
    p = decode(half);
    EXPECT_FALSE(p.ok());
    EXPECT_TRUE(p.rgb.empty());

    // Garbage in the middle of the scan data must not crash, whatever libjpeg makes of it.
    std::vector<std::uint8_t> scrambled = good;
    for (std::size_t i = scrambled.size() / 3; i < scrambled.size() / 3 + 64; ++i) {
        scrambled[i] = static_cast<std::uint8_t>(scrambled[i] * 31 + 7);
    }
    p = decode(scrambled);
    if (p.ok()) {
        EXPECT_EQ(p.rgb.size(), 200u * 200u * 3u);
    }
}

TEST(JpegDecode, HugeDeclaredSizeIsRefusedBeforeAllocating) {
    auto bytes = infoPicture();
    const std::size_t sof = frameHeader(bytes);
    ASSERT_NE(sof, 0u);
    // SOF: marker(2) length(2) precision(1) height(2) width(2).
    bytes[sof + 5] = 0xFF;
    bytes[sof + 6] = 0xF0;
    bytes[sof + 7] = 0xFF;
    bytes[sof + 8] = 0xF0;
    const DecodedPicture p = decode(bytes);
    EXPECT_FALSE(p.ok());
    EXPECT_TRUE(p.rgb.empty());
}

}  // namespace
}  // namespace pk
