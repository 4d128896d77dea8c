// Attribute planes along a row: how the pixel stage interpolates the perspective-divided
// attributes (colour/w, fog/w, u/w, v/w) and 1/w across a set-up triangle. The reference pixel
// stage and every span routine evaluate them this way, so they get the same floats.
//
// Each row of a triangle is one run of covered centres from x0. At x0 a plane's value is
// (a0 + l1 da1) + l2 da2 in float, with the barycentric weights l1, l2 = float(double(E - bias)
// x invArea) of the run's first centre; further along the row it is that value plus (x - x0)
// times the plane's slope per pixel, in one fused multiply-add (std::fma, correctly rounded).
// The slope is float(double(da1) d1 + double(da2) d2) with d1, d2 the weights' change per pixel
// (double(edge a) x invArea). No other multiply-add may be fused: the files that evaluate these
// are compiled with -ffp-contract=off where the processor has FMA.
#pragma once

#include <cmath>

#include "platform/d3d/span_walk.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

constexpr int kInvWPlane = kAttributeCount;  // 1/w, after the attributes
constexpr int kPlaneCount = kAttributeCount + 1;

// A triangle's per-pixel slopes of every plane.
struct PlaneSlopes {
    float slope[kPlaneCount];
};

inline PlaneSlopes planeSlopes(const TriangleSetup& t) {
    const double d1 = double(t.edge[1].a) * t.invArea, d2 = double(t.edge[2].a) * t.invArea;
    PlaneSlopes s;
    for (int i = 0; i < kAttributeCount; ++i) s.slope[i] = float(double(t.da1[i]) * d1 + double(t.da2[i]) * d2);
    s.slope[kInvWPlane] = float(double(t.dw1) * d1 + double(t.dw2) * d2);
    return s;
}

// The barycentric weights of centre (x, y), as the rasterizer gives them.
inline void centreWeights(const TriangleSetup& t, int x, int y, float* l1, float* l2) {
    *l1 = float(double(edgeAt(t, 1, x, y)) * t.invArea);
    *l2 = float(double(edgeAt(t, 2, x, y)) * t.invArea);
}

// Every plane's value at the run's first centre (x0, y).
inline void rowStart(const TriangleSetup& t, int x0, int y, float start[kPlaneCount]) {
    float l1, l2;
    centreWeights(t, x0, y, &l1, &l2);
    for (int i = 0; i < kAttributeCount; ++i) start[i] = (t.a0[i] + l1 * t.da1[i]) + l2 * t.da2[i];
    start[kInvWPlane] = (t.w0 + l1 * t.dw1) + l2 * t.dw2;
}

// A plane's value `offset` centres right of the run's first.
inline float planeAt(float start, float slope, int offset) { return std::fma(float(offset), slope, start); }

// 1 / invW, 0 where invW is 0 (NaN stays NaN).
inline float perspective(float invW) { return invW != 0.0f ? 1.0f / invW : 0.0f; }

}  // namespace platform::d3d
