#include "tools/lib/assets/preview.h"

namespace assets {

Picture previewStrip(const AssetMesh& mesh, const PreviewStyle& style, int views, int cell) {
    Picture strip(views * cell, cell);
    constexpr int kSuper = 2;
    for (int i = 0; i < views; ++i) {
        SoftRenderer renderer(cell * kSuper, cell * kSuper, {0.02f, 0.02f, 0.04f});
        renderer.setCamera(Vector3(0, 0.35f * style.distance, -style.distance), Vector3(), Vector3(0, 1, 0), 0.75f);
        renderer.setLighting(Vector3(-400, -200, 400), 0.35f);
        renderer.draw(mesh, rotationY(kTurn * static_cast<float>(i) / static_cast<float>(views)), style.texture,
                      style.tint, style.blend);
        const Picture view = downsample(renderer.picture(), kSuper);
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x) strip.at(i * cell + x, y) = view.at(x, y);
    }
    return strip;
}

}  // namespace assets
