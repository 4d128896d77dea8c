#include "tools/lib/assets/nucleotide_body.h"

#include <algorithm>
#include <cmath>

namespace assets {

namespace {

constexpr float kBond = 14.0f;  // bond length before the final scaling
constexpr float kDegree = 0.017453292f;

struct Detail {
    int tubeSides;
    int cornerPoints;  // per ring corner
    int edgePoints;    // inside each ring edge
    int bondPoints;    // per straight bond
    int ballSlices, ballStacks;
};

Detail detailFor(int level) {
    switch (std::clamp(level, 0, 2)) {
        case 0: return {4, 1, 0, 2, 8, 5};
        case 1: return {6, 2, 0, 3, 12, 7};
        default: return {8, 3, 1, 5, 16, 10};
    }
}

Vector3 polar(const Vector3& centre, float radius, float degrees, const Vector3& e1, const Vector3& e2) {
    const float a = degrees * kDegree;
    return centre + e1 * (radius * std::cos(a)) + e2 * (radius * std::sin(a));
}

std::vector<Vector3> straight(const Vector3& from, const Vector3& to, int points) {
    std::vector<Vector3> path;
    for (int i = 0; i < points; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(points - 1);
        path.push_back(from * (1 - t) + to * t);
    }
    return path;
}

// Atom positions of the molecule (before centring).
struct Skeleton {
    std::vector<Vector3> baseOutline;  // the nine outer atoms of the fused rings, in order
    Vector3 fusedA, fusedB;            // the bond the two rings share
    Vector3 baseLink;                  // the five-ring atom that carries the sugar
    std::vector<Vector3> sugarRing;    // five atoms, [0] bonded to the base
    Vector3 sugarLink;                 // sugar atom that carries the phosphate arm
    Vector3 armBend;                   // the bend of the arm
    Vector3 phosphate;                 // centre of the ball
};

Skeleton makeSkeleton() {
    const Vector3 x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const float pentRadius = kBond / (2 * std::sin(36 * kDegree));
    const Vector3 hex(0, 0, 0);
    const Vector3 pent(kBond * (std::cos(30 * kDegree) + 0.5f / std::tan(36 * kDegree)), 0, 0);
    Skeleton s;
    for (float a : {30.f, 90.f, 150.f, 210.f, 270.f, 330.f}) s.baseOutline.push_back(polar(hex, kBond, a, x, y));
    for (float a : {288.f, 0.f, 72.f}) s.baseOutline.push_back(polar(pent, pentRadius, a, x, y));
    s.fusedA = s.baseOutline[0];
    s.fusedB = s.baseOutline[5];
    s.baseLink = s.baseOutline[6];
    // The sugar ring stands across the base's plane, tilted back over it.
    const Vector3 out = normalize(s.baseLink - pent);
    const Vector3 c1 = s.baseLink + out * (1.05f * kBond);
    const Vector3 e1 = normalize(out * 0.55f + z * 0.8f - x * 0.25f);
    const Vector3 e2 = normalize(cross(e1, out) * -1.0f);
    const Vector3 sugar = c1 + e1 * pentRadius;
    for (int i = 0; i < 5; ++i) s.sugarRing.push_back(polar(sugar, pentRadius, 180.0f + 72.0f * i, e1, e2));
    s.sugarLink = s.sugarRing[2];
    s.armBend = s.sugarLink + normalize(s.sugarLink - sugar + y * 0.3f) * kBond;
    s.phosphate = s.armBend + normalize(s.armBend - s.sugarLink - x * 0.9f + z * 0.4f) * (1.35f * kBond);
    return s;
}

// The molecule with texture repeats every `texel` units of the unscaled skeleton.
AssetMesh buildMolecule(const Detail& d, float texel) {
    const Skeleton s = makeSkeleton();
    const float tube = 0.36f * kBond;
    const float corner = 0.3f * kBond;
    AssetMesh mesh;
    addTube(&mesh, roundedPolygon(s.baseOutline, corner, d.cornerPoints, d.edgePoints), true, tube, d.tubeSides, texel);
    addTube(&mesh, straight(s.fusedA, s.fusedB, d.bondPoints), false, tube * 0.9f, d.tubeSides, texel);
    addTube(&mesh, roundedPolygon(s.sugarRing, corner, d.cornerPoints, d.edgePoints), true, tube, d.tubeSides, texel);
    addTube(&mesh, straight(s.baseLink, s.sugarRing[0], d.bondPoints), false, tube * 0.9f, d.tubeSides, texel);
    std::vector<Vector3> arm = straight(s.sugarLink, s.armBend, d.bondPoints);
    const std::vector<Vector3> arm2 = straight(s.armBend, s.phosphate, d.bondPoints);
    arm.insert(arm.end(), arm2.begin() + 1, arm2.end());
    addTube(&mesh, arm, false, tube * 0.9f, d.tubeSides, texel);
    addSphere(&mesh, s.phosphate, 1.15f * kBond, s.armBend - s.phosphate, d.ballSlices, d.ballStacks, texel);
    return mesh;
}

// Offset that puts the middle of the bounding box at the origin.
Vector3 centringOffset(const AssetMesh& mesh) {
    Vector3 lo = mesh.vertices[0].position, hi = lo;
    for (const auto& v : mesh.vertices) {
        lo = Vector3(std::min(lo.x, v.position.x), std::min(lo.y, v.position.y), std::min(lo.z, v.position.z));
        hi = Vector3(std::max(hi.x, v.position.x), std::max(hi.y, v.position.y), std::max(hi.z, v.position.z));
    }
    return (lo + hi) * -0.5f;
}

}  // namespace

AssetMesh buildNucleotideBody(int level) {
    const Detail d = detailFor(level);
    // A first build finds the scale; the second lays the texture out for the final size.
    AssetMesh probe = buildMolecule(d, 1.0f);
    const Vector3 offset = centringOffset(probe);
    probe.translateThenScale(offset, 1.0f);
    const float scale = kNucleotideRadius / probe.radius();
    AssetMesh mesh = buildMolecule(d, kNucleotideTexelScale / scale);
    mesh.translateThenScale(offset, scale);
    return mesh;
}

}  // namespace assets
