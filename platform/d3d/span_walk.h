// Row spans of a set-up triangle: the covered pixel centres of one row, found exactly from the
// integer edge functions instead of testing every pixel.
//
// For each edge E(x) = a x + (b y + c + bias) > 0 is solved for the integer x, so the span holds
// precisely the centres the reference rasterizer visits (same top-left rule, same snapping); a
// row of a triangle is always one run. The barycentric weights of a pixel are, as in the
// reference, float(double(E - bias) x invArea) of edges 1 and 2; edgeAt gives E - bias exactly.
#pragma once

#include <algorithm>
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

// Rows are dealt out to threads in bands of four: part k of n owns the rows whose band number is
// k modulo n (every row when n is 1).
constexpr int kBandShift = 2;
inline bool ownsRow(int y, int part, int parts) { return parts <= 1 || ((y >> kBandShift) % parts) == part; }
inline int nextBand(int y) { return ((y >> kBandShift) + 1) << kBandShift; }

// E - bias of edge i at pixel (x, y): the exact integer the weights are made from.
inline int64_t edgeAt(const TriangleSetup& t, int i, int x, int y) {
    const Edge& e = t.edge[i];
    return e.a * x + e.b * y + e.c;
}

}  // namespace platform::d3d
