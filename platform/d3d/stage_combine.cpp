// Texture stage 0 in fixed point: the covered forms and the rest of the operations.
#include "platform/d3d/stage_combine.h"

#include <algorithm>

namespace platform::d3d {

namespace {

bool isTexture(DWORD arg) { return (arg & 0xF) == D3DTA_TEXTURE; }

// An argument as a channel value and as a fraction (factor); a texel's fraction is its value
// over full, rounded, at most the largest fraction.
struct Argument {
    int32_t value, factor;
};

Argument argument(DWORD arg, int32_t texel, int32_t diffuse) {
    if (!isTexture(arg)) return {fixed::diffuseChannel(diffuse), diffuse};
    int32_t f = (texel * 32768 + fixed::kFull / 2) / fixed::kFull;
    return {texel, std::clamp(f, 0, fixed::kFraction)};
}

}  // namespace

bool stageOperand(DWORD op, DWORD arg1, DWORD arg2, bool textured, StageOperand* out) {
    StageOperand texture = textured ? StageOperand::Texture : StageOperand::One;
    switch (op) {
        case D3DTOP_DISABLE: *out = StageOperand::Diffuse; return true;
        case D3DTOP_SELECTARG1: *out = isTexture(arg1) ? texture : StageOperand::Diffuse; return true;
        case D3DTOP_SELECTARG2: *out = isTexture(arg2) ? texture : StageOperand::Diffuse; return true;
        case D3DTOP_MODULATE:
            if (isTexture(arg1) == isTexture(arg2)) return false;
            // White times diffuse is the diffuse colour, bit for bit (the product commutes).
            *out = textured ? StageOperand::TextureTimesDiffuse : StageOperand::Diffuse;
            return true;
        default: return false;
    }
}

int32_t stageChannel(DWORD op, DWORD arg1, DWORD arg2, bool textured, int32_t texel, int32_t diffuse) {
    StageOperand covered;
    if (stageOperand(op, arg1, arg2, textured, &covered)) return operandChannel(covered, texel, diffuse);
    const Argument a = argument(arg1, texel, diffuse), b = argument(arg2, texel, diffuse);
    switch (op) {
        case D3DTOP_MODULATE: return fixed::product(a.value, b.factor);
        case D3DTOP_MODULATE2X: return std::min(fixed::kFull, 2 * fixed::product(a.value, b.factor));
        case D3DTOP_MODULATE4X: return std::min(fixed::kFull, 4 * fixed::product(a.value, b.factor));
        case D3DTOP_ADD: return std::min(fixed::kFull, a.value + b.value);
        default: return fixed::diffuseChannel(diffuse);
    }
}

}  // namespace platform::d3d
