#include "platform/ddraw/widening_table.h"

#include <gtest/gtest.h>

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

}  // namespace
