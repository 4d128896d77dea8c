#include "saver/engine/math3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

void expectNear(const Vector3& v, float x, float y, float z, float eps = 1e-5f) {
    EXPECT_NEAR(v.x, x, eps);
    EXPECT_NEAR(v.y, y, eps);
    EXPECT_NEAR(v.z, z, eps);
}

Vector3 apply(const Vector3& p, const Matrix4& m) {
    Vector3 out;
    EXPECT_EQ(transformPoint(p, m, &out), S_OK);
    return out;
}

TEST(Math, RotationYQuarterTurnMapsXToMinusZ) {
    expectNear(apply(Vector3(1, 0, 0), rotationY(kTurn / 4)), 0, 0, -1);
    expectNear(apply(Vector3(0, 1, 0), rotationX(kTurn / 4)), 0, 0, 1);
    expectNear(apply(Vector3(1, 0, 0), rotationZ(kTurn / 4)), 0, 1, 0);
}

TEST(Math, ProductAppliesTheLeftMatrixFirst) {
    Matrix4 m = multiply(translation(Vector3(1, 0, 0)), rotationY(kTurn / 4));
    // Moved to (1,0,0) first, then rotated about the origin to (0,0,-1).
    expectNear(apply(Vector3(0, 0, 0), m), 0, 0, -1);
}

TEST(Math, InvertAffineUndoesTheMatrixAndRefusesProjective) {
    Matrix4 m = multiply(rotationX(0.7f), translation(Vector3(3, -2, 5)));
    Matrix4 inv;
    ASSERT_EQ(invertAffine(m, &inv), S_OK);
    Matrix4 p = multiply(inv, m);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_NEAR(p.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);
    Matrix4 bad = identity();
    bad.m[3][3] = 2.0f;
    Matrix4 untouched = translation(Vector3(7, 7, 7));
    EXPECT_EQ(invertAffine(bad, &untouched), E_INVALIDARG);
    EXPECT_EQ(untouched.m[3][0], 7.0f);
}

TEST(Math, TransformPointFailsNearWZero) {
    Matrix4 m;  // all zero: w is 0
    Vector3 out(9, 9, 9);
    EXPECT_EQ(transformPoint(Vector3(1, 2, 3), m, &out), E_INVALIDARG);
    EXPECT_EQ(out.x, 9.0f);
}

TEST(Math, LookAtBuildsTheViewAndFallsBack) {
    Matrix4 v;
    ASSERT_EQ(lookAt(Vector3(0, 0, -10), Vector3(0, 0, 0), Vector3(0, 1, 0), &v), S_OK);
    expectNear(apply(Vector3(0, 0, 0), v), 0, 0, 10);
    expectNear(apply(Vector3(1, 0, -10), v), 1, 0, 0);
    Matrix4 same = identity();
    EXPECT_EQ(lookAt(Vector3(1, 1, 1), Vector3(1, 1, 1), Vector3(0, 1, 0), &same), E_INVALIDARG);
    // Up parallel to the view: falls back to world y made perpendicular... which is parallel too
    // when looking along y, so (0, 0, 1) is used.
    ASSERT_EQ(lookAt(Vector3(0, 0, 0), Vector3(0, 5, 0), Vector3(0, 1, 0), &v), S_OK);
    EXPECT_NEAR(v.m[2][1], 1.0f, 1e-6f);  // up = +z
    // Up parallel to a view along x: (0, 1, 0) is used.
    ASSERT_EQ(lookAt(Vector3(0, 0, 0), Vector3(5, 0, 0), Vector3(1, 0, 0), &v), S_OK);
    EXPECT_NEAR(v.m[1][1], 1.0f, 1e-6f);
}

TEST(Math, PerspectiveElements) {
    Matrix4 p;
    ASSERT_EQ(perspective(0.75f, 0.75f, 100.0f, 10000.0f, &p), S_OK);
    float c = std::cos(0.375f) / std::sin(0.375f);
    float q = 10000.0f / 9900.0f;
    EXPECT_NEAR(p.m[0][0], 0.75f * c, 1e-5f);
    EXPECT_NEAR(p.m[1][1], c, 1e-5f);
    EXPECT_NEAR(p.m[2][2], q, 1e-6f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -q * 100.0f, 1e-4f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_EQ(perspective(0.75f, 1, 100, 100.001f, &p), E_INVALIDARG);
    EXPECT_EQ(perspective(0.0f, 1, 100, 1000, &p), E_INVALIDARG);
}

TEST(Math, NormalizeOfZeroIsZero) {
    expectNear(normalize(Vector3(0, 0, 0)), 0, 0, 0);
    expectNear(normalize(Vector3(0, 3, 4)), 0, 0.6f, 0.8f);
}

TEST(Math, CatmullRomAndPathDirection) {
    const Vector3 P[4] = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(2, 0, 0), Vector3(3, 0, 0)};
    expectNear(catmullRom(P, 0.5f), 1.5f, 0, 0);
    expectNear(catmullRom(P, -1.0f), 1, 0, 0);
    expectNear(catmullRom(P, 2.0f), 2, 0, 0);
    // Points backwards along the path, length of half a point spacing over n-1 steps.
    expectNear(pathDirection(P, 0.0f, 20), -0.5f / 19.0f, 0, 0);
    expectNear(pathDirection(P, 0.99f, 20), -1, 0, 0);  // past the end: P2 - P3
    Vector3 before = pathDirection(P, -0.01f, 20);
    EXPECT_LT(before.x, 0.0f);
}

TEST(Math, RandomRanges) {
    seedRandom(12345);
    std::set<int> seen;
    bool sawMax = false;
    for (int i = 0; i < 200000; ++i) {
        // Interleave to watch for the raw maximum: randomInt maps it to n - 1.
        int v = randomInt(2);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 1);
        seen.insert(v);
        float f = randomFloat(3.0f);
        ASSERT_GE(f, 0.0f);
        ASSERT_LE(f, 3.0f);
        if (f == 3.0f) sawMax = true;
    }
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_TRUE(sawMax);  // randomFloat reaches x itself when the generator gives 32767
}

TEST(Math, RandomIntMapsTheGeneratorMaximumToNMinusOne) {
    // Find a seed whose next value is 32767, then check randomInt with it.
    uint32_t seed = 0;
    for (;; ++seed) {
        seedRandom(seed);
        if (nextRandom() == kRandMax) break;
    }
    seedRandom(seed);
    EXPECT_EQ(randomInt(4), 3);
    seedRandom(seed);
    EXPECT_EQ(randomInt(2), 1);
}

TEST(Math, MaterialAndLightInitialisers) {
    D3DMATERIAL7 m = initMaterial(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(m.diffuse.g, 0.2f);
    EXPECT_EQ(m.ambient.a, 0.4f);
    EXPECT_EQ(m.specular.r, 0.0f);
    EXPECT_EQ(m.power, 0.0f);
    D3DLIGHT7 l = initLight(D3DLIGHT_DIRECTIONAL, -400, -200, 400);
    EXPECT_EQ(l.dltType, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(l.dcvDiffuse.r, 1.0f);
    EXPECT_EQ(l.dcvSpecular.a, 0.0f);
    EXPECT_EQ(l.dvPosition.x, -400.0f);
    EXPECT_EQ(l.dvDirection.z, 400.0f);
    EXPECT_EQ(l.dvAttenuation0, 1.0f);
    EXPECT_NEAR(l.dvRange, 1.8446743e19f, 1e13f);
}

}  // namespace
