// Pixel layouts: decoding, encoding, dithering thresholds, refusal of unknown formats.
#include <gtest/gtest.h>

#include "platform/d3d/pixel_format.h"
#include "platform/d3d/standard_formats.h"

using namespace platform::d3d;

TEST(PixelFormat, SixteenBitChannelsWidenByBitReplication) {
    PixelLayout l;
    ASSERT_TRUE(makeLayout(formatR5G6B5(), &l));
    EXPECT_EQ(l.bytesPerPixel, 2);
    EXPECT_EQ(decodeArgb(l, 0xFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(decodeArgb(l, 0x0000), 0xFF000000u);
    EXPECT_EQ(decodeArgb(l, 0x8410), 0xFF848284u);  // 10000 -> 0x84, 100000 -> 0x82
    ASSERT_TRUE(makeLayout(formatA4R4G4B4(), &l));
    EXPECT_EQ(decodeArgb(l, 0x8F3C), 0x88FF33CCu);
}

TEST(PixelFormat, EncodingRoundsToTheNearestLevelAndRoundTrips) {
    PixelLayout l;
    ASSERT_TRUE(makeLayout(formatR5G6B5(), &l));
    for (uint32_t raw = 0; raw < 0x10000; raw += 97) EXPECT_EQ(encodeArgb(l, decodeArgb(l, raw)), raw);
    EXPECT_EQ(encodeArgb(l, 0xFF080000) >> 11, 1u);  // 8 x 31 / 255 = 0.97 -> 1
    EXPECT_EQ(encodeArgb(l, 0xFF030000) >> 11, 0u);
    ASSERT_TRUE(makeLayout(formatA8R8G8B8(), &l));
    EXPECT_EQ(encodeArgb(l, 0x12345678), 0x12345678u);
}

TEST(PixelFormat, DitherThresholdsSpreadOverTheWholeRange) {
    uint32_t lowest = 255, highest = 0, sum = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t t = ditherThreshold(x, y);
            lowest = std::min(lowest, t);
            highest = std::max(highest, t);
            sum += t;
        }
    EXPECT_LT(lowest, 16u);
    EXPECT_GT(highest, 239u);
    EXPECT_LT(highest, 255u);  // 255 would lift a full channel past its top
    EXPECT_NEAR(sum / 16.0, 127.5, 8);
    EXPECT_EQ(quantizeChannel(255, 5, highest), 31u);
    EXPECT_EQ(quantizeChannel(0, 5, highest), 0u);
}

TEST(PixelFormat, UnknownFormatsAreRefused) {
    PixelLayout l;
    EXPECT_FALSE(makeLayout(rgbFormat(24, 0, 0xFF0000, 0xFF00, 0xFF), &l));
    EXPECT_FALSE(makeLayout(rgbFormat(32, 0, 0, 0xFF00, 0xFF), &l));
    EXPECT_FALSE(makeLayout(rgbFormat(32, 0, 0xFF0F00, 0xF000, 0xFF), &l));  // gap in the mask
    EXPECT_FALSE(makeLayout(formatZ16(), &l));
    DDPIXELFORMAT odd = formatR5G6B5();
    odd.dwFlags = DDPF_PALETTEINDEXED8;
    EXPECT_FALSE(makeLayout(odd, &l));
    DepthLayout z;
    EXPECT_FALSE(makeDepthLayout(formatR5G6B5(), &z));
    ASSERT_TRUE(makeDepthLayout(formatZ24S8(), &z));
    EXPECT_EQ(z.zMax(), 0xFFFFFFu);
    EXPECT_EQ(z.stencilMask, 0xFF000000u);
}
