// A tile's pixels read and written in place (span_tile_avx2.h's readTile and writeTile) against
// the surface itself and against the copy in lane order (TilePixels): lane i is the pixel
// (i % C, i / C) zero-extended, lanes of the rows left out zero, and a write changes exactly the
// bytes of the tile's rows asked for, nothing beside, between or below them.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/span_tile_avx2.h"

using namespace platform::d3d;

namespace {

constexpr ptrdiff_t kPitch = 41;  // odd: rows start at every alignment
constexpr int kRows = 6;

uint32_t pixelAt(const std::vector<uint8_t>& surface, size_t at, int bytes) {
    uint32_t v = 0;
    std::memcpy(&v, surface.data() + at, size_t(bytes));
    return v;
}

template <int C, int Bytes>
VOREL_AVX2 void readLanes(const uint8_t* p, int rows, uint32_t* lanes) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), span_avx2::readTile<C, Bytes>(p, kPitch, rows));
}

template <int C, int Bytes>
VOREL_AVX2 void writeLanes(uint8_t* p, int rows, const uint32_t* lanes) {
    span_avx2::writeTile<C, Bytes>(p, kPitch, rows, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes)));
}

template <int C, int Bytes>
VOREL_AVX2 void copiedLanes(uint8_t* p, int rows, uint32_t* lanes) {
    const span_avx2::TilePixels<C, Bytes> copy(p, kPitch, rows, C);
    for (int i = 0; i < 8; ++i) {
        lanes[i] = 0;
        std::memcpy(&lanes[i], copy.lanes + i * Bytes, Bytes);
    }
}

template <int C, int Bytes>
void checkTiles() {
    std::mt19937 rng(C * 10 + Bytes);
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<uint8_t> surface(size_t(kPitch * kRows));
        for (uint8_t& b : surface) b = uint8_t(rng());
        const int rows = C == 4 ? 2 : 2 + int(rng() % 3);  // as walkRows hands them out
        const int row = int(rng() % (kRows - rows + 1));
        const int column = int(rng() % ((kPitch - C * Bytes) / Bytes + 1));
        const size_t first = size_t(row * kPitch + column * Bytes);
        uint32_t lanes[8], copied[8];
        readLanes<C, Bytes>(surface.data() + first, rows, lanes);
        copiedLanes<C, Bytes>(surface.data() + first, rows, copied);
        for (int i = 0; i < 8; ++i) {
            const size_t at = first + size_t((i / C) * kPitch + (i % C) * Bytes);
            const uint32_t pixel = i / C < rows ? pixelAt(surface, at, Bytes) : 0;
            ASSERT_EQ(lanes[i], pixel) << "lane " << i << " rows " << rows << " trial " << trial;
            ASSERT_EQ(lanes[i], copied[i]) << "lane " << i << " trial " << trial;
        }

        uint32_t written[8];
        for (uint32_t& v : written) v = Bytes == 4 ? uint32_t(rng()) : uint32_t(rng() & 0xFFFF);
        std::vector<uint8_t> expected = surface;
        for (int i = 0; i < rows * C; ++i)
            std::memcpy(expected.data() + first + size_t((i / C) * kPitch + (i % C) * Bytes), &written[i], Bytes);
        writeLanes<C, Bytes>(surface.data() + first, rows, written);
        ASSERT_EQ(surface, expected) << "rows " << rows << " trial " << trial;
    }
}

TEST(TilePixels, TilesAreReadAndWrittenInPlaceInLaneOrder) {
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2";
    checkTiles<4, 4>();
    checkTiles<4, 2>();
    checkTiles<2, 4>();
    checkTiles<2, 2>();
}

}  // namespace

#endif
