#include "tools/lib/assets/cluster_shells.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "tools/lib/assets/geodesic.h"
#include "tools/lib/assets/plate_atlas.h"

namespace assets {

namespace {

// Radial layers, as fractions of the cluster radius. The flat pieces between points on a layer
// dip below it: a plate polygon by the cosine of its corners' angle from its middle, a ribbon
// segment by the cosine of half its angle; the layers and segment counts keep every dip above
// kShellInner.
constexpr float kPlateTop = 1.0f;
constexpr float kPlateBottom = 0.9995f;
// A plate's edge, as the share of the way from its centre point to its corners (the middles of
// the geodesic faces around it): the plates nearly meet, with a narrow dark gap between
// neighbouring rims. The rest of the ring (rims, hole) is the picture's.
constexpr float kPlateOuter = 0.91f;
// The deepest a flat piece of the shell may sink (a little above kShellInner, as a fraction of the
// cluster radius).
constexpr float kDipLimit = kShellInner + 0.0005f;
// The ribbons' faces lie close together at the top of the layer, where the fewest straight
// segments keep a circle's chords above kDipLimit.
constexpr float kRibbonTop = 0.9998f;
constexpr float kRibbonBottom = 0.9993f;
constexpr float kRibbonWidth = 48.0f;  // model units
constexpr float kRibbonTexel = 620.0f; // ribbon length of one texture repeat

struct Plate {
    Vector3 centre;                // unit direction of the plate's middle
    std::vector<Vector3> corners;  // unit directions, in order around the middle
};

Plate plateAround(const Geodesic& g, int point) {
    Plate plate;
    plate.centre = g.points[point];
    for (int f : g.facesAround[point]) {
        const auto& t = g.faces[f];
        const Vector3 corner = normalize(g.points[t[0]] + g.points[t[1]] + g.points[t[2]]);
        plate.corners.push_back(normalize(plate.centre * (1.0f - kPlateOuter) + corner * kPlateOuter));
    }
    return plate;
}

// A point of a plate's polygon: its unit direction and where it lies on the picture's polygon
// (k + t along the edges, s of the way out from the middle).
struct PlatePoint {
    Vector3 direction;
    float along = 0.0f, scale = 1.0f;
};

// The ways to cut a plate into triangles, fewest first: a fan from its first corner, a fan from
// its middle, a ring around the picture's hole (which then costs no pixels), and a fan from its
// middle over its corners and edge midpoints. A plate takes the first whose triangles all stay
// above kDipLimit.
enum class PlateCut { CornerFan, MiddleFan, Ring, MidpointFan };
using PlateFan = std::vector<std::array<PlatePoint, 3>>;

PlateFan plateFan(const Plate& plate, PlateCut cut) {
    const int n = static_cast<int>(plate.corners.size());
    auto corner = [&](int k) { return PlatePoint{plate.corners[k % n], static_cast<float>(k % n), 1.0f}; };
    auto inner = [&](int k) {
        const Vector3 d = normalize(plate.centre + (plate.corners[k % n] - plate.centre) * kPlateHoleScale);
        return PlatePoint{d, static_cast<float>(k % n), kPlateHoleScale};
    };
    const PlatePoint middle{plate.centre, 0.0f, 0.0f};
    PlateFan fan;
    for (int k = 0; k < n; ++k) {
        if (cut == PlateCut::CornerFan && k >= 1 && k + 1 < n) fan.push_back({corner(0), corner(k), corner(k + 1)});
        if (cut == PlateCut::MiddleFan) fan.push_back({middle, corner(k), corner(k + 1)});
        if (cut == PlateCut::Ring) {
            fan.push_back({corner(k), corner(k + 1), inner(k + 1)});
            fan.push_back({corner(k), inner(k + 1), inner(k)});
        }
        if (cut == PlateCut::MidpointFan) {
            const PlatePoint half{normalize(plate.corners[k] + plate.corners[(k + 1) % n]), k + 0.5f, 1.0f};
            fan.push_back({middle, corner(k), half});
            fan.push_back({middle, half, corner(k + 1)});
        }
    }
    return fan;
}

// Distance from the centre to the plane of a triangle with corners on the unit sphere: no point
// of the triangle lies nearer.
float planeDistance(const std::array<PlatePoint, 3>& t) {
    const Vector3 n = cross(t[1].direction - t[0].direction, t[2].direction - t[0].direction);
    return std::fabs(dot(normalize(n), t[0].direction));
}

PlateFan flatEnoughFan(const Plate& plate) {
    for (PlateCut cut : {PlateCut::CornerFan, PlateCut::MiddleFan, PlateCut::Ring}) {
        PlateFan fan = plateFan(plate, cut);
        const bool flat = std::all_of(fan.begin(), fan.end(), [](const auto& t) {
            return planeDistance(t) * kPlateBottom >= kDipLimit;
        });
        if (flat) return fan;
    }
    return plateFan(plate, PlateCut::MidpointFan);
}

// One face of a plate at `radius`, facing along `facing` (+1 away from the centre, -1 towards it),
// with the plate picture's coordinates; the fan's triangles share their corners.
void addPlateFace(AssetMesh* mesh, const PlateFan& fan, int corners, float radius, float facing) {
    std::vector<std::pair<const PlatePoint*, int>> made;
    auto vertexOf = [&](const PlatePoint& p) {
        for (const auto& [point, index] : made)
            if (point->along == p.along && point->scale == p.scale) return index;
        const TexCoord uv = plateTexCoord(corners, p.along, p.scale);
        made.emplace_back(&p, mesh->addVertex(p.direction * radius, p.direction * facing, uv.u, uv.v));
        return made.back().second;
    };
    for (const auto& t : fan) mesh->addTriangle(vertexOf(t[0]), vertexOf(t[1]), vertexOf(t[2]));
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
        const Plate plate = plateAround(g, p);
        const PlateFan fan = flatEnoughFan(plate);
        const int corners = static_cast<int>(plate.corners.size());
        addPlateFace(&mesh, fan, corners, kPlateTop * kClusterRadius, 1.0f);
        addPlateFace(&mesh, fan, corners, kPlateBottom * kClusterRadius, -1.0f);
    }
    return mesh;
}

AssetMesh buildStrutCage(int level) {
    level = std::clamp(level, 0, 2);
    // Straight segments per circle: 20 is about the fewest whose chords keep the bottom face
    // above kDipLimit; a few more at the finest level round the circles seen close up from inside.
    static const int kSegments[] = {20, 20, 24};
    AssetMesh mesh;
    const int folds[] = {5, 3, 2};
    for (int l = 0; l <= level; ++l)
        for (const Vector3& axis : icosahedralAxes(folds[l])) addRibbon(&mesh, axis, kSegments[level]);
    return mesh;
}

}  // namespace assets
