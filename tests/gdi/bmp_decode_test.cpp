// Decoding every kind of BMP file to the same pixels, and the writer's files read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bmp_samples.h"
#include "platform/gdi/bmp_codec.h"

using namespace platform::gdi;
using bmp_samples::Kind;
using bmp_samples::Picture;

namespace {

Picture pictureFor(Kind kind, int width, int height) {
    Picture p = bmp_samples::pureColourPicture(width, height);
    if (kind == Kind::Bits1)
        for (uint32_t& c : p.pixels) c = (c == 0x00FF00 || c == 0xFF0000 || c == 0) ? 0x000000 : 0xFFFFFF;
    return p;
}

DecodedBitmap decode(const std::vector<uint8_t>& bytes) {
    DecodedBitmap out;
    EXPECT_TRUE(decodeBmp(bytes.data(), bytes.size(), &out));
    return out;
}

class BmpKinds : public ::testing::TestWithParam<Kind> {};

TEST_P(BmpKinds, DecodeToTheEncodedPixels) {
    // Odd sizes exercise row padding and partial bytes of the sub-byte depths.
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {13, 5}, {32, 4}}) {
        Picture p = pictureFor(GetParam(), w, h);
        DecodedBitmap d = decode(bmp_samples::encode(p, GetParam()));
        ASSERT_EQ(d.width, w);
        ASSERT_EQ(d.height, h);
        EXPECT_EQ(d.pixels, p.pixels) << "size " << w << "x" << h;
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, BmpKinds, ::testing::ValuesIn(bmp_samples::allKinds()),
                         [](const auto& info) { return std::string(bmp_samples::kindName(info.param)); });

TEST(BmpDecode, SixteenBitFieldsExpandToFullChannels) {
    // 5- and 6-bit fields are widened by repeating their bits: all ones is 255, a middle value too.
    std::vector<uint8_t> f = bmp_samples::infoHeader(2, 1, 16, 3, 0);
    for (uint32_t m : {0xF800u, 0x07E0u, 0x001Fu}) bmp_samples::putU32(f, m);
    f[10] = static_cast<uint8_t>(f.size());
    bmp_samples::putU16(f, 0x07E0);                  // pure green
    bmp_samples::putU16(f, (16u << 11) | (32u << 5));  // red 10000, green 100000
    DecodedBitmap d = decode(f);
    ASSERT_EQ(d.pixels.size(), 2u);
    EXPECT_EQ(d.pixels[0], 0x00FF00u);
    EXPECT_EQ(d.pixels[1], 0x848200u);
}

TEST(BmpDecode, PaletteIndexPastThePaletteIsBlack) {
    std::vector<uint8_t> f = bmp_samples::infoHeader(2, 1, 8, 0, 1);
    bmp_samples::putU32(f, 0x00ABCDEF);
    f.insert(f.end(), {0, 200, 0, 0});
    DecodedBitmap d = decode(f);
    ASSERT_EQ(d.pixels.size(), 2u);
    EXPECT_EQ(d.pixels[0], 0xABCDEFu);
    EXPECT_EQ(d.pixels[1], 0u);
}

TEST(BmpDecode, RleDeltaLeavesSkippedPixelsBlack) {
    std::vector<uint8_t> f = bmp_samples::infoHeader(4, 2, 8, 1, 2);
    bmp_samples::putU32(f, 0x00FF0000);
    bmp_samples::putU32(f, 0x000000FF);
    // Bottom row: one red, then move right 2 and up 1, one blue at (3, top row); end of bitmap.
    f.insert(f.end(), {1, 0, 0, 2, 2, 1, 1, 1, 0, 1});
    DecodedBitmap d = decode(f);
    std::vector<uint32_t> expected = {0, 0, 0, 0xFF, 0xFF0000, 0, 0, 0};
    EXPECT_EQ(d.pixels, expected);
}

TEST(BmpDecode, LastRowMayLackItsPadding) {
    Picture p = bmp_samples::pureColourPicture(3, 2);  // 9 bytes a row, 3 of padding
    std::vector<uint8_t> f = bmp_samples::encode(p, Kind::Bits24);
    f.resize(f.size() - 3);
    EXPECT_EQ(decode(f).pixels, p.pixels);
}

TEST(BmpWriter, WritesTwentyFourBitFilesThatReadBack) {
    const int w = 5, h = 3;
    std::vector<uint8_t> rgb;
    for (int i = 0; i < w * h; ++i) rgb.insert(rgb.end(), {uint8_t(i * 10), uint8_t(255 - i), uint8_t(i * 3)});
    char path[] = "/tmp/vorel_bmp_writer_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_TRUE(writeBmp24(path, w, h, rgb.data()));
    DecodedBitmap d;
    ASSERT_TRUE(loadBmpFile(path, &d));
    std::remove(path);
    ASSERT_EQ(d.width, w);
    ASSERT_EQ(d.height, h);
    for (int i = 0; i < w * h; ++i) {
        uint32_t expected = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
        EXPECT_EQ(d.pixels[static_cast<size_t>(i)], expected) << "pixel " << i;
    }
}

TEST(BmpWriter, RefusesEmptyPicturesAndUnwritablePaths) {
    uint8_t rgb[3] = {1, 2, 3};
    EXPECT_TRUE(encodeBmp24(0, 1, rgb).empty());
    EXPECT_TRUE(encodeBmp24(1, -1, rgb).empty());
    EXPECT_FALSE(writeBmp24("/nonexistent-folder/x.bmp", 1, 1, rgb));
    DecodedBitmap d;
    EXPECT_FALSE(loadBmpFile("/nonexistent-folder/x.bmp", &d));
}

}  // namespace
