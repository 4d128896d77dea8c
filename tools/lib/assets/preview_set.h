// Preview pictures of the generated models for `vorel_assets --preview`: every model at every
// level seen from several sides, as 24-bit bitmaps named preview_<model>.bmp.
#pragma once

#include <vector>

#include "tools/lib/assets/asset_set.h"

namespace assets {

std::vector<AssetEntry> buildPreviewSet();

}  // namespace assets
