#include "platform/ddraw/pixel_memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using platform::ddraw::PixelMemory;

bool allZero(const PixelMemory& m) {
    return std::all_of(m.data(), m.data() + m.size(), [](uint8_t b) { return b == 0; });
}

// Small blocks come from the heap, screen-sized ones from their own mapping: both start zero,
// hold what is written to every byte, and clear back to zero.
TEST(PixelMemory, SmallAndScreenSizedBlocksStartZeroKeepWritesAndClear) {
    for (size_t bytes : {size_t(1), size_t(64 * 64 * 2), size_t(1024 * 768 * 4), size_t(1920 * 1080 * 4 + 3)}) {
        PixelMemory m(bytes);
        ASSERT_NE(m.data(), nullptr);
        ASSERT_EQ(m.size(), bytes);
        EXPECT_TRUE(allZero(m)) << bytes;
        for (size_t i = 0; i < bytes; ++i) m.data()[i] = uint8_t(i * 7 + 1);
        EXPECT_EQ(m.data()[bytes - 1], uint8_t((bytes - 1) * 7 + 1)) << bytes;
        m.clear();
        EXPECT_TRUE(allZero(m)) << bytes;
    }
}

TEST(PixelMemory, AnEmptyBlockStillHasAnAddress) {
    PixelMemory m(0);
    EXPECT_NE(m.data(), nullptr);
    EXPECT_EQ(m.size(), 0u);
}

}  // namespace
