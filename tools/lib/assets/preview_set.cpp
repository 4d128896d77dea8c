#include "tools/lib/assets/preview_set.h"

#include <string>

#include "tools/lib/assets/caustics.h"
#include "tools/lib/assets/cluster_shells.h"
#include "tools/lib/assets/nucleotide_body.h"
#include "tools/lib/assets/preview.h"
#include "tools/lib/assets/plate_atlas.h"
#include "tools/lib/assets/textures.h"

namespace assets {

std::vector<AssetEntry> buildPreviewSet() {
    std::vector<AssetEntry> out;
    const Picture caustic = causticFrame(causticVariants()[1], 0, kCausticSize);
    const Picture capsid = capsidPlateAtlas();
    const Picture cage = cageTexture();
    for (int level = 0; level < 3; ++level) {
        const std::string digit = std::to_string(level);
        PreviewStyle body;
        body.texture = &caustic;
        body.distance = 185.0f;
        out.push_back({"preview_vorel01" + digit + ".bmp",
                       encodeBmp24(previewStrip(buildNucleotideBody(level), body, 4, 256))});
        PreviewStyle shell;
        shell.blend = SoftRenderer::Blend::Additive;
        shell.distance = 2.4f * kClusterRadius;
        shell.texture = &capsid;
        shell.tint = {0.35f, 0.65f, 0.9f};
        out.push_back({"preview_vorel07" + digit + ".bmp",
                       encodeBmp24(previewStrip(buildCapsidShell(level), shell, 3, 256))});
        shell.texture = &cage;
        shell.tint = {0.75f, 0.45f, 0.9f};
        out.push_back({"preview_vorel08" + digit + ".bmp",
                       encodeBmp24(previewStrip(buildStrutCage(level), shell, 3, 256))});
    }
    return out;
}

}  // namespace assets
