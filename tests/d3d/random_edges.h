// Random edge functions for the tests of the row walks: coefficients of every sign and size
// (zero among them) and either bias, and the reference's edge test at a centre and over a box.
#pragma once

#include <random>

#include "platform/d3d/triangle_setup.h"

namespace vorel_test {

inline void randomEdges(std::mt19937& rng, platform::d3d::TriangleSetup* t) {
    std::uniform_int_distribution<int64_t> small(-40, 40), large(-5000000, 5000000);
    for (platform::d3d::Edge& e : t->edge) {
        const bool big = rng() % 2;
        e.a = rng() % 6 == 0 ? 0 : big ? large(rng) : small(rng);
        e.b = rng() % 6 == 0 ? 0 : big ? large(rng) : small(rng);
        e.c = big ? large(rng) * 64 : small(rng) * 16;
        e.bias = rng() % 2;
    }
}

// The edge test the reference rasterizer makes at centre (x, y).
inline bool insideEdges(const platform::d3d::TriangleSetup& t, int x, int y) {
    for (const platform::d3d::Edge& e : t.edge)
        if (e.a * x + e.b * y + e.c + e.bias <= 0) return false;
    return true;
}

// True when the set-up triangle covers a centre of its pixel box (insideEdges at each).
inline bool coversACentre(const platform::d3d::TriangleSetup& t) {
    for (int y = t.minY; y <= t.maxY; ++y)
        for (int x = t.minX; x <= t.maxX; ++x)
            if (insideEdges(t, x, y)) return true;
    return false;
}

}  // namespace vorel_test
