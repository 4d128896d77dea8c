// Pixel stage (reference): everything that happens to one covered pixel centre, in this order:
// depth test, perspective-correct attributes, texture sample, texture-stage combine, alpha test,
// colour key, fog, blend, dithered or rounded write, depth write.
//
// Attributes are interpolated as planes (attribute_planes.h); texture filtering, stage 0
// and fog work in fixed point (fixed_color.h, stage_combine.h) and give 8-bit channels, which
// blending and the write take from there. The span routines repeat exactly this arithmetic.
//
// Depth: z in [0, 1] scaled to the z-buffer's integer range (1.0 is the largest value) and
// compared with the stored value by the z function; a pixel that fails leaves colour and depth
// alone; the depth is written only when the pixel is drawn and z-writes are on. Combine: stage 0
// only; arguments texture, diffuse and current (= diffuse); no texture bound reads as opaque
// white. Blend: src x srcBlend + dst x dstBlend per channel on 8-bit values, saturating, so ONE/ONE
// adds and clips at 255. Colour keys on textures matter only when the colour-key render state is
// on: then a pixel whose nearest texel lies within the texture's source key is not drawn.
// The caller guarantees that every pixel handed in lies inside the colour (and depth) surface.
#pragma once

#include <cstdint>

#include "platform/d3d/device_state.h"
#include "platform/d3d/fog.h"
#include "platform/d3d/surface_lock.h"
#include "platform/d3d/texture_sampler.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

struct PixelPipeline {
    const SurfaceLock* color = nullptr;
    const SurfaceLock* depth = nullptr;    // null: no depth test or write
    const SurfaceLock* texture = nullptr;  // null: texture reads white
    SamplerState magnify, minify;
    DWORD colorOp = D3DTOP_MODULATE, colorArg1 = D3DTA_TEXTURE, colorArg2 = D3DTA_CURRENT;
    DWORD alphaOp = D3DTOP_SELECTARG1, alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
    bool depthTest = false;
    DWORD depthFunc = D3DCMP_LESSEQUAL;
    bool depthWrite = false;
    bool blend = false;
    DWORD srcBlend = D3DBLEND_ONE, dstBlend = D3DBLEND_ZERO;
    bool dither = false;
    bool alphaTest = false;
    DWORD alphaFunc = D3DCMP_ALWAYS;
    uint32_t alphaRef = 0;
    bool colorKey = false;
    DDCOLORKEY key{};
    FogSetup fog;
};

// Fills the state-derived members; the surfaces are set by the caller.
PixelPipeline preparePixelPipeline(const DeviceState& state);

bool compare(DWORD func, uint32_t value, uint32_t reference);

// Draws one set-up triangle; returns the number of pixel centres it covered.
uint64_t drawTriangle(const PixelPipeline& pipeline, const TriangleSetup& triangle, bool minifying);

}  // namespace platform::d3d
