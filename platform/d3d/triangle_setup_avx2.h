// Set-up of one triangle with AVX2: the same record as setupTriangle, bit for bit, and the same
// answer (the three edges as one 4 x 4 transpose of 64-bit lanes, the pixel box on 32-bit lanes,
// the attribute differences as one 8-float subtraction a corner, put in place by permutes).
//
// The twice-signed area is the sum of the three edges' constant terms, so it comes out of the
// edge arithmetic. Positions as projection leaves them (|x|, |y| < 2^25 in 1/16 pixel: their
// differences fit in 32 bits).
//
// Only on processors with AVX2 (haveAvx2, raster_options.h); elsewhere it calls setupTriangle.
// The vertices must not lie in `out`; on false `out` holds nothing useful.
#pragma once

#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

bool setupTriangleAvx2(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, D3DCULL cull,
                       const Scissor& scissor, TriangleSetup* out);

}  // namespace platform::d3d
