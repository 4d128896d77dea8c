// Sphere visibility: frustum planes from the combined matrix.
#include "platform/d3d/sphere_visibility.h"

#include <cmath>

#include "platform/d3d/transform.h"

namespace platform::d3d {

namespace {

struct Plane {
    double a, b, c, d;  // inside when a x + b y + c z + d >= 0
};

// Column j of the matrix as a plane (the clip coordinate j as a function of the model position).
Plane column(const D3DMATRIX& m, int j) { return {m.m[0][j], m.m[1][j], m.m[2][j], m.m[3][j]}; }

Plane combine(const Plane& p, double sp, const Plane& q, double sq) {
    return {p.a * sp + q.a * sq, p.b * sp + q.b * sq, p.c * sp + q.c * sq, p.d * sp + q.d * sq};
}

}  // namespace

DWORD sphereVisibility(const D3DMATRIX& m, const D3DVECTOR& centre, float radius) {
    Plane x = column(m, 0), y = column(m, 1), z = column(m, 2), w = column(m, 3);
    const Plane planes[6] = {
        combine(w, 1, x, 1),   // left:   w + x >= 0
        combine(w, 1, x, -1),  // right:  w - x >= 0
        combine(w, 1, y, -1),  // top:    w - y >= 0
        combine(w, 1, y, 1),   // bottom: w + y >= 0
        z,                     // front:  z >= 0
        combine(w, 1, z, -1),  // back:   w - z >= 0
    };
    const DWORD unionBits[6] = {D3DCLIP_LEFT, D3DCLIP_RIGHT, D3DCLIP_TOP, D3DCLIP_BOTTOM, D3DCLIP_FRONT, D3DCLIP_BACK};
    DWORD result = 0;
    for (int i = 0; i < 6; ++i) {
        const Plane& p = planes[i];
        double len = std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c);
        if (!(len > 0.0) || !std::isfinite(len)) continue;
        double dist = (p.a * centre.x + p.b * centre.y + p.c * centre.z + p.d) / len;
        if (dist < double(radius)) result |= unionBits[i];
        if (dist < -double(radius)) result |= unionBits[i] << 12;
    }
    return result;
}

bool sphereVisibilities(const D3DMATRIX& world, const D3DMATRIX& view, const D3DMATRIX& projection,
                        const D3DVECTOR* centres, const float* radii, DWORD count, DWORD* results) {
    if (count > 0 && (!centres || !radii || !results)) return false;
    const D3DMATRIX m = multiply(multiply(world, view), projection);
    for (DWORD i = 0; i < count; ++i) results[i] = sphereVisibility(m, centres[i], radii[i]);
    return true;
}

}  // namespace platform::d3d
