#include "tools/lib/assets/rounded_slab.h"

#include <cmath>

namespace assets {

namespace {

constexpr float kHalfPi = 1.5707964f;

// The plane's coordinate axes and the side the outline turns to.
struct SlabFrame {
    Vector3 centre, normal, e1, e2;
    float turning = 1.0f;  // +1 when the outline turns counter-clockwise about the normal

    float u(const Vector3& p) const { return dot(p - centre, e1); }
    float v(const Vector3& p) const { return dot(p - centre, e2); }
};

SlabFrame frameOf(const std::vector<Vector3>& outline, const Vector3& normal) {
    SlabFrame f;
    for (const Vector3& p : outline) f.centre += p;
    f.centre /= static_cast<float>(outline.size());
    f.normal = normalize(normal);
    f.e1 = anyPerpendicular(f.normal);
    f.e2 = cross(f.normal, f.e1);
    float area = 0.0f;
    for (size_t i = 0; i < outline.size(); ++i)
        area += dot(cross(outline[i] - f.centre, outline[(i + 1) % outline.size()] - f.centre), f.normal);
    f.turning = area >= 0.0f ? 1.0f : -1.0f;
    return f;
}

}  // namespace

void addRoundedSlab(AssetMesh* mesh, const std::vector<Vector3>& outline, const Vector3& normal,
                    float halfThickness, int rimSegments, float texelScale) {
    const int n = static_cast<int>(outline.size());
    if (n < 3 || rimSegments < 2 || halfThickness <= 0.0f || texelScale <= 0.0f) return;
    // The picture folds over at the middle of the rim, which must be a row of its own (else the
    // band across it has no picture area): an odd count of bands is made even.
    rimSegments += rimSegments % 2;
    const SlabFrame f = frameOf(outline, normal);
    const std::vector<Vector3> tangents = pathTangents(outline, true);
    const float h = halfThickness;
    // Rings of the rim from the top face's edge (row 0) over the rim to the bottom face's edge.
    const int first = static_cast<int>(mesh->vertices.size());
    for (int row = 0; row <= rimSegments; ++row) {
        const float theta = kHalfPi - 2.0f * kHalfPi * static_cast<float>(row) / static_cast<float>(rimSegments);
        const float unrolled = h * (kHalfPi - std::fabs(theta));  // arc length from the nearer face
        for (int i = 0; i < n; ++i) {
            const Vector3 out = normalize(cross(tangents[i], f.normal)) * f.turning;
            const Vector3 dir = out * std::cos(theta) + f.normal * std::sin(theta);
            const Vector3 flat = outline[i] + out * unrolled;
            mesh->addVertex(outline[i] + dir * h, dir, f.u(flat) / texelScale, f.v(flat) / texelScale);
        }
    }
    for (int row = 0; row < rimSegments; ++row) {
        const int a = first + row * n, b = a + n;
        for (int i = 0; i < n; ++i) mesh->addQuad(a + i, a + (i + 1) % n, b + (i + 1) % n, b + i);
    }
    // The two faces: fans from their middles to the rim's first and last rows.
    const int top = mesh->addVertex(f.centre + f.normal * h, f.normal, 0.0f, 0.0f);
    const int bottom = mesh->addVertex(f.centre - f.normal * h, f.normal * -1.0f, 0.0f, 0.0f);
    const int last = first + rimSegments * n;
    for (int i = 0; i < n; ++i) {
        mesh->addTriangle(top, first + i, first + (i + 1) % n);
        mesh->addTriangle(bottom, last + i, last + (i + 1) % n);
    }
}

}  // namespace assets
