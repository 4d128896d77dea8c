#include "platform/ddraw/widening_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace platform::ddraw;

// Every raw value of the 16-bit display and texture layouts widens as rawToArgb does, and the
// table follows a change of layout.
TEST(WideningTable, EveryRawValueWidensAsPixelByPixelAndFollowsTheLayout) {
    WideningTable table;
    for (const DDPIXELFORMAT& format : {formatR5G6B5(), rgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0), formatA4R4G4B4()}) {
        PixelLayout layout;
        ASSERT_TRUE(describeLayout(format, &layout));
        const uint32_t* entries = table.forLayout(layout);
        int wrong = 0;
        for (uint32_t raw = 0; raw < 65536; ++raw) wrong += entries[raw] != (rawToArgb(layout, raw) & 0x00FFFFFFu);
        EXPECT_EQ(wrong, 0) << format.dwRBitMask;
    }
}

TEST(WideningTable, RowsWidenFromUnalignedMemory) {
    WideningTable table;
    PixelLayout layout;
    ASSERT_TRUE(describeLayout(formatR5G6B5(), &layout));
    const uint8_t bytes[7] = {0xAA, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00};  // from byte 1: red, green, blue
    std::vector<uint32_t> out(3);
    WideningTable::widenRow(table.forLayout(layout), bytes + 1, 3, out.data());
    EXPECT_EQ(out, (std::vector<uint32_t>{0xFF0000u, 0x00FF00u, 0x0000FFu}));
}

// The shifts give the table's value for every raw value of 565, 555 and 4444, at every row length
// around the eight-pixel groups and from unaligned memory.
TEST(WideningTable, ShiftsGiveTheTablesValuesForEveryRawValueAndRowLength) {
    WideningTable table;
    std::vector<uint8_t> bytes(2 * 65536 + 1);
    for (uint32_t raw = 0; raw < 65536; ++raw) {
        const uint16_t v = uint16_t(raw * 40503u);  // every value once, neighbours far apart
        std::memcpy(&bytes[1 + 2 * raw], &v, 2);
    }
    for (const DDPIXELFORMAT& format : {formatR5G6B5(), rgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0), formatA4R4G4B4()}) {
        PixelLayout layout;
        ASSERT_TRUE(describeLayout(format, &layout));
        const uint32_t* entries = table.forLayout(layout);
        for (int width : {65536, 17, 8, 7, 1}) {
            std::vector<uint32_t> shifted(size_t(width) + 1, 0xDEADBEEFu), byTable(size_t(width) + 1, 0xDEADBEEFu);
            ASSERT_TRUE(widenRowByArithmetic(layout, bytes.data() + 1, width, shifted.data()));
            WideningTable::widenRow(entries, bytes.data() + 1, width, byTable.data());
            EXPECT_EQ(shifted, byTable) << format.dwRBitMask << " width " << width;  // the one past stays
        }
    }
}

// Pictures widen row by row into packed rows, whatever the pitch, stored through the cache or
// streamed; layouts the shifts cannot take (a channel of two bits) go by table with the same values.
TEST(WideningTable, PicturesWidenIntoPackedRowsByShiftsOrByTable) {
    PixelLayout layouts[2];
    ASSERT_TRUE(describeLayout(formatR5G6B5(), &layouts[0]));
    layouts[1] = layouts[0];
    layouts[1].blue = {0x0003, 0, 2};
    layouts[1].green = {0x07FC, 2, 9};
    EXPECT_FALSE(widenRowByArithmetic(layouts[1], nullptr, 0, nullptr));
    const int width = 11, height = 3, pitch = 2 * width + 6;
    std::vector<uint8_t> pixels(size_t(pitch) * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 37 + 5);
    for (const PixelLayout& layout : layouts)
        for (WideningStores stores : {WideningStores::Cached, WideningStores::Streamed}) {
            WideningTable table;
            std::vector<uint32_t> out(size_t(width) * height);
            table.widenPicture(layout, pixels.data(), pitch, width, height, out.data(), stores);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    uint16_t raw;
                    std::memcpy(&raw, &pixels[size_t(y) * pitch + 2 * size_t(x)], 2);
                    EXPECT_EQ(out[size_t(y) * width + x], rawToArgb(layout, raw) & 0x00FFFFFFu)
                        << x << "," << y << " streamed " << (stores == WideningStores::Streamed);
                }
        }
}

// Layouts whose 16 bits are all red, green or blue, none over 8 bits, narrow back to every raw
// value they widened from, by shifts or by table; those with alpha, an unused bit or a wide
// channel are refused.
TEST(WideningTable, NarrowingGivesBackEveryRawValueOfTheLayoutsItTakes) {
    const int width = 256, height = 256, pitch = 2 * width + 4;
    std::vector<uint8_t> pixels(size_t(pitch) * height, 0xEE), back(pixels.size(), 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint16_t raw = uint16_t((y * width + x) * 40503u);
            std::memcpy(&pixels[size_t(y) * pitch + 2 * size_t(x)], &raw, 2);
        }
    for (const DDPIXELFORMAT& format : {formatR5G6B5(), rgbFormat(16, 0xFC00, 0x03E0, 0x001F, 0),
                                        rgbFormat(16, 0x001F, 0x07E0, 0xF800, 0), rgbFormat(16, 0xFF00, 0x00F0, 0x000F, 0)}) {
        PixelLayout layout;
        ASSERT_TRUE(describeLayout(format, &layout));
        ASSERT_TRUE(WideningTable::narrowsExactly(layout)) << format.dwRBitMask;
        WideningTable table;
        std::vector<uint32_t> wide(size_t(width) * height);
        table.widenPicture(layout, pixels.data(), pitch, width, height, wide.data());
        WideningTable::narrowPicture(layout, wide.data(), width, height, back.data(), pitch);
        int wrong = 0;
        for (int y = 0; y < height; ++y)
            wrong += std::memcmp(&back[size_t(y) * pitch], &pixels[size_t(y) * pitch], 2 * size_t(width)) != 0;
        EXPECT_EQ(wrong, 0) << format.dwRBitMask;
        EXPECT_EQ(back[2 * width], 0xEE);  // the pitch's padding is left alone
    }
    for (const DDPIXELFORMAT& format : {rgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0), formatA4R4G4B4(), formatX8R8G8B8()}) {
        PixelLayout layout;
        ASSERT_TRUE(describeLayout(format, &layout));
        EXPECT_FALSE(WideningTable::narrowsExactly(layout)) << format.dwRBitMask;
    }
    PixelLayout nineBits;
    ASSERT_TRUE(describeLayout(formatR5G6B5(), &nineBits));
    nineBits.blue = {0x0003, 0, 2};
    nineBits.green = {0x07FC, 2, 9};
    EXPECT_FALSE(WideningTable::narrowsExactly(nineBits));
}

}  // namespace
