// Whole calls beyond the view: a call is judged beyond exactly when every one of its vertices,
// transformed by the scalar stage, lies beyond one common plane, and the eight-wide vertex stage
// culls every triangle of such a call.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "platform/d3d/call_bounds.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/vertex_simd.h"

using namespace platform::d3d;

namespace {

float uniform(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

D3DVERTEX vertexAt(float x, float y, float z) {
    D3DVERTEX v{};
    v.x = x, v.y = y, v.z = z;
    v.nx = NAN, v.tu = INFINITY;  // only the position may decide anything
    return v;
}

D3DMATRIX camera(std::mt19937& rng) {
    D3DMATRIX world{}, view{}, projection{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) world.m[i][j] = (i == j ? 1.0f : 0.0f) + uniform(rng, -0.3f, 0.3f);
    for (int j = 0; j < 3; ++j) world.m[3][j] = uniform(rng, -3, 3);
    world.m[3][3] = 1;
    view.m[0][0] = view.m[1][1] = view.m[2][2] = view.m[3][3] = 1;
    view.m[3][2] = 20;  // the eye 20 units before the origin
    projection.m[0][0] = 1.3f, projection.m[1][1] = 1.7f;
    projection.m[2][2] = 1.01f, projection.m[2][3] = 1, projection.m[3][2] = -1.01f;  // near 1, far 100
    return multiply(multiply(world, view), projection);
}

ViewportMap viewport640() {
    ViewportMap map;
    map.x = 0, map.y = 0, map.halfWidth = 320, map.halfHeight = 240;
    return map;
}

unsigned commonPlanes(const std::vector<D3DVERTEX>& v, const D3DMATRIX& m, const ViewportMap& map) {
    unsigned common = 0x3F;
    for (const D3DVERTEX& p : v)
        common &= beyondPlanes(transformPoint({p.x, p.y, p.z}, m), beyondFactor(map.halfWidth),
                               beyondFactor(map.halfHeight));
    return common;
}

// A model of `count` vertices in a ball around a centre anywhere from behind the eye to past the
// far plane and well past the sides, many of them across a plane; now and then one vertex is
// moved into the view or made NaN.
std::vector<D3DVERTEX> randomModel(std::mt19937& rng, uint32_t count, int trial) {
    const float radius = uniform(rng, 0.001f, 6);
    const D3DVECTOR centre{uniform(rng, -150, 150), uniform(rng, -120, 120), uniform(rng, -60, 120)};
    std::vector<D3DVERTEX> v(count);
    for (auto& p : v)
        p = vertexAt(centre.x + uniform(rng, -radius, radius), centre.y + uniform(rng, -radius, radius),
                     centre.z + uniform(rng, -radius, radius));
    const uint32_t at = uint32_t(rng() % count);
    if (trial % 5 == 1) v[at] = vertexAt(0, 0, 0);  // the origin is in view
    if (trial % 7 == 2) v[at].y = NAN;
    return v;
}

TEST(CallBounds, CallsAreBeyondExactlyWhenEveryVertexIsBeyondOneCommonPlane) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2: no call is skipped";
    std::mt19937 rng(11);
    const ViewportMap map = viewport640();
    int beyond = 0, kept = 0, perPlane[6] = {};
    for (int trial = 0; trial < 20000; ++trial) {
        const D3DMATRIX m = camera(rng);
        const std::vector<D3DVERTEX> v = randomModel(rng, 1 + uint32_t(trial % 41), trial);
        const unsigned common = commonPlanes(v, m, map);
        ASSERT_EQ(callBeyondView(m, map, v.data(), uint32_t(v.size())), common != 0)
            << "trial " << trial << ", " << v.size() << " vertices, common planes " << common;
        ++(common ? beyond : kept);
        for (int j = 0; j < 6; ++j) perPlane[j] += (common >> j) & 1;
    }
    EXPECT_GT(beyond, 3000);
    EXPECT_GT(kept, 3000);
    for (int j = 0; j < 6; ++j) EXPECT_GT(perPlane[j], 100) << "plane " << j;
}

// One vertex inside the view at any place in a long call, in particular between the vertices
// tested first, keeps the call.
TEST(CallBounds, OneVertexInViewAnywhereKeepsTheCall) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2: no call is skipped";
    std::mt19937 rng(5);
    const ViewportMap map = viewport640();
    const D3DMATRIX m = camera(rng);
    std::vector<D3DVERTEX> v(203);
    for (auto& p : v) p = vertexAt(uniform(rng, 90, 100), uniform(rng, -5, 5), uniform(rng, 0, 5));  // right
    ASSERT_NE(commonPlanes(v, m, map), 0u);
    ASSERT_TRUE(callBeyondView(m, map, v.data(), uint32_t(v.size())));
    for (uint32_t at = 0; at < v.size(); ++at) {
        const D3DVERTEX saved = v[at];
        v[at] = vertexAt(0, 0, 0);
        EXPECT_FALSE(callBeyondView(m, map, v.data(), uint32_t(v.size()))) << "vertex " << at;
        v[at] = saved;
    }
    // Beyond the right side and the bottom in turn: no plane is common to all.
    v[100].x = 0, v[100].y = -100;
    EXPECT_FALSE(callBeyondView(m, map, v.data(), uint32_t(v.size())));
    EXPECT_FALSE(callBeyondView(m, map, v.data(), 0));
}

// The first pass over a call judged beyond culls every one of its triangles.
TEST(CallBounds, TheVertexStageCullsEveryTriangleOfACallJudgedBeyond) {
    if (!haveAvx2()) GTEST_SKIP() << "no AVX2: no call is skipped";
    std::mt19937 rng(3);
    const ViewportMap map = viewport640();
    int checked = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        VertexStage stage;
        D3DMATRIX world{}, view{}, projection{};
        const D3DMATRIX m = camera(rng);
        world = m;  // view and projection the identity: the combined matrix is m
        view.m[0][0] = view.m[1][1] = view.m[2][2] = view.m[3][3] = 1;
        projection = view;
        stage.transforms = makeTransformSet(world, view, projection);
        const uint32_t triangles = 1 + uint32_t(trial % int(kListChunkTriangles));
        const std::vector<D3DVERTEX> v = randomModel(rng, 3 * triangles, trial);
        if (!callBeyondView(stage.transforms.worldViewProjection, map, v.data(), uint32_t(v.size()))) continue;
        ++checked;
        std::vector<ClipVertex> out(v.size());
        std::vector<ScreenVertex> projected(v.size());
        std::vector<uint8_t> ok(v.size());
        ProjectionTarget target;
        target.map = map;
        target.out = projected.data(), target.ok = ok.data();
        target.planes = guardBandFor(640, 480);
        const uint64_t culled = processTriangleListAvx2(stage, v.data(), out.data(), triangles, target,
                                                        {D3DCULL_NONE, {0, 0, 639, 479}, false});
        const uint64_t all = triangles == 64 ? ~uint64_t(0) : (uint64_t(1) << triangles) - 1;
        ASSERT_EQ(culled, all) << "trial " << trial;
    }
    EXPECT_GT(checked, 500);
}

}  // namespace
