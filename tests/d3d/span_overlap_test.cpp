// Small triangles drawn over each other, on the span path against the reference: runs of slivers
// and blobs one to sixteen pixels wide stacked on the same few hundred pixels, each one's pixels
// added to what the triangles before left (ONE/ONE) or written over it, with the depth test on and
// depth writes mostly on. Every later triangle must see every earlier one's colour and depth
// writes, and the last write of a pixel must be the last triangle's: a target or depth read made
// ahead of an earlier triangle's writes, or a write made out of order, changes the bytes. The same
// without depth, fogged towards black, over a target that differs from pixel to pixel.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"
#include "tests/d3d/span_compare.h"

using namespace platform::d3d;
using namespace spantest;

namespace {

constexpr int kWidth = 64, kHeight = 48;

// A dark texture (channels under 48), so that a dozen layers added together seldom saturate.
MemorySurface* darkTexture(std::mt19937& rng) { return randomTexture(rng, 12, 0x2F2F2F); }

// A vertex at screen position (sx, sy) and depth z, with identity transforms.
D3DVERTEX at(float sx, float sy, float z, std::mt19937& rng) {
    return {sx / (kWidth / 2.0f) - 1.0f, 1.0f - sy / (kHeight / 2.0f), z, 0, 0, -1, in(rng, -2, 2), in(rng, -2, 2)};
}

// A triangle from (x, y) spanning width by height pixels, its corners near depth z; a sliver's
// third corner lies within a pixel of the line through the other two.
void pushThinTriangle(std::mt19937& rng, float x, float y, float z, float width, float height, bool sliver,
                      std::vector<D3DVERTEX>* v) {
    v->push_back(at(x, y, z, rng));
    v->push_back(at(x + width, y + height, z + in(rng, -0.1f, 0.1f), rng));
    const float along = in(rng, 0.1f, 0.9f), off = sliver ? in(rng, -1, 1) : in(rng, -width, width);
    v->push_back(at(x + along * width + off, y + along * height, z + in(rng, -0.1f, 0.1f), rng));
}

// Calls of about sixty small triangles each, all in one box of about 24 by 36 pixels: slivers
// (a pixel or two on most rows) and blobs, one to sixteen pixels wide and three to thirty high,
// at random depths. The states change from call to call: ONE/ONE or opaque, depth writes on in
// most, point or bilinear filtering, dithering on or off.
void overlapScene(IDirect3DDevice7* d, uint32_t seed, MemorySurface* texture) {
    std::mt19937 rng(seed);
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    d->SetTexture(0, texture);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    const float left = in(rng, 4, 30), top = in(rng, 2, 8);
    for (int call = 0; call < 8; ++call) {
        const bool add = rng() % 3 != 0;
        d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, add);
        d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, rng() % 4 != 0);
        d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, rng() % 2);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, rng() % 2 ? D3DTFG_LINEAR : D3DTFG_POINT);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, rng() % 2 ? D3DTFN_LINEAR : D3DTFN_POINT);
        std::vector<D3DVERTEX> v;
        for (int i = 0; i < 60; ++i) {
            const float width = in(rng, 0.6f, 16), height = in(rng, 3, 30);
            const float x = left + in(rng, 0, 24 - width * 0.5f), y = top + in(rng, 0, 36 - height * 0.5f);
            const float z = in(rng, 0.2f, 0.8f);
            const bool sliver = rng() % 3 != 0;
            pushThinTriangle(rng, x, y, z, width, height, sliver, &v);
        }
        EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
    }
}

TEST(SpanOverlap, StackedSmallTrianglesWriteInOrderAsInTheReference) {
    unsigned long long spans = 0;
    for (const Formats& f : allFormats())
        for (uint32_t seed = 1; seed <= 4; ++seed) {
            std::mt19937 rng(seed * 7919u);
            MemorySurface* texture = darkTexture(rng);
            const Scene scene = [&](IDirect3DDevice7* d) { overlapScene(d, seed, texture); };
            spans += expectSameAsReference(f, kWidth, kHeight, scene, "seed " + std::to_string(seed));
            texture->Release();
        }
    // 7 formats x 4 seeds x 5 fast variants x 480 triangles, some of them covering no centre.
    EXPECT_GT(spans, 40000u) << "the span path was hardly used";
}

// The fogged field's state over a target that differs from pixel to pixel: an opaque call of
// large random triangles first, then calls of small triangles and slivers up to sixty wide (so
// that many take several packed groups) stacked on the same pixels, added without any depth test
// or z-buffer and fogged towards black (some wholly, some not at all), dithering on or off.
// Without depth the packed groups make their pixels with their reads: each lane must add to its
// own pixel's old value, at its own dither position.
void fieldScene(IDirect3DDevice7* d, uint32_t seed, MemorySurface* texture) {
    std::mt19937 rng(seed);
    d->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    d->SetTexture(0, texture);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    std::vector<D3DVERTEX> background;
    for (int i = 0; i < 24; ++i)
        background.push_back(at(in(rng, -20, kWidth + 20), in(rng, -20, kHeight + 20), 0.5f, rng));
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, background.data(), DWORD(background.size()), 0), D3D_OK);
    d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0);
    d->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRENDERSTATE_FOGSTART, d3dFloatToState(0.3f));
    d->SetRenderState(D3DRENDERSTATE_FOGEND, d3dFloatToState(0.7f));
    for (int call = 0; call < 6; ++call) {
        d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, rng() % 2);
        std::vector<D3DVERTEX> v;
        for (int i = 0; i < 50; ++i) {
            const float width = in(rng, 0.6f, 60), height = in(rng, 3, 40);
            const float x = in(rng, -4, kWidth - width * 0.5f), y = in(rng, -4, kHeight - height * 0.5f);
            const float z = in(rng, 0.1f, 0.9f);
            const bool sliver = rng() % 2 != 0;
            pushThinTriangle(rng, x, y, z, width, height, sliver, &v);
        }
        EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
    }
}

TEST(SpanOverlap, FoggedAdditiveTrianglesWithoutDepthOverAVariedTargetAsInTheReference) {
    unsigned long long spans = 0;
    for (const Formats& f : allFormats())
        for (uint32_t seed = 1; seed <= 3; ++seed) {
            std::mt19937 rng(seed * 104729u);
            MemorySurface* texture = darkTexture(rng);
            const Scene scene = [&](IDirect3DDevice7* d) { fieldScene(d, seed, texture); };
            spans += expectSameAsReference(f, kWidth, kHeight, scene, "seed " + std::to_string(seed));
            texture->Release();
        }
    EXPECT_GT(spans, 20000u) << "the span path was hardly used";
}

}  // namespace
