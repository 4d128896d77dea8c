#include "platform/backend/scale_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/support/fit_rule.h"

namespace {

using fit_rule::scaledByRule;
using platform::backend::fitPicture;
using platform::backend::FrameRows;
using platform::backend::scaleInto;
using platform::backend::scaleRowsInto;

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

const int kSizes[][4] = {{640, 480, 1920, 1080}, {640, 480, 640, 480}, {640, 480, 1024, 768}, {37, 23, 101, 59},
                         {101, 59, 37, 23},      {13, 11, 13, 40},     {800, 600, 803, 601},  {9, 9, 3, 17},
                         {640, 480, 641, 480},   {640, 480, 640, 481}, {640, 480, 639, 479},  {5, 7, 5, 7}};

TEST(ScaleFrame, BarsCanBeLeftAsTheyAre) {
    std::vector<uint32_t> src{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};  // 2x2 into 6x4: bars at x 0 and 5
    std::vector<uint32_t> painted(6 * 4, 0xDEADBEEF), kept(6 * 4, 0xDEADBEEF);
    scaleInto(src.data(), 2, 2, 8, painted.data(), 6, 4, 24);
    scaleInto(src.data(), 2, 2, 8, kept.data(), 6, 4, 24, false);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool bar = x == 0 || x == 5;
            EXPECT_EQ(kept[y * 6 + x], bar ? 0xDEADBEEFu : painted[y * 6 + x]) << x << "," << y;
        }
    std::vector<uint32_t> tall(2 * 6, 0xDEADBEEF);  // the picture on rows 2 and 3, bars above and below
    scaleInto(src.data(), 2, 2, 8, tall.data(), 2, 6, 8, false);
    for (int i : {0, 1, 2, 3, 8, 9, 10, 11}) EXPECT_EQ(tall[i], 0xDEADBEEFu) << i;
    EXPECT_EQ(tall[4], 0x0000FFu);
    EXPECT_EQ(tall[7], 0xFFFFFFu);
}

// A frame given row by row from a whole one, counting which rows were asked for and in what order.
struct CountedRows {
    const std::vector<uint32_t>* pixels;
    int width;
    std::vector<int> asked;
    static void row(const void* context, int y, uint32_t* out) {
        auto* self = const_cast<CountedRows*>(static_cast<const CountedRows*>(context));
        self->asked.push_back(y);
        for (int x = 0; x < self->width; ++x) out[x] = (*self->pixels)[size_t(y) * self->width + x] & 0x00FFFFFFu;
    }
};

// Whole or row by row, the picture is the rule's; rows are asked for each once, in rising order.
TEST(ScaleFrame, EverySizeMatchesTheNearestPixelRuleAndLeavesThePaddingAlone) {
    std::mt19937 random(7);
    for (const auto& size : kSizes) {
        const int sw = size[0], sh = size[1], dw = size[2], dh = size[3], pitch = dw + 3;
        std::vector<uint32_t> src(size_t(sw) * sh);
        for (auto& p : src) p = random();
        const auto expected = scaledByRule(src, sw, sh, dw, dh, pitch);
        std::vector<uint32_t> whole(size_t(pitch) * dh, 0x5A5A5A5Au), byRows = whole;
        scaleInto(src.data(), sw, sh, sw * 4, whole.data(), dw, dh, pitch * 4);
        EXPECT_EQ(whole, expected) << sw << "x" << sh << " into " << dw << "x" << dh;
        CountedRows rows{&src, sw, {}};
        scaleRowsInto(FrameRows{sw, sh, &CountedRows::row, &rows}, byRows.data(), dw, dh, pitch * 4);
        EXPECT_EQ(byRows, expected) << sw << "x" << sh << " into " << dw << "x" << dh << " by rows";
        ASSERT_FALSE(rows.asked.empty());
        for (size_t i = 1; i < rows.asked.size(); ++i) ASSERT_LT(rows.asked[i - 1], rows.asked[i]) << i;
        // Every source row shows when the picture is at least as tall as the source.
        if (fitPicture(sw, sh, dw, dh).height >= sh) {
            EXPECT_EQ(rows.asked.size(), size_t(sh)) << sw << "x" << sh << " into " << dw << "x" << dh;
        }
    }
}

TEST(ScaleFrame, RowsLeaveTheBarsAsTheyAreWhenAsked) {
    const std::vector<uint32_t> src{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};  // 2x2 into 6x4: bars at x 0 and 5
    CountedRows rows{&src, 2, {}};
    std::vector<uint32_t> kept(6 * 4, 0xDEADBEEF);
    scaleRowsInto(FrameRows{2, 2, &CountedRows::row, &rows}, kept.data(), 6, 4, 24, false);
    const auto painted = scaledByRule(src, 2, 2, 6, 4, 6);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool bar = x == 0 || x == 5;
            EXPECT_EQ(kept[y * 6 + x], bar ? 0xDEADBEEFu : painted[y * 6 + x]) << x << "," << y;
        }
    // Nothing to show: nothing asked for, nothing written.
    CountedRows none{&src, 2, {}};
    scaleRowsInto(FrameRows{2, 2, nullptr, &none}, kept.data(), 6, 4, 24);
    scaleRowsInto(FrameRows{0, 2, &CountedRows::row, &none}, kept.data(), 6, 4, 24);
    EXPECT_TRUE(none.asked.empty());
    EXPECT_EQ(kept[0], 0xDEADBEEFu);
}

}  // namespace
