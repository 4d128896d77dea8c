// The capsid's plate picture "capsid07.bmp": one square slot per plate shape, side by side, slot 0
// for the six-cornered plates and slot 1 for the five-cornered ones. Each slot holds a regular
// polygon inscribed in a circle a little inside the slot (the margin keeps bilinear filtering from
// reaching the neighbouring slot), with corner k at angle 90 degrees + k turns / corners.
//
// A plate is drawn as one flat polygon whose corners take the slot's corner coordinates (its
// other vertices, a middle, edge midpoints or the corners of a cut-out hole, take theirs from
// plateTexCoord), so the picture alone draws the ring:
//   - a thin glowing rim just inside the polygon's edges with a short soft halo inwards and a
//     brighter node at every corner;
//   - a faint inner rim at kPlateHoleScale of the way out, a nearly black band between;
//   - black (nothing, under additive blending) inside the inner rim: the plate's hole.
// Outside the polygon the picture repeats the outer rim's shade, so filtering at the plate's edge
// sees no dark border. Coordinates are the device's: (0, 0) the top-left corner of the picture,
// texel centres at (i + 0.5) / size. Shapes other than 5 and 6 corners use the hexagon's slot.
#pragma once

#include "tools/lib/assets/picture.h"

namespace assets {

// The inner rim's size as a share of the plate polygon (same shape, same centre).
constexpr float kPlateHoleScale = 0.55f;

struct TexCoord {
    float u = 0.0f, v = 0.0f;
};

TexCoord plateCornerTexCoord(int corners, int k);
TexCoord plateCentreTexCoord(int corners);

// A point of a plate given as (k + t, s): t of the way from corner k to corner k + 1 of the
// polygon shrunk to s times its size about the centre (s = 1 the edge, 0 the centre).
TexCoord plateTexCoord(int corners, float along, float scale);

Picture capsidPlateAtlas();

}  // namespace assets
