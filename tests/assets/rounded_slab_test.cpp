#include "tools/lib/assets/rounded_slab.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

using assets::AssetMesh;

constexpr float kTexel = 20.0f;

std::vector<Vector3> hexagon(float radius, bool clockwise) {
    std::vector<Vector3> points;
    for (int k = 0; k < 6; ++k) {
        const float a = (clockwise ? -1.0f : 1.0f) * kTurn * static_cast<float>(k) / 6.0f;
        points.emplace_back(radius * std::cos(a), radius * std::sin(a), 0.0f);
    }
    return points;
}

// A six-ring and a five-ring sharing an edge (sides 10), its two concave corners smoothed as the
// molecule's outline is.
std::vector<Vector3> fusedRings() {
    const float degree = kTurn / 360.0f;
    const float pentRadius = 10.0f / (2.0f * std::sin(36 * degree));
    const float pentCentre = 10.0f * std::cos(30 * degree) + 5.0f / std::tan(36 * degree);
    std::vector<Vector3> corners;
    for (float a : {30.f, 90.f, 150.f, 210.f, 270.f, 330.f})
        corners.emplace_back(10 * std::cos(a * degree), 10 * std::sin(a * degree), 0.0f);
    for (float a : {288.f, 0.f, 72.f})
        corners.emplace_back(pentCentre + pentRadius * std::cos(a * degree), pentRadius * std::sin(a * degree), 0.0f);
    return assets::roundedPolygon(corners, 4.0f, 3, 1);
}

AssetMesh slab(const std::vector<Vector3>& outline, float halfThickness, int rimSegments) {
    AssetMesh m;
    assets::addRoundedSlab(&m, outline, Vector3(0, 0, 1), halfThickness, rimSegments, kTexel);
    return m;
}

// Every edge of a closed, consistently wound surface is walked once in each direction.
void expectClosedAndConsistentlyWound(const AssetMesh& m) {
    std::map<std::pair<int, int>, int> directed;
    for (const auto& t : m.triangles)
        for (int k = 0; k < 3; ++k) ++directed[{t[k], t[(k + 1) % 3]}];
    for (const auto& [edge, count] : directed) {
        ASSERT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second << " walked twice one way";
        ASSERT_EQ(directed.count({edge.second, edge.first}), 1u) << "open edge " << edge.first << "-" << edge.second;
    }
}

TEST(RoundedSlab, IsOneClosedSurfaceFacingOutwardsForEitherTurningSense) {
    for (const auto& outline : {hexagon(10, false), hexagon(10, true), fusedRings()}) {
        const AssetMesh m = slab(outline, 3.0f, 4);
        ASSERT_FALSE(m.triangles.empty());
        expectClosedAndConsistentlyWound(m);
        Vector3 centre;
        for (const Vector3& p : outline) centre += p / static_cast<float>(outline.size());
        for (const auto& t : m.triangles) {
            const Vector3 n = assets::faceNormal(m, t);
            const Vector3 corners = m.vertices[t[0]].normal + m.vertices[t[1]].normal + m.vertices[t[2]].normal;
            ASSERT_GT(dot(n, corners), 0.0f) << "front and corner normals disagree";
        }
        // Seen from the middle of the slab every vertex normal points away (the slab is star-shaped).
        for (const auto& v : m.vertices) EXPECT_GE(dot(v.normal, v.position - centre), -1e-3f);
    }
}

TEST(RoundedSlab, IsTheOutlineSweptByABallOfTheHalfThickness) {
    const float h = 3.0f;
    const AssetMesh m = slab(hexagon(10, false), h, 6);
    float reach = 0.0f, height = 0.0f;
    for (const auto& v : m.vertices) {
        height = std::max(height, std::fabs(v.position.z));
        reach = std::max(reach, std::hypot(v.position.x, v.position.y));
        EXPECT_LE(std::fabs(v.position.z), h + 1e-4f);
    }
    EXPECT_NEAR(height, h, 1e-4f);
    EXPECT_NEAR(reach, 10.0f + h, 1e-3f) << "the rim stands out by the half thickness at the corners";
    // The rim is round: its normals turn from the top face's over the side to the bottom face's.
    int sideways = 0;
    for (const auto& v : m.vertices) sideways += std::fabs(v.normal.z) < 1e-4f;
    EXPECT_EQ(sideways, 6);
}

// The picture runs on over faces and rim at its own scale: no jumps between neighbouring vertices,
// one repeat per kTexel on the faces, and nearly so over the rim.
TEST(RoundedSlab, TextureRunsOnWithoutJumpsAtThePictureScale) {
    for (const auto& [outline, bands] : {std::pair{hexagon(10, true), 6}, std::pair{fusedRings(), 3}}) {
        const AssetMesh m = slab(outline, 3.0f, bands);
        double even = 0, total = 0;
        for (const auto& t : m.triangles) {
            for (int k = 0; k < 3; ++k) {
                const auto &a = m.vertices[t[k]], &b = m.vertices[t[(k + 1) % 3]];
                const float uv = std::hypot(a.u - b.u, a.v - b.v) * kTexel;
                ASSERT_LE(uv, 2.0f * length(a.position - b.position) + 1e-3f) << "a jump in the picture";
            }
            const auto &a = m.vertices[t[0]], &b = m.vertices[t[1]], &c = m.vertices[t[2]];
            const float area = 0.5f * length(assets::faceNormal(m, t));
            const float uvArea = 0.5f * std::fabs((b.u - a.u) * (c.v - a.v) - (c.u - a.u) * (b.v - a.v));
            const float density = uvArea * kTexel * kTexel / area;
            total += area;
            if (density > 0.7f && density < 1.5f) even += area;
            const bool face = std::fabs(a.normal.z) > 0.999f && std::fabs(b.normal.z) > 0.999f &&
                              std::fabs(c.normal.z) > 0.999f;
            if (face) {
                EXPECT_NEAR(density, 1.0f, 1e-3f);
            }
        }
        EXPECT_GT(even / total, 0.9);
    }
}

TEST(RoundedSlab, AddsNothingForAnOutlineOrRimItCannotMake) {
    EXPECT_TRUE(slab({{0, 0, 0}, {1, 0, 0}}, 1.0f, 4).triangles.empty());
    EXPECT_TRUE(slab(hexagon(10, false), 1.0f, 1).triangles.empty());
    EXPECT_TRUE(slab(hexagon(10, false), 0.0f, 4).triangles.empty());
}

}  // namespace
