// The still pictures of the data set besides the caustic frames and the logo.
//
// "sting01.bmp"  the rung between paired bases: a bright core along the middle of the picture
//                fading to black at the left and right edges (the cone's texture wraps u once
//                around it; v runs from the apex to the base); grey, the material tints it green.
// ("capsid07.bmp", the capsid's plates, is plate_atlas.h's.)
// "cage08.bmp"   the cage ribbons: one soft line along the middle (v = 0.5) and one bead of light
//                per repeat along u, dark at both edges; tileable in u.
// All are grey pictures: the shells' materials give the colour.
#pragma once

#include "tools/lib/assets/picture.h"

namespace assets {

Picture stingTexture();
Picture cageTexture();

}  // namespace assets
