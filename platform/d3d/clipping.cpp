// Clipping stage: Sutherland-Hodgman against near, far and the guard band.
#include "platform/d3d/clipping.h"

#include <algorithm>

namespace platform::d3d {

namespace {

constexpr int kPlaneCount = 6;

// Signed distance-like value of a vertex to a plane; >= 0 is inside.
float planeValue(const ClipVertex& v, int plane, const ClipPlanes& p) {
    switch (plane) {
        case 0: return v.z;                     // near
        case 1: return v.w - v.z;               // far
        case 2: return p.guardX * v.w - v.x;    // right
        case 3: return p.guardX * v.w + v.x;    // left
        case 4: return p.guardY * v.w - v.y;    // top
        default: return p.guardY * v.w + v.y;   // bottom
    }
}

ClipVertex lerp(const ClipVertex& a, const ClipVertex& b, float t) {
    ClipVertex r;
    r.x = a.x + (b.x - a.x) * t;
    r.y = a.y + (b.y - a.y) * t;
    r.z = a.z + (b.z - a.z) * t;
    r.w = a.w + (b.w - a.w) * t;
    for (int i = 0; i < kAttributeCount; ++i) r.attr[i] = a.attr[i] + (b.attr[i] - a.attr[i]) * t;
    return r;
}

int clipAgainst(const ClipVertex* in, int count, ClipVertex* out, int plane, const ClipPlanes& p) {
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % count];
        float da = planeValue(a, plane, p);
        float db = planeValue(b, plane, p);
        if (da >= 0 && n < kMaxClipVertices) out[n++] = a;
        if ((da >= 0) != (db >= 0) && n < kMaxClipVertices) {
            // Always interpolate from the inside vertex so both triangles sharing this edge get
            // bit-identical new vertices.
            const bool aIn = da >= 0;
            const ClipVertex& from = aIn ? a : b;
            const ClipVertex& to = aIn ? b : a;
            float dFrom = aIn ? da : db;
            float dTo = aIn ? db : da;
            out[n++] = lerp(from, to, dFrom / (dFrom - dTo));
        }
    }
    return n;
}

}  // namespace

ClipPlanes guardBandFor(float width, float height) {
    ClipPlanes p;
    p.guardX = std::max(1.0f, 32768.0f / std::max(width, 1.0f));
    p.guardY = std::max(1.0f, 32768.0f / std::max(height, 1.0f));
    return p;
}

unsigned outcode(const ClipVertex& v, const ClipPlanes& p) {
    unsigned code = 0;
    for (int plane = 0; plane < kPlaneCount; ++plane)
        if (!(planeValue(v, plane, p) >= 0)) code |= 1u << plane;
    return code;
}

int clipPolygon(ClipVertex* poly, int count, const ClipPlanes& p) {
    unsigned any = 0;
    for (int i = 0; i < count; ++i) any |= outcode(poly[i], p);
    ClipVertex scratch[kMaxClipVertices];
    for (int plane = 0; plane < kPlaneCount && count > 0; ++plane) {
        if (!(any & (1u << plane))) continue;
        count = clipAgainst(poly, count, scratch, plane, p);
        std::copy(scratch, scratch + count, poly);
        if (count < 3) return 0;
    }
    return count;
}

}  // namespace platform::d3d
