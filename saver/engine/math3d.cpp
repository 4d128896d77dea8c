#include "saver/engine/math3d.h"

#include <cmath>
#include <limits>

float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float squaredLength(const Vector3& a) { return dot(a, a); }
float length(const Vector3& a) { return std::sqrt(squaredLength(a)); }

Vector3 normalize(const Vector3& a) {
    float len = length(a);
    if (!(len > 0.0f) || !std::isfinite(len)) return {};
    return a / len;
}

Matrix4 identity() {
    Matrix4 r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
    return r;
}

Matrix4 translation(const Vector3& v) {
    Matrix4 r = identity();
    r.m[3][0] = v.x;
    r.m[3][1] = v.y;
    r.m[3][2] = v.z;
    return r;
}

Matrix4 scaling(float x, float y, float z) {
    Matrix4 r = identity();
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

Matrix4 rotationX(float a) {
    Matrix4 r = identity();
    float c = std::cos(a), s = std::sin(a);
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

Matrix4 rotationY(float a) {
    Matrix4 r = identity();
    float c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

Matrix4 rotationZ(float a) {
    Matrix4 r = identity();
    float c = std::cos(a), s = std::sin(a);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

HRESULT invertAffine(const Matrix4& M, Matrix4* out) {
    const auto& m = M.m;
    if (std::fabs(m[3][3] - 1.0f) > 0.001f || std::fabs(m[0][3]) > 0.001f || std::fabs(m[1][3]) > 0.001f ||
        std::fabs(m[2][3]) > 0.001f)
        return E_INVALIDARG;
    float det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (det == 0.0f || !std::isfinite(det)) return E_INVALIDARG;  // singular: no inverse to give
    Matrix4 r;
    float inv = 1.0f / det;
    r.m[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) * inv;
    r.m[0][1] = -(m[0][1] * m[2][2] - m[0][2] * m[2][1]) * inv;
    r.m[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) * inv;
    r.m[1][0] = -(m[1][0] * m[2][2] - m[1][2] * m[2][0]) * inv;
    r.m[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) * inv;
    r.m[1][2] = -(m[0][0] * m[1][2] - m[0][2] * m[1][0]) * inv;
    r.m[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) * inv;
    r.m[2][1] = -(m[0][0] * m[2][1] - m[0][1] * m[2][0]) * inv;
    r.m[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) * inv;
    for (int j = 0; j < 3; ++j)
        r.m[3][j] = -(m[3][0] * r.m[0][j] + m[3][1] * r.m[1][j] + m[3][2] * r.m[2][j]);
    r.m[3][3] = 1.0f;
    *out = r;
    return S_OK;
}

HRESULT transformPoint(const Vector3& p, const Matrix4& M, Vector3* out) {
    const auto& m = M.m;
    float x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0];
    float y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1];
    float z = p.x * m[0][2] + p.y * m[1][2] + p.z * m[2][2] + m[3][2];
    float w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
    if (std::fabs(w) < 0.00001f) return E_INVALIDARG;
    *out = Vector3(x / w, y / w, z / w);
    return S_OK;
}

HRESULT lookAt(const Vector3& from, const Vector3& at, const Vector3& worldUp, Matrix4* out) {
    Vector3 view = at - from;
    if (length(view) < 1e-6f) return E_INVALIDARG;
    view = normalize(view);
    Vector3 up = worldUp - view * dot(worldUp, view);
    if (length(up) < 1e-6f) up = Vector3(0, 1, 0) - view * view.y;
    if (length(up) < 1e-6f) up = Vector3(0, 0, 1) - view * view.z;
    if (length(up) < 1e-6f) return E_INVALIDARG;
    up = normalize(up);
    Vector3 right = cross(up, view);
    Matrix4 r = identity();
    const Vector3 cols[3] = {right, up, view};
    for (int c = 0; c < 3; ++c) {
        r.m[0][c] = cols[c].x;
        r.m[1][c] = cols[c].y;
        r.m[2][c] = cols[c].z;
        r.m[3][c] = -dot(from, cols[c]);
    }
    *out = r;
    return S_OK;
}

HRESULT perspective(float fov, float aspect, float nearPlane, float farPlane, Matrix4* out) {
    if (std::fabs(farPlane - nearPlane) < 0.01f || std::fabs(std::sin(fov / 2)) < 0.01f) return E_INVALIDARG;
    float c = std::cos(fov / 2) / std::sin(fov / 2);
    float q = farPlane / (farPlane - nearPlane);
    Matrix4 r;
    r.m[0][0] = aspect * c;
    r.m[1][1] = c;
    r.m[2][2] = q;
    r.m[2][3] = 1.0f;
    r.m[3][2] = -q * nearPlane;
    *out = r;
    return S_OK;
}

D3DMATERIAL7 initMaterial(float r, float g, float b, float a) {
    D3DMATERIAL7 mat{};
    mat.diffuse = mat.ambient = D3DCOLORVALUE{r, g, b, a};
    return mat;
}

D3DLIGHT7 initLight(D3DLIGHTTYPE type, float x, float y, float z) {
    D3DLIGHT7 light{};
    light.dltType = type;
    light.dcvDiffuse = light.dcvSpecular = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    light.dvPosition = light.dvDirection = D3DVECTOR{x, y, z};
    light.dvAttenuation0 = 1.0f;
    light.dvRange = std::sqrt(std::numeric_limits<float>::max());
    return light;
}

// A linear congruential generator with the classic 15-bit output range.
namespace {
uint32_t g_randomState = 1;
}

void seedRandom(uint32_t seed) { g_randomState = seed; }

int nextRandom() {
    g_randomState = g_randomState * 214013u + 2531011u;
    return static_cast<int>((g_randomState >> 16) & 0x7FFF);
}

float randomFloat(float x) { return static_cast<float>(nextRandom() / 32767.0 * x); }

int randomInt(int n) {
    int v = static_cast<int>(nextRandom() / 32767.0 * n);
    return v >= n ? n - 1 : v;
}

float smaller(float a, float b) { return a < b ? a : b; }
float larger(float a, float b) { return a > b ? a : b; }

Vector3 catmullRom(const Vector3 P[4], float t) {
    if (t <= 0.0f) return P[1];
    if (t >= 1.0f) return P[2];
    float t2 = t * t, t3 = t2 * t;
    return P[1] + t * (0.5f * P[2] - 0.5f * P[0]) + t2 * (2.0f * P[2] + P[0] - 0.5f * P[3] - 2.5f * P[1]) +
           t3 * (1.5f * P[1] - 1.5f * P[2] - 0.5f * P[0] + 0.5f * P[3]);
}

Vector3 pathDirection(const Vector3 P[4], float t, int n) {
    float d = 0.5f / static_cast<float>(n - 1);
    float t2 = t + d;
    if (t >= 0.0f && t2 <= 1.0f) return catmullRom(P, t) - catmullRom(P, t2);
    if (t >= 0.0f) return P[2] - P[3];
    return P[1] - catmullRom(P, t2);
}
