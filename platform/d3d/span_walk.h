// Row spans of a set-up triangle: the covered pixel centres of one row, found exactly from the
// integer edge functions instead of testing every pixel.
//
// For each edge E(x) = a x + (b y + c + bias) > 0 is solved for the integer x, so the span holds
// precisely the centres the reference rasterizer visits (same top-left rule, same snapping); a
// row of a triangle is always one run. The barycentric weights of a pixel are, as in the
// reference, float(double(E - bias) x invArea) of edges 1 and 2; edgeAt gives E - bias exactly.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>

#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

namespace span_detail {
inline int64_t floorDiv(int64_t v, int64_t d) { return v >= 0 ? v / d : -((-v + d - 1) / d); }
}  // namespace span_detail

// Inclusive range [*x0, *x1] of covered centres of row y (within the triangle's bounds); false
// when the row covers none.
inline bool rowSpan(const TriangleSetup& t, int y, int* x0, int* x1) {
    int64_t lo = t.minX, hi = t.maxX;
    for (const Edge& e : t.edge) {
        int64_t r = e.b * y + e.c + e.bias;  // the edge function at x = 0
        if (e.a == 0) {
            if (r <= 0) return false;
        } else if (e.a > 0) {
            lo = std::max(lo, span_detail::floorDiv(-r, e.a) + 1);
        } else {
            hi = std::min(hi, -span_detail::floorDiv(-r, -e.a) - 1);  // ceil(r / -a) - 1
        }
    }
    if (lo > hi) return false;
    *x0 = static_cast<int>(lo);
    *x1 = static_cast<int>(hi);
    return true;
}

// Rows are dealt out in bands of 64 (measured against 16 and 32 on the story's scenes at 800x600
// and 1920x1080, both ways of sharing a scene: with narrower bands a small triangle more often
// straddles two, and then both threads pay its constants and block walk; a 600-row target still
// has ten bands to share). Which bands a thread draws is a BandMask: bit b & 63 set for band b (a
// pattern that repeats every 64 bands, so any height is covered); kEveryBand draws every row.
// Masks that split the 64 bits between threads give each band to exactly one of them.
constexpr int kBandShift = 6;
using BandMask = uint64_t;
constexpr BandMask kEveryBand = ~BandMask(0);
constexpr int kBandClasses = 64;  // bits of a BandMask
inline bool ownsBand(int band, BandMask bands) { return (bands >> (band & (kBandClasses - 1))) & 1; }
inline bool ownsRow(int y, BandMask bands) { return ownsBand(y >> kBandShift, bands); }
inline int nextBand(int y) { return ((y >> kBandShift) + 1) << kBandShift; }
// Whether `bands` holds any band of first..last (band numbers, first >= 0; none when last < first,
// except that kEveryBand holds everything).
inline bool ownsBandIn(int first, int last, BandMask bands) {
    if (bands == kEveryBand) return true;
    if (last < first) return false;
    if (last - first >= kBandClasses - 1) return bands != 0;
    const BandMask from = std::rotr(bands, first & (kBandClasses - 1));
    return (from & (kEveryBand >> (kBandClasses - 1 - (last - first)))) != 0;
}
// The bands b with b % parts == part (of the 64 a mask tells apart; kEveryBand for parts <= 1).
inline BandMask interleavedBands(int part, int parts) {
    if (parts <= 1) return kEveryBand;
    BandMask m = 0;
    for (int b = part; b < kBandClasses; b += parts) m |= BandMask(1) << b;
    return m;
}
// The bands rows [0, rows) touch (the last one perhaps in part).
inline int bandsOfRows(int rows) { return (rows + (1 << kBandShift) - 1) >> kBandShift; }

// How many of rows [0, rows) `bands` holds.
inline int ownedRows(int rows, BandMask bands) {
    int owned = 0;
    for (int top = 0; top < rows; top += 1 << kBandShift)
        if (ownsRow(top, bands)) owned += std::min(rows - top, 1 << kBandShift);
    return owned;
}

// The rows of `bands` of a triangle: r.span(y, x0, x1) for each covered run; when
// the routine has narrowGroup(x, y) and the triangle is at most eight pixels wide, that is called
// for each row's groups of eight from minX instead (testing each pixel is cheaper there than
// solving for the span; measured: at four groups it no longer is) and returns how many centres it
// covered. A routine with tile(y, rows, columns) takes triangles at most four (or two) pixels
// wide as tiles of eight pixels, `columns` 4 (or 2) wide and up to 8 / columns rows from y, all
// in one band; it returns how many centres it covered. Returns the number of covered centres.
template <class Routine>
uint64_t walkRows(const TriangleSetup& t, BandMask bands, const Routine& r) {
    bool narrow = false;
    int tileColumns = 0;
    if constexpr (requires { r.narrowGroup(0, 0); }) narrow = t.maxX - t.minX < 8;
    if constexpr (requires { r.tile(0, 1, 4); }) {
        const int width = t.maxX - t.minX + 1;
        tileColumns = width <= 2 ? 2 : width <= 4 ? 4 : 0;
    }
    uint64_t covered = 0;
    const bool everyBand = bands == kEveryBand;  // one test for the triangle, not one a row
    for (int y = t.minY; y <= t.maxY;) {
        if (!everyBand && !ownsRow(y, bands)) {
            y = nextBand(y);
            continue;
        }
        int x0, x1;
        if (tileColumns != 0) {
            if constexpr (requires { r.tile(0, 1, 4); }) {
                int rows = std::min(8 / tileColumns, t.maxY - y + 1);
                if (!everyBand) rows = std::min(rows, nextBand(y) - y);
                // A lone row is cheaper as a row's group than as a tile (measured).
                if (rows == 1 && narrow) {
                    if constexpr (requires { r.narrowGroup(0, 0); }) covered += uint64_t(r.narrowGroup(t.minX, y));
                } else {
                    covered += uint64_t(r.tile(y, rows, tileColumns));
                }
                y += rows;
                continue;
            }
        } else if (narrow) {
            if constexpr (requires { r.narrowGroup(0, 0); })
                for (int x = t.minX; x <= t.maxX; x += 8) covered += uint64_t(r.narrowGroup(x, y));
        } else if (rowSpan(t, y, &x0, &x1)) {
            covered += uint64_t(x1 - x0 + 1);
            r.span(y, x0, x1);
        }
        ++y;
    }
    return covered;
}

// E - bias of edge i at pixel (x, y): the exact integer the weights are made from.
inline int64_t edgeAt(const TriangleSetup& t, int i, int x, int y) {
    const Edge& e = t.edge[i];
    return e.a * x + e.b * y + e.c;
}

}  // namespace platform::d3d
