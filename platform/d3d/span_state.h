// The render state of the span routines: what one draw call's pixels need, resolved once from the
// pixel pipeline into plain pointers, formats and flags.
//
// The span routines cover the states the saver draws with and give exactly the reference pixel
// stage's results for them: 32-bit (x/a 8888) and 16-bit (565, x555) targets, optionally
// dithered; no depth or a plain 16/32-bit z-buffer compared less-or-equal, z-writes switchable;
// no texture or a 32-bit (x/a 8888) or 16-bit (565, x/a 1555, 4444) texture, wrapped, point or
// bilinear; stage 0 selecting or
// modulating texture and diffuse; vertex fog; opaque writes or ONE/ONE blending. makeSpanState
// says false for anything else (the caller then takes the reference path). Pointers borrow the
// pixels of the pipeline's locked surfaces; the state is valid while those pixels stay where they
// are (the device's surfaces never move them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/d3d/pixel_stage.h"
#include "platform/d3d/stage_combine.h"

namespace platform::d3d {

enum class TargetFormat : uint8_t { Argb8888, Rgb565, Rgb555 };
enum class DepthFormat : uint8_t { None, Z16, Z32 };
enum class TexelFilter : uint8_t { None, Point, Bilinear };
enum class TexelFormat : uint8_t { Argb8888, Rgb565, Argb1555, Argb4444 };

struct SpanState {
    TargetFormat format = TargetFormat::Argb8888;
    bool targetAlpha = false;  // 8888 target with an alpha channel
    uint8_t* color = nullptr;
    ptrdiff_t colorPitch = 0;  // bytes
    int width = 0;             // pixels every row of the colour and depth surfaces holds

    DepthFormat depth = DepthFormat::None;
    uint8_t* z = nullptr;
    ptrdiff_t zPitch = 0;
    bool zWrite = false;

    const uint8_t* texels = nullptr;  // null: no texture
    ptrdiff_t texPitch = 0;
    int texWidth = 0, texHeight = 0;
    TexelFormat texFormat = TexelFormat::Argb8888;
    bool texAlpha = false;  // the texture has an alpha channel (else alpha reads 255)
    TexelFilter magnify = TexelFilter::None, minify = TexelFilter::None;

    StageOperand colorFrom = StageOperand::Diffuse, alphaFrom = StageOperand::Diffuse;
    bool fog = false;
    float fogColor[3] = {0, 0, 0};
    bool additive = false;
    bool dither = false;  // 16-bit targets only

    TexelFilter filter(bool minifying) const { return minifying ? minify : magnify; }
};

// False when the pipeline uses a state the span routines do not cover. texelOwner, when given,
// receives what keeps the texels alive when they are not the texture's own (a widened copy).
bool makeSpanState(const PixelPipeline& pipeline, SpanState* out, std::shared_ptr<const void>* texelOwner = nullptr);

}  // namespace platform::d3d
