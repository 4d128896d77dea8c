#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tools/lib/assets/cluster_shells.h"
#include "tools/lib/assets/nucleotide_body.h"
#include "tools/lib/assets/plate_atlas.h"

namespace {

using assets::AssetMesh;

// Distance from the origin to the nearest point of triangle abc (Voronoi regions of the corners,
// edges and face).
float nearestDistance(const Vector3& a, const Vector3& b, const Vector3& c) {
    const Vector3 p(0, 0, 0);
    const Vector3 ab = b - a, ac = c - a, ap = p - a;
    const float d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return length(a);
    const Vector3 bp = p - b;
    const float d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return length(b);
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return length(a + ab * (d1 / (d1 - d3)));
    const Vector3 cp = p - c;
    const float d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return length(c);
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return length(a + ac * (d2 / (d2 - d6)));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) return length(b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6))));
    const float denom = 1.0f / (va + vb + vc);
    return length(a + ab * (vb * denom) + ac * (vc * denom));
}

float nearestPoint(const AssetMesh& m) {
    float nearest = 1e30f;
    for (const auto& t : m.triangles)
        nearest = std::min(nearest, nearestDistance(m.vertices[t[0]].position, m.vertices[t[1]].position,
                                                    m.vertices[t[2]].position));
    return nearest;
}

void expectAbout(size_t count, double wanted, const char* what, int level) {
    EXPECT_GE(count, wanted * 0.8) << what << " level " << level;
    EXPECT_LE(count, wanted * 1.25) << what << " level " << level;
}

// Every triangle faces the side its corner normals point to (the device keeps clockwise fronts).
void expectFrontsFollowNormals(const AssetMesh& m) {
    for (const auto& t : m.triangles) {
        const Vector3 sum = m.vertices[t[0]].normal + m.vertices[t[1]].normal + m.vertices[t[2]].normal;
        ASSERT_GT(dot(assets::faceNormal(m, t), sum), 0.0f);
    }
}

TEST(AssetModels, NearestPointHelperFindsFaceEdgeAndCorner) {
    EXPECT_NEAR(nearestDistance(Vector3(-1, -1, 2), Vector3(1, -1, 2), Vector3(0, 1, 2)), 2.0f, 1e-5f);
    EXPECT_NEAR(nearestDistance(Vector3(1, -1, 0), Vector3(1, 1, 0), Vector3(3, 0, 0)), 1.0f, 1e-5f);
    EXPECT_NEAR(nearestDistance(Vector3(2, 2, 0), Vector3(3, 2, 0), Vector3(2, 3, 0)), std::sqrt(8.0f), 1e-5f);
}

TEST(AssetModels, NucleotideBodyHasTheSizeAndDetailOfItsLevel) {
    const double wanted[] = {200, 600, 1500};
    size_t previous = 0;
    for (int level = 0; level < 3; ++level) {
        const AssetMesh m = assets::buildNucleotideBody(level);
        EXPECT_NEAR(m.radius(), assets::kNucleotideRadius, 0.01f);
        EXPECT_GE(m.radius(), 60.0f);
        EXPECT_LE(m.radius(), 70.0f);
        expectAbout(m.triangleCount(), wanted[level], "vorel01", level);
        EXPECT_GT(m.triangleCount(), previous);
        previous = m.triangleCount();
        EXPECT_LT(m.vertices.size(), 32768u) << "counts are 16-bit in the model file";
        expectFrontsFollowNormals(m);
    }
}

// The caustic picture must neither jump (a triangle spanning a wrap of the coordinates) nor stretch
// (picture repeats per model unit far from the intended density): most of the body shows it at
// its intended size, and no part (the small balls wrap it once around) badly stretched or squeezed.
TEST(AssetModels, NucleotideTextureWrapsWithoutSeamsOrStretching) {
    for (int level = 0; level < 3; ++level) {
        const AssetMesh m = assets::buildNucleotideBody(level);
        double even = 0, fair = 0, total = 0;
        for (const auto& t : m.triangles) {
            const auto &a = m.vertices[t[0]], &b = m.vertices[t[1]], &c = m.vertices[t[2]];
            const float du = std::max({a.u, b.u, c.u}) - std::min({a.u, b.u, c.u});
            const float dv = std::max({a.v, b.v, c.v}) - std::min({a.v, b.v, c.v});
            EXPECT_LT(du, 0.75f);
            EXPECT_LT(dv, 0.75f);
            const float area = 0.5f * length(assets::faceNormal(m, t));
            const float uvArea = 0.5f * std::fabs((b.u - a.u) * (c.v - a.v) - (c.u - a.u) * (b.v - a.v));
            const float density = uvArea / area * assets::kNucleotideTexelScale * assets::kNucleotideTexelScale;
            total += area;
            if (density > 0.4f && density < 2.5f) even += area;
            if (density > 0.25f && density < 4.0f) fair += area;
        }
        EXPECT_GT(even / total, 0.85) << "level " << level << ": most of the surface at the intended size";
        EXPECT_GT(fair / total, 0.99) << "level " << level << ": nowhere far from it";
    }
}

// Share of the body's bounding disc, seen along `axis`, that its silhouette still covers after
// being eroded by `erosion` model units: thin tubes and rings vanish, plump parts stay.
float erodedCoverage(const AssetMesh& m, const Vector3& axis, float erosion) {
    const Vector3 a = normalize(axis);
    const Vector3 e1 = normalize(cross(a, std::fabs(a.y) < 0.9f ? Vector3(0, 1, 0) : Vector3(1, 0, 0)));
    const Vector3 e2 = cross(a, e1);
    constexpr int n = 96;
    const float r = m.radius(), cell = 2.0f * r / n;
    std::vector<char> covered(n * n, 0);
    for (const auto& t : m.triangles) {
        float x[3], y[3];
        for (int k = 0; k < 3; ++k) {
            const Vector3& p = m.vertices[t[k]].position;
            x[k] = (dot(p, e1) + r) / cell, y[k] = (dot(p, e2) + r) / cell;
        }
        const float d = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        if (std::fabs(d) < 1e-9f) continue;
        const int i0 = std::max(0, static_cast<int>(std::min({x[0], x[1], x[2]})));
        const int i1 = std::min(n - 1, static_cast<int>(std::max({x[0], x[1], x[2]})));
        const int j0 = std::max(0, static_cast<int>(std::min({y[0], y[1], y[2]})));
        const int j1 = std::min(n - 1, static_cast<int>(std::max({y[0], y[1], y[2]})));
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i) {
                const float px = i + 0.5f, py = j + 0.5f;
                const float wa = ((x[1] - px) * (y[2] - py) - (x[2] - px) * (y[1] - py)) / d;
                const float wb = ((x[2] - px) * (y[0] - py) - (x[0] - px) * (y[2] - py)) / d;
                if (wa >= 0 && wb >= 0 && wa + wb <= 1) covered[j * n + i] = 1;
            }
    }
    const int e = static_cast<int>(std::lround(erosion / cell));
    auto solid = [&](int i, int j) {
        for (int b = -e; b <= e; ++b)
            for (int a = -e; a <= e; ++a) {
                if (a * a + b * b > e * e) continue;
                if (i + a < 0 || j + b < 0 || i + a >= n || j + b >= n || !covered[(j + b) * n + i + a]) return false;
            }
        return true;
    };
    int disc = 0, kept = 0;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const float dx = (i + 0.5f) / n * 2 - 1, dy = (j + 0.5f) / n * 2 - 1;
            if (dx * dx + dy * dy > 1) continue;
            ++disc;
            kept += solid(i, j);
        }
    return static_cast<float>(kept) / static_cast<float>(disc);
}

// In the saver a body is a few dozen pixels across: it reads as a solid molecule only when its
// parts are thick. A body of thin tubes and open rings keeps little of its silhouette once
// eroded by a tenth of its radius, from whichever side it is seen.
TEST(AssetModels, NucleotideBodyIsPlumpFromEverySide) {
    const Vector3 sides[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, -1}};
    for (int level = 0; level < 3; ++level) {
        const AssetMesh m = assets::buildNucleotideBody(level);
        float sum = 0, least = 1;
        for (const Vector3& side : sides) {
            const float c = erodedCoverage(m, side, 0.1f * assets::kNucleotideRadius);
            sum += c, least = std::min(least, c);
        }
        EXPECT_GT(sum / 7, 0.09f) << "level " << level;
        EXPECT_GT(least, 0.06f) << "level " << level;
    }
}

TEST(AssetModels, ShellsLieInTheOuterLayerOfTheCluster) {
    for (int level = 0; level < 3; ++level) {
        const AssetMesh capsid = assets::buildCapsidShell(level);
        const AssetMesh cage = assets::buildStrutCage(level);
        const float r = capsid.radius();
        EXPECT_NEAR(r, assets::kClusterRadius, 0.5f);
        EXPECT_LE(cage.radius(), r);
        EXPECT_GE(nearestPoint(capsid), assets::kShellInner * r) << "capsid level " << level;
        EXPECT_GE(nearestPoint(cage), assets::kShellInner * r) << "cage level " << level;
    }
}

// The shells are drawn 42 times a frame in the field outside: few triangles, more at each level.
TEST(AssetModels, ShellsHaveTheDetailOfTheirLevel) {
    const double capsidWanted[] = {960, 1080, 1430};
    const double cageWanted[] = {480, 1280, 2980};
    size_t previous = 0;
    for (int level = 0; level < 3; ++level) {
        const AssetMesh capsid = assets::buildCapsidShell(level);
        const AssetMesh cage = assets::buildStrutCage(level);
        expectAbout(capsid.triangleCount(), capsidWanted[level], "vorel07", level);
        expectAbout(cage.triangleCount(), cageWanted[level], "vorel08", level);
        EXPECT_GT(capsid.triangleCount() + cage.triangleCount(), previous) << "level " << level;
        previous = capsid.triangleCount() + cage.triangleCount();
        EXPECT_LT(capsid.vertices.size(), 32768u);
        EXPECT_LT(cage.vertices.size(), 32768u);
        expectFrontsFollowNormals(capsid);
        expectFrontsFollowNormals(cage);
    }
}

// Which plate-picture slot a texture coordinate belongs to (5 or 6 corners), or 0 when it is
// neither a corner, an edge midpoint, a corner of the hole nor the centre of one.
int plateSlot(float u, float v) {
    for (int corners : {5, 6}) {
        auto near = [&](assets::TexCoord t) { return std::fabs(t.u - u) < 1e-6f && std::fabs(t.v - v) < 1e-6f; };
        if (near(assets::plateCentreTexCoord(corners))) return corners;
        for (int k = 0; k < 2 * corners; ++k) {
            const float along = 0.5f * static_cast<float>(k);
            if (near(assets::plateTexCoord(corners, along, 1.0f))) return corners;
            if (near(assets::plateTexCoord(corners, along, assets::kPlateHoleScale))) return corners;
        }
    }
    return 0;
}

// Every capsid plate is one polygon laid on its shape's slot of the picture (which draws the ring
// and its hole): the twelve five-cornered plates on the pentagon, the others on the hexagon.
TEST(AssetModels, CapsidPlatesLieOnTheirShapesSlotOfThePicture) {
    for (int level = 0; level < 3; ++level) {
        const AssetMesh capsid = assets::buildCapsidShell(level);
        size_t pentagonTriangles = 0;
        for (const auto& t : capsid.triangles) {
            const int slot = plateSlot(capsid.vertices[t[0]].u, capsid.vertices[t[0]].v);
            ASSERT_NE(slot, 0) << "level " << level;
            for (int k = 1; k < 3; ++k)
                ASSERT_EQ(plateSlot(capsid.vertices[t[k]].u, capsid.vertices[t[k]].v), slot) << "level " << level;
            pentagonTriangles += slot == 5;
        }
        // Twelve plates, two faces, each a fan of 3 (from a corner), 5 (from the middle) or 10
        // (a ring around the hole, or from the middle over corners and edge midpoints) triangles.
        EXPECT_GE(pentagonTriangles, 12u * 2 * 3) << "level " << level;
        EXPECT_LE(pentagonTriangles, 12u * 2 * 10) << "level " << level;
    }
}

// Seen from outside, a shell shows its near side and, through it, its far side: both faces of
// every plate and ribbon are there.
TEST(AssetModels, ShellsFaceBothOutwardsAndInwards) {
    for (const AssetMesh& m : {assets::buildCapsidShell(0), assets::buildStrutCage(0)}) {
        size_t outward = 0;
        for (const auto& t : m.triangles) outward += dot(assets::faceNormal(m, t), m.vertices[t[0]].position) > 0;
        EXPECT_GT(outward, m.triangleCount() * 4 / 10);
        EXPECT_LT(outward, m.triangleCount() * 6 / 10);
    }
}

}  // namespace
