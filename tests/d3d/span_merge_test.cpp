// Runs of small triangles of one call without depth, on the span path against the reference: mesh
// strips and fans of slivers (neighbours share edges but, by the fill rule, no pixel; on 16-bit
// targets they also share the 32-bit words two pixels lie in), slivers stacked on the same pixels
// (a pixel of an earlier triangle must be written before a later one reads it), runs of one- and
// two-pixel triangles, with wide triangles among them. ONE/ONE or opaque, point or bilinear,
// modulated by each vertex's lit colour or not, fogged or not, dithered or not, on every target
// format. Packed groups read ahead of the writes of the group before them; any grouping or
// overlap of groups across triangles must keep every pixel's reads and writes in order (a test
// made for that: packing several triangles' pixels into one group with no conflict test fails it,
// as does the stacked-triangles test of span_overlap_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
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

constexpr int kWidth = 80, kHeight = 56;

// A vertex at screen position (sx, sy) with identity transforms: a random depth, normal (its own
// lit colour) and texture coordinates.
D3DVERTEX at(float sx, float sy, std::mt19937& rng) {
    return {sx / (kWidth / 2.0f) - 1.0f, 1.0f - sy / (kHeight / 2.0f), in(rng, 0.1f, 0.9f), in(rng, -1, 1), in(rng, -1, 1),
            -1, in(rng, -2, 2), in(rng, -2, 2)};
}

enum class Shape { Strip, Fan, Stack, Tiny };

// One call's vertices of the shape, drawn as triangle lists, strips or fans.
void drawShape(IDirect3DDevice7* d, Shape shape, std::mt19937& rng) {
    std::vector<D3DVERTEX> v;
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    const float left = in(rng, 0, 20), top = in(rng, 0, 12);
    if (shape == Shape::Strip || shape == Shape::Tiny) {
        // Columns of slivers side by side: a strip down a row of columns, the edges shared.
        type = D3DPT_TRIANGLESTRIP;
        const bool tiny = shape == Shape::Tiny;
        const float height = tiny ? in(rng, 1.5f, 4) : in(rng, 6, 36);
        float x = left;
        for (int i = 0; i < 40 && x < kWidth; ++i) {
            v.push_back(at(x + in(rng, -0.4f, 0.4f), top + in(rng, -1, 1), rng));
            v.push_back(at(x + in(rng, -0.4f, 0.4f), top + height + in(rng, -1, 1), rng));
            // Now and then a column wide enough for the rows' own routine.
            x += rng() % 16 == 0 ? in(rng, 16, 30) : tiny ? in(rng, 0.3f, 2) : in(rng, 0.4f, 5);
        }
    } else if (shape == Shape::Fan) {
        type = D3DPT_TRIANGLEFAN;
        const float cx = left + 10, cy = top + 16, r = in(rng, 3, 14);
        v.push_back(at(cx, cy, rng));
        const int n = 8 + int(rng() % 24);
        for (int i = 0; i <= n; ++i) {
            const float a = 6.2831853f * float(i) / float(n);
            v.push_back(at(cx + r * 0.5f * std::cos(a), cy + r * std::sin(a), rng));
        }
    } else {
        // Slivers and blobs stacked on the same few hundred pixels.
        for (int i = 0; i < 50; ++i) {
            const float width = in(rng, 0.6f, 16), height = in(rng, 3, 30);
            const float x = left + in(rng, 0, 24 - width * 0.5f), y = top + in(rng, 0, 36 - height * 0.5f);
            v.push_back(at(x, y, rng));
            v.push_back(at(x + width, y + height, rng));
            const float along = in(rng, 0.1f, 0.9f), off = rng() % 3 != 0 ? in(rng, -1, 1) : in(rng, -width, width);
            v.push_back(at(x + along * width + off, y + along * height, rng));
        }
    }
    EXPECT_EQ(d->DrawPrimitive(type, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0), D3D_OK);
}

// Calls of every shape in random states, without the depth test.
void mergeScene(IDirect3DDevice7* d, uint32_t seed, MemorySurface* texture) {
    std::mt19937 rng(seed);
    // Lit by a directional light: every vertex a colour of its own.
    D3DMATERIAL7 m{};
    m.diffuse = {0.9f, 0.6f, 0.3f, 1}, m.ambient = {0.2f, 0.3f, 0.1f, 1};
    d->SetMaterial(&m);
    D3DLIGHT7 l{};
    l.dltType = D3DLIGHT_DIRECTIONAL, l.dcvDiffuse = {1, 1, 1, 1}, l.dvDirection = {0.3f, -0.2f, 1}, l.dvRange = 1e30f;
    d->SetLight(0, &l);
    d->LightEnable(0, TRUE);
    d->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00404040);
    d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    d->SetTexture(0, texture);
    d->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0x00305070);
    d->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE);
    d->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRENDERSTATE_FOGSTART, d3dFloatToState(0.0f));
    d->SetRenderState(D3DRENDERSTATE_FOGEND, d3dFloatToState(1.0f));
    for (int call = 0; call < 12; ++call) {
        d->SetRenderState(D3DRENDERSTATE_LIGHTING, rng() % 4 != 0);
        d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, rng() % 3 != 0);
        d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, rng() % 2);
        d->SetRenderState(D3DRENDERSTATE_FOGENABLE, rng() % 3 == 0);
        d->SetTextureStageState(0, D3DTSS_COLOROP, rng() % 2 ? D3DTOP_MODULATE : D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, rng() % 2 ? D3DTFG_LINEAR : D3DTFG_POINT);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, rng() % 2 ? D3DTFN_LINEAR : D3DTFN_POINT);
        drawShape(d, Shape(call % 4), rng);
    }
}

TEST(SpanMerge, RunsOfSmallTrianglesWithoutDepthMatchTheReference) {
    unsigned long long spans = 0;
    for (const Formats& f : allFormats())
        for (uint32_t seed = 1; seed <= 5; ++seed) {
            std::mt19937 rng(seed * 104729u);
            MemorySurface* texture = randomTexture(rng, 16, 0x3F3F3F);
            const Scene scene = [&](IDirect3DDevice7* d) { mergeScene(d, seed, texture); };
            spans += expectSameAsReference(f, kWidth, kHeight, scene, "seed " + std::to_string(seed));
            texture->Release();
        }
    EXPECT_GT(spans, 50000u) << "the span path was hardly used";
}

}  // namespace
