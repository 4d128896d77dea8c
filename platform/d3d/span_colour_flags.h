// What the span routines' colour arithmetic takes from the render state alone, written once so
// that the routines cannot drift apart: the fog colour in fixed point, whether the stage reads
// the diffuse colour, and whether fog towards black scales that colour (as the reference pixel
// stage does). Pure functions of the state; they cannot fail.
#pragma once

#include <cstdint>

#include "platform/d3d/fixed_color.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/stage_combine.h"

namespace platform::d3d {

// The fog colour's fixed-point channels: red in bits 32-47, green in 16-31, blue in 0-15.
inline int64_t packedFogColour(const SpanState& s) {
    const int64_t r = fixed::fogChannel(s.fogColor[0]), g = fixed::fogChannel(s.fogColor[1]);
    const int64_t b = fixed::fogChannel(s.fogColor[2]);
    return (r << 32) | (g << 16) | b;
}

// Whether the pixel's colour or (on targets with alpha) its alpha reads the diffuse colour.
inline bool readsDiffuseColour(const SpanState& s) {
    return readsDiffuse(s.colorFrom) || (s.targetAlpha && readsDiffuse(s.alphaFrom));
}

// Fog towards black on a colour that reads the diffuse colour scales that colour.
inline bool fogScalesDiffuse(const SpanState& s) {
    return s.fog && readsDiffuse(s.colorFrom) && packedFogColour(s) == 0;
}

}  // namespace platform::d3d
