// Set-up stage: viewport mapping, snapping, culling, edge and attribute equations.
#include "platform/d3d/triangle_setup.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::d3d {

ViewportMap makeViewportMap(const D3DVIEWPORT7& vp) {
    ViewportMap m;
    m.x = static_cast<float>(vp.dwX);
    m.y = static_cast<float>(vp.dwY);
    m.halfWidth = static_cast<float>(vp.dwWidth) * 0.5f;
    m.halfHeight = static_cast<float>(vp.dwHeight) * 0.5f;
    m.minZ = vp.dvMinZ;
    m.maxZ = vp.dvMaxZ;
    return m;
}

namespace {

// std::lround (halves away from zero) for |v| < 2^31, without the library call: the truncated
// integer is exact, and so is the fraction left over.
int32_t roundHalfAway(double v) {
    auto i = static_cast<int64_t>(v);
    double fraction = v - static_cast<double>(i);
    if (fraction >= 0.5) ++i;
    else if (fraction <= -0.5) --i;
    return static_cast<int32_t>(i);
}

}  // namespace

bool projectPosition(const ClipVertex& v, const ViewportMap& map, int32_t* x, int32_t* y) {
    if (!(v.w > 0.0f) || !std::isfinite(v.w)) return false;
    double invW = 1.0 / double(v.w);
    double sx = map.x + map.halfWidth * (1.0 + v.x * invW);
    double sy = map.y + map.halfHeight * (1.0 - v.y * invW);
    if (!std::isfinite(sx) || !std::isfinite(sy) || std::fabs(sx) > 1e6 || std::fabs(sy) > 1e6) return false;
    *x = roundHalfAway(sx * kSubPixel);
    *y = roundHalfAway(sy * kSubPixel);
    return true;
}

bool projectVertex(const ClipVertex& v, const ViewportMap& map, bool perspective, ScreenVertex* out) {
    if (!projectPosition(v, map, &out->x, &out->y)) return false;
    double invW = 1.0 / double(v.w);
    out->z = map.minZ + double(v.z) * invW * (double(map.maxZ) - map.minZ);
    float q = perspective ? static_cast<float>(invW) : 1.0f;
    out->invW = q;
    for (int i = 0; i < kAttributeCount; ++i) out->attr[i] = v.attr[i] * q;
    return true;
}

int64_t signedArea(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
    return int64_t(v1.x - v0.x) * (v2.y - v0.y) - int64_t(v2.x - v0.x) * (v1.y - v0.y);
}

bool culledByWinding(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, const ViewportMap& map,
                     D3DCULL cull) {
    if (cull != D3DCULL_CW && cull != D3DCULL_CCW) return false;
    ScreenVertex s[3];
    if (!projectPosition(a, map, &s[0].x, &s[0].y) || !projectPosition(b, map, &s[1].x, &s[1].y) ||
        !projectPosition(c, map, &s[2].x, &s[2].y))
        return false;
    int64_t area = signedArea(s[0], s[1], s[2]);
    return cull == D3DCULL_CCW ? area < 0 : area > 0;
}

namespace {

// Edge from a to b of a clockwise (positive-area) triangle: the inside lies to its right on the
// screen. A top edge runs exactly horizontally to the right; a left edge runs upwards.
Edge makeEdge(const ScreenVertex& a, const ScreenVertex& b) {
    int64_t dx = int64_t(b.x) - a.x;
    int64_t dy = int64_t(b.y) - a.y;
    Edge e;
    e.a = -dy * kSubPixel;
    e.b = dx * kSubPixel;
    e.c = dy * a.x - dx * a.y;
    bool topLeft = dy < 0 || (dy == 0 && dx > 0);
    e.bias = topLeft ? 1 : 0;
    return e;
}

// Floor and ceiling of a position in 1/16 pixel as whole pixels (an arithmetic shift floors).
int floorPixel(int32_t v) { return int(int64_t(v) >> kSubPixelBits); }
int ceilPixel(int32_t v) { return int(-(-int64_t(v) >> kSubPixelBits)); }

void setAttributes(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, TriangleSetup* t) {
    // Read everything first: the record may not be assumed apart from the vertices otherwise.
    float a0[kAttributeCount], a1[kAttributeCount], a2[kAttributeCount];
    std::memcpy(a0, v0.attr, sizeof a0);
    std::memcpy(a1, v1.attr, sizeof a1);
    std::memcpy(a2, v2.attr, sizeof a2);
    const double z0 = v0.z, z1 = v1.z, z2 = v2.z;
    const float w0 = v0.invW, w1 = v1.invW, w2 = v2.invW;
    t->z0 = z0;
    t->dz1 = z1 - z0;
    t->dz2 = z2 - z0;
    t->w0 = w0;
    t->dw1 = w1 - w0;
    t->dw2 = w2 - w0;
    for (int i = 0; i < kAttributeCount; ++i) {
        t->a0[i] = a0[i];
        t->da1[i] = a1[i] - a0[i];
        t->da2[i] = a2[i] - a0[i];
    }
}

// Triangles without area and those the cull mode drops (by the winding on screen).
bool culled(int64_t area, D3DCULL cull) {
    return area == 0 || (cull == D3DCULL_CCW && area < 0) || (cull == D3DCULL_CW && area > 0);
}

// The pixel rectangle a triangle's centres can fall in, within the scissor (independent of the
// vertex order); false when it is empty.
bool pixelBounds(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, const Scissor& scissor,
                 TriangleSetup* t) {
    t->minX = std::max(scissor.minX, ceilPixel(std::min({v0.x, v1.x, v2.x})));
    t->maxX = std::min(scissor.maxX, floorPixel(std::max({v0.x, v1.x, v2.x})));
    t->minY = std::max(scissor.minY, ceilPixel(std::min({v0.y, v1.y, v2.y})));
    t->maxY = std::min(scissor.maxY, floorPixel(std::max({v0.y, v1.y, v2.y})));
    return t->minX <= t->maxX && t->minY <= t->maxY;
}

}  // namespace

bool setupTriangle(const ScreenVertex& v0, const ScreenVertex& v1In, const ScreenVertex& v2In, D3DCULL cull,
                   const Scissor& scissor, TriangleSetup* t) {
    int64_t area = signedArea(v0, v1In, v2In);
    if (culled(area, cull)) return false;
    // Walk every triangle clockwise so the inside is where all edge functions are positive.
    const ScreenVertex& v1 = area > 0 ? v1In : v2In;
    const ScreenVertex& v2 = area > 0 ? v2In : v1In;
    area = area > 0 ? area : -area;
    if (!pixelBounds(v0, v1, v2, scissor, t)) return false;

    t->edge[0] = makeEdge(v1, v2);
    t->edge[1] = makeEdge(v2, v0);
    t->edge[2] = makeEdge(v0, v1);
    t->invArea = 1.0 / static_cast<double>(area);
    setAttributes(v0, v1, v2, t);
    return true;
}

}  // namespace platform::d3d
