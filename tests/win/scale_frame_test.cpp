#include "platform/backend/scale_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::backend::fitPicture;
using platform::backend::scaleInto;

TEST(ScaleFrame, FitKeepsTheWholePictureVisibleAndCentred) {
    auto r = fitPicture(800, 600, 1920, 1080);  // 4:3 into 16:9: bars left and right
    EXPECT_EQ(r.height, 1080);
    EXPECT_EQ(r.width, 1440);
    EXPECT_EQ(r.x, 240);
    EXPECT_EQ(r.y, 0);
    r = fitPicture(1920, 1080, 1024, 768);  // 16:9 into 4:3: bars above and below
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 576);
    EXPECT_EQ(r.y, 96);
    r = fitPicture(640, 480, 640, 480);
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(fitPicture(0, 10, 10, 10).width, 0);
    EXPECT_EQ(fitPicture(10, 10, -1, 10).width, 0);
}

TEST(ScaleFrame, IntegerEnlargementRepeatsPixelsAndBarsAreBlack) {
    std::vector<uint32_t> src{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};  // 2x2
    std::vector<uint32_t> dst(6 * 4, 0xDEADBEEF);
    scaleInto(src.data(), 2, 2, 8, dst.data(), 6, 4, 24);  // 4x4 picture in the middle of 6x4
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(dst[y * 6 + 0], 0u);
        EXPECT_EQ(dst[y * 6 + 5], 0u);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst[y * 6 + 1 + x], src[(y / 2) * 2 + x / 2]) << x << "," << y;
    }
}

TEST(ScaleFrame, ShrinkingSamplesPixelCentresAndHonoursPitch) {
    std::vector<uint32_t> src(4 * 4);
    for (int i = 0; i < 16; ++i) src[i] = static_cast<uint32_t>(i) | 0xFF000000u;
    std::vector<uint32_t> dst(3 * 2, 7);  // pitch of 3 pixels, picture 2x2
    scaleInto(src.data(), 4, 4, 16, dst.data(), 2, 2, 12);
    EXPECT_EQ(dst[0], 5u);  // centre of the top-left 2x2 block, the unused top byte cleared
    EXPECT_EQ(dst[1], 7u);
    EXPECT_EQ(dst[3], 13u);
    EXPECT_EQ(dst[4], 15u);
    EXPECT_EQ(dst[2], 7u);  // padding beyond the width untouched
}

}  // namespace
