#include "platform/ddraw/widening_arithmetic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace platform::ddraw;

// The ways this processor can take; the fastest is one of them.
std::vector<WideningWay> availableWays() {
    std::vector<WideningWay> ways;
    for (WideningWay way : {WideningWay::Avx2, WideningWay::Avx512})
        if (processorWidens(way)) ways.push_back(way);
    return ways;
}

ChannelLayout channel(int shift, int width) { return {((1u << width) - 1) << shift, shift, width}; }

// Every channel position and width the arithmetic takes, each in the red, green and blue place:
// layouts whose three channels are one and the same, and layouts of three different ones.
std::vector<PixelLayout> acceptedLayouts() {
    std::vector<ChannelLayout> channels;
    for (int width = 4; width <= 8; ++width)
        for (int shift = 0; shift + width <= 16; ++shift) channels.push_back(channel(shift, width));
    std::vector<PixelLayout> layouts;
    const size_t n = channels.size();
    for (size_t i = 0; i < n; ++i) {
        PixelLayout layout;
        layout.bytesPerPixel = 2;
        layout.red = layout.green = layout.blue = channels[i];
        layouts.push_back(layout);
        layout.green = channels[(i + 17) % n];
        layout.blue = channels[(i + 31) % n];
        layouts.push_back(layout);
    }
    for (const DDPIXELFORMAT& format : {formatR5G6B5(), rgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0), formatA4R4G4B4(),
                                        rgbFormat(16, 0x001F, 0x07E0, 0xF800, 0)}) {
        PixelLayout layout;
        if (describeLayout(format, &layout)) layouts.push_back(layout);
    }
    return layouts;
}

std::string describe(const PixelLayout& l, WideningWay way) {
    return "way " + std::to_string(int(way)) + " red " + std::to_string(l.red.shift) + "/" +
           std::to_string(l.red.width) + " green " + std::to_string(l.green.shift) + "/" +
           std::to_string(l.green.width) + " blue " + std::to_string(l.blue.shift) + "/" +
           std::to_string(l.blue.width);
}

// Every raw value of every accepted layout widens as rawToArgb does, each way the processor has.
TEST(WideningArithmetic, EveryRawValueOfEveryAcceptedLayoutWidensAsPixelByPixel) {
    std::vector<uint8_t> bytes(2 * 65536 + 1);
    for (uint32_t raw = 0; raw < 65536; ++raw) {
        const uint16_t v = uint16_t(raw * 40503u);  // every value once, neighbours far apart
        std::memcpy(&bytes[1 + 2 * raw], &v, 2);
    }
    std::vector<uint32_t> out(65536);
    const std::vector<PixelLayout> layouts = acceptedLayouts();
    EXPECT_EQ(layouts.size(), 2 * 55 + 4u);
    for (WideningWay way : availableWays())
        for (const PixelLayout& layout : layouts) {
            ASSERT_TRUE(widensByArithmetic(layout));
            ASSERT_TRUE(widenRowByArithmetic(layout, bytes.data() + 1, 65536, out.data(), way));
            int wrong = 0;
            for (uint32_t i = 0; i < 65536; ++i)
                wrong += out[i] != (rawToArgb(layout, uint16_t(i * 40503u)) & 0x00FFFFFFu);
            EXPECT_EQ(wrong, 0) << describe(layout, way);
        }
}

// Rows of every width up to a few steps, from every byte offset to every pixel offset of a cache
// line, stored through the cache or streamed: exactly `width` pixels are written, each right, and
// nothing before or after them.
TEST(WideningArithmetic, RowsOfAnyWidthAndOffsetWriteExactlyTheirPixels) {
    PixelLayout layout;
    ASSERT_TRUE(describeLayout(formatR5G6B5(), &layout));
    std::vector<uint8_t> bytes(2 * 200 + 8);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 151 + 7);
    for (WideningWay way : availableWays())
        for (WideningStores stores : {WideningStores::Cached, WideningStores::Streamed})
        for (int from = 0; from < 4; ++from)
            for (int at = 0; at <= 16; ++at)
                for (int width = 0; width <= 100; ++width) {
                    std::vector<uint32_t> out(size_t(width) + 17, 0xDEADBEEFu);
                    ASSERT_TRUE(widenRowByArithmetic(layout, bytes.data() + from, width, out.data() + at, way, stores));
                    for (int x = 0; x < width + 17 - at; ++x) {
                        uint16_t raw;
                        std::memcpy(&raw, &bytes[size_t(from) + 2 * size_t(x)], 2);
                        const uint32_t want = x < width ? rawToArgb(layout, raw) & 0x00FFFFFFu : 0xDEADBEEFu;
                        ASSERT_EQ(out[size_t(at + x)], want) << int(way) << " from " << from << " width " << width << " x " << x;
                    }
                    for (int x = 0; x < at; ++x) ASSERT_EQ(out[size_t(x)], 0xDEADBEEFu);
                }
}

// Channels under 4 or over 8 bits, a 32-bit layout or a mask that does not match its channel are
// refused, and nothing is written.
TEST(WideningArithmetic, LayoutsOutsideItsRangeAreRefusedUntouched) {
    PixelLayout base;
    ASSERT_TRUE(describeLayout(formatR5G6B5(), &base));
    std::vector<PixelLayout> refused(5, base);
    refused[0].blue = channel(0, 3);
    refused[1].green = channel(2, 9);
    refused[2].bytesPerPixel = 4;
    refused[3].red.mask = 0x7800;
    refused[4].red = channel(13, 5);  // past the 16 bits
    const uint8_t bytes[4] = {0x12, 0x34, 0x56, 0x78};
    for (WideningWay way : {WideningWay::Fastest, WideningWay::Avx2, WideningWay::Avx512})
        for (const PixelLayout& layout : refused) {
            uint32_t out[2] = {1, 2};
            EXPECT_FALSE(widensByArithmetic(layout));
            EXPECT_FALSE(widenRowByArithmetic(layout, bytes, 2, out, way));
            EXPECT_EQ(out[0], 1u);
            EXPECT_EQ(out[1], 2u);
        }
    EXPECT_EQ(processorWidens(WideningWay::Fastest), !availableWays().empty());
}

}  // namespace
