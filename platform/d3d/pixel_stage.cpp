// Pixel stage (reference): depth, texture combine, fog, blend and write of single pixels.
#include "platform/d3d/pixel_stage.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d/rasterizer.h"

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

struct Rgba {
    float r, g, b, a;
};

Rgba argument(DWORD arg, const Rgba& texel, const Rgba& diffuse) {
    return (arg & 0xF) == D3DTA_TEXTURE ? texel : diffuse;  // current is diffuse at stage 0
}

float combine(DWORD op, float a1, float a2, float diffuse) {
    switch (op) {
        case D3DTOP_SELECTARG1: return a1;
        case D3DTOP_SELECTARG2: return a2;
        case D3DTOP_MODULATE: return a1 * a2;
        case D3DTOP_MODULATE2X: return std::min(1.0f, 2.0f * a1 * a2);
        case D3DTOP_MODULATE4X: return std::min(1.0f, 4.0f * a1 * a2);
        case D3DTOP_ADD: return std::min(1.0f, a1 + a2);
        default: return diffuse;  // disabled stage: the diffuse colour passes through
    }
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

struct PixelInputs {
    Rgba diffuse;
    float fog, u, v, w;
};

PixelInputs interpolate(const TriangleSetup& t, float l1, float l2) {
    float invW = t.w0 + l1 * t.dw1 + l2 * t.dw2;
    float w = invW != 0.0f ? 1.0f / invW : 0.0f;
    float a[kAttributeCount];
    for (int i = 0; i < kAttributeCount; ++i) a[i] = (t.a0[i] + l1 * t.da1[i] + l2 * t.da2[i]) * w;
    return {{a[kRed], a[kGreen], a[kBlue], a[kAlpha]}, a[kFog], a[kU], a[kV], w};
}

// Texture stage 0 and fog; false when the pixel is discarded (alpha test, colour key).
bool shadeColor(const PixelPipeline& p, const SamplerState& sampler, const PixelInputs& in, uint32_t* argb) {
    Rgba texel{1, 1, 1, 1};
    if (p.texture) {
        if (p.colorKey) {
            uint32_t raw;
            if (nearestRawTexel(*p.texture, sampler, in.u, in.v, &raw) && raw >= p.key.dwColorSpaceLowValue &&
                raw <= p.key.dwColorSpaceHighValue)
                return false;
        }
        Texel t = sampleTexture(*p.texture, sampler, in.u, in.v);
        texel = {t.r, t.g, t.b, t.a};
    }
    const Rgba& d = in.diffuse;
    Rgba c1 = argument(p.colorArg1, texel, d), c2 = argument(p.colorArg2, texel, d);
    Rgba a1 = argument(p.alphaArg1, texel, d), a2 = argument(p.alphaArg2, texel, d);
    float r = combine(p.colorOp, c1.r, c2.r, d.r);
    float g = combine(p.colorOp, c1.g, c2.g, d.g);
    float b = combine(p.colorOp, c1.b, c2.b, d.b);
    float a = p.colorOp == D3DTOP_DISABLE ? d.a : combine(p.alphaOp, a1.a, a2.a, d.a);
    if (p.alphaTest && !compare(p.alphaFunc, to8(a), p.alphaRef)) return false;
    if (p.fog.enabled) {
        float f = p.fog.perPixel ? fogFactor(p.fog.mode, p.fog.start, p.fog.end, p.fog.density, in.w)
                                 : std::clamp(in.fog, 0.0f, 1.0f);
        r = f * r + (1.0f - f) * p.fog.color[0];
        g = f * g + (1.0f - f) * p.fog.color[1];
        b = f * b + (1.0f - f) * p.fog.color[2];
    }
    *argb = (to8(a) << 24) | (to8(r) << 16) | (to8(g) << 8) | to8(b);
    return true;
}

void shadePixel(const PixelPipeline& p, const SamplerState& sampler, const TriangleSetup& t, int x, int y, float l1,
                float l2) {
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
    if (!shadeColor(p, sampler, interpolate(t, l1, l2), &src)) return;
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
    uint64_t covered = 0;
    rasterizeTriangle(t, [&](int x, int y, float l1, float l2) {
        ++covered;
        shadePixel(p, sampler, t, x, y, l1, l2);
    });
    return covered;
}

}  // namespace platform::d3d
