// Texturing stage: reading a texel colour from a locked texture.
//
// Texture coordinates are in texture widths (u) and heights (v); texel i covers
// [i/size, (i+1)/size) and its centre lies at (i + 0.5)/size. Point sampling takes the texel the
// coordinate falls in; bilinear sampling weighs the four texels whose centres surround it.
// Addressing: wrap repeats the texture, mirror repeats it flipped every other time, clamp holds
// the edge texel, border gives the border colour outside [0, 1). Colours come back as floats in
// [0, 1] (a format without alpha gives alpha 1).
#pragma once

#include "platform/d3d/surface_lock.h"

namespace platform::d3d {

struct Texel {
    float r, g, b, a;
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

Texel texelFromArgb(uint32_t argb);

}  // namespace platform::d3d
