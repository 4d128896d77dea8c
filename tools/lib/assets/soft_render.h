// A small software renderer for the generators: the preview picture "logo.bmp" and quick looks at
// the models while they are made. It is not the saver's 3D device and does not imitate it.
//
// Camera: look-at with a vertical field of view, left-handed like the saver's world (x right,
// y up, z into the screen). Triangles whose corners run counter-clockwise on screen are skipped,
// as the device does. Opaque drawing tests and writes depth; glowing drawing adds its colour to
// the picture and tests depth without writing it. Lighting is per vertex: ambient plus one
// directional light plus a soft rim term; colour = texture x tint x light.
#pragma once

#include "tools/lib/assets/asset_mesh.h"
#include "tools/lib/assets/picture.h"

namespace assets {

class SoftRenderer {
public:
    enum class Blend { Opaque, Additive };

    SoftRenderer(int width, int height, Rgb background);

    void setCamera(const Vector3& eye, const Vector3& target, const Vector3& up, float fieldOfViewY);
    // `light` points from the light into the scene.
    void setLighting(const Vector3& light, float ambient) { light_ = normalize(light), ambient_ = ambient; }
    // Draws `mesh` moved by `world`; `texture` may be null (white).
    void draw(const AssetMesh& mesh, const Matrix4& world, const Picture* texture, Rgb tint, Blend blend);
    // Adds a soft round glow (in picture pixels) centred on the projection of `point`.
    void addGlow(const Vector3& point, float radiusPixels, Rgb colour);

    const Picture& picture() const { return picture_; }

private:
    struct Projected {
        float x, y, invW;  // screen position and 1 / camera depth
        float uw, vw;      // texture coordinates over depth
        Rgb light;
    };
    bool project(const Vector3& world, float* x, float* y, float* depth) const;
    void fillTriangle(const Projected (&p)[3], const Picture* texture, Rgb tint, Blend blend);

    Picture picture_;
    std::vector<float> depth_;
    Matrix4 view_;
    float focal_ = 1.0f;
    Vector3 light_{0, 0, 1};
    float ambient_ = 0.3f;
};

// Box-filters `picture` down by a whole factor (anti-aliasing of supersampled renders).
Picture downsample(const Picture& picture, int factor);

}  // namespace assets
