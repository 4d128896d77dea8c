// Set-up of one triangle with AVX2: the same record as setupTriangle, bit for bit, and the same
// answer (the three edges as one 4 x 4 transpose of 64-bit lanes, the pixel box on 32-bit lanes,
// the attribute differences as one 8-float subtraction a corner, put in place by permutes).
//
// Only on processors with AVX2 (haveAvx2, raster_options.h); elsewhere it calls setupTriangle.
// The vertices must not lie in `out`; on false `out` holds nothing useful.
#pragma once

#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

bool setupTriangleAvx2(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2, D3DCULL cull,
                       const Scissor& scissor, TriangleSetup* out);

}  // namespace platform::d3d
