// The eight-wide vertex stage against the scalar stage's own functions, vertex by vertex: clip
// position, lit colour, fog and texture coordinates must be the same bits, and so must the
// projections made ahead; a vertex counts as projected ahead exactly when it lies inside every
// clip plane and projects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/span_walk.h"
#include "tests/d3d/random_edges.h"
#include "platform/d3d/vertex_simd.h"

using namespace platform::d3d;

namespace {

float in(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

D3DMATRIX randomAffine(std::mt19937& rng) {
    D3DMATRIX m{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m.m[i][j] = (i == j ? 1.0f : 0.0f) + in(rng, -0.4f, 0.4f);
    for (int j = 0; j < 3; ++j) m.m[3][j] = in(rng, -5, 5);
    m.m[3][3] = 1;
    return m;
}

D3DMATRIX projectionMatrix() {
    D3DMATRIX p{};
    p.m[0][0] = 1.3f, p.m[1][1] = 1.7f, p.m[2][2] = 1.01f, p.m[2][3] = 1, p.m[3][2] = -1.01f;
    return p;
}

EyeLight pointLight(D3DVECTOR at, float range, float a0, float a1, float a2) {
    EyeLight l{};
    l.type = D3DLIGHT_POINT;
    l.diffuse = {0.9f, 0.7f, 0.4f, 1};
    l.ambient = {0.1f, 0.2f, 0.05f, 1};
    l.position = at;
    l.range = range;
    l.att0 = a0, l.att1 = a1, l.att2 = a2;
    return l;
}

EyeLight directionalLight(D3DVECTOR toLight) {
    EyeLight l{};
    l.type = D3DLIGHT_DIRECTIONAL;
    l.diffuse = {0.5f, 0.6f, 0.7f, 1};
    l.ambient = {0.05f, 0.05f, 0.05f, 1};
    l.toLight = normalizeOrZero(toLight);
    return l;
}

// Identity world and view, so a vertex placed at a light's position is at distance exactly 0.
VertexStage stageWithLights(std::mt19937& rng, bool identity) {
    VertexStage s;
    D3DMATRIX world = identity ? D3DMATRIX{} : randomAffine(rng), view = identity ? D3DMATRIX{} : randomAffine(rng);
    if (identity) world.m[0][0] = world.m[1][1] = world.m[2][2] = world.m[3][3] = 1, view = world;
    s.transforms = makeTransformSet(world, view, projectionMatrix());
    s.lit = true;
    s.lighting.material.diffuse = {0.8f, 0.9f, 1.0f, 0.7f};
    s.lighting.material.ambient = {0.6f, 0.5f, 0.4f, 1};
    s.lighting.material.emissive = {0.02f, 0.0f, 0.01f, 0};
    s.lighting.globalAmbient = {0.1f, 0.1f, 0.15f, 0};
    // The inside view's lamp at the eye, a close weak one with a short range, one whose
    // attenuation turns negative (full strength) and one with all-zero attenuation.
    s.lighting.lights = {pointLight({0, 0, 0}, 7000, 1, 0.00025f, 0), directionalLight({0.3f, -0.5f, -1}),
                         pointLight({2, -1, 6}, 4, 0.5f, 0.3f, 0.05f), pointLight({-3, 2, 9}, 30, -2, 0.1f, 0),
                         pointLight({1, 1, 3}, 1e30f, 0, 0, 0)};
    s.fog.enabled = true, s.fog.mode = D3DFOG_LINEAR, s.fog.start = 2, s.fog.end = 40;
    return s;
}

// Random vertices around the lights; some sit exactly on a light, some far out of every range,
// some hold infinities.
std::vector<D3DVERTEX> randomVertices(std::mt19937& rng, const VertexStage& s, size_t count) {
    std::vector<D3DVERTEX> v(count);
    for (D3DVERTEX& p : v) {
        p = {in(rng, -10, 10), in(rng, -10, 10), in(rng, 0.5f, 20), in(rng, -1, 1), in(rng, -1, 1), in(rng, -1, 1),
             in(rng, -2, 2), in(rng, -2, 2)};
        switch (rng() % 10) {
            case 0: {
                const EyeLight& l = s.lighting.lights[rng() % s.lighting.lights.size()];
                p.x = l.position.x, p.y = l.position.y, p.z = l.position.z;
                break;
            }
            case 1: p.z = in(rng, 8000, 9000); break;
            case 2: p.x = rng() % 2 ? INFINITY : -INFINITY; break;
            default: break;
        }
    }
    return v;
}

ClipVertex scalarVertex(const VertexStage& s, const D3DVERTEX& v) {
    const TransformSet& t = s.transforms;
    Vec4 clip = transformPoint({v.x, v.y, v.z}, t.worldViewProjection);
    ClipVertex o{clip.x, clip.y, clip.z, clip.w, {}};
    D3DVECTOR eye = transformPoint3({v.x, v.y, v.z}, t.worldView);
    lightVertex(s.lighting, eye, transformNormal({v.nx, v.ny, v.nz}, t.normalMatrix), o.attr);
    o.attr[kFog] = vertexFog(s.fog, eye);
    o.attr[kU] = v.tu, o.attr[kV] = v.tv;
    return o;
}

// Same bits, or both NaN (a NaN's payload depends on operand order, which nothing reads).
bool same(float a, float b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    uint32_t x, y;
    std::memcpy(&x, &a, 4), std::memcpy(&y, &b, 4);
    return x == y;
}

int differingFields(const ClipVertex& a, const ClipVertex& b) {
    int n = !same(a.x, b.x) + !same(a.y, b.y) + !same(a.z, b.z) + !same(a.w, b.w);
    for (int i = 0; i < kAttributeCount; ++i) n += !same(a.attr[i], b.attr[i]);
    return n;
}

int differingFields(const ScreenVertex& a, const ScreenVertex& b) {
    int n = (a.x != b.x) + (a.y != b.y) + (std::memcmp(&a.z, &b.z, sizeof a.z) != 0) + !same(a.invW, b.invW);
    for (int i = 0; i < kAttributeCount; ++i) n += !same(a.attr[i], b.attr[i]);
    return n;
}

// The plain eight-wide stage's results for a run of vertices, projected on an 800x600 viewport.
struct PlainRun {
    std::vector<ClipVertex> out;
    std::vector<ScreenVertex> projected;
    std::vector<uint8_t> ok;
    ProjectionTarget target;

    PlainRun(const VertexStage& s, const std::vector<D3DVERTEX>& in, const D3DVIEWPORT7& viewport = {0, 0, 800, 600, 0, 1},
             bool perspective = true)
        : out(in.size()), projected(in.size()), ok(in.size()),
          target{makeViewportMap(viewport), perspective, projected.data(), ok.data(),
                 guardBandFor(float(viewport.dwWidth), float(viewport.dwHeight))} {
        processVerticesAvx2(s, in.data(), out.data(), 0, uint32_t(in.size()), &target);
    }
};

TEST(VertexStageAvx2, PointAndDirectionalLightsGiveTheScalarStagesBits) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(7);
    int onLight = 0, outOfRange = 0, checked = 0, kept = 0, cut = 0;
    for (int round = 0; round < 6; ++round) {
        VertexStage s = stageWithLights(rng, round % 2 == 0);
        ASSERT_TRUE(vertexStageCovered(s));
        std::vector<D3DVERTEX> in = randomVertices(rng, s, 1003);  // a partial block at the end
        PlainRun run(s, in);
        const std::vector<ClipVertex>& out = run.out;
        const std::vector<ScreenVertex>& projected = run.projected;
        const std::vector<uint8_t>& ok = run.ok;
        const ProjectionTarget& target = run.target;
        for (size_t i = 0; i < in.size(); ++i) {
            ClipVertex want = scalarVertex(s, in[i]);
            ASSERT_EQ(differingFields(want, out[i]), 0) << "round " << round << ", vertex " << i;
            ScreenVertex screen;
            bool projects = projectVertex(want, target.map, target.perspective, &screen);
            bool inside = outcode(want, target.planes) == 0;
            ASSERT_EQ(projects && inside, ok[i] != 0) << "round " << round << ", vertex " << i;
            kept += ok[i], cut += projects && !inside;
            if (projects) {
                EXPECT_EQ(differingFields(screen, projected[i]), 0) << "round " << round << ", vertex " << i;
            }
            D3DVECTOR eye = transformPoint3({in[i].x, in[i].y, in[i].z}, s.transforms.worldView);
            for (const EyeLight& l : s.lighting.lights) {
                D3DVECTOR d{l.position.x - eye.x, l.position.y - eye.y, l.position.z - eye.z};
                onLight += l.type == D3DLIGHT_POINT && length(d) == 0.0f;
                outOfRange += l.type == D3DLIGHT_POINT && length(d) > l.range;
            }
            ++checked;
        }
    }
    EXPECT_GT(onLight, 20) << "too few vertices at distance zero from a light";
    EXPECT_GT(outOfRange, 100) << "too few vertices beyond a light's range";
    EXPECT_EQ(checked, 6 * 1003);
    EXPECT_GT(kept, 1000) << "too few vertices inside the clip volume";
    EXPECT_GT(cut, 100) << "too few vertices that project but lie outside a clip plane";
}

// A viewport so far off that part of the guard band lies beyond a million pixels: there the stage
// tests every position's range as the scalar stage does (projectVertex fails beyond it).
TEST(VertexStageAvx2, FarOffViewportsTestEveryPositionsRange) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    std::mt19937 rng(13);
    int kept = 0, tooFar = 0;
    for (int round = 0; round < 4; ++round) {
        VertexStage s = stageWithLights(rng, round % 2 == 0);
        const std::vector<D3DVERTEX> in = randomVertices(rng, s, 1001);
        const D3DVIEWPORT7 viewport{round < 2 ? 999600u : 0u, round < 2 ? 0u : 999700u, 800, 600, 0, 1};
        const PlainRun run(s, in, viewport);
        for (size_t i = 0; i < in.size(); ++i) {
            const ClipVertex& v = run.out[i];
            ScreenVertex want;
            const bool projects = projectVertex(v, run.target.map, true, &want);
            const bool inside = outcode(v, run.target.planes) == 0;
            ASSERT_EQ(projects && inside, run.ok[i] != 0) << "round " << round << ", vertex " << i;
            kept += run.ok[i];
            tooFar += inside && v.w > 0 && !projects;
            if (run.ok[i]) {
                EXPECT_EQ(differingFields(want, run.projected[i]), 0) << "round " << round << ", vertex " << i;
            }
        }
    }
    EXPECT_GT(kept, 500);
    EXPECT_GT(tooFar, 100) << "too few vertices inside the clip planes but beyond a million pixels";
}

// A vertex that is not finite, or all three vertices beyond one plane of the view volume (past
// the viewport's edges in front of the eye): nothing of the triangle can reach the screen.
bool whollyBeyond(const ClipVertex* v) {
    auto finite = [](const ClipVertex& c) {
        return std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.z) && std::isfinite(c.w);
    };
    if (!finite(v[0]) || !finite(v[1]) || !finite(v[2])) return true;
    auto all = [&](auto beyond) { return beyond(v[0]) && beyond(v[1]) && beyond(v[2]); };
    return all([](const ClipVertex& c) { return c.z < 0; }) || all([](const ClipVertex& c) { return c.z > c.w; }) ||
           all([](const ClipVertex& c) { return c.w > 0 && c.x > c.w; }) ||
           all([](const ClipVertex& c) { return c.w > 0 && c.x < -c.w; }) ||
           all([](const ClipVertex& c) { return c.w > 0 && c.y > c.w; }) ||
           all([](const ClipVertex& c) { return c.w > 0 && c.y < -c.w; });
}

// The triangle's pixel box before the scissor spans at most two centres each way.
bool smallBox(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c) {
    auto floor16 = [](int32_t v) { return int32_t(std::floor(v / 16.0)); };
    auto ceil16 = [](int32_t v) { return int32_t(std::ceil(v / 16.0)); };
    return floor16(std::max({a.x, b.x, c.x})) - ceil16(std::min({a.x, b.x, c.x})) <= 1 &&
           floor16(std::max({a.y, b.y, c.y})) - ceil16(std::min({a.y, b.y, c.y})) <= 1;
}

// How a list of triangles came out of processTriangleListAvx2 against the plain stage.
struct ListCounts {
    int culled = 0, kept = 0, beyond = 0, empty = 0, tinyKept = 0, clearOfBands = 0;
};

// With drop.bands other than kEveryBand: the triangle's rows, taken a pixel wider each way, touch
// none of them.
bool clearOfOwnBands(const ScreenVertex* v, const TriangleDrop& drop) {
    if (drop.bands == kEveryBand) return false;
    const int minRow = std::min({v[0].y, v[1].y, v[2].y}) >> kSubPixelBits;
    const int maxRow = std::max({v[0].y, v[1].y, v[2].y}) >> kSubPixelBits;
    return !ownsBandIn(std::max(minRow - 1, 0) >> kBandShift, (maxRow + 1) >> kBandShift, drop.bands);
}

// The bands of `parts` parts: interleaved (b % parts), or each band given to a part at random (a
// part may get none).
void bandMasks(std::mt19937& rng, int parts, bool interleaved, BandMask* bands) {
    for (int k = 0; k < parts; ++k) bands[k] = interleaved ? interleavedBands(k, parts) : 0;
    if (!interleaved)
        for (int b = 0; b < kBandClasses; ++b) bands[rng() % unsigned(parts)] |= BandMask(1) << b;
}

// Runs processTriangleListAvx2 on `in` and checks every triangle: one projected ahead is culled
// where set-up would drop it (area, winding, scissor) and where it covers no pixel centre of a
// box of at most 2 x 2 centres (or, split, where it is clear of the part's bands), else kept.
// Any other is culled only when it lies wholly beyond a plane of the view volume.
// Kept triangles get ok and projections as the plain stage makes them, and clip vertices as it
// makes them where they are not projected ahead (or all, flat).
void checkList(const VertexStage& s, const std::vector<D3DVERTEX>& in, const TriangleDrop& drop, const char* what,
               ListCounts& counts, const D3DVIEWPORT7& viewport = {0, 0, 800, 600, 0, 1}, bool perspective = true) {
    const uint32_t triangles = uint32_t(in.size() / 3);
    const PlainRun plain(s, in, viewport, perspective);
    std::vector<ClipVertex> out(in.size());
    std::vector<ScreenVertex> projected(in.size());
    std::vector<uint8_t> ok(in.size()), culled(triangles);
    ProjectionTarget target = plain.target;
    target.out = projected.data(), target.ok = ok.data();
    ASSERT_LE(triangles, kListChunkTriangles);
    const uint64_t culledBits = processTriangleListAvx2(s, in.data(), out.data(), triangles, target, drop);
    if (triangles < 64) {
        ASSERT_EQ(culledBits >> triangles, 0u) << what << ": bits past the last triangle";
    }
    for (uint32_t t = 0; t < triangles; ++t) culled[t] = uint8_t((culledBits >> t) & 1);
    for (uint32_t t = 0; t < triangles; ++t) {
        const uint32_t v = 3 * t;
        const ScreenVertex* sv = &plain.projected[v];
        const bool ahead = plain.ok[v] && plain.ok[v + 1] && plain.ok[v + 2];
        TriangleSetup setup;
        const bool setUp = ahead && setupTriangle(sv[0], sv[1], sv[2], drop.cull, drop.scissor, &setup);
        const bool empty = setUp && !vorel_test::coversACentre(setup);
        if (ahead) {
            const bool clear = clearOfOwnBands(sv, drop);
            ASSERT_EQ(culled[t] != 0, !setUp || (empty && smallBox(sv[0], sv[1], sv[2])) || clear)
                << what << ", triangle " << t << (empty ? " (covers no centre)" : "") << (clear ? " (clear)" : "");
            counts.clearOfBands += clear && setUp && !empty;
            counts.empty += empty && culled[t];
            counts.tinyKept += setUp && !culled[t] && setup.maxX == setup.minX && setup.maxY == setup.minY;
        } else if (culled[t]) {
            ASSERT_TRUE(whollyBeyond(&plain.out[v])) << what << ", triangle " << t;
            ++counts.beyond;
        }
        ++(culled[t] ? counts.culled : counts.kept);
        if (culled[t]) continue;
        for (uint32_t k = v; k < v + 3; ++k) {
            if (!ahead || drop.flat) {
                ASSERT_EQ(differingFields(plain.out[k], out[k]), 0) << what << ", vertex " << k;
            }
            ASSERT_EQ(ok[k], plain.ok[k]) << what << ", vertex " << k;
            if (ok[k]) {
                EXPECT_EQ(differingFields(plain.projected[k], projected[k]), 0) << what << ", vertex " << k;
            }
        }
    }
}

void checkRandomLists();
void checkTinyTriangles();

// Runs `check` with the list path's AVX2 projection and, where the processor has it, the AVX-512 one.
template <typename Check>
void atEveryLevel(Check check) {
    const SimdLevel saved = simdLevel();
    for (SimdLevel level : {SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (level == SimdLevel::Avx512 && !haveAvx512()) continue;
        setSimdLevel(level);
        SCOPED_TRACE(level == SimdLevel::Avx512 ? "AVX-512" : "AVX2");
        check();
    }
    setSimdLevel(saved);
}

TEST(VertexStageAvx2, ListTrianglesAreCulledAheadAsSetUpWouldDropThem) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel(checkRandomLists);
}

void checkRandomLists() {
    std::mt19937 rng(11);
    ListCounts counts[3];
    const D3DCULL modes[] = {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW};
    for (int round = 0; round < 12; ++round) {
        const D3DCULL cull = modes[round % 3];
        VertexStage s = stageWithLights(rng, round % 2 == 0);
        const uint32_t triangles = kListChunkTriangles - uint32_t(round);  // ends inside a block of eight
        std::vector<D3DVERTEX> in = randomVertices(rng, s, 3 * triangles);
        for (uint32_t t = 0; t < triangles; t += 5) in[3 * t + 1] = in[3 * t];  // no area
        if (round % 4 == 1) {
            for (uint32_t v = 24; v < 72; ++v) in[v].z = -in[v].z;  // two whole groups behind the eye
        }
        const std::string what = "round " + std::to_string(round);
        checkList(s, in, {cull, {0, 0, 799, 599}, round >= 9}, what.c_str(), counts[round % 3]);
    }
    for (int m = 0; m < 3; ++m) {
        EXPECT_GT(counts[m].culled, 20) << "cull mode " << m;
        EXPECT_GT(counts[m].kept, 20) << "cull mode " << m;
    }
    EXPECT_GT(counts[0].beyond + counts[1].beyond + counts[2].beyond, 3 * 16)
        << "too few triangles beyond the view volume were culled";
}

// Lists on viewports so far off that part of the guard band lies beyond a million pixels (every
// position's range tested), and on one near the origin with a small scissor: culled, kept and
// projected as the plain stage and set-up decide, at every level.
TEST(VertexStageAvx2, ListsOnFarOffViewportsAreCulledAsSetUpWouldDropThem) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel([] {
        std::mt19937 rng(29);
        ListCounts counts;
        for (int round = 0; round < 9; ++round) {
            const VertexStage s = stageWithLights(rng, round % 2 == 0);
            const uint32_t triangles = kListChunkTriangles - uint32_t(3 * round);
            std::vector<D3DVERTEX> list = randomVertices(rng, s, 3 * triangles);
            if (round % 2 == 1) {
                for (uint32_t v = 24; v < 72; ++v) list[v].z = -list[v].z;  // two whole groups behind the eye
            }
            const uint32_t x = round % 3 == 0 ? 999600u : 0u, y = round % 3 == 1 ? 999700u : 0u;
            const D3DVIEWPORT7 viewport{x, y, 800, 600, 0, 1};
            const int32_t left = int32_t(x) + (round % 3 == 2 ? 200 : 0), top = int32_t(y);
            const TriangleDrop drop{D3DCULL_CCW, {left, top, left + 399, top + 299}, round == 8};
            const std::string what = "far round " + std::to_string(round);
            checkList(s, list, drop, what.c_str(), counts, viewport);
        }
        EXPECT_GT(counts.kept, 100);
        EXPECT_GT(counts.culled, 100);
        EXPECT_GT(counts.beyond, 40);
    });
}

// Lists of every length from one triangle to a whole chunk, each in an allocation of exactly its
// vertices (the sanitizer build catches any read past the last), with and without perspective
// correction: every group's remainder of vertices is loaded, culled and projected as the plain
// stage and set-up decide, at every level.
TEST(VertexStageAvx2, ListsOfEveryLengthAreReadToTheirEndAndNoFurther) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel([] {
        std::mt19937 rng(37);
        ListCounts counts;
        for (uint32_t triangles = 1; triangles <= kListChunkTriangles; ++triangles) {
            const VertexStage s = stageWithLights(rng, triangles % 2 == 0);
            const std::vector<D3DVERTEX> list = randomVertices(rng, s, 3 * triangles);
            const std::string what = std::to_string(triangles) + " triangles";
            const bool perspective = triangles % 3 != 0;
            checkList(s, list, {D3DCULL_CW, {0, 0, 799, 599}, false}, what.c_str(), counts, {0, 0, 800, 600, 0, 1},
                      perspective);
        }
        EXPECT_GT(counts.kept, 300);
        EXPECT_GT(counts.culled, 300);
    });
}

// Unlit, no fog, every transform the identity: clip space is the vertex's own position.
VertexStage unlitIdentityStage() {
    VertexStage s;
    D3DMATRIX identity{};
    identity.m[0][0] = identity.m[1][1] = identity.m[2][2] = identity.m[3][3] = 1;
    s.transforms = makeTransformSet(identity, identity, identity);
    return s;
}

// Clip-space point at screen position (sx, sy) of an 800x600 viewport, with w = 1.
D3DVERTEX atPixel(double sx, double sy) {
    return {float(sx / 400.0 - 1.0), float(1.0 - sy / 300.0), 0.5f, 0, 0, -1, 0.25f, 0.75f};
}

// Triangles of under three pixels (many between pixel centres, some on the scissor's edges) and
// long thin ones crossing the scissor's corners: those covering no centre of a small box are
// culled, every other stays.
TEST(VertexStageAvx2, TinyTrianglesBetweenPixelCentresAreCulled) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel(checkTinyTriangles);
}

void checkTinyTriangles() {
    const VertexStage s = unlitIdentityStage();
    std::mt19937 rng(5);
    const Scissor scissor{10, 20, 700, 500};
    ListCounts counts;
    const D3DCULL modes[] = {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW};
    for (int round = 0; round < 200; ++round) {
        std::vector<D3DVERTEX> list;
        for (uint32_t t = 0; t < kListChunkTriangles; ++t) {
            // Near the scissor's left or top edge, or anywhere; on exact sixteenths now and then.
            double cx = rng() % 4 == 0 ? 10 + in(rng, -2.0f, 2.0f) : in(rng, 0.0f, 800.0f);
            double cy = rng() % 4 == 0 ? 20 + in(rng, -2.0f, 2.0f) : in(rng, 0.0f, 600.0f);
            const double size = t % 7 == 0 ? 300.0 : in(rng, 0.1f, 2.9f);
            for (int k = 0; k < 3; ++k) {
                double x = cx + in(rng, 0.0f, 1.0f) * size, y = cy + in(rng, 0.0f, 1.0f) * (t % 7 == 0 ? 0.5 : size);
                if (rng() % 3 == 0) x = std::round(x * 16) / 16, y = std::round(y * 16) / 16;
                if (t % 7 == 0 && k == 1) x = cx - size;  // long and thin
                list.push_back(atPixel(x, y));
            }
        }
        const std::string what = "round " + std::to_string(round);
        checkList(s, list, {modes[round % 3], scissor, false}, what.c_str(), counts);
    }
    EXPECT_GT(counts.empty, 800) << "too few tiny triangles between centres";
    EXPECT_GT(counts.tinyKept, 300) << "too few tiny triangles on a centre";
    EXPECT_GT(counts.kept, 1000);
}

// Split lists: groups of eight small triangles around rows near the edges and the middles of
// bands (whole groups in one band, others across an edge, rows on sixteenths and halfway between
// them now and then), split two and three ways: each part culls exactly the triangles clear of
// its bands, and projects and keeps every other as the plain stage does.
TEST(VertexStageAvx2, SplitListsCullTheTrianglesClearOfTheirBands) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel([] {
        const VertexStage s = unlitIdentityStage();
        std::mt19937 rng(71);
        ListCounts counts;
        for (int round = 0; round < 120; ++round) {
            std::vector<D3DVERTEX> list;
            for (uint32_t group = 0; group < kListChunkTriangles / 8; ++group) {
                const double centre = 64.0 * double(rng() % 9) + (rng() % 3 == 0 ? 32.0 : 0.0) + in(rng, -3.0f, 3.0f);
                const double spread = group % 4 == 0 ? 20.0 : 1.5;
                // Or a group next to the first or the last row a band's own triangles may reach,
                // one corner within 1/16 pixel of it.
                const double band = 64.0 * double(rng() % 9);
                for (int v = 0; v < 24; ++v) {
                    double x = in(rng, 0.0f, 797.0f) + (v % 3) * in(rng, 0.5f, 3.0f);
                    double y = centre + in(rng, -1.0f, 1.0f) * spread;
                    if (rng() % 4 == 0) y = std::round(y * 16) / 16 + (rng() % 2 ? 1.0 / 32 : 0.0);
                    const double nearEdge = v == 0 ? double(int(rng() % 5) - 2) / 32 : in(rng, 0.1f, 2.0f);
                    if (group % 4 == 1) y = band + 1 + nearEdge;
                    if (group % 4 == 2) y = band + 63 - nearEdge;
                    list.push_back(atPixel(x, y));
                }
            }
            const int parts = round % 5 == 0 ? 3 : 2;
            BandMask bands[3];
            bandMasks(rng, parts, round % 3 != 0, bands);
            const TriangleDrop drop{D3DCULL_NONE, {0, 0, 799, 599}, round % 7 == 0, bands[round % parts]};
            const std::string what = "round " + std::to_string(round);
            checkList(s, list, drop, what.c_str(), counts);
        }
        EXPECT_GT(counts.clearOfBands, 1500) << "too few triangles clear of their part's bands";
        EXPECT_GT(counts.kept, 3000);
    });
}

// The culled triangles of processTriangleListAvx2 over `in` on an 800 x 600 viewport.
uint64_t runList(const VertexStage& s, const std::vector<D3DVERTEX>& in, const TriangleDrop& drop) {
    std::vector<ClipVertex> out(in.size());
    std::vector<ScreenVertex> projected(in.size());
    std::vector<uint8_t> ok(in.size());
    const ProjectionTarget target{makeViewportMap({0, 0, 800, 600, 0, 1}), true, projected.data(), ok.data(),
                                  guardBandFor(800, 600)};
    return processTriangleListAvx2(s, in.data(), out.data(), uint32_t(in.size() / 3), target, drop);
}

// A list of groups for the split tests below: groups of small triangles around one row (near a
// band's edges, or spread over a band), facing either way, some past the viewport's left edge.
std::vector<D3DVERTEX> bandedGroups(std::mt19937& rng) {
    std::vector<D3DVERTEX> list;
    for (uint32_t group = 0; group < kListChunkTriangles / 8; ++group) {
        const double band = 64.0 * double(rng() % 9);
        const double centre = group % 3 == 0 ? band + 32.0 : band + (group % 3 == 1 ? 1.5 : 62.5);
        const double spread = group % 3 == 0 ? 24.0 : 1.0;
        const double left = rng() % 6 == 0 ? -900.0 : in(rng, 0.0f, 760.0f);
        for (int v = 0; v < 24; ++v) {
            const double x = left + in(rng, 0.0f, 30.0f) + (v % 3) * in(rng, 0.5f, 4.0f);
            list.push_back(atPixel(x, centre + in(rng, -1.0f, 1.0f) * spread));
        }
    }
    return list;
}

// One thread's first pass of a split list tells which groups of eight triangles another part
// keeps nothing of; that part's pass, told so, culls exactly what it would cull unaided (checked
// against the plain stage) and reads none of those groups (given garbage there, it still culls
// them whole).
TEST(VertexStageAvx2, SplitListsSkipTheGroupsTheFirstThreadFoundNothingIn) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel([] {
        const VertexStage s = unlitIdentityStage();
        std::mt19937 rng(29);
        ListCounts counts;
        int skipped = 0, groups = 0;
        for (int round = 0; round < 80; ++round) {
            const std::vector<D3DVERTEX> list = bandedGroups(rng);
            const uint32_t triangles = uint32_t(list.size() / 3);
            const int parts = round % 5 == 0 ? 3 : 2, own = round % parts;
            BandMask bands[3];
            bandMasks(rng, parts, round % 3 != 0, bands);
            const D3DCULL cull = round % 2 ? D3DCULL_CCW : D3DCULL_CW;
            std::vector<uint8_t> groupParts(triangles, 0xA5);
            const TriangleDrop first{cull,  {0, 0, 799, 599}, false, bands[own], own, parts, bands, groupParts.data(),
                                     nullptr};
            runList(s, list, first);
            for (int part = 0; part < parts; ++part) {
                const std::string what = "round " + std::to_string(round) + ", part " + std::to_string(part);
                const TriangleDrop drop{cull,    {0, 0, 799, 599}, false, bands[part], part, 1, nullptr, nullptr,
                                        groupParts.data()};
                checkList(s, list, drop, what.c_str(), counts);
                // The groups left out, overwritten with triangles that cover the whole viewport.
                std::vector<D3DVERTEX> garbage = list;
                std::vector<uint32_t> left;
                for (uint32_t g = 0; g < triangles / 8; ++g) {
                    ++groups;
                    if ((groupParts[8 * g] >> part) & 1) continue;
                    left.push_back(g);
                    for (uint32_t v = 24 * g; v < 24 * g + 24; v += 3) {
                        garbage[v] = atPixel(-10, -10);
                        garbage[v + 1] = atPixel(cull == D3DCULL_CCW ? 1600 : -10, cull == D3DCULL_CCW ? -10 : 1200);
                        garbage[v + 2] = atPixel(cull == D3DCULL_CCW ? -10 : 1600, cull == D3DCULL_CCW ? 1200 : -10);
                    }
                }
                skipped += int(left.size());
                TriangleDrop unaided = drop;
                unaided.partsIn = nullptr;
                const uint64_t seen = runList(s, garbage, unaided), culled = runList(s, garbage, drop);
                for (uint32_t g : left) {
                    ASSERT_NE((seen >> (8 * g)) & 0xFF, 0xFFu) << what << ", group " << g << ": garbage culled anyway";
                    EXPECT_EQ((culled >> (8 * g)) & 0xFF, 0xFFu) << what << ", group " << g;
                }
            }
        }
        EXPECT_GT(counts.kept, 2000);
        if (simdLevel() == SimdLevel::Avx512) {
            EXPECT_GT(skipped, groups / 4) << "too few groups left out";
        } else {
            EXPECT_EQ(skipped, 0) << "the AVX2 pass tells nothing";
        }
    });
}

// A split list's first pass copies, for the other parts, the vertices of every group one of them
// may keep (with AVX2, whose passes read every group, all of them), byte for byte, and nothing
// else; each other part's pass over that copy, the places not copied left as triangles covering
// the viewport, culls what it culls over the list itself. Lists of every length to a whole chunk.
TEST(VertexStageAvx2, SplitListsCopyTheVerticesTheOtherPartsRead) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel([] {
        const VertexStage s = unlitIdentityStage();
        std::mt19937 rng(43);
        int copied = 0, leftOut = 0;
        for (int round = 0; round < 60; ++round) {
            std::vector<D3DVERTEX> list = bandedGroups(rng);
            list.resize(3 * (kListChunkTriangles - uint32_t(round % 11)));
            const uint32_t triangles = uint32_t(list.size() / 3);
            const int parts = round % 5 == 0 ? 3 : 2, own = round % parts;
            BandMask bands[3];
            bandMasks(rng, parts, round % 3 != 0, bands);
            const uint8_t others = uint8_t(((1u << parts) - 1) & ~(1u << own));
            std::vector<uint8_t> groupParts(triangles, 0xA5);
            std::vector<D3DVERTEX> copy(list.size());
            for (size_t v = 0; v < copy.size(); ++v)
                copy[v] = atPixel(v % 3 == 1 ? 1600 : -10, v % 3 == 2 ? 1200 : -10);
            const std::vector<D3DVERTEX> garbage = copy;
            TriangleDrop first{D3DCULL_NONE, {0, 0, 799, 599}, false, bands[own], own, parts, bands, groupParts.data(),
                               nullptr};
            first.copyOut = copy.data(), first.copyParts = others;
            runList(s, list, first);
            for (uint32_t v = 0; v < list.size(); ++v) {
                const bool wanted = simdLevel() != SimdLevel::Avx512 || (groupParts[v / 24 * 8] & others);
                const D3DVERTEX& expected = wanted ? list[v] : garbage[v];
                ASSERT_EQ(std::memcmp(&copy[v], &expected, sizeof expected), 0) << "round " << round << ", vertex " << v;
                if (v % 24 == 0) ++(wanted ? copied : leftOut);
            }
            for (int part = 0; part < parts; ++part) {
                if (part == own) continue;
                const TriangleDrop drop{D3DCULL_NONE, {0, 0, 799, 599}, false, bands[part], part, 1, nullptr, nullptr,
                                        groupParts.data()};
                EXPECT_EQ(runList(s, copy, drop), runList(s, list, drop)) << "round " << round << ", part " << part;
            }
        }
        EXPECT_GT(copied, 100);
        if (simdLevel() == SimdLevel::Avx512) {
            EXPECT_GT(leftOut, 50) << "too few groups left uncopied";
        } else {
            EXPECT_EQ(leftOut, 0) << "the AVX2 pass copies every group";
        }
    });
}

// Screen positions that fall exactly halfway between two 1/16 pixel steps, on both sides of the
// viewport's corner (negative positions too): rounded away from zero, as the scalar stage does.
TEST(VertexStageAvx2, HalfwayPositionsRoundAsTheScalarStage) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    const VertexStage s = unlitIdentityStage();
    // With w = 1 and an 800x600 viewport x = j / 512 lands on 6400 + 12.5 j sixteenths of a pixel
    // and y = k / 512 on 4800 - 9.375 k: a tie for every odd j and every k = 4 (mod 8).
    std::vector<D3DVERTEX> in;
    for (int j = -1501; j <= 1501; j += 2) in.push_back({j / 512.0f, (j * 3 + 4) / 512.0f, 0.5f, 0, 0, -1, 0, 0});
    PlainRun run(s, in);
    int negative = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        ScreenVertex want;
        ASSERT_TRUE(projectVertex(run.out[i], run.target.map, true, &want));
        ASSERT_TRUE(run.ok[i]) << "vertex " << i;
        EXPECT_EQ(run.projected[i].x, want.x) << "vertex " << i;
        EXPECT_EQ(run.projected[i].y, want.y) << "vertex " << i;
        negative += want.x < 0;
    }
    EXPECT_GT(negative, 100);
}

// List triangles whose corners all fall halfway between two 1/16 pixel steps (x = odd / 512,
// y = (4 + 8 m) / 512 with w = 1 on an 800x600 viewport, see above), on both sides of the
// viewport's corner: the list path rounds them as the plain stage does.
TEST(VertexStageAvx2, HalfwayPositionsRoundAsTheScalarStageInLists) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
    atEveryLevel([] {
        const VertexStage s = unlitIdentityStage();
        ListCounts counts;
        for (int j0 = -901; j0 <= 901; j0 += 2 * 64) {
            std::vector<D3DVERTEX> list;
            for (int t = 0; t < int(kListChunkTriangles); ++t) {
                const int j = j0 + 2 * t, k = 4 + 8 * (t % 9 - 4);
                list.push_back({j / 512.0f, k / 512.0f, 0.5f, 0, 0, -1, 0, 0});
                list.push_back({(j + 2) / 512.0f, k / 512.0f, 0.5f, 0, 0, -1, 0, 0});
                list.push_back({j / 512.0f, (k + 8) / 512.0f, 0.5f, 0, 0, -1, 0, 0});
            }
            checkList(s, list, {D3DCULL_NONE, {0, 0, 799, 599}, false}, "halfway", counts);
        }
        EXPECT_GT(counts.kept, 300);
    });
}

TEST(VertexStageAvx2, SpotLightsAndRenormalisedNormalsAreLeftToTheScalarStage) {
    std::mt19937 rng(3);
    VertexStage s = stageWithLights(rng, true);
    EXPECT_EQ(vertexStageCovered(s), haveAvx2());
    VertexStage spot = s;
    spot.lighting.lights[2].type = D3DLIGHT_SPOT;
    EXPECT_FALSE(vertexStageCovered(spot));
    VertexStage normalized = s;
    normalized.lighting.normalize = true;
    EXPECT_FALSE(vertexStageCovered(normalized));
}

}  // namespace
