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

// rowSpan for consecutive rows of one triangle, without a division after the first row: each
// edge's bound is the floor quotient of its value at x = 0 (negated) by |a| and the remainder,
// stepped from row to row by the quotient and remainder of its change b (the remainder carried
// into the quotient when it reaches |a|). Exact integers, so the spans are rowSpan's.
class RowSpans {
public:
    // Solves row y; next() moves to the row below (the steps are not made for a last row).
    RowSpans(const TriangleSetup& t, int y) : minX_(t.minX), maxX_(t.maxX) {
        const bool more = y < t.maxY;
        for (int i = 0; i < 3; ++i) {
            const Edge& e = t.edge[i];
            Step& s = step_[i];
            s.kind = e.a > 0 ? 1 : e.a < 0 ? -1 : 0;
            s.divisor = e.a == 0 ? 1 : e.a > 0 ? e.a : -e.a;
            s.dq = more ? span_detail::floorDiv(-e.b, s.divisor) : 0;
            s.dr = -e.b - s.dq * s.divisor;
        }
        restart(t, y);
    }
    // Solves row y afresh (after rows were skipped).
    void restart(const TriangleSetup& t, int y) {
        for (int i = 0; i < 3; ++i) {
            const Edge& e = t.edge[i];
            Step& s = step_[i];
            const int64_t v = -(e.b * y + e.c + e.bias);
            s.q = span_detail::floorDiv(v, s.divisor);
            s.r = v - s.q * s.divisor;
        }
    }
    void next() {
        for (Step& s : step_) {
            s.q += s.dq, s.r += s.dr;
            const int64_t carry = s.r >= s.divisor ? 1 : 0;
            s.q += carry, s.r -= s.divisor & -carry;
        }
    }
    // rowSpan of the current row.
    bool span(int* x0, int* x1) const {
        int64_t lo = minX_, hi = maxX_;
        for (const Step& s : step_) {
            // Inside where a x + r > 0, r the edge at x = 0 and q = floor(-r / |a|).
            if (s.kind > 0) lo = std::max(lo, s.q + 1);
            else if (s.kind < 0) hi = std::min(hi, -s.q - 1);
            else if (s.q >= 0) return false;  // a = 0: inside where r > 0
        }
        if (lo > hi) return false;
        *x0 = int(lo), *x1 = int(hi);
        return true;
    }

private:
    struct Step {
        int64_t q, r;       // the current row's quotient and remainder, 0 <= r < divisor
        int64_t dq, dr;     // the change per row, 0 <= dr < divisor
        int64_t divisor;    // |a|, or 1 where a = 0 (q is then -r itself)
        int kind;           // 1: a lower bound (a > 0), -1: an upper bound (a < 0), 0: a = 0
    };
    int64_t minX_, maxX_;
    Step step_[3];
};

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
// How many of rows [0, rows) `bands` holds.
inline int ownedRows(int rows, BandMask bands) {
    int owned = 0;
    for (int top = 0; top < rows; top += 1 << kBandShift)
        if (ownsRow(top, bands)) owned += std::min(rows - top, 1 << kBandShift);
    return owned;
}

// The rows of `bands` of a triangle, r.span(y, x0, x1) for each covered run (found by RowSpans).
template <class Routine>
uint64_t walkSpans(const TriangleSetup& t, BandMask bands, const Routine& r) {
    const bool everyBand = bands == kEveryBand;  // one test for the triangle, not one a row
    int y = t.minY;
    if (!everyBand && !ownsRow(y, bands)) {
        while (y <= t.maxY && !ownsRow(y, bands)) y = nextBand(y);
        if (y > t.maxY) return 0;
    }
    RowSpans spans(t, y);
    uint64_t covered = 0;
    for (;;) {
        int x0, x1;
        if (spans.span(&x0, &x1)) {
            covered += uint64_t(x1 - x0 + 1);
            r.span(y, x0, x1);
        }
        if (++y > t.maxY) return covered;
        if (!everyBand && !ownsRow(y, bands)) {
            while (y <= t.maxY && !ownsRow(y, bands)) y = nextBand(y);
            if (y > t.maxY) return covered;
            spans.restart(t, y);
        } else {
            spans.next();
        }
    }
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
    if (!narrow && tileColumns == 0) return walkSpans(t, bands, r);
    uint64_t covered = 0;
    const bool everyBand = bands == kEveryBand;
    for (int y = t.minY; y <= t.maxY;) {
        if (!everyBand && !ownsRow(y, bands)) {
            y = nextBand(y);
            continue;
        }
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
        } else if constexpr (requires { r.narrowGroup(0, 0); }) {
            for (int x = t.minX; x <= t.maxX; x += 8) covered += uint64_t(r.narrowGroup(x, y));
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
