// The span routines' state: which pipeline states they cover and how those resolve.
#include "platform/d3d/span_state.h"

#include <algorithm>

#include "platform/d3d/wide_textures.h"

namespace platform::d3d {

namespace {

bool isChannel(const ChannelMask& c, uint32_t mask) { return c.mask == mask; }

// 0xAARRGGBB or 0x00RRGGBB memory order; alpha present or not.
bool isArgb8888(const PixelLayout& l, bool* alpha) {
    if (l.bytesPerPixel != 4) return false;
    if (!isChannel(l.r, 0x00FF0000u) || !isChannel(l.g, 0x0000FF00u) || !isChannel(l.b, 0x000000FFu)) return false;
    if (l.a.bits != 0 && !isChannel(l.a, 0xFF000000u)) return false;
    *alpha = l.a.bits != 0;
    return true;
}

bool targetFormat(const PixelLayout& l, TargetFormat* format, bool* alpha) {
    *alpha = false;
    if (isArgb8888(l, alpha)) {
        *format = TargetFormat::Argb8888;
        return true;
    }
    if (l.bytesPerPixel != 2 || l.a.bits != 0) return false;
    if (isChannel(l.r, 0xF800u) && isChannel(l.g, 0x07E0u) && isChannel(l.b, 0x001Fu)) {
        *format = TargetFormat::Rgb565;
        return true;
    }
    if (isChannel(l.r, 0x7C00u) && isChannel(l.g, 0x03E0u) && isChannel(l.b, 0x001Fu)) {
        *format = TargetFormat::Rgb555;
        return true;
    }
    return false;
}

bool depthFormat(const PixelPipeline& p, SpanState* s) {
    if (!p.depth) return true;  // no depth test, no depth write
    if (p.depthFunc != D3DCMP_LESSEQUAL) return false;
    const DepthLayout& d = p.depth->depthLayout();
    if (d.zShift != 0 || d.stencilMask != 0) return false;
    if (d.bytesPerPixel == 2 && d.zMask == 0xFFFFu) s->depth = DepthFormat::Z16;
    else if (d.bytesPerPixel == 4 && d.zMask == 0xFFFFFFFFu) s->depth = DepthFormat::Z32;
    else return false;
    s->z = p.depth->bits();
    s->zPitch = p.depth->pitch();
    s->zWrite = p.depthWrite;
    return true;
}

bool wrapped(const SamplerState& s) { return s.addressU == D3DTADDRESS_WRAP && s.addressV == D3DTADDRESS_WRAP; }

// The texel formats the span routines decode; 16-bit textures need 4-byte aligned rows (texels
// are read through the aligned 32-bit word that holds them).
bool texelFormat(const SurfaceLock& t, TexelFormat* format, bool* alpha) {
    const PixelLayout& l = t.layout();
    if (isArgb8888(l, alpha)) {
        *format = TexelFormat::Argb8888;
        return true;
    }
    if (l.bytesPerPixel != 2 || t.pitch() % 4 != 0 || reinterpret_cast<uintptr_t>(t.bits()) % 4 != 0) return false;
    *alpha = l.a.bits != 0;
    if (isChannel(l.r, 0xF800u) && isChannel(l.g, 0x07E0u) && isChannel(l.b, 0x001Fu) && !*alpha) {
        *format = TexelFormat::Rgb565;
        return true;
    }
    if (isChannel(l.r, 0x7C00u) && isChannel(l.g, 0x03E0u) && isChannel(l.b, 0x001Fu) &&
        (!*alpha || isChannel(l.a, 0x8000u))) {
        *format = TexelFormat::Argb1555;
        return true;
    }
    if (isChannel(l.r, 0x0F00u) && isChannel(l.g, 0x00F0u) && isChannel(l.b, 0x000Fu) &&
        (!*alpha || isChannel(l.a, 0xF000u))) {
        *format = TexelFormat::Argb4444;
        return true;
    }
    return false;
}

bool texture(const PixelPipeline& p, SpanState* s, std::shared_ptr<const void>* owner) {
    if (!p.texture) return true;
    bool alpha = false;
    if (!texelFormat(*p.texture, &s->texFormat, &alpha)) return false;
    // Texel offsets are 32-bit in the gathers.
    if (int64_t(p.texture->pitch()) * p.texture->height() >= (int64_t(1) << 31) || p.texture->pitch() <= 0)
        return false;
    if (!wrapped(p.magnify) || !wrapped(p.minify)) return false;
    s->texels = p.texture->bits();
    s->texPitch = p.texture->pitch();
    if (s->texFormat != TexelFormat::Argb8888) {
        // The same colours from a widened copy, read as 32-bit texels.
        if (std::shared_ptr<const std::vector<uint32_t>> wide = wideTexture(*p.texture)) {
            s->texels = reinterpret_cast<const uint8_t*>(wide->data());
            if (owner) *owner = std::move(wide);
            s->texPitch = ptrdiff_t(p.texture->width()) * 4;
            s->texFormat = TexelFormat::Argb8888;
        }
    }
    s->texWidth = p.texture->width();
    s->texHeight = p.texture->height();
    s->texAlpha = alpha;
    s->magnify = p.magnify.linear ? TexelFilter::Bilinear : TexelFilter::Point;
    s->minify = p.minify.linear ? TexelFilter::Bilinear : TexelFilter::Point;
    return true;
}

}  // namespace

bool makeSpanState(const PixelPipeline& p, SpanState* out, std::shared_ptr<const void>* texelOwner) {
    SpanState s;
    if (!p.color || (p.alphaTest && p.alphaFunc != D3DCMP_ALWAYS) || p.colorKey) return false;
    if (p.fog.enabled && p.fog.perPixel) return false;
    if (p.blend && !(p.srcBlend == D3DBLEND_ONE && (p.dstBlend == D3DBLEND_ONE || p.dstBlend == D3DBLEND_ZERO)))
        return false;
    if (!targetFormat(p.color->layout(), &s.format, &s.targetAlpha)) return false;
    if (!depthFormat(p, &s) || !texture(p, &s, texelOwner)) return false;
    // A call that samples its own target reads texels its earlier pixels wrote: the span routines
    // read ahead of their writes, so the reference draws it.
    if (p.texture && p.texture->bits() == p.color->bits()) return false;
    bool textured = s.texels != nullptr;
    if (!stageOperand(p.colorOp, p.colorArg1, p.colorArg2, textured, &s.colorFrom)) return false;
    if (p.colorOp == D3DTOP_DISABLE) s.alphaFrom = StageOperand::Diffuse;
    else if (!stageOperand(p.alphaOp, p.alphaArg1, p.alphaArg2, textured, &s.alphaFrom)) return false;
    s.color = p.color->bits();
    s.colorPitch = p.color->pitch();
    s.width = p.color->width();
    if (p.depth) s.width = std::min(s.width, p.depth->width());
    s.fog = p.fog.enabled;
    for (int i = 0; i < 3; ++i) s.fogColor[i] = p.fog.color[i];
    s.additive = p.blend && p.dstBlend == D3DBLEND_ONE;
    s.dither = p.dither && s.format != TargetFormat::Argb8888;
    *out = s;
    return true;
}

}  // namespace platform::d3d
