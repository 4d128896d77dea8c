// Tiles: the eight lanes of a group laid over several rows of a narrow triangle, C columns by
// 8 / C rows (C is 4 or 2). Lane i is pixel (x + i % C, y + i / C).
//
// Internal to span_shader_avx2.cpp, like span_avx2.h (AVX2 by function attributes only).
// Coverage is the reference's edge test on each lane's own centre; the weights are the
// reference's float(double(edge) x invArea). A whole tile's target and depth pixels (all its
// rows, all its columns inside the surface) are read into lane order and written back row by row
// in registers; those of a partial tile are copied into lane order and back, so the eight-lane
// loads, stores and tests of span_avx2.h work on them unchanged. Either way only the rows and
// columns asked for are read or written.
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

// A tile's pixels straight from the surface: `rows` rows (two for C = 4; two to four for C = 2)
// of C columns of `Bytes` bytes each, zero-extended into the eight 32-bit lanes in lane order,
// lanes of rows past `rows` zero. Only those rows' bytes are read.
template <int C, int Bytes>
VOREL_AVX2_INLINE __m256i readTile(const uint8_t* p, ptrdiff_t pitch, int rows) {
    static_assert((C == 4 || C == 2) && (Bytes == 4 || Bytes == 2), "tiles of 4x2 or 2x4 pixels");
    auto row = [&](int r) { return p + r * pitch; };
    auto eight = [&](int r) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row(r))); };
    if constexpr (Bytes == 4 && C == 4) {
        return joinHalves(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row(0))),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(row(1))));
    } else if constexpr (Bytes == 4) {
        const __m128i hi = rows == 4   ? _mm_unpacklo_epi64(eight(2), eight(3))
                           : rows == 3 ? eight(2)
                                       : _mm_setzero_si128();
        return joinHalves(_mm_unpacklo_epi64(eight(0), eight(1)), hi);
    } else if constexpr (C == 4) {
        return _mm256_cvtepu16_epi32(_mm_unpacklo_epi64(eight(0), eight(1)));
    } else {
        int32_t v[4] = {};
        for (int r = 0; r < rows; ++r) std::memcpy(&v[r], row(r), 4);
        return _mm256_cvtepu16_epi32(_mm_setr_epi32(v[0], v[1], v[2], v[3]));
    }
}

// Writes the lanes of the first `rows` rows of a tile back to the surface row by row (16-bit
// values from the low half of each lane); readTile's layout.
template <int C, int Bytes>
VOREL_AVX2_INLINE void writeTile(uint8_t* p, ptrdiff_t pitch, int rows, __m256i v) {
    static_assert((C == 4 || C == 2) && (Bytes == 4 || Bytes == 2), "tiles of 4x2 or 2x4 pixels");
    auto row = [&](int r) { return p + r * pitch; };
    auto low = [&](int r, __m128i h) { _mm_storel_epi64(reinterpret_cast<__m128i*>(row(r)), h); };
    auto high = [&](int r, __m128i h) { _mm_storeh_pd(reinterpret_cast<double*>(row(r)), _mm_castsi128_pd(h)); };
    if constexpr (Bytes == 4 && C == 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row(0)), _mm256_castsi256_si128(v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row(1)), _mm256_extracti128_si256(v, 1));
    } else if constexpr (Bytes == 4) {
        const __m128i lo = _mm256_castsi256_si128(v);
        low(0, lo), high(1, lo);
        if (rows > 2) {
            const __m128i hi = _mm256_extracti128_si256(v, 1);
            low(2, hi);
            if (rows > 3) high(3, hi);
        }
    } else {
        const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
        if constexpr (C == 4) {
            low(0, words), high(1, words);
        } else {
            alignas(16) int32_t pairs[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(pairs), words);
            for (int r = 0; r < rows; ++r) std::memcpy(row(r), &pairs[r], 4);
        }
    }
}

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
