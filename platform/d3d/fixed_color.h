// The pixel stage's colour arithmetic, in fixed point: the one definition that the reference
// pixel stage, the portable span routine and the AVX2 span routine all compute, the last eight
// (or sixteen) lanes at a time, so their pictures are the same bytes.
//
// Channel values are 8.7 fixed point in 16 bits: byte c is c << 7, full (255) is kFull = 32640.
// Factors (diffuse colour, fog, filter weights) are 0.15 fractions in [0, 32767]. Products are
// the rounding high-half multiply of two 16-bit values, (a b + 2^14) >> 15 with the shift
// arithmetic (x86's pmulhrsw); interpolation is a + product(b - a, f), which stays between a
// and b. Floats become fractions in exactly two ways: a filter weight truncates f x 32768 for f
// in [0, 1); any other factor clamps v x scale to [0, 32767] (NaN gives 0) and rounds it to
// nearest, ties to even (the processor's default rounding). A channel value becomes a byte as
// (v + 64) >> 7, clamped to [0, 255]. Every function is total: any input gives a defined result.
#pragma once

#include <cmath>
#include <cstdint>

namespace platform::d3d::fixed {

constexpr int32_t kFull = 255 << 7;     // a channel at 255
constexpr int32_t kFraction = 32767;    // the largest fraction, just under one
constexpr float kWeightScale = 32768.0f;  // a filter weight's scale (weights are below one)

// Byte channel to channel value.
inline int32_t channel(uint32_t byte) { return int32_t(byte & 0xFF) << 7; }

// (a b + 2^14) >> 15 on values that fit 16 bits signed.
inline int32_t product(int32_t a, int32_t b) { return (a * b + (1 << 14)) >> 15; }

// a + (b - a) f for channel values a, b and a fraction f.
inline int32_t mix(int32_t a, int32_t b, int32_t f) { return a + product(b - a, f); }

// min(max(v, 0), 1); NaN gives 0.
inline float clampUnit(float v) {
    v = v > 0.0f ? v : 0.0f;
    return v < 1.0f ? v : 1.0f;
}

// v x scale as a fraction: clamped to [0, 32767] (NaN gives 0), rounded to nearest even.
inline int32_t fraction(float v, float scale) {
    float p = v * scale;
    p = p > 0.0f ? p : 0.0f;
    p = p < float(kFraction) ? p : float(kFraction);
    return int32_t(std::nearbyint(p));
}

// A filter weight from the position f in [0, 1] between two texel centres (1 only where the
// position lies a rounding step under the next centre).
inline int32_t weight(float f) { return int32_t(f * kWeightScale); }

// Bilinear filtering of one channel: c00 top left, c10 top right, c01 bottom left, c11 bottom
// right; fx and fy are weights. Rows first, then columns.
inline int32_t bilinear(int32_t c00, int32_t c10, int32_t c01, int32_t c11, int32_t fx, int32_t fy) {
    return mix(mix(c00, c10, fx), mix(c01, c11, fx), fy);
}

// The fog factor f (1 = unfogged) in [0, 1] as a fraction.
inline int32_t fogFraction(float f) { return fraction(f, float(kFraction)); }

// A fog colour component in [0, 1] (clamped) as a channel value, rounded half up.
inline int32_t fogChannel(float c) { return int32_t(clampUnit(c) * float(kFull) + 0.5f); }

// f c + (1 - f) fogColor for channel values c and fogColor and a fraction f.
inline int32_t fogged(int32_t c, int32_t fogColor, int32_t f) { return mix(fogColor, c, f); }

// A channel value rounded to a byte.
inline uint32_t toByte(int32_t v) {
    int32_t b = (v + 64) >> 7;
    return uint32_t(b < 0 ? 0 : b > 255 ? 255 : b);
}

// A diffuse fraction as a channel value (what selecting the diffuse colour gives).
inline int32_t diffuseChannel(int32_t d) { return product(d, kFull); }

}  // namespace platform::d3d::fixed
