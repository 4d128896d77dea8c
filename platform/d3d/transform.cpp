// Transform stage: matrix products, point and normal transforms.
#include "platform/d3d/transform.h"

#include <cmath>

namespace platform::d3d {

D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

Vec4 transformPoint(const D3DVECTOR& p, const D3DMATRIX& m) {
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2],
            p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3]};
}

D3DVECTOR transformPoint3(const D3DVECTOR& p, const D3DMATRIX& m) {
    Vec4 v = transformPoint(p, m);
    return {v.x, v.y, v.z};
}

D3DVECTOR transformDirection(const D3DVECTOR& d, const D3DMATRIX& m) {
    return {d.x * m.m[0][0] + d.y * m.m[1][0] + d.z * m.m[2][0],
            d.x * m.m[0][1] + d.y * m.m[1][1] + d.z * m.m[2][1],
            d.x * m.m[0][2] + d.y * m.m[1][2] + d.z * m.m[2][2]};
}

D3DVECTOR transformNormal(const D3DVECTOR& n, const Mat3& m) {
    return {n.x * m.m[0][0] + n.y * m.m[1][0] + n.z * m.m[2][0],
            n.x * m.m[0][1] + n.y * m.m[1][1] + n.z * m.m[2][1],
            n.x * m.m[0][2] + n.y * m.m[1][2] + n.z * m.m[2][2]};
}

namespace {

// Inverse of the upper 3x3 through cofactors; false when singular.
bool invert3(const D3DMATRIX& a, Mat3* inv) {
    const auto& m = a.m;
    double c00 = double(m[1][1]) * m[2][2] - double(m[1][2]) * m[2][1];
    double c01 = double(m[1][2]) * m[2][0] - double(m[1][0]) * m[2][2];
    double c02 = double(m[1][0]) * m[2][1] - double(m[1][1]) * m[2][0];
    double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    if (!std::isfinite(det) || std::fabs(det) < 1e-30) return false;
    double s = 1.0 / det;
    auto f = [s](double v) { return static_cast<float>(v * s); };
    inv->m[0][0] = f(c00);
    inv->m[1][0] = f(c01);
    inv->m[2][0] = f(c02);
    inv->m[0][1] = f(double(m[0][2]) * m[2][1] - double(m[0][1]) * m[2][2]);
    inv->m[1][1] = f(double(m[0][0]) * m[2][2] - double(m[0][2]) * m[2][0]);
    inv->m[2][1] = f(double(m[0][1]) * m[2][0] - double(m[0][0]) * m[2][1]);
    inv->m[0][2] = f(double(m[0][1]) * m[1][2] - double(m[0][2]) * m[1][1]);
    inv->m[1][2] = f(double(m[0][2]) * m[1][0] - double(m[0][0]) * m[1][2]);
    inv->m[2][2] = f(double(m[0][0]) * m[1][1] - double(m[0][1]) * m[1][0]);
    return true;
}

}  // namespace

bool inverseTranspose3(const D3DMATRIX& m, Mat3* out) {
    Mat3 inv{};
    if (!invert3(m, &inv)) {
        *out = Mat3{};
        return false;
    }
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out->m[i][j] = inv.m[j][i];
    return true;
}

D3DVECTOR eyeFromView(const D3DMATRIX& view) {
    Mat3 inv{};
    if (!invert3(view, &inv)) return {0, 0, 0};
    // view maps eye to the origin: eye x V3 + t = 0, so eye = -t x V3^-1.
    D3DVECTOR t{-view.m[3][0], -view.m[3][1], -view.m[3][2]};
    return transformNormal(t, inv);
}

TransformSet makeTransformSet(const D3DMATRIX& world, const D3DMATRIX& view, const D3DMATRIX& projection) {
    TransformSet t;
    t.worldView = multiply(world, view);
    t.worldViewProjection = multiply(t.worldView, projection);
    inverseTranspose3(t.worldView, &t.normalMatrix);
    return t;
}

float dot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(const D3DVECTOR& a) { return std::sqrt(dot(a, a)); }

D3DVECTOR normalizeOrZero(const D3DVECTOR& a) {
    float len = length(a);
    if (!(len > 0.0f) || !std::isfinite(len)) return {0, 0, 0};
    return {a.x / len, a.y / len, a.z / len};
}

}  // namespace platform::d3d
