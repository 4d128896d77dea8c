// The span path's tests' scaffolding: renders a scene of draw calls on the reference pipeline and
// on every fast variant (portable, AVX2 and AVX-512 routines, one to three threads) in a target
// and depth format, and expects the same colour and depth bytes from each.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/d3d/raster_options.h"
#include "platform/ddraw/ddraw.h"

namespace platform::d3d {
struct MemorySurface;
}

namespace spantest {

// A uniform random float in [lo, hi).
inline float in(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

// An opaque A8R8G8B8 texture one to maxSide texels a side, of random texels whose colour bits are
// those of `channels` at most (0x2F2F2F: channels under 48).
platform::d3d::MemorySurface* randomTexture(std::mt19937& rng, int maxSide, uint32_t channels);

// Restores the automatic path, the SIMD level and the thread count when a test ends.
struct PathGuard {
    int threads = platform::d3d::rasterThreads();
    platform::d3d::SimdLevel simd = platform::d3d::simdLevel();
    ~PathGuard();
};

struct Formats {
    const char* name;
    DDPIXELFORMAT color;
    bool withZ;
    DDPIXELFORMAT z;
};

// Every target and depth format the span path draws, and one it leaves to the reference.
std::vector<Formats> allFormats();

// What a render left behind: colour and depth bytes.
struct Result {
    std::vector<uint8_t> color, depth;
    int pitch = 0, bytesPerPixel = 0;
};

using Scene = std::function<void(IDirect3DDevice7*)>;

// The scene drawn in one BeginScene/EndScene on a cleared target of the format, on the current
// path. On 32-bit targets without alpha every pixel's unused top byte is set first, so that the
// pixels a path drew show.
Result render(const Formats& f, int width, int height, const Scene& scene);

// Renders the scene on the reference and on each fast variant and expects identical buffers.
// Returns how many triangles the span path drew over all variants.
unsigned long long expectSameAsReference(const Formats& f, int width, int height, const Scene& scene,
                                         const std::string& what);

}  // namespace spantest
