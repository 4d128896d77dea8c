#include "tools/lib/assets/nucleotide_body.h"

#include <algorithm>
#include <cmath>

#include "tools/lib/assets/rounded_slab.h"

namespace assets {

namespace {

constexpr float kBond = 14.0f;  // bond length before the final scaling
constexpr float kDegree = 0.017453292f;

// Thickness of the parts, in bond lengths: close to the atoms' own size, so the body reads as a
// solid molecule when it is only a few dozen pixels across. A ring's corners are rounded by
// kRingCorner, which keeps the concave bends of the fused rings wider than the base's rim.
constexpr float kBaseHalfThickness = 0.75f;
constexpr float kSugarHalfThickness = 0.62f;
constexpr float kRingCorner = 0.36f;
constexpr float kLinkRadius = 0.46f;  // the bond from the base to the sugar
constexpr float kArmRadius = 0.4f;    // the arm from the sugar to the phosphate
constexpr float kPhosphateRadius = 1.15f;

struct Detail {
    int cornerPoints;  // per ring corner
    int edgePoints;    // inside each ring edge
    int rimSegments;   // bands over the rim of a ring
    int tubeSides;
    int bondPoints;    // per straight bond
    int ballSlices, ballStacks;
    int knobSlices, knobStacks;  // the small side groups; none below level 1
};

Detail detailFor(int level) {
    switch (std::clamp(level, 0, 2)) {
        case 0: return {1, 0, 2, 5, 2, 8, 6, 0, 0};
        case 1: return {2, 0, 4, 6, 3, 10, 7, 6, 4};
        default: return {3, 1, 6, 9, 5, 14, 9, 7, 5};
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

// The small groups that stand off the base (an oxygen and an amino group) and the three oxygens
// round the phosphate, as balls half sunk into what carries them.
void addKnobs(AssetMesh* mesh, const Skeleton& s, const Detail& d, float texel) {
    if (d.knobSlices == 0) return;
    Vector3 hexCentre;
    for (int k = 0; k < 6; ++k) hexCentre += s.baseOutline[k] / 6.0f;
    for (int atom : {1, 3}) {
        const Vector3 out = normalize(s.baseOutline[atom] - hexCentre);
        addSphere(mesh, s.baseOutline[atom] + out * (0.85f * kBond), 0.5f * kBond, out, d.knobSlices, d.knobStacks,
                  texel);
    }
    // Tetrahedral directions about the arm, which takes the fourth.
    const Vector3 a = normalize(s.phosphate - s.armBend);
    const Vector3 e1 = normalize(cross(a, Vector3(0, 0, 1)));
    const Vector3 e2 = cross(a, e1);
    for (int k = 0; k < 3; ++k) {
        const float turn = 120.0f * kDegree * static_cast<float>(k);
        const Vector3 dir = a * 0.333f + (e1 * std::cos(turn) + e2 * std::sin(turn)) * 0.943f;
        addSphere(mesh, s.phosphate + dir * (0.95f * kBond), 0.62f * kBond, dir, d.knobSlices, d.knobStacks, texel);
    }
}

// The molecule with texture repeats every `texel` units of the unscaled skeleton: the two rings as
// plump slabs, the bonds between them as thick tubes, the phosphate as a ball.
AssetMesh buildMolecule(const Detail& d, float texel) {
    const Skeleton s = makeSkeleton();
    const float corner = kRingCorner * kBond;
    const Vector3 baseNormal =
        normalize(cross(s.baseOutline[1] - s.baseOutline[0], s.baseOutline[2] - s.baseOutline[0]));
    const Vector3 sugarNormal = normalize(cross(s.sugarRing[1] - s.sugarRing[0], s.sugarRing[2] - s.sugarRing[0]));
    AssetMesh mesh;
    addRoundedSlab(&mesh, roundedPolygon(s.baseOutline, corner, d.cornerPoints, d.edgePoints), baseNormal,
                   kBaseHalfThickness * kBond, d.rimSegments, texel);
    addRoundedSlab(&mesh, roundedPolygon(s.sugarRing, corner, d.cornerPoints, d.edgePoints), sugarNormal,
                   kSugarHalfThickness * kBond, d.rimSegments, texel);
    addTube(&mesh, straight(s.baseLink, s.sugarRing[0], d.bondPoints), false, kLinkRadius * kBond, d.tubeSides, texel);
    std::vector<Vector3> arm = straight(s.sugarLink, s.armBend, d.bondPoints);
    const std::vector<Vector3> arm2 = straight(s.armBend, s.phosphate, d.bondPoints);
    arm.insert(arm.end(), arm2.begin() + 1, arm2.end());
    addTube(&mesh, arm, false, kArmRadius * kBond, d.tubeSides, texel);
    addSphere(&mesh, s.phosphate, kPhosphateRadius * kBond, s.armBend - s.phosphate, d.ballSlices, d.ballStacks, texel);
    addKnobs(&mesh, s, d, texel);
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
