#include "tools/lib/assets/cluster_shells.h"

#include <algorithm>
#include <cmath>

#include "tools/lib/assets/geodesic.h"

namespace assets {

namespace {

// Radial layers, as fractions of the cluster radius. The flat pieces between points on a layer
// dip below it: the plates of level 0, the widest, by up to 1.4% between their corners, which is
// why the plates' two faces lie so close together at the top of the layer above kShellInner.
constexpr float kPlateTop = 1.0f;
constexpr float kPlateBottom = 0.999f;
// A plate's outer and inner rim, as the share of the way from its centre point to its corners
// (the middles of the geodesic faces around it): the plates nearly meet, with a narrow dark gap
// between neighbouring rims, and keep a hole in the middle.
constexpr float kPlateOuter = 0.91f;
constexpr float kPlateInner = 0.5f;
constexpr float kRibbonTop = 0.998f;
constexpr float kRibbonBottom = 0.994f;
constexpr float kRibbonWidth = 48.0f;  // model units
constexpr float kRibbonTexel = 620.0f; // ribbon length of one texture repeat

struct PlateRing {
    std::vector<Vector3> outer, inner;  // unit directions, one per plate corner
};

PlateRing plateAround(const Geodesic& g, int point) {
    const Vector3 centre = g.points[point];
    PlateRing ring;
    for (int f : g.facesAround[point]) {
        const auto& t = g.faces[f];
        const Vector3 corner = normalize(g.points[t[0]] + g.points[t[1]] + g.points[t[2]]);
        ring.outer.push_back(normalize(centre * (1.0f - kPlateOuter) + corner * kPlateOuter));
        ring.inner.push_back(normalize(centre * (1.0f - kPlateInner) + corner * kPlateInner));
    }
    return ring;
}

// One face of a plate: a band of quads between the outer and inner corners at `radius`, facing
// along `facing` (+1 away from the centre, -1 towards it).
void addPlateFace(AssetMesh* mesh, const PlateRing& ring, float radius, float facing) {
    const int n = static_cast<int>(ring.outer.size());
    const int first = static_cast<int>(mesh->vertices.size());
    for (int k = 0; k <= n; ++k) {
        const Vector3& o = ring.outer[k % n];
        const Vector3& i = ring.inner[k % n];
        mesh->addVertex(o * radius, o * facing, static_cast<float>(k), 0.0f);
        mesh->addVertex(i * radius, i * facing, static_cast<float>(k), 1.0f);
    }
    for (int k = 0; k < n; ++k) {
        const int a = first + 2 * k;
        mesh->addQuad(a, a + 2, a + 3, a + 1);
    }
}

// A rim wall joining the top and bottom faces along one loop of corners; its normals point away
// from the plate's middle (outer rim) or towards it (inner rim), and it shows the picture's rim rows.
void addPlateWall(AssetMesh* mesh, const std::vector<Vector3>& loop, const Vector3& centre, float outward,
                  float vTop, float vBottom) {
    const int n = static_cast<int>(loop.size());
    const int first = static_cast<int>(mesh->vertices.size());
    for (int k = 0; k <= n; ++k) {
        const Vector3& d = loop[k % n];
        const Vector3 side = normalize(d - centre * dot(d, centre)) * outward;
        mesh->addVertex(d * (kPlateTop * kClusterRadius), side, static_cast<float>(k), vTop);
        mesh->addVertex(d * (kPlateBottom * kClusterRadius), side, static_cast<float>(k), vBottom);
    }
    for (int k = 0; k < n; ++k) {
        const int a = first + 2 * k;
        mesh->addQuad(a, a + 2, a + 3, a + 1);
    }
}

// A flat ribbon along the great circle about `axis`, both faces.
void addRibbon(AssetMesh* mesh, const Vector3& axis, int segments) {
    const Vector3 e1 = normalize(cross(axis, std::fabs(axis.y) < 0.9f ? Vector3(0, 1, 0) : Vector3(1, 0, 0)));
    const Vector3 e2 = cross(axis, e1);
    const float halfWidth = 0.5f * kRibbonWidth / kClusterRadius;
    const float repeats = std::round(6.2831853f * kClusterRadius / kRibbonTexel);
    for (float facing : {1.0f, -1.0f}) {
        const float radius = (facing > 0 ? kRibbonTop : kRibbonBottom) * kClusterRadius;
        const int first = static_cast<int>(mesh->vertices.size());
        for (int j = 0; j <= segments; ++j) {
            const float t = 6.2831853f * static_cast<float>(j) / static_cast<float>(segments);
            const Vector3 d = e1 * std::cos(t) + e2 * std::sin(t);
            const float u = repeats * static_cast<float>(j) / static_cast<float>(segments);
            mesh->addVertex(normalize(d + axis * halfWidth) * radius, d * facing, u, 0.0f);
            mesh->addVertex(normalize(d - axis * halfWidth) * radius, d * facing, u, 1.0f);
        }
        for (int j = 0; j < segments; ++j) {
            const int a = first + 2 * j;
            mesh->addQuad(a, a + 2, a + 3, a + 1);
        }
    }
}

}  // namespace

AssetMesh buildCapsidShell(int level) {
    level = std::clamp(level, 0, 2);
    const Geodesic g = makeGeodesic(level + 2);
    AssetMesh mesh;
    for (int p = 0; p < static_cast<int>(g.points.size()); ++p) {
        const PlateRing ring = plateAround(g, p);
        addPlateFace(&mesh, ring, kPlateTop * kClusterRadius, 1.0f);
        addPlateFace(&mesh, ring, kPlateBottom * kClusterRadius, -1.0f);
        if (level >= 1) addPlateWall(&mesh, ring.outer, g.points[p], 1.0f, 0.0f, 0.08f);
        if (level >= 2) addPlateWall(&mesh, ring.inner, g.points[p], -1.0f, 1.0f, 0.92f);
    }
    return mesh;
}

AssetMesh buildStrutCage(int level) {
    level = std::clamp(level, 0, 2);
    static const int kSegments[] = {40, 48, 64};
    AssetMesh mesh;
    const int folds[] = {5, 3, 2};
    for (int l = 0; l <= level; ++l)
        for (const Vector3& axis : icosahedralAxes(folds[l])) addRibbon(&mesh, axis, kSegments[level]);
    return mesh;
}

}  // namespace assets
