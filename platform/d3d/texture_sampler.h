// Texturing stage: reading a texel colour from a locked texture.
//
// Texture coordinates are in texture widths (u) and heights (v); texel i covers
// [i/size, (i+1)/size) and its centre lies at (i + 0.5)/size. Point sampling takes the texel the
// coordinate falls in; bilinear sampling weighs the four texels whose centres surround it.
// Addressing: wrap repeats the texture, mirror repeats it flipped every other time, clamp holds
// the edge texel, border gives the border colour outside [0, 1). Colours come back as channel
// values of fixed_color.h (a format without alpha gives full alpha). Bilinear weights are the
// filter weights of the float positions between texel centres, and the four texels are mixed in
// fixed point (fixed::bilinear).
#pragma once

#include <cstdint>

#include "platform/d3d/surface_lock.h"

namespace platform::d3d {

struct Texel {
    int32_t r, g, b, a;  // channel values, 8.7 fixed point
};

struct SamplerState {
    bool linear = false;  // bilinear rather than point
    DWORD addressU = D3DTADDRESS_WRAP;
    DWORD addressV = D3DTADDRESS_WRAP;
    uint32_t border = 0;  // 0xAARRGGBB
};

Texel sampleTexture(const SurfaceLock& texture, const SamplerState& sampler, float u, float v);

// The raw texel a coordinate falls in (for colour keying); false when it lies on the border.
bool nearestRawTexel(const SurfaceLock& texture, const SamplerState& sampler, float u, float v, uint32_t* raw);

}  // namespace platform::d3d
