// Rasterization stage (reference): visits every pixel centre inside a set-up triangle, row by
// row, left to right, and hands it to a pixel function with its barycentric weights.
//
// Coverage follows the top-left rule: a centre exactly on a top or left edge belongs to the
// triangle, one on a right or bottom edge does not, so triangles that share an edge never both
// draw a pixel and leave no gap between them. The pixel function is called as
// fn(x, y, l1, l2) where l1 and l2 are the weights of the (oriented) vertices 1 and 2.
#pragma once

#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

template <class PixelFn>
void rasterizeTriangle(const TriangleSetup& t, PixelFn&& fn) {
    const Edge& e0 = t.edge[0];
    const Edge& e1 = t.edge[1];
    const Edge& e2 = t.edge[2];
    for (int y = t.minY; y <= t.maxY; ++y) {
        int64_t w0 = e0.a * t.minX + e0.b * y + e0.c + e0.bias;
        int64_t w1 = e1.a * t.minX + e1.b * y + e1.c + e1.bias;
        int64_t w2 = e2.a * t.minX + e2.b * y + e2.c + e2.bias;
        bool entered = false;
        for (int x = t.minX; x <= t.maxX; ++x, w0 += e0.a, w1 += e1.a, w2 += e2.a) {
            if (w0 > 0 && w1 > 0 && w2 > 0) {
                entered = true;
                float l1 = static_cast<float>(double(w1 - e1.bias) * t.invArea);
                float l2 = static_cast<float>(double(w2 - e2.bias) * t.invArea);
                fn(x, y, l1, l2);
            } else if (entered) {
                break;  // a triangle's row is one run: once left, it is done
            }
        }
    }
}

}  // namespace platform::d3d
