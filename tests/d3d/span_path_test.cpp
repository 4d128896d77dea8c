// The span path against the reference pipeline: the same draw calls rendered on both must cover
// the same pixels and leave the same depth values, for every target and depth format, with and
// without texture, fog, blending and z-writes, on one thread and on several. Every routine computes
// the reference's fixed-point colour, so the colours must be the same bytes too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/span_shader.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/surface_lock.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/span_compare.h"
#include "tools/vorel_bench/synthetic_scene.h"

using namespace platform::d3d;
using namespace spantest;

namespace {

// ---- scenes --------------------------------------------------------------------------------------

D3DMATRIX identity() {
    D3DMATRIX m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1;
    return m;
}

MemorySurface* randomTexture(std::mt19937& rng, int width, int height, const DDPIXELFORMAT& format) {
    MemorySurface* t = createMemorySurface(DWORD(width), DWORD(height), format, DDSCAPS_TEXTURE);
    int bytes = int(format.dwRGBBitCount / 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t v = rng();
            std::memcpy(t->pixels() + y * t->pitch() + x * bytes, &v, size_t(bytes));
        }
    return t;
}

// Every texture format the span path decodes, and one it leaves to the reference (8-bit
// alpha with 4-bit colour does not exist; A8R8G8B8 with swapped red and blue stands in).
DDPIXELFORMAT textureFormat(uint32_t pick) {
    switch (pick % 7) {
        case 0: return formatA8R8G8B8();
        case 1: return formatX8R8G8B8();
        case 2: return formatR5G6B5();
        case 3: return rgbFormat(16, 0x8000, 0x7C00, 0x03E0, 0x001F);
        case 4: return rgbFormat(16, 0, 0x7C00, 0x03E0, 0x001F);
        case 5: return formatA4R4G4B4();
        default: return rgbFormat(32, 0xFF000000, 0x000000FF, 0x0000FF00, 0x00FF0000);
    }
}

struct RandomSceneOptions {
    bool fog = true, blend = true, texture = true;
    bool pointLight = true;  // without it the eight-wide vertex stage takes the vertices
    int textureFormat = -1;  // textureFormat(n); -1: a random one
    int moreTriangles = 0;   // added to every call's 1 to 24 triangles
    D3DPRIMITIVETYPE primitive = D3DPT_TRIANGLELIST;  // strips and fans share their vertices
    bool blackFog = false;   // fog colour black (else random)
    bool narrow = false;     // every triangle a few pixels wide (one to about twelve rows high)
    bool small = false;      // boxes up to about twenty pixels wide and forty high, many of them slivers
    float smallSize = 1;     // the small boxes' size scaled by this (0.25: a few pixels each)
    int textureSize = 70;    // textures 1 to this many texels a side
    float uvRange = 3;       // texture coordinates in [-uvRange, uvRange]
    int textures = 1;        // each call takes one of this many (random sizes and formats)
};

// Triangles of every kind: ordinary, huge (far past the screen edges), tiny (under a pixel) and
// crossing the near plane; lit by a directional and a point light; random states per call.
class RandomScene {
public:
    RandomScene(uint32_t seed, RandomSceneOptions options) : rng_(seed), options_(options) {
        std::uniform_int_distribution<int> size(1, options.textureSize);
        for (int i = 0; i < options.textures; ++i) {
            int w = size(rng_), h = size(rng_);
            uint32_t format = rng_();
            textures_.push_back(randomTexture(
                rng_, w, h, textureFormat(options.textureFormat >= 0 ? uint32_t(options.textureFormat) : format)));
        }
    }
    ~RandomScene() {
        for (MemorySurface* t : textures_) t->Release();
    }

    void operator()(IDirect3DDevice7* d) {
        std::mt19937 rng = rng_;  // every render draws the same calls
        D3DMATRIX world = identity(), view = identity();
        D3DMATRIX projection = bench::perspectiveFov(1.0f, 0.75f, 1.0f, 100.0f);
        d->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
        d->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
        d->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
        setLights(d);
        for (int call = 0; call < 14; ++call) {
            setStates(d, rng);
            std::vector<D3DVERTEX> v = triangles(rng);
            d->DrawPrimitive(options_.primitive, D3DFVF_VERTEX, v.data(), DWORD(v.size()), 0);
        }
        d->SetTexture(0, nullptr);
    }

private:
    static float in(std::mt19937& rng, float lo, float hi) {
        return std::uniform_real_distribution<float>(lo, hi)(rng);
    }

    void setLights(IDirect3DDevice7* d) {
        D3DMATERIAL7 m{};
        m.diffuse = {0.9f, 0.8f, 0.7f, 0.6f};
        m.ambient = {0.3f, 0.3f, 0.3f, 1};
        m.emissive = {0.05f, 0.1f, 0.0f, 0};
        d->SetMaterial(&m);
        D3DLIGHT7 sun{};
        sun.dltType = D3DLIGHT_DIRECTIONAL;
        sun.dcvDiffuse = {0.8f, 0.9f, 1.0f, 1};
        sun.dvDirection = {0.3f, -0.5f, 1.0f};
        D3DLIGHT7 lamp{};
        lamp.dltType = D3DLIGHT_POINT;
        lamp.dcvDiffuse = {1.0f, 0.5f, 0.2f, 1};
        lamp.dvPosition = {5, 5, 20};
        lamp.dvRange = 80;
        lamp.dvAttenuation0 = 0.5f;
        lamp.dvAttenuation1 = 0.02f;
        d->SetLight(0, &sun);
        d->SetLight(1, &lamp);
        d->LightEnable(0, TRUE);
        d->LightEnable(1, options_.pointLight);
        d->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x30303030);
    }

    void setStates(IDirect3DDevice7* d, std::mt19937& rng) {
        bool fog = options_.fog && rng() % 2;
        d->SetRenderState(D3DRENDERSTATE_FOGENABLE, fog);
        d->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
        d->SetRenderState(D3DRENDERSTATE_FOGCOLOR, rng() & (options_.blackFog ? 0 : 0xFFFFFF));
        d->SetRenderState(D3DRENDERSTATE_FOGSTART, d3dFloatToState(in(rng, 0, 30)));
        d->SetRenderState(D3DRENDERSTATE_FOGEND, d3dFloatToState(in(rng, 40, 90)));
        bool blend = options_.blend && rng() % 2;
        d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, blend);
        d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_DESTBLEND, rng() % 4 ? D3DBLEND_ONE : D3DBLEND_ZERO);
        d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, rng() % 3 != 0);
        d->SetRenderState(D3DRENDERSTATE_ZENABLE, rng() % 5 != 0);
        d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, rng() % 2);
        d->SetRenderState(D3DRENDERSTATE_CULLMODE, rng() % 2 ? D3DCULL_NONE : D3DCULL_CCW);
        d->SetRenderState(D3DRENDERSTATE_SHADEMODE, rng() % 5 ? D3DSHADE_GOURAUD : D3DSHADE_FLAT);
        MemorySurface* texture = textures_[textures_.size() == 1 ? 0 : rng() % textures_.size()];
        d->SetTexture(0, options_.texture && rng() % 4 ? texture : nullptr);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, rng() % 3 ? D3DTFG_LINEAR : D3DTFG_POINT);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, rng() % 3 ? D3DTFN_LINEAR : D3DTFN_POINT);
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, rng() % 2 ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
        static const DWORD kColorOps[] = {D3DTOP_MODULATE, D3DTOP_MODULATE, D3DTOP_SELECTARG1, D3DTOP_SELECTARG2};
        d->SetTextureStageState(0, D3DTSS_COLOROP, kColorOps[rng() % 4]);
        d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    }

    D3DVERTEX vertex(std::mt19937& rng, float x, float y, float z) {
        D3DVECTOR n{in(rng, -1, 1), in(rng, -1, 1), in(rng, -1, 0.2f)};
        const float uv = options_.uvRange;
        return {x, y, z, n.x, n.y, n.z, in(rng, -uv, uv), in(rng, -uv, uv)};
    }

    std::vector<D3DVERTEX> triangles(std::mt19937& rng) {
        if (options_.primitive != D3DPT_TRIANGLELIST) return band(rng);
        std::vector<D3DVERTEX> out;
        int count = 1 + int(rng() % 24) + options_.moreTriangles;
        for (int i = 0; i < count; ++i) {
            if (options_.small) {
                smallTriangle(rng, &out);
                continue;
            }
            int kind = int(rng() % 8);
            float cz = in(rng, 2, 90), cx = in(rng, -0.7f, 0.7f) * cz, cy = in(rng, -0.6f, 0.6f) * cz;
            float spread = kind == 0 ? 40 * cz : kind == 1 ? 0.004f * cz : 0.3f * cz;
            float spreadY = spread;
            if (options_.narrow) spread = in(rng, 0.001f, 0.03f) * cz, spreadY = in(rng, 0.001f, 0.12f) * cz;
            for (int k = 0; k < 3; ++k) {
                float z = kind == 2 && !options_.narrow ? in(rng, -20, 30) : cz + in(rng, -0.2f, 0.2f) * cz;  // kind 2 crosses z = 1
                out.push_back(vertex(rng, cx + in(rng, -spread, spread), cy + in(rng, -spreadY, spreadY), z));
            }
        }
        return out;
    }

    // A triangle in a box of about one to twenty pixels by one to forty (at 97x61, a pixel is
    // about 0.012 z): a blob, or a sliver whose third corner lies close to the line through the
    // other two (a pixel or none on most rows), steep or flat.
    void smallTriangle(std::mt19937& rng, std::vector<D3DVERTEX>* out) {
        const float cz = in(rng, 2, 90), cx = in(rng, -0.7f, 0.7f) * cz, cy = in(rng, -0.6f, 0.6f) * cz;
        const float size = options_.smallSize;
        const float dx = in(rng, -0.12f, 0.12f) * size * cz, dy = in(rng, -0.3f, 0.3f) * size * cz;
        const bool flat = rng() % 4 == 0;
        const float x1 = cx + (flat ? dy : dx), y1 = cy + (flat ? dx : dy);
        float x2 = cx + in(rng, -0.05f, 0.05f) * size * cz, y2 = cy + in(rng, -0.1f, 0.1f) * size * cz;
        if (rng() % 3 != 0) {
            const float along = in(rng, 0.1f, 0.9f), off = 0.012f * cz;
            x2 = cx + along * (x1 - cx) + in(rng, -off, off), y2 = cy + along * (y1 - cy) + in(rng, -off, off);
        }
        const float z = cz + in(rng, -0.1f, 0.1f) * cz;
        out->push_back(vertex(rng, cx, cy, z));
        out->push_back(vertex(rng, x1, y1, cz));
        out->push_back(vertex(rng, x2, y2, cz + in(rng, -0.1f, 0.1f) * cz));
    }

    // A strip's or fan's vertices: a random walk in small steps, so that most triangles are
    // whole on the screen and some cross its edges.
    std::vector<D3DVERTEX> band(std::mt19937& rng) {
        std::vector<D3DVERTEX> out;
        int count = 3 + int(rng() % 24) + options_.moreTriangles;
        float z = in(rng, 3, 60), x = in(rng, -0.5f, 0.5f) * z, y = in(rng, -0.4f, 0.4f) * z;
        for (int i = 0; i < count; ++i) {
            float step = 0.08f * z;
            x += in(rng, -step, step), y += in(rng, -step, step), z = std::max(1.5f, z + in(rng, -0.5f, 0.5f));
            out.push_back(vertex(rng, x, y, z));
        }
        return out;
    }

    std::mt19937 rng_;
    RandomSceneOptions options_;
    std::vector<MemorySurface*> textures_;
};

TEST(SpanPath, RandomTrianglesMatchTheReferenceInEveryFormat) {
    unsigned long long spans = 0;
    for (const Formats& f : allFormats())
        for (uint32_t seed = 1; seed <= 6; ++seed) {
            RandomScene scene(seed, {});
            spans += expectSameAsReference(f, 97, 61, std::ref(scene), "seed " + std::to_string(seed));
        }
    EXPECT_GT(spans, 1000u) << "the span path was hardly used";
}

// Four scenes of many triangles a call (150 more than usual) of the kind `o` asks for, in every
// format; returns how many triangles the span path drew.
unsigned long long manyTrianglesInEveryFormat(RandomSceneOptions o, uint32_t firstSeed) {
    o.moreTriangles = 150;
    unsigned long long spans = 0;
    for (const Formats& f : allFormats())
        for (uint32_t seed = firstSeed; seed < firstSeed + 4; ++seed) {
            RandomScene scene(seed, o);
            spans += expectSameAsReference(f, 97, 61, std::ref(scene), "seed " + std::to_string(seed));
        }
    return spans;
}

// Triangles one to a few pixels wide (the routines shade these several rows at a time);
// dithering depends on each pixel's own row and column.
TEST(SpanPath, NarrowAndTinyTrianglesMatchTheReferenceInEveryFormat) {
    RandomSceneOptions o;
    o.narrow = true;
    EXPECT_GT(manyTrianglesInEveryFormat(o, 31), 20000u) << "the span path was hardly used";
}

// Small triangles and slivers (boxes of one to about twenty pixels by one to forty, across the
// bands of sixteen rows): the AVX-512 routine packs their covered pixels sixteen to a group.
TEST(SpanPath, SmallTrianglesAndSliversMatchTheReferenceInEveryFormat) {
    RandomSceneOptions o;
    o.small = true;
    EXPECT_GT(manyTrianglesInEveryFormat(o, 41), 20000u) << "the span path was hardly used";
}

// Calls switching among textures of different sizes and formats, many small triangles each:
// every call's triangles read its own texture, whatever the calls before read.
TEST(SpanPath, SmallTrianglesOfCallsSwitchingTexturesMatchTheReference) {
    RandomSceneOptions o;
    o.small = true;
    o.textures = 4;
    EXPECT_GT(manyTrianglesInEveryFormat(o, 61), 20000u) << "the span path was hardly used";
}

// Slivers and blobs of a few pixels (boxes of one to about five pixels by one to ten, or up to
// about twelve by twenty-four), so that most packed groups hold eight lanes or fewer (every count
// of them) and are shaded as half groups, on 32-bit textures one to six or to twenty-four texels
// wide (lanes read the last column, whose right-hand neighbour wraps, alone or with others) and
// on textures of random formats.
TEST(SpanPath, SmallTrianglesOfAFewPixelsMatchTheReferenceInEveryFormat) {
    struct Case {
        int format;
        float size;
        int textureSize;
    };
    for (const Case& c : {Case{1, 0.25f, 6}, Case{1, 0.6f, 24}, Case{-1, 0.4f, 12}}) {
        RandomSceneOptions o;
        o.small = true;
        o.smallSize = c.size;
        o.textureSize = c.textureSize;
        o.textureFormat = c.format;
        EXPECT_GT(manyTrianglesInEveryFormat(o, 71), 20000u)
            << "the span path was hardly used, texture format " << c.format << ", size " << c.size;
    }
}

// Triangles of about a pixel (most cover one centre or none, and the routines shade a lone
// covered centre by itself) on textures one to five texels a side, so that many pixels sample
// the last column or row and their neighbours wrap to the first, on 32-bit textures (with and
// without alpha) and on textures of random formats.
TEST(SpanPath, TrianglesOfAboutOnePixelMatchTheReferenceInEveryFormat) {
    for (int format : {0, 1, -1}) {
        RandomSceneOptions o;
        o.small = true;
        o.smallSize = 0.06f;
        o.textureSize = 5;
        o.textureFormat = format;
        EXPECT_GT(manyTrianglesInEveryFormat(o, 91), 20000u) << "the span path was hardly used, texture format " << format;
    }
}

// The same on a 32-bit texture magnified about ten times (a few texels a triangle, wrapping at
// coordinate 0 for some) and minified tens of times: packed groups read their texels without row
// windows, which the magnified texels would fit, and groups whose texels fit no window read them
// as pairs sixteen lanes at a time unless a lane takes the last column.
TEST(SpanPath, SmallTrianglesOnMagnifiedAndMinifiedTexturesMatchTheReference) {
    for (float uvRange : {0.05f, 40.0f}) {
        RandomSceneOptions o;
        o.small = true;
        o.uvRange = uvRange;
        o.textureFormat = 1;
        EXPECT_GT(manyTrianglesInEveryFormat(o, 51), 20000u) << "the span path was hardly used, uv range " << uvRange;
    }
}

// Slivers and blobs twice the usual size (boxes up to about forty pixels wide): those over sixteen
// wide are packed as two or three blocks of sixteen columns side by side a row, on minified and
// magnified textures.
TEST(SpanPath, SliversOverSixteenWideMatchTheReferenceInEveryFormat) {
    for (float uvRange : {0.2f, 20.0f}) {
        RandomSceneOptions o;
        o.small = true;
        o.smallSize = 2;
        o.uvRange = uvRange;
        EXPECT_GT(manyTrianglesInEveryFormat(o, 81), 20000u) << "the span path was hardly used, uv range " << uvRange;
    }
}

TEST(SpanPath, DirectionallyLitRandomTrianglesMatchTheReference) {
    for (const Formats& f : {allFormats()[0], allFormats()[2]})
        for (uint32_t seed = 11; seed <= 14; ++seed) {
            RandomScene scene(seed, {true, true, true, false});
            expectSameAsReference(f, 97, 61, std::ref(scene), "seed " + std::to_string(seed));
        }
}

// Calls of a thousand triangles and more: the scene's triangles outgrow the span queue, which is
// then drawn in the middle of a call.
TEST(SpanPath, LargeCallsThatFillTheQueueMatchTheReference) {
    for (uint32_t seed = 21; seed <= 23; ++seed) {
        RandomSceneOptions o;
        o.moreTriangles = 900 + int(seed) * 37;
        RandomScene scene(seed, o);
        expectSameAsReference(allFormats()[0], 97, 61, std::ref(scene), "seed " + std::to_string(seed));
    }
}

// The same vertices drawn as strips and fans (vertices shared by several triangles), small calls
// and large ones.
TEST(SpanPath, StripsAndFansMatchTheReference) {
    for (D3DPRIMITIVETYPE type : {D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLEFAN})
        for (int more : {0, 400}) {
            RandomSceneOptions o;
            o.primitive = type;
            o.moreTriangles = more;
            RandomScene scene(31 + uint32_t(more), o);
            expectSameAsReference(allFormats()[0], 97, 61, std::ref(scene),
                                  std::string(type == D3DPT_TRIANGLEFAN ? "fan" : "strip") + " +" + std::to_string(more));
        }
}

TEST(SpanPath, EveryTextureFormatMatchesTheReference) {
    for (int format = 0; format < 7; ++format)
        for (const Formats& f : {allFormats()[0], allFormats()[2], allFormats()[3], allFormats()[4]}) {
            RandomSceneOptions o;
            o.textureFormat = format;
            RandomScene scene(100 + uint32_t(format), o);
            expectSameAsReference(f, 97, 61, std::ref(scene), "texture format " + std::to_string(format));
        }
}

// Fog towards black, which the pixel stage folds into the diffuse colour.
TEST(SpanPath, FogTowardsBlackMatchesTheReference) {
    for (const Formats& f : {allFormats()[0], allFormats()[1], allFormats()[2], allFormats()[4]})
        for (uint32_t seed = 21; seed <= 24; ++seed) {
            RandomSceneOptions o;
            o.blackFog = true;
            RandomScene scene(seed, o);
            expectSameAsReference(f, 97, 61, std::ref(scene), "black fog, seed " + std::to_string(seed));
        }
}

TEST(SpanPath, PlainAndSingleFeatureStatesMatchTheReference) {
    const RandomSceneOptions options[] = {{false, false, false, true}, {true, false, false, true},
                                          {false, true, false, false}, {false, false, true, false}};
    for (const RandomSceneOptions& o : options)
        for (const Formats& f : allFormats()) {
            RandomScene scene(42, o);
            expectSameAsReference(f, 64, 48, std::ref(scene),
                                  std::string("fog ") + (o.fog ? "on" : "off") + ", blend " + (o.blend ? "on" : "off") +
                                      ", texture " + (o.texture ? "on" : "off"));
        }
}

// An additive mesh of jittered quads in screen space: every pixel centre inside it is drawn by
// exactly one triangle, so it holds the mesh colour once (twice would double it, a gap leaves
// the background).
TEST(SpanPath, SharedEdgesAreDrawnOnceWithoutGaps) {
    PathGuard guard;
    const int width = 120, height = 90, cells = 9;
    std::mt19937 rng(5);
    std::vector<D3DVECTOR> grid;
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            bool border = i == 0 || j == 0 || i == cells || j == cells;
            float jx = border ? 0 : std::uniform_real_distribution<float>(-3.3f, 3.3f)(rng);
            float jy = border ? 0 : std::uniform_real_distribution<float>(-3.3f, 3.3f)(rng);
            grid.push_back({10.25f + i * 10.0f + jx, 5.5f + j * 8.0f + jy, 0.5f});
        }
    auto at = [&](int i, int j) {
        const D3DVECTOR& p = grid[size_t(j * (cells + 1) + i)];
        return D3DVERTEX{p.x / (width / 2.0f) - 1, 1 - p.y / (height / 2.0f), p.z, 0, 0, -1, 0, 0};
    };
    std::vector<D3DVERTEX> mesh;
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            mesh.insert(mesh.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            mesh.insert(mesh.end(), {at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    Scene scene = [&](IDirect3DDevice7* d) {
        D3DMATERIAL7 m{};
        m.emissive = {16 / 255.0f, 32 / 255.0f, 48 / 255.0f, 1};
        d->SetMaterial(&m);
        d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
        d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, mesh.data(), DWORD(mesh.size()), 0);
    };
    Formats f{"x8r8g8b8", formatX8R8G8B8(), false, formatZ32()};
    expectSameAsReference(f, width, height, scene, "mesh");
    setRasterThreads(2);
    Result r = render(f, width, height, scene);
    int wrong = 0;
    for (int y = 6; y < 5 + cells * 8; ++y)  // centres strictly inside the outline
        for (int x = 11; x < 10 + cells * 10; ++x) {
            uint32_t v;
            std::memcpy(&v, &r.color[size_t(y) * r.pitch + size_t(x) * 4], 4);
            wrong += v != 0x00305070u;  // background 0x203040 plus the mesh colour 0x102030 once
        }
    EXPECT_EQ(wrong, 0);
}

// Depth ties and near-ties without depth writes: opaque triangles write their depth, then the
// same triangles and copies moved by a hair towards and away from the eye are added on top with
// z-writes off. Which layers pass must be the reference's decision exactly: each layer adds 32
// to a channel of its own (whole steps, so the fixed-point colour has no rounding to differ in).
TEST(SpanPath, LayersOnAndNextToWrittenDepthsPassAsInTheReference) {
    std::mt19937 rng(77);
    auto in = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    std::vector<D3DVERTEX> base;
    for (int i = 0; i < 40; ++i) {
        float cz = in(2, 60), cx = in(-0.6f, 0.6f) * cz, cy = in(-0.5f, 0.5f) * cz, spread = in(0.05f, 0.5f) * cz;
        for (int k = 0; k < 3; ++k)
            base.push_back({cx + in(-spread, spread), cy + in(-spread, spread), cz * in(0.8f, 1.2f), 0, 0, -1,
                            in(-2, 2), in(-2, 2)});
    }
    auto shifted = [&](float factor) {
        std::vector<D3DVERTEX> v = base;
        for (D3DVERTEX& p : v) p.x *= factor, p.y *= factor, p.z *= factor;  // the same screen position
        return v;
    };
    std::vector<D3DVERTEX> nearer = shifted(1 - 2e-7f), further = shifted(1 + 2e-7f);
    Scene scene = [&](IDirect3DDevice7* d) {
        D3DMATRIX world = identity(), view = identity();
        D3DMATRIX projection = bench::perspectiveFov(1.0f, 0.75f, 1.0f, 100.0f);
        d->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
        d->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
        d->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
        D3DMATERIAL7 m{};
        m.emissive = {16 / 255.0f, 16 / 255.0f, 16 / 255.0f, 1};
        d->SetMaterial(&m);
        d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, base.data(), DWORD(base.size()), 0);
        d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
        d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        std::vector<D3DVERTEX>* layers[] = {&base, &nearer, &further};
        for (int i = 0; i < 3; ++i) {
            std::vector<D3DVERTEX>* layer = layers[i];
            m.emissive = {i == 0 ? 32 / 255.0f : 0, i == 1 ? 32 / 255.0f : 0, i == 2 ? 32 / 255.0f : 0, 1};
            d->SetMaterial(&m);
            d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, layer->data(), DWORD(layer->size()), 0);
        }
    };
    for (const Formats& f : {allFormats()[0], allFormats()[1]}) expectSameAsReference(f, 97, 61, scene, "layers");
}

// Eight quads of rows about 200 pixels long on a 256 x 100 target (rows 12 i + 1 to 12 i + 11),
// at 0.55 to 1.5 texels a pixel of a texture of the given size: every row starts at another
// pixel and climbs a few texel rows from end to end (some groups straddle two of them), and the
// rows run across the texture's right edge.
std::vector<D3DVERTEX> longRowQuads(int texWidth, int texHeight) {
    const float width = 256, height = 100;
    const float ratios[] = {0.55f, 0.93f, 0.99f, 1.0f, 1.01f, 1.04f, 1.07f, 1.5f};
    std::vector<D3DVERTEX> quads;
    for (int i = 0; i < 8; ++i) {
        const float x0 = 1.3f + float(i) * 3.1f, span = 200.0f + float(i), y0 = 1.25f + 12.0f * float(i);
        const float u0 = float(i) / 7.0f, u1 = u0 + ratios[i] * span / float(texWidth), v0 = float(i) / 16.0f;
        const float v1 = v0 + ratios[7 - i] * 10.0f / float(texHeight);
        auto at = [&](float x, float y, float u, float v, float z) {
            return D3DVERTEX{x / (width / 2.0f) - 1, 1 - y / (height / 2.0f), z, 0, 0, -1, u, v};
        };
        const float climb = 1.28f * float(i + 1) / float(texHeight);
        D3DVERTEX a = at(x0, y0, u0, v0, 0.2f), b = at(x0 + span, y0, u1, v0 + climb, 0.5f);
        D3DVERTEX c = at(x0 + span, y0 + 10, u1, v1 + climb, 0.6f), d = at(x0, y0 + 10, u0, v1, 0.3f);
        quads.insert(quads.end(), {a, b, c, a, c, d});
    }
    return quads;
}

// The quads textured, dithered and added to the target (ONE/ONE), screen-space transforms.
Scene longRowScene(std::vector<D3DVERTEX>& quads, MemorySurface* texture, DWORD filter, bool zWrite) {
    return [&quads, texture, filter, zWrite](IDirect3DDevice7* d) {
        D3DMATRIX m4 = identity();
        d->SetTransform(D3DTRANSFORMSTATE_WORLD, &m4);
        d->SetTransform(D3DTRANSFORMSTATE_VIEW, &m4);
        d->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &m4);
        D3DMATERIAL7 m{};
        m.emissive = {0.7f, 0.5f, 0.9f, 1};
        d->SetMaterial(&m);
        d->SetTexture(0, texture);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, filter == D3DTFN_LINEAR ? D3DTFG_LINEAR : D3DTFG_POINT);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, filter);
        d->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
        d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, zWrite);
        d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, quads.data(), DWORD(quads.size()), 0);
        d->SetTexture(0, nullptr);
    };
}

// Long rows at about one texel a pixel (a group's texels then span up to its width plus one
// column, the most a row window holds) and around it, point and bilinear, in 32 and 16 bits.
TEST(SpanPath, LongRowsNearOneTexelAPixelMatchTheReference) {
    std::mt19937 rng(9);
    MemorySurface* texture = randomTexture(rng, 256, 128, formatA8R8G8B8());
    std::vector<D3DVERTEX> quads = longRowQuads(256, 128);
    for (const Formats& f : {allFormats()[0], allFormats()[2], allFormats()[3]})
        for (DWORD filter : {DWORD(D3DTFN_LINEAR), DWORD(D3DTFN_POINT)})
            for (bool zWrite : {false, true})
                expectSameAsReference(f, 256, 100, longRowScene(quads, texture, filter, zWrite),
                                      std::string(filter == D3DTFN_LINEAR ? "bilinear" : "point") +
                                          (zWrite ? ", z-write" : ""));
    texture->Release();
}

// Pixels with red at its largest value (a layer sum that saturated, on any target format).
int saturatedPixels(const Formats& f, const Result& r, int width, int height) {
    const uint32_t red = f.color.dwRBitMask;
    int n = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t v = 0;
            std::memcpy(&v, &r.color[size_t(y) * r.pitch + size_t(x) * r.bytesPerPixel], size_t(r.bytesPerPixel));
            n += (v & red) == red;
        }
    return n;
}

// Bright layers added four times over, so most channel sums saturate (per byte, before a 16-bit
// target rounds them): the long rows and the short runs at the quads' corners, on every format.
TEST(SpanPath, SaturatingLayersMatchTheReference) {
    std::mt19937 rng(12);
    MemorySurface* texture = randomTexture(rng, 64, 32, formatA8R8G8B8());
    std::vector<D3DVERTEX> quads = longRowQuads(64, 32);
    const Scene layer = longRowScene(quads, texture, D3DTFN_LINEAR, false);
    const Scene scene = [&layer](IDirect3DDevice7* d) {
        for (int i = 0; i < 4; ++i) layer(d);
    };
    for (const Formats& f : allFormats()) {
        {
            PathGuard guard;
            setRasterPath(RasterPath::Reference);
            EXPECT_GT(saturatedPixels(f, render(f, 256, 100, scene), 256, 100), 2000) << f.name << ": too few saturate";
        }
        expectSameAsReference(f, 256, 100, scene, "saturating layers");
    }
    texture->Release();
}

// Textures about as wide as a row window (nine texels for eight pixels, seventeen for sixteen),
// narrower and a little wider: windows that just fit a texture row, and textures too narrow for
// one.
TEST(SpanPath, TexturesAsWideAsARowWindowMatchTheReference) {
    std::mt19937 rng(10);
    for (int texWidth : {8, 9, 10, 16, 17, 18}) {
        MemorySurface* texture = randomTexture(rng, texWidth, 16, formatA8R8G8B8());
        std::vector<D3DVERTEX> quads = longRowQuads(texWidth, 16);
        for (const Formats& f : {allFormats()[0], allFormats()[2]})
            expectSameAsReference(f, 256, 100, longRowScene(quads, texture, D3DTFN_LINEAR, false),
                                  "texture " + std::to_string(texWidth) + " wide");
        texture->Release();
    }
}

// Small textures (one texel to a little over a row window wide, pitch equal to the width, 32 and
// 16 bits) at about one texel a pixel over a target no larger than the quads, which start on the
// texture's last columns and rows: the groups at the end of each texel row and of the texture's
// last row, and the target's last group, are read and written right at the end of their memory.
TEST(SpanPath, SmallTexturesOnATargetTheSizeOfTheQuadMatchTheReference) {
    auto quadsFor = [](int width, int height, int texWidth, int texHeight) {
        const float ratios[] = {0.9f, 1.0f, 1.02f};
        std::vector<D3DVERTEX> quads;
        for (int i = 0; i < 6; ++i) {
            const float u0 = 1.0f - (float(i) + 0.3f) / float(texWidth), v0 = 1.0f - 0.6f / float(texHeight);
            const float du = ratios[i % 3] * float(width) / float(texWidth);
            const float dv = ratios[(i + 1) % 3] * float(height) / float(texHeight) * (i < 3 ? 1.0f : 0.05f);
            auto at = [&](float x, float y, float u, float v) {
                return D3DVERTEX{x / (float(width) / 2) - 1, 1 - y / (float(height) / 2), 0.5f, 0, 0, -1, u, v};
            };
            const D3DVERTEX a = at(0, 0, u0, v0), b = at(float(width), 0, u0 + du, v0 + 0.01f * float(i));
            const D3DVERTEX c = at(float(width), float(height), u0 + du, v0 + dv);
            const D3DVERTEX d = at(0, float(height), u0, v0 + dv);
            quads.insert(quads.end(), {a, b, c, a, c, d});
        }
        return quads;
    };
    std::mt19937 rng(17);
    const int sizes[][2] = {{1, 1}, {2, 3}, {9, 2}, {16, 1}, {17, 3}, {18, 17}, {33, 2}, {35, 9}};
    unsigned long long spans = 0;
    for (const DDPIXELFORMAT& texFormat : {formatA8R8G8B8(), formatR5G6B5()})
        for (const auto& size : sizes) {
            MemorySurface* texture = randomTexture(rng, size[0], size[1], texFormat);
            for (const auto& [width, height] : {std::pair{35, 9}, std::pair{31, 5}}) {
                std::vector<D3DVERTEX> quads = quadsFor(width, height, size[0], size[1]);
                for (const Formats& f : {allFormats()[0], allFormats()[2], allFormats()[5]})
                    for (DWORD filter : {DWORD(D3DTFN_LINEAR), DWORD(D3DTFN_POINT)})
                        for (bool zWrite : {false, true})
                            spans += expectSameAsReference(
                                f, width, height, longRowScene(quads, texture, filter, zWrite),
                                std::to_string(size[0]) + "x" + std::to_string(size[1]) + " on " +
                                    std::to_string(width) + (filter == D3DTFN_LINEAR ? " bilinear" : " point") +
                                    (zWrite ? ", z-write" : ""));
            }
            texture->Release();
        }
    EXPECT_GT(spans, 0u) << "the span path was not taken";
}

// The benchmark's scenes, which the golden pictures show, in 32 and 16 bits.
TEST(SpanPath, SyntheticScenesMatchTheReference) {
    for (const char* name : {"inside", "outside"})
        for (const Formats& f : {allFormats()[0], allFormats()[2]}) {
            bench::SyntheticScene s;
            ASSERT_TRUE(s.build(name));
            Scene scene = [&](IDirect3DDevice7* d) {
                s.applyStates(d);
                s.render(d);
            };
            unsigned long long spans = expectSameAsReference(f, 160, 120, scene, name);
            EXPECT_GT(spans, 0u) << name;
        }
}

TEST(SpanPath, StatesOutsideItsCoverageAreLeftToTheReference) {
    PixelPipeline p;
    MemorySurface* target = createMemorySurface(8, 8, formatX8R8G8B8(), DDSCAPS_3DDEVICE);
    {
        SurfaceLock color(target, SurfaceLock::Kind::Color);
        p.color = &color;
        SpanState s;
        EXPECT_TRUE(makeSpanState(p, &s));
        auto refused = [&](const std::function<void(PixelPipeline&)>& change) {
            PixelPipeline q = p;
            change(q);
            return !makeSpanState(q, &s);
        };
        EXPECT_TRUE(refused([](PixelPipeline& q) { q.alphaTest = true, q.alphaFunc = D3DCMP_GREATER; }));
        EXPECT_TRUE(refused([](PixelPipeline& q) { q.fog.enabled = q.fog.perPixel = true; }));
        EXPECT_TRUE(refused([](PixelPipeline& q) { q.blend = true, q.srcBlend = D3DBLEND_SRCALPHA; }));
        EXPECT_TRUE(refused([](PixelPipeline& q) { q.colorOp = D3DTOP_MODULATE2X; }));
        EXPECT_TRUE(refused([](PixelPipeline& q) { q.depthFunc = D3DCMP_LESS; }) == false)
            << "without a depth surface the depth function does not matter";
        MemorySurface* other = createMemorySurface(8, 8, formatX8R8G8B8(), DDSCAPS_TEXTURE);
        {
            SurfaceLock texels(other, SurfaceLock::Kind::Color);
            EXPECT_FALSE(refused([&](PixelPipeline& q) { q.texture = &texels; })) << "a texture of the target's format";
            EXPECT_TRUE(refused([&](PixelPipeline& q) { q.texture = &color; })) << "the target sampled as its own texture";
        }
        other->Release();
    }
    target->Release();
}

// The identity tests above run the AVX-512 routines only if the automatic path really takes them
// where the processor has AVX-512, and the AVX2 ones when asked to keep to AVX2.
TEST(SpanPath, WidestRoutineIsTakenWhereItRuns) {
    PathGuard guard;
    SpanState state;
    state.depth = DepthFormat::Z16;
    for (TexelFilter filter : {TexelFilter::None, TexelFilter::Point, TexelFilter::Bilinear}) {
        TriangleShader avx2 = avx2TriangleShader(state, filter), avx512 = avx512TriangleShader(state, filter);
        setSimdLevel(SimdLevel::Avx2);
        if (haveAvx2()) {
            EXPECT_EQ(triangleShader(state, filter, true), avx2);
        }
        setSimdLevel(SimdLevel::Avx512);
        if (!haveAvx512()) {
            EXPECT_EQ(avx512, nullptr);
            continue;
        }
        ASSERT_NE(avx512, nullptr);
        EXPECT_NE(avx512, avx2);
        EXPECT_EQ(triangleShader(state, filter, true), avx512);
        EXPECT_NE(triangleShader(state, filter, false), avx512) << "the portable path takes no SIMD routine";
    }
    SimdLevel level = SimdLevel::Avx2;
    EXPECT_TRUE(parseSimdLevel("avx512", &level));
    EXPECT_EQ(level, SimdLevel::Avx512);
    EXPECT_TRUE(parseSimdLevel("avx2", &level));
    EXPECT_EQ(level, SimdLevel::Avx2);
    EXPECT_FALSE(parseSimdLevel("sse2", &level));
    EXPECT_EQ(level, SimdLevel::Avx2);
}

}  // namespace

// Bilinear weights of a whole texel: a coordinate whose scaled value less a half lies just under
// 0 (the float below 0.5 / 64 on a texture 64 wide, below 0.5 / 8 on one 8 high) comes to the next
// texel's weight 1 when the reference adds the texel back (1 - 2^-25 rounds to 1), across, down
// and both at once.
TEST(SpanPath, AWeightOfAWholeTexelMatchesTheReference) {
    std::mt19937 rng(21);
    MemorySurface* texture = randomTexture(rng, 64, 8, formatA8R8G8B8());
    const float wholeU = std::ldexp(1.0f, -7) - std::ldexp(1.0f, -31);
    const float wholeV = std::ldexp(1.0f, -4) - std::ldexp(1.0f, -28);
    const struct { float u, v; const char* what; } cases[] = {
        {wholeU, 0.3f, "a whole texel across"}, {0.3f, wholeV, "a whole texel down"},
        {wholeU, wholeV, "a whole texel both ways"}};
    for (const auto& c : cases) {
        auto at = [&](float x, float y) { return D3DVERTEX{x, y, 0.5f, 0, 0, -1, c.u, c.v}; };
        std::vector<D3DVERTEX> quad = {at(-1, 1), at(1, 1), at(1, -1), at(-1, 1), at(1, -1), at(-1, -1)};
        for (const Formats& f : {allFormats()[0], allFormats()[2]}) {
            const unsigned long long spans =
                expectSameAsReference(f, 64, 16, longRowScene(quad, texture, D3DTFN_LINEAR, false), c.what);
            EXPECT_GT(spans, 0u) << c.what << ": the span path drew nothing";
        }
    }
    texture->Release();
}
