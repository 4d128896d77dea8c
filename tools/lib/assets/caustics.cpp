#include "tools/lib/assets/caustics.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>

#include "tools/lib/assets/seeded_random.h"

namespace assets {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kWaves = 10;
constexpr int kRaysPerTexelSide = 4;  // 16 rays land on each texel of an evenly lit floor
constexpr double kRefractionRatio = 1.0 / 1.33;
constexpr double kFloorDepth = 1.0;  // in tiles
constexpr float kGroundLevel = 0.3f;  // the unlit floor, as a share of the tint

struct Wave {
    int kx, ky;       // cycles across the tile
    int cycles;       // cycles over the loop of frames (sign: direction of travel)
    double amplitude; // in tiles
    double phase;
};

// Waves with wave vectors of length 1.4..3.6 cycles in random directions, so a tile holds two or
// three light cells with broad filaments (the bodies show the tile small, and without mipmaps fine
// filaments would break up into specks); shorter waves are lower, as on real water, so the surface
// is smooth but every wave bends the light by a similar amount.
// The wave vectors must span every whole-number vector, else the picture repeats inside the tile
// (for example, when every wave has an even number of cycles across it).
bool spansTheTile(const std::array<Wave, kWaves>& waves) {
    int g = 0;
    for (int i = 0; i < kWaves; ++i)
        for (int j = i + 1; j < kWaves; ++j)
            g = std::gcd(g, std::abs(waves[i].kx * waves[j].ky - waves[i].ky * waves[j].kx));
    return g == 1;
}

std::array<Wave, kWaves> makeWaves(uint64_t seed) {
    SeededRandom random(seed);
    std::array<Wave, kWaves> waves{};
    for (int n = 0; n < kWaves; ++n) {
        Wave& w = waves[n];
        do {
            w.kx = random.below(9) - 4;
            w.ky = random.below(9) - 4;
        } while (w.kx * w.kx + w.ky * w.ky < 2 || w.kx * w.kx + w.ky * w.ky > 13);
        // One cycle per loop: every wave moves a sixteenth of its length per frame, so the light
        // flows smoothly from frame to frame instead of jumping.
        w.cycles = random.below(2) == 0 ? 1 : -1;
        const double k = std::sqrt(double(w.kx * w.kx + w.ky * w.ky));
        w.amplitude = random.range(0.6, 1.0) * 0.055 / (k * k);
        w.phase = random.range(0.0, kTwoPi);
        if (n == kWaves - 1 && !spansTheTile(waves)) --n;  // draw the last wave again
    }
    return waves;
}

// The surface slope (dh/dx, dh/dy) on an s x s grid of sample points, using the angle-addition
// rule over per-row and per-column tables instead of a sine per sample and wave.
void surfaceSlopes(const std::array<Wave, kWaves>& waves, int frame, int s, std::vector<double>* sx,
                   std::vector<double>* sy) {
    sx->assign(size_t(s) * s, 0.0);
    sy->assign(size_t(s) * s, 0.0);
    std::vector<double> cx(s), sxTable(s), cy(s), syTable(s);
    for (const Wave& w : waves) {
        const double time = -kTwoPi * w.cycles * frame / kCausticFrames + w.phase;
        for (int i = 0; i < s; ++i) {
            const double t = (i + 0.5) / s;
            cx[i] = std::cos(kTwoPi * w.kx * t), sxTable[i] = std::sin(kTwoPi * w.kx * t);
            cy[i] = std::cos(kTwoPi * w.ky * t + time), syTable[i] = std::sin(kTwoPi * w.ky * t + time);
        }
        const double gx = -w.amplitude * kTwoPi * w.kx, gy = -w.amplitude * kTwoPi * w.ky;
        for (int y = 0; y < s; ++y) {
            for (int x = 0; x < s; ++x) {
                const double sine = sxTable[x] * cy[y] + cx[x] * syTable[y];  // sin(a + b)
                (*sx)[size_t(y) * s + x] += gx * sine;
                (*sy)[size_t(y) * s + x] += gy * sine;
            }
        }
    }
}

// Where a ray falling straight down through a surface of slope (hx, hy) meets the floor,
// relative to where it entered.
void refractedOffset(double hx, double hy, double* dx, double* dy) {
    const double len = std::sqrt(hx * hx + hy * hy + 1.0);
    const double nx = -hx / len, ny = -hy / len, nz = 1.0 / len;
    const double cosIn = nz;
    const double k = 1.0 - kRefractionRatio * kRefractionRatio * (1.0 - cosIn * cosIn);
    const double f = kRefractionRatio * cosIn - std::sqrt(k);
    const double tx = f * nx, ty = f * ny, tz = -kRefractionRatio + f * nz;
    *dx = tx * kFloorDepth / -tz;
    *dy = ty * kFloorDepth / -tz;
}

void splatWrapped(std::vector<float>* field, int size, double px, double py, float weight) {
    const double fx = std::floor(px), fy = std::floor(py);
    const float tx = static_cast<float>(px - fx), ty = static_cast<float>(py - fy);
    const int x0 = ((static_cast<int>(fx) % size) + size) % size;
    const int y0 = ((static_cast<int>(fy) % size) + size) % size;
    const int x1 = (x0 + 1) % size, y1 = (y0 + 1) % size;
    (*field)[size_t(y0) * size + x0] += weight * (1 - tx) * (1 - ty);
    (*field)[size_t(y0) * size + x1] += weight * tx * (1 - ty);
    (*field)[size_t(y1) * size + x0] += weight * (1 - tx) * ty;
    (*field)[size_t(y1) * size + x1] += weight * tx * ty;
}

// A 1-2-1 blur in both directions with wrapping: takes the grain of the finite ray count away
// without softening the filaments noticeably.
void smoothWrapped(std::vector<float>* field, int size) {
    std::vector<float> tmp(field->size());
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            tmp[size_t(y) * size + x] = 0.25f * (*field)[size_t(y) * size + (x + size - 1) % size] +
                                        0.5f * (*field)[size_t(y) * size + x] +
                                        0.25f * (*field)[size_t(y) * size + (x + 1) % size];
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            (*field)[size_t(y) * size + x] = 0.25f * tmp[size_t((y + size - 1) % size) * size + x] +
                                             0.5f * tmp[size_t(y) * size + x] +
                                             0.25f * tmp[size_t((y + 1) % size) * size + x];
}

}  // namespace

const std::array<CausticVariant, 4>& causticVariants() {
    static const std::array<CausticVariant, 4> variants{{
        {"caust", {1.00f, 0.28f, 0.16f}, 0x5EED0005},
        {"causty", {1.00f, 0.80f, 0.18f}, 0x5EED0002},
        {"caustb", {0.35f, 0.60f, 1.00f}, 0x5EED0003},
        {"caustg", {0.25f, 1.00f, 0.30f}, 0x5EED0004},
    }};
    return variants;
}

std::string causticFrameName(const char* baseName, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", number);
    return std::string(baseName) + digits + ".bmp";
}

std::vector<float> causticIntensity(uint64_t seed, int frame, int size) {
    const int s = size * kRaysPerTexelSide;
    std::vector<double> hx, hy;
    surfaceSlopes(makeWaves(seed), frame, s, &hx, &hy);
    std::vector<float> field(size_t(size) * size, 0.0f);
    const float weight = 1.0f / (kRaysPerTexelSide * kRaysPerTexelSide);
    for (int y = 0; y < s; ++y) {
        for (int x = 0; x < s; ++x) {
            double dx, dy;
            refractedOffset(hx[size_t(y) * s + x], hy[size_t(y) * s + x], &dx, &dy);
            const double px = ((x + 0.5) / s + dx) * size - 0.5;
            const double py = ((y + 0.5) / s + dy) * size - 0.5;
            splatWrapped(&field, size, px, py, weight);
        }
    }
    smoothWrapped(&field, size);
    return field;
}

Picture causticFrame(const CausticVariant& variant, int frame, int size) {
    const std::vector<float> light = causticIntensity(variant.seed, frame, size);
    Picture picture(size, size);
    // The ground is dim, not black: the body keeps its colour and form between the filaments.
    const Rgb ground = variant.tint * kGroundLevel;
    const Rgb white{1.0f, 1.0f, 1.0f};
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float i = light[size_t(y) * size + x];
            // Light below the even level stays near the ground colour; the focused light rises
            // quickly to the tint and its strongest cores towards white.
            const float glow = 1.0f - std::exp(-std::max(0.0f, i - 0.45f) * 0.9f);
            const float core = std::max(0.0f, glow - 0.55f) / 0.45f;
            picture.at(x, y) = mix(ground + variant.tint * ((1.0f - kGroundLevel) * glow), white, core * core * 0.7f);
        }
    }
    return picture;
}

}  // namespace assets
