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

// The runs of successive rows of a triangle, solved at the first row and then stepped from row to
// row without dividing: each edge's bound on x is floor(n / d) for n = -(E at x = 0) and d = |a|,
// kept as a quotient and a remainder in [0, d), and a row down takes b from n, so the quotient and
// remainder step by those of b / d with one carry. Three divisions start the rows and three more,
// at the first step, give the steps, where solving each row afresh divides three times a row
// (64-bit divisions: the bulk of a wide triangle's row walk). The stepped runs are the solved ones,
// exactly.
class RowSpans {
public:
    explicit RowSpans(const TriangleSetup& t) : t_(t) {}
    // Starts at row y.
    void at(int y) {
        for (int i = 0; i < 3; ++i) {
            const Edge& e = t_.edge[i];
            Bound& b = bound_[i];
            b.d = e.a < 0 ? -e.a : e.a;
            b.n = -(e.b * y + e.c + e.bias);
            if (b.d != 0) b.q = span_detail::floorDiv(b.n, b.d), b.rem = b.n - b.q * b.d;
        }
    }
    // The current row's inclusive range [*x0, *x1] of covered centres (within the triangle's
    // bounds); false when the row covers none.
    bool span(int* x0, int* x1) const {
        int64_t lo = t_.minX, hi = t_.maxX;
        for (int i = 0; i < 3; ++i) {
            const int64_t a = t_.edge[i].a;
            if (a > 0) lo = std::max(lo, bound_[i].q + 1);
            else if (a < 0) hi = std::min(hi, -bound_[i].q - 1);
            else if (bound_[i].n >= 0) return false;
        }
        if (lo > hi) return false;
        *x0 = static_cast<int>(lo);
        *x1 = static_cast<int>(hi);
        return true;
    }
    // On to the next row.
    void next() {
        if (!steps_) {
            for (int i = 0; i < 3; ++i) {
                Bound& b = bound_[i];
                if (b.d != 0) b.stepQ = span_detail::floorDiv(t_.edge[i].b, b.d), b.stepRem = t_.edge[i].b - b.stepQ * b.d;
            }
            steps_ = true;
        }
        for (int i = 0; i < 3; ++i) {
            Bound& b = bound_[i];
            b.n -= t_.edge[i].b;
            b.q -= b.stepQ, b.rem -= b.stepRem;
            const int64_t borrow = b.rem >> 63;  // -1 where the remainder went below 0, else 0
            b.rem += b.d & borrow, b.q += borrow;  // no branch: the carry comes as often as not
        }
    }

private:
    struct Bound {
        int64_t n = 0;  // -(E at x = 0) on the current row
        int64_t d = 0, q = 0, rem = 0;  // d = |a|; n = q d + rem, 0 <= rem < d (d != 0)
        int64_t stepQ = 0, stepRem = 0;  // b = stepQ d + stepRem, 0 <= stepRem < d
    };
    const TriangleSetup& t_;
    Bound bound_[3];
    bool steps_ = false;
};

// Row y's run solved afresh: inclusive range [*x0, *x1] of covered centres (within the triangle's
// bounds); false when the row covers none.
inline bool rowSpan(const TriangleSetup& t, int y, int* x0, int* x1) {
    RowSpans spans(t);
    spans.at(y);
    return spans.span(x0, x1);
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
    RowSpans spans(t);
    bool stepping = false;  // spans is at row y - 1 (the row before, drawn)
    for (int y = t.minY; y <= t.maxY;) {
        if (!everyBand && !ownsRow(y, bands)) {
            y = nextBand(y);
            stepping = false;
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
        } else {
            if (stepping) spans.next();
            else spans.at(y), stepping = true;
            if (spans.span(&x0, &x1)) {
                covered += uint64_t(x1 - x0 + 1);
                r.span(y, x0, x1);
            }
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
