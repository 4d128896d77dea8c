// Span shading, portable: one pixel at a time, the reference's arithmetic (row planes, fixed-point
// colour) on a span.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d/fixed_color.h"
#include "platform/d3d/pixel_format.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/attribute_planes.h"
#include "platform/d3d/span_colour_flags.h"
#include "platform/d3d/span_shader.h"
#include "platform/d3d/span_walk.h"

namespace platform::d3d {

namespace {

// A 16-bit texel as 0xAARRGGBB, channels widened by bit replication as decodeArgb does.
uint32_t decode16(const SpanState& s, uint32_t v) {
    auto widen = [](uint32_t c, int bits) {
        uint32_t out = c << (8 - bits);
        for (int filled = bits; filled < 8; filled += bits) out |= out >> bits;
        return out & 0xFF;
    };
    switch (s.texFormat) {
        case TexelFormat::Rgb565:
            return 0xFF000000u | widen(v >> 11, 5) << 16 | widen((v >> 5) & 0x3F, 6) << 8 | widen(v & 0x1F, 5);
        case TexelFormat::Argb1555: {
            uint32_t a = s.texAlpha ? ((v >> 15) ? 0xFFu : 0u) : 0xFFu;
            return a << 24 | widen((v >> 10) & 0x1F, 5) << 16 | widen((v >> 5) & 0x1F, 5) << 8 | widen(v & 0x1F, 5);
        }
        default: {
            uint32_t a = s.texAlpha ? widen(v >> 12, 4) : 0xFFu;
            return a << 24 | widen((v >> 8) & 0xF, 4) << 16 | widen((v >> 4) & 0xF, 4) << 8 | widen(v & 0xF, 4);
        }
    }
}

uint32_t fetch(const SpanState& s, int ix, int iy) {
    // Wrapped indices reach at most one period outside: [-1, size].
    if (ix < 0) ix += s.texWidth;
    else if (ix >= s.texWidth) ix -= s.texWidth;
    if (iy < 0) iy += s.texHeight;
    else if (iy >= s.texHeight) iy -= s.texHeight;
    const uint8_t* p = s.texels + iy * s.texPitch;
    if (s.texFormat == TexelFormat::Argb8888) {
        uint32_t c;
        std::memcpy(&c, p + ix * 4, 4);
        return s.texAlpha ? c : c | 0xFF000000u;
    }
    uint16_t raw;
    std::memcpy(&raw, p + ix * 2, 2);
    return decode16(s, raw);
}

float wrapCoordinate(float t) { return std::isfinite(t) ? t - std::floor(t) : 0.0f; }

// Channel values (fixed_color.h) r, g, b, a.
struct Channels {
    int32_t c[4];
};

Channels channels(uint32_t argb) {
    return {{fixed::channel(argb >> 16), fixed::channel(argb >> 8), fixed::channel(argb), fixed::channel(argb >> 24)}};
}

Channels sample(const SpanState& s, TexelFilter f, float u, float v) {
    float x = wrapCoordinate(u) * float(s.texWidth);
    float y = wrapCoordinate(v) * float(s.texHeight);
    if (f == TexelFilter::Point) return channels(fetch(s, int(std::floor(x)), int(std::floor(y))));
    x -= 0.5f;
    y -= 0.5f;
    float fx0 = std::floor(x), fy0 = std::floor(y);
    int x0 = int(fx0), y0 = int(fy0);
    const int32_t fx = fixed::weight(x - fx0), fy = fixed::weight(y - fy0);
    Channels c00 = channels(fetch(s, x0, y0)), c10 = channels(fetch(s, x0 + 1, y0));
    Channels c01 = channels(fetch(s, x0, y0 + 1)), c11 = channels(fetch(s, x0 + 1, y0 + 1));
    Channels out;
    for (int i = 0; i < 4; ++i) out.c[i] = fixed::bilinear(c00.c[i], c10.c[i], c01.c[i], c11.c[i], fx, fy);
    return out;
}

// The stage-0 colour and fog of one pixel from its planes, as 0xAARRGGBB.
uint32_t shade(const SpanState& s, TexelFilter f, bool scaled, const float plane[kPlaneCount]) {
    const float w = perspective(plane[kInvWPlane]);
    Channels texel{{fixed::kFull, fixed::kFull, fixed::kFull, fixed::kFull}};
    if (f != TexelFilter::None) texel = sample(s, f, plane[kU] * w, plane[kV] * w);
    const float fog = s.fog ? fixed::clampUnit(plane[kFog] * w) : 1.0f;
    const float w15 = w * fixed::kWeightScale;
    const float colorW15 = scaled ? w15 * fog : w15;
    int32_t c[4];
    for (int i = 0; i < 3; ++i)
        c[i] = operandChannel(s.colorFrom, texel.c[i], fixed::fraction(plane[kRed + i], colorW15));
    c[3] = operandChannel(s.alphaFrom, texel.c[3], fixed::fraction(plane[kAlpha], w15));
    if (s.fog && !scaled) {
        const int32_t f15 = fixed::fogFraction(fog);
        for (int i = 0; i < 3; ++i) c[i] = fixed::fogged(c[i], fixed::fogChannel(s.fogColor[i]), f15);
    }
    return (fixed::toByte(c[3]) << 24) | (fixed::toByte(c[0]) << 16) | (fixed::toByte(c[1]) << 8) |
           fixed::toByte(c[2]);
}

uint32_t saturatingAdd(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= std::min<uint32_t>(((a >> shift) & 0xFF) + ((b >> shift) & 0xFF), 255u) << shift;
    return out;
}

uint32_t widen5(uint32_t v) { return (v << 3) | (v >> 2); }
uint32_t widen6(uint32_t v) { return (v << 2) | (v >> 4); }

void write16(const SpanState& s, uint8_t* pixel, uint32_t argb, int x, int y) {
    uint16_t old;
    std::memcpy(&old, pixel, 2);
    bool is565 = s.format == TargetFormat::Rgb565;
    if (s.additive) {
        uint32_t dst = is565 ? (widen5(old >> 11) << 16) | (widen6((old >> 5) & 0x3F) << 8) | widen5(old & 0x1F)
                             : (widen5((old >> 10) & 0x1F) << 16) | (widen5((old >> 5) & 0x1F) << 8) |
                                   widen5(old & 0x1F);
        argb = saturatingAdd(argb, dst | 0xFF000000u);
    }
    uint32_t threshold = s.dither ? ditherThreshold(x, y) : 127u;
    uint32_t r = quantizeChannel((argb >> 16) & 0xFF, 5, threshold);
    uint32_t g = quantizeChannel((argb >> 8) & 0xFF, is565 ? 6 : 5, threshold);
    uint32_t b = quantizeChannel(argb & 0xFF, 5, threshold);
    auto raw = uint16_t(is565 ? (r << 11) | (g << 5) | b : (r << 10) | (g << 5) | b);
    std::memcpy(pixel, &raw, 2);
}

void write32(const SpanState& s, uint8_t* pixel, uint32_t argb) {
    uint32_t old;
    std::memcpy(&old, pixel, 4);
    if (s.additive) argb = saturatingAdd(argb, s.targetAlpha ? old : old | 0xFF000000u);
    if (!s.targetAlpha) argb &= 0x00FFFFFFu;
    std::memcpy(pixel, &argb, 4);
}

// Depth test (less-or-equal) and write; false when the pixel is hidden.
bool depthPasses(const SpanState& s, const TriangleSetup& t, float l1, float l2, int x, int y) {
    double zMax = s.depth == DepthFormat::Z16 ? 65535.0 : 4294967295.0;
    double z = std::clamp(t.z0 + l1 * t.dz1 + l2 * t.dz2, 0.0, 1.0);
    auto value = static_cast<uint32_t>(z * zMax + 0.5);
    uint8_t* p = s.z + y * s.zPitch;
    if (s.depth == DepthFormat::Z16) {
        uint16_t stored;
        std::memcpy(&stored, p + 2 * x, 2);
        if (value > stored) return false;
        auto v16 = uint16_t(value);
        if (s.zWrite) std::memcpy(p + 2 * x, &v16, 2);
    } else {
        uint32_t stored;
        std::memcpy(&stored, p + 4 * x, 4);
        if (value > stored) return false;
        if (s.zWrite) std::memcpy(p + 4 * x, &value, 4);
    }
    return true;
}

void shadeSpan(const SpanState& s, const TriangleSetup& t, TexelFilter f, const TrianglePlanes& planes, int y, int x0,
               int x1) {
    float start[kPlaneCount], plane[kPlaneCount];
    rowStart(planes, y, start);
    const bool scaled = fogScalesDiffuse(s);
    int64_t w1 = edgeAt(t, 1, x0, y), w2 = edgeAt(t, 2, x0, y);
    const int64_t step1 = t.edge[1].a, step2 = t.edge[2].a;
    uint8_t* row = s.color + y * s.colorPitch;
    for (int x = x0; x <= x1; ++x, w1 += step1, w2 += step2) {
        float l1 = static_cast<float>(double(w1) * t.invArea);
        float l2 = static_cast<float>(double(w2) * t.invArea);
        // The depth is written before the colour, as the reference does it after: nothing in
        // between can discard the pixel.
        if (s.depth != DepthFormat::None && !depthPasses(s, t, l1, l2, x, y)) continue;
        for (int i = 0; i < kPlaneCount; ++i) plane[i] = planeAt(start[i], planes.right[i], x - t.minX);
        uint32_t argb = shade(s, f, scaled, plane);
        if (s.format == TargetFormat::Argb8888) write32(s, row + 4 * x, argb);
        else write16(s, row + 2 * x, argb, x, y);
    }
}

}  // namespace

uint64_t shadeTrianglePortable(const SpanState& s, const TriangleSetup& t, TexelFilter f, BandMask bands) {
    struct Routine {
        const SpanState& s;
        const TriangleSetup& t;
        TexelFilter f;
        TrianglePlanes planes;
        void span(int y, int x0, int x1) const { shadeSpan(s, t, f, planes, y, x0, x1); }
    };
    return walkRows(t, bands, Routine{s, t, f, trianglePlanes(t)});
}

TriangleShader triangleShader(const SpanState& state, TexelFilter filter, bool simd) {
    if (!simd || !haveAvx2()) return shadeTrianglePortable;
    if (simdLevel() == SimdLevel::Avx512)
        if (TriangleShader widest = avx512TriangleShader(state, filter)) return widest;
    if (TriangleShader fast = avx2TriangleShader(state, filter)) return fast;
    return shadeTrianglePortable;
}

}  // namespace platform::d3d
