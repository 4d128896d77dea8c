#include "tools/lib/assets/asset_set.h"

#include "tools/lib/assets/caustics.h"
#include "tools/lib/assets/logo.h"
#include "tools/lib/assets/model_entries.h"
#include "tools/lib/assets/plate_atlas.h"
#include "tools/lib/assets/textures.h"

namespace assets {

namespace {

class SetBuilder {
public:
    SetBuilder(const AssetProgress& progress, int total) : progress_(progress), total_(total) {}

    void add(const std::string& name, std::vector<uint8_t> bytes) {
        entries_.push_back({name, std::move(bytes)});
        if (progress_) progress_(name, ++done_, total_);
    }
    std::vector<AssetEntry> take() { return std::move(entries_); }

private:
    const AssetProgress& progress_;
    int total_;
    int done_ = 0;
    std::vector<AssetEntry> entries_;
};

}  // namespace

bool buildAssetSet(std::vector<AssetEntry>* out, std::string* error, const AssetProgress& progress) {
    SetBuilder set(progress, 9 + 4 * kCausticFrames + 4);
    for (const ModelRecipe& recipe : modelRecipes()) {
        for (int level = 0; level < 3; ++level) {
            std::vector<uint8_t> bytes;
            if (!encodeAssetModel(recipe.build(level), recipe.objectName, recipe.look, &bytes, error)) return false;
            set.add(modelEntryName(recipe.baseName, level), std::move(bytes));
        }
    }
    for (const CausticVariant& variant : causticVariants())
        for (int frame = 0; frame < kCausticFrames; ++frame)
            set.add(causticFrameName(variant.baseName, frame + 1),
                    encodeBmp24(causticFrame(variant, frame, kCausticSize)));
    set.add("sting01.bmp", encodeBmp24(stingTexture()));
    set.add("capsid07.bmp", encodeBmp24(capsidPlateAtlas()));
    set.add("cage08.bmp", encodeBmp24(cageTexture()));
    set.add("logo.bmp", encodeBmp24(logoPicture()));
    *out = set.take();
    return true;
}

}  // namespace assets
