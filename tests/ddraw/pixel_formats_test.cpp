#include "platform/ddraw/pixel_formats.h"

#include <gtest/gtest.h>

using namespace platform::ddraw;

namespace {

PixelLayout layoutOf(const DDPIXELFORMAT& f) {
    PixelLayout l;
    EXPECT_TRUE(describeLayout(f, &l));
    return l;
}

TEST(PixelFormats, PureGreenHasTheRawValueOfEachDisplayFormat) {
    EXPECT_EQ(argbToRaw(layoutOf(formatR5G6B5()), 0xFF00FF00u), 0x07E0u);
    EXPECT_EQ(argbToRaw(layoutOf(formatX8R8G8B8()), 0xFF00FF00u), 0x0000FF00u);
    EXPECT_EQ(argbToRaw(layoutOf(formatA8R8G8B8()), 0xFF00FF00u), 0xFF00FF00u);
    EXPECT_EQ(argbToRaw(layoutOf(formatA4R4G4B4()), 0xFF00FF00u), 0xF0F0u);
}

TEST(PixelFormats, NarrowChannelsWidenByBitReplication) {
    const PixelLayout l565 = layoutOf(formatR5G6B5());
    EXPECT_EQ(rawToArgb(l565, 0xFFFF), 0xFFFFFFFFu);
    EXPECT_EQ(rawToArgb(l565, 0xF800), 0xFFFF0000u);
    EXPECT_EQ(rawToArgb(l565, 0x0000), 0xFF000000u);  // no alpha channel: opaque
    // 5-bit 0b10000 -> 0b10000100
    EXPECT_EQ(rawToArgb(l565, 0x8000), 0xFF840000u);
    const PixelLayout l4444 = layoutOf(formatA4R4G4B4());
    EXPECT_EQ(rawToArgb(l4444, 0x7A5F), 0x77AA55FFu);
}

TEST(PixelFormats, PureColoursSurviveARoundTripInEveryFormat) {
    for (const DDPIXELFORMAT& f : {formatR5G6B5(), formatX8R8G8B8(), formatA8R8G8B8(), formatA4R4G4B4()}) {
        const PixelLayout l = layoutOf(f);
        for (uint32_t c : {0xFF000000u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu})
            EXPECT_EQ(rawToArgb(l, argbToRaw(l, c)), c) << std::hex << c << " in " << f.dwRGBBitCount;
    }
}

TEST(PixelFormats, RefusesFormatsTheLayerCannotStore) {
    PixelLayout l;
    DDPIXELFORMAT f = formatX8R8G8B8();
    f.dwRGBBitCount = 24;
    EXPECT_FALSE(describeLayout(f, &l));
    f = formatR5G6B5();
    f.dwGBitMask = 0x0550;  // not one run of bits
    EXPECT_FALSE(describeLayout(f, &l));
    f = formatR5G6B5();
    f.dwRBitMask = 0x1F0000;  // beyond 16 bits
    EXPECT_FALSE(describeLayout(f, &l));
    f = formatX8R8G8B8();
    f.dwFlags |= DDPF_PALETTEINDEXED8;
    EXPECT_FALSE(describeLayout(f, &l));
    EXPECT_TRUE(describeLayout(formatZ24S8(), &l));
    EXPECT_EQ(l.bytesPerPixel, 4);
}

}  // namespace
