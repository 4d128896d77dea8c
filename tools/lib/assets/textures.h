// The still pictures of the data set besides the caustic frames and the logo.
//
// "sting01.bmp"  the rung between paired bases: a bright core along the middle of the picture
//                fading to black at the left and right edges (the cone's texture wraps u once
//                around it; v runs from the apex to the base); grey, the material tints it green.
// "capsid07.bmp" the capsid plates: a thin glowing outer rim (v near 0) with a short soft halo, a
//                faint inner rim (v near 1), a nearly black plate between (the helix inside is
//                the subject), brighter nodes at the plate corners (u = 0); tileable in u.
// "cage08.bmp"   the cage ribbons: one soft line along the middle (v = 0.5) and one bead of light
//                per repeat along u, dark at both edges; tileable in u.
// All are grey pictures: the shells' materials give the colour.
#pragma once

#include "tools/lib/assets/picture.h"

namespace assets {

Picture stingTexture();
Picture capsidTexture();
Picture cageTexture();

}  // namespace assets
