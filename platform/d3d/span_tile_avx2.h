// Tiles: the eight lanes of a group laid over several rows of a narrow triangle, C columns by
// 8 / C rows (C is 4 or 2). Lane i is pixel (x + i % C, y + i / C).
//
// Internal to span_shader_avx2.cpp, like span_avx2.h (AVX2 by function attributes only).
// Coverage is the reference's edge test on each lane's own centre; the weights are the
// reference's float(double(edge) x invArea). A tile's target and depth pixels are copied into
// lane order and back, so the eight-lane loads, stores and tests of span_avx2.h work on them
// unchanged; only the rows and columns asked for are read or written.
#pragma once

#include "platform/d3d/pixel_format.h"
#include "platform/d3d/span_avx2.h"

namespace platform::d3d::span_avx2 {

template <int C>
VOREL_AVX2_INLINE __m256d tileColumnsD(int half) {
    return half == 0 ? _mm256_setr_pd(0 % C, 1 % C, 2 % C, 3 % C) : _mm256_setr_pd(4 % C, 5 % C, 6 % C, 7 % C);
}
template <int C>
VOREL_AVX2_INLINE __m256d tileRowsD(int half) {
    return half == 0 ? _mm256_setr_pd(0 / C, 1 / C, 2 / C, 3 / C) : _mm256_setr_pd(4 / C, 5 / C, 6 / C, 7 / C);
}

// Lanes (as bits) of the first `rows` rows and `columns` columns of a tile.
template <int C>
VOREL_AVX2_INLINE int tileLiveBits(int rows, int columns) {
    const int row = (1 << columns) - 1;
    int bits = 0;
    for (int r = 0; r < rows; ++r) bits |= row << (r * C);
    return bits;
}

// The covered lanes of the tile at (x, y) with `rows` rows and `columns` columns of the
// triangle, with the lanes' weights. Edge values are exact integers in double.
template <int C>
VOREL_AVX2_INLINE int testedTile(const TriangleSetup& t, const TriangleConstants& k, int x, int y, int rows,
                                 int columns, __m256* l1, __m256* l2) {
    __m256d e[3][2];
    int bits = tileLiveBits<C>(rows, columns);
    for (int i = 0; i < 3; ++i) {
        const __m256d base = _mm256_set1_pd(double(edgeAt(t, i, x, y)));
        const __m256d a = _mm256_set1_pd(double(t.edge[i].a)), b = _mm256_set1_pd(double(t.edge[i].b));
        for (int h = 0; h < 2; ++h)
            e[i][h] = _mm256_add_pd(base, _mm256_add_pd(_mm256_mul_pd(tileColumnsD<C>(h), a),
                                                        _mm256_mul_pd(tileRowsD<C>(h), b)));
        bits &= insideBits(e[i][0], e[i][1], double(t.edge[i].bias));
    }
    *l1 = weights(e[1][0], e[1][1], k.invArea), *l2 = weights(e[2][0], e[2][1], k.invArea);
    return bits;
}

// Each lane's x - x0 and y - y0 as floats, for a tile at (x0 + dx, y0 + dy).
template <int C>
VOREL_AVX2_INLINE __m256 tileColumnOffsets(int dx) {
    return _mm256_add_ps(_mm256_setr_ps(0 % C, 1 % C, 2 % C, 3 % C, 4 % C, 5 % C, 6 % C, 7 % C), _mm256_set1_ps(float(dx)));
}
template <int C>
VOREL_AVX2_INLINE __m256 tileRowOffsets(int dy) {
    return _mm256_add_ps(_mm256_setr_ps(0 / C, 1 / C, 2 / C, 3 / C, 4 / C, 5 / C, 6 / C, 7 / C), _mm256_set1_ps(float(dy)));
}

// A surface's pixels under a tile in lane order: `rows` rows of `columns` pixels of `Bytes`
// bytes each are read on construction and written back by store(); other lanes hold zero.
template <int C, int Bytes>
struct TilePixels {
    alignas(32) uint8_t lanes[8 * Bytes] = {};
    uint8_t* at;
    ptrdiff_t pitch;
    int rows, columns;

    VOREL_AVX2_INLINE TilePixels(uint8_t* first, ptrdiff_t pitch_, int rows_, int columns_)
        : at(first), pitch(pitch_), rows(rows_), columns(columns_) {
        for (int r = 0; r < rows; ++r) copy(lanes + r * C * Bytes, at + r * pitch);
    }
    VOREL_AVX2_INLINE void store() const {
        for (int r = 0; r < rows; ++r) copy(at + r * pitch, lanes + r * C * Bytes);
    }

private:
    VOREL_AVX2_INLINE void copy(uint8_t* to, const uint8_t* from) const {
        if (columns == C) std::memcpy(to, from, size_t(C) * Bytes);
        else std::memcpy(to, from, size_t(columns) * Bytes);
    }
};

// The dither thresholds of a tile's lanes for every row (y & 3) and phase (x & 3) of its first
// pixel, made when the program is compiled; each in both 16-bit halves of its lane.
template <int C>
struct TileDitherTable {
    alignas(32) int32_t v[4][4][8]{};
    constexpr TileDitherTable() {
        for (int y = 0; y < 4; ++y)
            for (int phase = 0; phase < 4; ++phase)
                for (int i = 0; i < 8; ++i) v[y][phase][i] = int32_t(ditherThreshold(phase + i % C, y + i / C) * 0x10001u);
    }
    VOREL_AVX2_INLINE __m256i at(int x, int y) const {
        return _mm256_load_si256(reinterpret_cast<const __m256i*>(v[y & 3][x & 3]));
    }
};

}  // namespace platform::d3d::span_avx2
