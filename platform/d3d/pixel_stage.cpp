// Pixel stage (reference): depth, texture combine, fog, blend and write of single pixels.
#include "platform/d3d/pixel_stage.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d/fixed_color.h"
#include "platform/d3d/rasterizer.h"
#include "platform/d3d/attribute_planes.h"
#include "platform/d3d/stage_combine.h"

namespace platform::d3d {

namespace {

SamplerState samplerFor(const DeviceState& s, D3DTEXTURESTAGESTATETYPE filter) {
    SamplerState out;
    out.linear = s.tss(0, filter) >= D3DTFG_LINEAR;
    out.addressU = s.tss(0, D3DTSS_ADDRESSU);
    out.addressV = s.tss(0, D3DTSS_ADDRESSV);
    out.border = s.tss(0, D3DTSS_BORDERCOLOR);
    return out;
}

uint32_t to8(float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); }

float factor(DWORD blend, int channel, const float src[4], const float dst[4]) {
    switch (blend) {
        case D3DBLEND_ZERO: return 0.0f;
        case D3DBLEND_ONE: return 1.0f;
        case D3DBLEND_SRCCOLOR: return src[channel];
        case D3DBLEND_INVSRCCOLOR: return 1.0f - src[channel];
        case D3DBLEND_SRCALPHA: return src[3];
        case D3DBLEND_INVSRCALPHA: return 1.0f - src[3];
        case D3DBLEND_DESTALPHA: return dst[3];
        case D3DBLEND_INVDESTALPHA: return 1.0f - dst[3];
        case D3DBLEND_DESTCOLOR: return dst[channel];
        case D3DBLEND_INVDESTCOLOR: return 1.0f - dst[channel];
        default: return blend == D3DBLEND_ONE ? 1.0f : 0.0f;
    }
}

// src and dst as 0xAARRGGBB; channel order in the arrays is r, g, b, a.
uint32_t blendColors(const PixelPipeline& p, uint32_t src, uint32_t dst) {
    const int shifts[4] = {16, 8, 0, 24};
    float s[4], d[4];
    for (int c = 0; c < 4; ++c) {
        s[c] = float((src >> shifts[c]) & 0xFF) / 255.0f;
        d[c] = float((dst >> shifts[c]) & 0xFF) / 255.0f;
    }
    uint32_t out = 0;
    for (int c = 0; c < 4; ++c) {
        float v = s[c] * factor(p.srcBlend, c, s, d) + d[c] * factor(p.dstBlend, c, s, d);
        out |= to8(v) << shifts[c];
    }
    return out;
}

uint32_t depthValue(double z, uint32_t zMax) {
    double clamped = std::clamp(z, 0.0, 1.0);
    return static_cast<uint32_t>(clamped * double(zMax) + 0.5);
}

}  // namespace

bool compare(DWORD func, uint32_t value, uint32_t reference) {
    switch (func) {
        case D3DCMP_NEVER: return false;
        case D3DCMP_LESS: return value < reference;
        case D3DCMP_EQUAL: return value == reference;
        case D3DCMP_LESSEQUAL: return value <= reference;
        case D3DCMP_GREATER: return value > reference;
        case D3DCMP_NOTEQUAL: return value != reference;
        case D3DCMP_GREATEREQUAL: return value >= reference;
        default: return true;
    }
}

PixelPipeline preparePixelPipeline(const DeviceState& s) {
    PixelPipeline p;
    p.magnify = samplerFor(s, D3DTSS_MAGFILTER);
    p.minify = samplerFor(s, D3DTSS_MINFILTER);
    p.colorOp = s.tss(0, D3DTSS_COLOROP);
    p.colorArg1 = s.tss(0, D3DTSS_COLORARG1);
    p.colorArg2 = s.tss(0, D3DTSS_COLORARG2);
    p.alphaOp = s.tss(0, D3DTSS_ALPHAOP);
    p.alphaArg1 = s.tss(0, D3DTSS_ALPHAARG1);
    p.alphaArg2 = s.tss(0, D3DTSS_ALPHAARG2);
    p.depthTest = s.rs(D3DRENDERSTATE_ZENABLE) != D3DZB_FALSE;
    p.depthFunc = s.rs(D3DRENDERSTATE_ZFUNC);
    p.depthWrite = s.rs(D3DRENDERSTATE_ZWRITEENABLE) != 0;
    p.blend = s.rs(D3DRENDERSTATE_ALPHABLENDENABLE) != 0;
    p.srcBlend = s.rs(D3DRENDERSTATE_SRCBLEND);
    p.dstBlend = s.rs(D3DRENDERSTATE_DESTBLEND);
    p.dither = s.rs(D3DRENDERSTATE_DITHERENABLE) != 0;
    p.alphaTest = s.rs(D3DRENDERSTATE_ALPHATESTENABLE) != 0;
    p.alphaFunc = s.rs(D3DRENDERSTATE_ALPHAFUNC);
    p.alphaRef = s.rs(D3DRENDERSTATE_ALPHAREF) & 0xFF;
    p.colorKey = s.rs(D3DRENDERSTATE_COLORKEYENABLE) != 0;
    p.fog = prepareFog(s);
    return p;
}

namespace {

// The planes of one centre (before the perspective divide) and 1/w.
struct PixelInputs {
    float plane[kPlaneCount];
    float w;
    float attribute(int i) const { return plane[i] * w; }
};

PixelInputs interpolate(const TrianglePlanes& planes, int x, int y) {
    float start[kPlaneCount];
    rowStart(planes, y, start);
    PixelInputs in;
    for (int i = 0; i < kPlaneCount; ++i) in.plane[i] = planeAt(start[i], planes.right[i], x - planes.minX);
    in.w = perspective(in.plane[kInvWPlane]);
    return in;
}

// Whether fog towards black scales the diffuse colour before it is made a fraction (instead of
// mixing the finished colour with black): when the colour operation reads the diffuse colour
// and the fog colour is black as channel values.
bool fogScalesDiffuse(const PixelPipeline& p) {
    StageOperand from;
    if (!p.fog.enabled || !stageOperand(p.colorOp, p.colorArg1, p.colorArg2, p.texture != nullptr, &from))
        return false;
    for (float c : p.fog.color)
        if (fixed::fogChannel(c) != 0) return false;
    return readsDiffuse(from);
}

// Texture stage 0 and fog in fixed point (fixed_color.h); false when the pixel is discarded
// (alpha test, colour key).
bool shadeColor(const PixelPipeline& p, const SamplerState& sampler, const PixelInputs& in, uint32_t* argb) {
    Texel texel{fixed::kFull, fixed::kFull, fixed::kFull, fixed::kFull};
    const float u = in.attribute(kU), v = in.attribute(kV);
    if (p.texture) {
        if (p.colorKey) {
            uint32_t raw;
            if (nearestRawTexel(*p.texture, sampler, u, v, &raw) && raw >= p.key.dwColorSpaceLowValue &&
                raw <= p.key.dwColorSpaceHighValue)
                return false;
        }
        texel = sampleTexture(*p.texture, sampler, u, v);
    }
    float f = 1.0f;
    if (p.fog.enabled)
        f = p.fog.perPixel ? fogFactor(p.fog.mode, p.fog.start, p.fog.end, p.fog.density, in.w)
                           : fixed::clampUnit(in.attribute(kFog));
    // The diffuse colour as fractions of 1/w-scaled planes; fog towards black folded in.
    const float w15 = in.w * fixed::kWeightScale;
    const bool scaled = fogScalesDiffuse(p);
    const float colorW15 = scaled ? w15 * f : w15;
    const int32_t d[4] = {fixed::fraction(in.plane[kRed], colorW15), fixed::fraction(in.plane[kGreen], colorW15),
                          fixed::fraction(in.plane[kBlue], colorW15), fixed::fraction(in.plane[kAlpha], w15)};
    const int32_t t[4] = {texel.r, texel.g, texel.b, texel.a};
    const bool textured = p.texture != nullptr;
    int32_t c[4];
    for (int i = 0; i < 3; ++i) c[i] = stageChannel(p.colorOp, p.colorArg1, p.colorArg2, textured, t[i], d[i]);
    c[3] = p.colorOp == D3DTOP_DISABLE ? fixed::diffuseChannel(d[3])
                                       : stageChannel(p.alphaOp, p.alphaArg1, p.alphaArg2, textured, t[3], d[3]);
    if (p.alphaTest && !compare(p.alphaFunc, fixed::toByte(c[3]), p.alphaRef)) return false;
    if (p.fog.enabled && !scaled) {
        const int32_t f15 = fixed::fogFraction(f);
        for (int i = 0; i < 3; ++i) c[i] = fixed::fogged(c[i], fixed::fogChannel(p.fog.color[i]), f15);
    }
    *argb = (fixed::toByte(c[3]) << 24) | (fixed::toByte(c[0]) << 16) | (fixed::toByte(c[1]) << 8) |
            fixed::toByte(c[2]);
    return true;
}

void shadePixel(const PixelPipeline& p, const SamplerState& sampler, const TriangleSetup& t, int x, int y, float l1,
                float l2, const PixelInputs& in) {
    uint8_t* depthPixel = nullptr;
    uint32_t depth = 0;
    if (p.depth) {
        const DepthLayout& dl = p.depth->depthLayout();
        depthPixel = p.depth->row(y) + x * dl.bytesPerPixel;
        depth = depthValue(t.z0 + l1 * t.dz1 + l2 * t.dz2, dl.zMax());
        uint32_t stored = (readRaw(depthPixel, dl.bytesPerPixel) & dl.zMask) >> dl.zShift;
        if (p.depthTest && !compare(p.depthFunc, depth, stored)) return;
    }
    uint32_t src;
    if (!shadeColor(p, sampler, in, &src)) return;
    const PixelLayout& cl = p.color->layout();
    uint8_t* colorPixel = p.color->row(y) + x * cl.bytesPerPixel;
    if (p.blend) src = blendColors(p, src, decodeArgb(cl, readRaw(colorPixel, cl.bytesPerPixel)));
    uint32_t raw = p.dither ? encodeArgbDithered(cl, src, x, y) : encodeArgb(cl, src);
    writeRaw(colorPixel, cl.bytesPerPixel, raw);
    if (depthPixel && p.depthWrite) {
        const DepthLayout& dl = p.depth->depthLayout();
        uint32_t old = readRaw(depthPixel, dl.bytesPerPixel);
        writeRaw(depthPixel, dl.bytesPerPixel, (old & ~dl.zMask) | ((depth << dl.zShift) & dl.zMask));
    }
}

}  // namespace

uint64_t drawTriangle(const PixelPipeline& p, const TriangleSetup& t, bool minifying) {
    const SamplerState& sampler = minifying ? p.minify : p.magnify;
    const TrianglePlanes planes = trianglePlanes(t);
    uint64_t covered = 0;
    rasterizeTriangle(t, [&](int x, int y, float l1, float l2) {
        ++covered;
        shadePixel(p, sampler, t, x, y, l1, l2, interpolate(planes, x, y));
    });
    return covered;
}

}  // namespace platform::d3d
