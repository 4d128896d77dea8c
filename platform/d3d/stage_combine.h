// Texture stage 0 of the pixel stage in fixed point (fixed_color.h): what the colour and alpha
// operations make of the texel and the diffuse colour.
//
// Arguments are the texture (its filtered channel values; opaque white when no texture is
// bound) and the diffuse colour (interpolated, as 0.15 fractions); the current colour is the
// diffuse one at stage 0. Selecting or modulating the texture with the diffuse colour, the forms
// the span routines cover, reduce to a StageOperand; modulating, say, the texture by the texture
// or the diffuse colour by itself, MODULATE2X/4X and ADD are defined on channel values here too.
// A disabled (or unknown) operation passes the diffuse colour through.
#pragma once

#include <cstdint>

#include "platform/d3d/d3dtypes.h"
#include "platform/d3d/fixed_color.h"

namespace platform::d3d {

// Where a colour or alpha value comes from at texture stage 0.
enum class StageOperand : uint8_t { One, Diffuse, Texture, TextureTimesDiffuse };

inline bool readsDiffuse(StageOperand op) {
    return op == StageOperand::Diffuse || op == StageOperand::TextureTimesDiffuse;
}

// The StageOperand of an operation on texture/diffuse arguments (`textured`: a texture is bound);
// false for the operations it does not cover.
bool stageOperand(DWORD op, DWORD arg1, DWORD arg2, bool textured, StageOperand* out);

// One channel of an operand: texel a channel value, diffuse a fraction.
inline int32_t operandChannel(StageOperand op, int32_t texel, int32_t diffuse) {
    switch (op) {
        case StageOperand::One: return fixed::kFull;
        case StageOperand::Texture: return texel;
        case StageOperand::TextureTimesDiffuse: return fixed::product(texel, diffuse);
        default: return fixed::diffuseChannel(diffuse);
    }
}

// One channel of any stage-0 operation, as a channel value.
int32_t stageChannel(DWORD op, DWORD arg1, DWORD arg2, bool textured, int32_t texel, int32_t diffuse);

}  // namespace platform::d3d
