// "logo.bmp", the preview picture the saver shows in the screensaver host's small window: the
// product itself, rendered from the generated data set with the generators' software renderer: a
// double helix of caustic-lit nucleotides with glowing green rungs, seen inside the turning capsid
// and cage of its cluster. kLogoWidth x kLogoHeight pixels (4:3, larger than the host's 152 x 112).
#pragma once

#include "tools/lib/assets/picture.h"

namespace assets {

constexpr int kLogoWidth = 320;
constexpr int kLogoHeight = 240;

Picture logoPicture();

}  // namespace assets
