// The span path's tests' scaffolding (span_compare.h).
#include "tests/d3d/span_compare.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/span_shader.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"

using namespace platform::d3d;

namespace spantest {

PathGuard::~PathGuard() {
    setRasterPath(RasterPath::Automatic);
    setSimdLevel(simd);
    setRasterThreads(threads);
}

std::vector<Formats> allFormats() {
    return {{"x8r8g8b8+z32", formatX8R8G8B8(), true, formatZ32()},
            {"a8r8g8b8+z16", formatA8R8G8B8(), true, formatZ16()},
            {"r5g6b5+z16", formatR5G6B5(), true, formatZ16()},
            {"x1r5g5b5+z32", rgbFormat(16, 0, 0x7C00, 0x03E0, 0x001F), true, formatZ32()},
            {"r5g6b5 without z", formatR5G6B5(), false, formatZ16()},
            {"x8r8g8b8 without z", formatX8R8G8B8(), false, formatZ32()},
            {"x8r8g8b8+z24s8 (reference only)", formatX8R8G8B8(), true, formatZ24S8()}};
}

MemorySurface* randomTexture(std::mt19937& rng, int maxSide, uint32_t channels) {
    const int width = 1 + int(rng() % uint32_t(maxSide)), height = 1 + int(rng() % uint32_t(maxSide));
    std::vector<uint32_t> argb(size_t(width * height));
    for (uint32_t& c : argb) c = 0xFF000000u | (rng() & channels);
    return d3dtest::makeTexture(width, height, argb, formatA8R8G8B8());
}

Result render(const Formats& f, int width, int height, const Scene& scene) {
    MemorySurface* target = createMemorySurface(DWORD(width), DWORD(height), f.color, DDSCAPS_3DDEVICE);
    MemorySurface* z = nullptr;
    if (f.withZ) {
        z = createMemorySurface(DWORD(width), DWORD(height), f.z, DDSCAPS_ZBUFFER);
        target->AddAttachedSurface(z);
    }
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    EXPECT_EQ(CreateDirect3DForDirectDraw(nullptr, &d3d), S_OK);
    EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | (z ? D3DCLEAR_ZBUFFER : 0), 0x00203040, 1.0f, 0);
    if (f.color.dwRGBBitCount == 32 && f.color.dwRGBAlphaBitMask == 0) {
        // Coverage marker: every drawn pixel clears the unused top byte.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) target->pixels()[size_t(y) * target->pitch() + size_t(x) * 4 + 3] = 0xFF;
    }
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    scene(device);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    Result r;
    r.pitch = target->pitch();
    r.bytesPerPixel = int(f.color.dwRGBBitCount / 8);
    r.color.assign(target->pixels(), target->pixels() + size_t(target->pitch()) * height);
    if (z) r.depth.assign(z->pixels(), z->pixels() + size_t(z->pitch()) * height);
    device->Release();
    d3d->Release();
    if (z) z->Release();
    target->Release();
    return r;
}

namespace {

// Pixels whose stored colour differs.
int differingPixels(const Result& a, const Result& b, int width, int height) {
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t at = size_t(y) * a.pitch + size_t(x) * a.bytesPerPixel;
            n += std::memcmp(&a.color[at], &b.color[at], size_t(a.bytesPerPixel)) != 0;
        }
    return n;
}

struct Variant {
    RasterPath path;
    SimdLevel simd;
    int threads;
    const char* name;
};

// Compares one variant's render with the reference's.
void expectMatch(const Formats& f, const Result& want, const Result& got, int width, int height, const Variant& v,
                 const std::string& what) {
    EXPECT_TRUE(want.depth == got.depth) << "depth buffer differs: " << what << ", " << f.name << ", " << v.name;
    EXPECT_EQ(differingPixels(want, got, width, height), 0) << what << ", " << f.name << ", " << v.name;
}

}  // namespace

unsigned long long expectSameAsReference(const Formats& f, int width, int height, const Scene& scene,
                                         const std::string& what) {
    PathGuard guard;
    setRasterPath(RasterPath::Reference);
    setRasterThreads(1);
    unsigned long long before = spanPathTriangles();
    Result want = render(f, width, height, scene);
    EXPECT_EQ(spanPathTriangles(), before) << "the reference path drew through the span path";
    // Without AVX-512 the avx512 variants take the AVX2 routines (WidestRoutineIsTakenWhereItRuns).
    const Variant variants[] = {{RasterPath::Portable, SimdLevel::Avx2, 1, "portable"},
                                {RasterPath::Automatic, SimdLevel::Avx2, 1, "avx2, 1 thread"},
                                {RasterPath::Automatic, SimdLevel::Avx2, 3, "avx2, 3 threads"},
                                {RasterPath::Automatic, SimdLevel::Avx512, 1, "avx512, 1 thread"},
                                {RasterPath::Automatic, SimdLevel::Avx512, 2, "avx512, 2 threads"},
                                {RasterPath::Automatic, SimdLevel::Avx512, 3, "avx512, 3 threads"}};
    for (const Variant& v : variants) {
        setRasterPath(v.path);
        setSimdLevel(v.simd);
        setRasterThreads(v.threads);
        expectMatch(f, want, render(f, width, height, scene), width, height, v, what);
    }
    return spanPathTriangles() - before;
}

}  // namespace spantest
