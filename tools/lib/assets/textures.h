// The still pictures of the data set besides the caustic frames and the logo.
//
// "sting01.bmp"  the rung between paired bases: a bright core along the middle of the picture
//                fading to black at the left and right edges (the cone's texture wraps u once
//                around it; v runs from the apex to the base); grey, the material tints it green.
// "capsid07.bmp" the capsid plates: a glowing outer rim (v near 0), a dimmer inner rim (v near
//                1), faint ribs between, brighter nodes at the plate corners (u = 0); tileable in u.
// "cage08.bmp"   the cage ribbons: two glowing edge lines (v = 0 and 1), a faint core line and
//                one bead of light per repeat along u; tileable in u.
// All are grey pictures: the shells' materials give the colour.
#pragma once

#include "tools/lib/assets/picture.h"

namespace assets {

Picture stingTexture();
Picture capsidTexture();
Picture cageTexture();

}  // namespace assets
