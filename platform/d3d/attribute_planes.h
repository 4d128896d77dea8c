// Attribute planes: how the pixel stage interpolates the perspective-divided attributes
// (colour/w, fog/w, u/w, v/w) and 1/w across a set-up triangle. The reference pixel stage and
// every span routine evaluate them this way, so they get the same floats.
//
// A plane's value at the centre (minX, minY) of the triangle's bounds (its corner) is
// (a0 + l1 da1) + l2 da2 in float, with that centre's barycentric weights l1, l2 =
// float(double(E - bias) x invArea) (outside the triangle they extrapolate). Its slopes per pixel
// are float(double(da1) d1 + double(da2) d2), with d1, d2 the weights' change per pixel
// (double(edge a) x invArea to the right, double(edge b) x invArea downwards). At centre (x, y):
// fma(x - minX, slope right, fma(y - minY, slope down, corner)), each fma correctly rounded
// (std::fma), so a row's start costs one fused multiply-add and each pixel one more. No other
// multiply-add may be fused: the files that evaluate these are compiled with -ffp-contract=off.
#pragma once

#include <cmath>

#include "platform/d3d/span_walk.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

constexpr int kInvWPlane = kAttributeCount;  // 1/w, after the attributes
constexpr int kPlaneCount = kAttributeCount + 1;

struct TrianglePlanes {
    int minX, minY;
    float corner[kPlaneCount];  // values at centre (minX, minY)
    float right[kPlaneCount];   // change per pixel to the right
    float down[kPlaneCount];    // change per row downwards
};

// The barycentric weights of centre (x, y), as the rasterizer gives them.
inline void centreWeights(const TriangleSetup& t, int x, int y, float* l1, float* l2) {
    *l1 = float(double(edgeAt(t, 1, x, y)) * t.invArea);
    *l2 = float(double(edgeAt(t, 2, x, y)) * t.invArea);
}

inline TrianglePlanes trianglePlanes(const TriangleSetup& t) {
    TrianglePlanes p;
    p.minX = t.minX, p.minY = t.minY;
    float l1, l2;
    centreWeights(t, t.minX, t.minY, &l1, &l2);
    const double r1 = double(t.edge[1].a) * t.invArea, r2 = double(t.edge[2].a) * t.invArea;
    const double d1 = double(t.edge[1].b) * t.invArea, d2 = double(t.edge[2].b) * t.invArea;
    auto plane = [&](int i, float a0, float da1, float da2) {
        p.corner[i] = (a0 + l1 * da1) + l2 * da2;
        p.right[i] = float(double(da1) * r1 + double(da2) * r2);
        p.down[i] = float(double(da1) * d1 + double(da2) * d2);
    };
    for (int i = 0; i < kAttributeCount; ++i) plane(i, t.a0[i], t.da1[i], t.da2[i]);
    plane(kInvWPlane, t.w0, t.dw1, t.dw2);
    return p;
}

// Every plane at the start of row y (centre (minX, y)).
inline void rowStart(const TrianglePlanes& p, int y, float start[kPlaneCount]) {
    for (int i = 0; i < kPlaneCount; ++i) start[i] = std::fma(float(y - p.minY), p.down[i], p.corner[i]);
}

// A plane at centre (x, y) from its row's start: offset is x - minX.
inline float planeAt(float start, float right, int offset) { return std::fma(float(offset), right, start); }

// 1 / invW, 0 where invW is 0 (NaN stays NaN).
inline float perspective(float invW) { return invW != 0.0f ? 1.0f / invW : 0.0f; }

}  // namespace platform::d3d
