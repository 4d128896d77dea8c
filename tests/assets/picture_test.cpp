#include "tools/lib/assets/picture.h"

#include <gtest/gtest.h>

namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(AssetPicture, Bmp24HeaderDescribesABottomUpRgbBitmap) {
    assets::Picture p(3, 2);
    const auto bytes = assets::encodeBmp24(p);
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);  // rows of 9 bytes padded to 12
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 2), bytes.size());
    EXPECT_EQ(le32(bytes, 10), 54u);
    EXPECT_EQ(le32(bytes, 14), 40u);
    EXPECT_EQ(le32(bytes, 18), 3u);
    EXPECT_EQ(le32(bytes, 22), 2u);
    EXPECT_EQ(bytes[28], 24);
    EXPECT_EQ(le32(bytes, 30), 0u);
}

TEST(AssetPicture, Bmp24StoresTheTopRowLastInBlueGreenRedOrder) {
    assets::Picture p(1, 2);
    p.at(0, 0) = {1.0f, 0.0f, 0.0f};  // top: red
    p.at(0, 1) = {0.0f, 0.0f, 1.0f};  // bottom: blue
    const auto bytes = assets::encodeBmp24(p);
    ASSERT_EQ(bytes.size(), 54u + 2 * 4);
    EXPECT_EQ(bytes[54], 255);  // first stored row is the bottom one: blue byte first
    EXPECT_EQ(bytes[56], 0);
    EXPECT_EQ(bytes[58], 0);    // then the top row: B, G, R = 0, 0, 255
    EXPECT_EQ(bytes[60], 255);
}

TEST(AssetPicture, ValuesOutsideTheRangeAreClampedAndAnEmptyPictureEncodesToNothing) {
    EXPECT_EQ(assets::toByte(-3.0f), 0);
    EXPECT_EQ(assets::toByte(7.0f), 255);
    EXPECT_EQ(assets::toByte(0.5f), 128);
    EXPECT_TRUE(assets::encodeBmp24(assets::Picture()).empty());
}

TEST(AssetPicture, WrappedSamplingJoinsTheLastTexelToTheFirst) {
    assets::Picture p(2, 1);
    p.at(0, 0) = {0, 0, 0};
    p.at(1, 0) = {1, 1, 1};
    EXPECT_NEAR(p.sampleWrapped(0.25f, 0.5f).r, 0.0f, 1e-6f);  // centre of texel 0
    EXPECT_NEAR(p.sampleWrapped(0.0f, 0.5f).r, 0.5f, 1e-6f);   // halfway between texel 1 and texel 0
    EXPECT_NEAR(p.sampleWrapped(1.0f, 0.5f).r, 0.5f, 1e-6f);
}

}  // namespace
