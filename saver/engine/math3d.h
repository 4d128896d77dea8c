// Vector and matrix types of the engine, the transform builders, random numbers and the
// Catmull-Rom path functions.
//
// Conventions: single precision; Matrix4 is m[row][column], points are row vectors multiplied on
// the left (p' = p x M), the translation lives in row 3, and multiply(A, B) applies A first.
// Vector3 and Matrix4 are the device's D3DVECTOR and D3DMATRIX (same layout, same bytes), so they
// pass to the 3D device unchanged. Angles are radians; kTurn is the full turn the system uses.
// Builders that can fail return E_INVALIDARG and leave their output untouched.
// Random numbers come from the program's own generator with the range 0..32767 (the range the
// animations were tuned for), seeded by seedRandom.
#pragma once

#include <cstdint>

#include "platform/d3d/d3dtypes.h"

constexpr float kTurn = 6.2831855f;
constexpr float kPi = 3.1415927f;

struct Vector3 : D3DVECTOR {
    constexpr Vector3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    constexpr Vector3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
    constexpr Vector3(const D3DVECTOR& v) : D3DVECTOR(v) {}

    Vector3& operator+=(const Vector3& b) {
        x += b.x, y += b.y, z += b.z;
        return *this;
    }
    Vector3& operator-=(const Vector3& b) {
        x -= b.x, y -= b.y, z -= b.z;
        return *this;
    }
    Vector3& operator/=(float s) {
        x /= s, y /= s, z /= s;
        return *this;
    }
};
static_assert(sizeof(Vector3) == sizeof(D3DVECTOR));

constexpr Vector3 operator+(const Vector3& a, const Vector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
constexpr Vector3 operator-(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
constexpr Vector3 operator-(const Vector3& a) { return {-a.x, -a.y, -a.z}; }
constexpr Vector3 operator*(const Vector3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Vector3 operator*(float s, const Vector3& a) { return {a.x * s, a.y * s, a.z * s}; }
constexpr Vector3 operator/(const Vector3& a, float s) { return {a.x / s, a.y / s, a.z / s}; }

float dot(const Vector3& a, const Vector3& b);
Vector3 cross(const Vector3& a, const Vector3& b);
float squaredLength(const Vector3& a);
float length(const Vector3& a);
// a / length(a); the zero vector stays the zero vector (no NaN reaches the scene).
Vector3 normalize(const Vector3& a);

struct Matrix4 : D3DMATRIX {
    constexpr Matrix4() : D3DMATRIX{} {}
    constexpr Matrix4(const D3DMATRIX& m_) : D3DMATRIX(m_) {}
};
static_assert(sizeof(Matrix4) == sizeof(D3DMATRIX));

Matrix4 identity();
Matrix4 translation(const Vector3& v);
Matrix4 scaling(float x, float y, float z);
Matrix4 rotationX(float a);
Matrix4 rotationY(float a);
Matrix4 rotationZ(float a);
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
inline Matrix4 operator*(const Matrix4& a, const Matrix4& b) { return multiply(a, b); }

HRESULT invertAffine(const Matrix4& m, Matrix4* out);
HRESULT transformPoint(const Vector3& p, const Matrix4& m, Vector3* out);
HRESULT lookAt(const Vector3& from, const Vector3& at, const Vector3& worldUp, Matrix4* out);
HRESULT perspective(float fieldOfView, float aspect, float nearPlane, float farPlane, Matrix4* out);

D3DMATERIAL7 initMaterial(float r, float g, float b, float a);
D3DLIGHT7 initLight(D3DLIGHTTYPE type, float x, float y, float z);

// Random numbers: 0..32767 from the program's generator.
constexpr int kRandMax = 32767;
void seedRandom(uint32_t seed);
int nextRandom();
float randomFloat(float x);  // 0..x inclusive
int randomInt(int n);        // 0..n-1
float smaller(float a, float b);
float larger(float a, float b);

// The uniform Catmull-Rom spline through P[1]..P[2] (P is a window of four points).
Vector3 catmullRom(const Vector3 P[4], float t);
// Direction used to orient things along a path of n points; points backwards, not normalised.
Vector3 pathDirection(const Vector3 P[4], float t, int n);
