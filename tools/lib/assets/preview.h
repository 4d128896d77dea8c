// Quick looks at a generated model: a strip of views from several sides, made with the
// generators' software renderer (not the saver's device). Used by `vorel_assets --preview`.
#pragma once

#include "tools/lib/assets/asset_mesh.h"
#include "tools/lib/assets/picture.h"
#include "tools/lib/assets/soft_render.h"

namespace assets {

struct PreviewStyle {
    const Picture* texture = nullptr;
    Rgb tint{1, 1, 1};
    SoftRenderer::Blend blend = SoftRenderer::Blend::Opaque;
    float distance = 1.0f;  // eye distance from the model's centre, in model units
};

// `views` pictures of `cell` x `cell` pixels side by side: the model turned by equal steps about
// its vertical axis and seen a little from above.
Picture previewStrip(const AssetMesh& mesh, const PreviewStyle& style, int views, int cell);

}  // namespace assets
