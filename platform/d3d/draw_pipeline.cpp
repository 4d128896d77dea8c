// The reference drawing pipeline: vertex stage, primitive assembly and the per-triangle path.
#include "platform/d3d/draw_pipeline.h"

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <x86intrin.h>
#endif

#include "platform/d3d/call_bounds.h"
#include "platform/d3d/clipping.h"
#include "platform/d3d/draw_context.h"
#include "platform/d3d/fog.h"
#include "platform/d3d/lighting.h"
#include "platform/d3d/pixel_stage.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_queue.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/split_scene.h"
#include "platform/d3d/transform.h"
#include "platform/d3d/triangle_setup.h"
#include "platform/d3d/triangle_setup_avx2.h"
#include "platform/d3d/vertex_simd.h"

namespace platform::d3d {

uint32_t triangleCount(D3DPRIMITIVETYPE type, uint32_t count) {
    switch (type) {
        case D3DPT_TRIANGLELIST: return count / 3;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN: return count >= 3 ? count - 2 : 0;
        default: return 0;
    }
}

namespace {

using Clock = std::chrono::steady_clock;
unsigned long long nanoseconds(Clock::duration d) {
    return static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(d).count());
}

// A cheap count for sharing a call's clock time between its vertex work and its set-up, read
// twice for every chunk of a list: the processor's time-stamp counter where there is one (a
// third of the cost of a clock read here), else the clock.
inline uint64_t ticks() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    return __rdtsc();
#else
    return uint64_t(Clock::now().time_since_epoch().count());
#endif
}

VertexContext makeVertexContext(const DeviceState& state) {
    VertexContext c;
    c.transforms = makeTransformSet(state.world, state.view, state.projection);
    c.lit = state.rs(D3DRENDERSTATE_LIGHTING) != 0;
    if (c.lit) c.lighting = prepareLighting(state);
    c.fog = prepareFog(state);
    return c;
}

void transformVertex(const VertexContext& c, const D3DVERTEX& v, ClipVertex& o) {
    Vec4 clip = transformPoint({v.x, v.y, v.z}, c.transforms.worldViewProjection);
    o.x = clip.x;
    o.y = clip.y;
    o.z = clip.z;
    o.w = clip.w;
}

void shadeVertex(const VertexContext& c, const D3DVERTEX& v, ClipVertex& o) {
    const TransformSet& t = c.transforms;
    D3DVECTOR eye = transformPoint3({v.x, v.y, v.z}, t.worldView);
    if (c.lit) {
        lightVertex(c.lighting, eye, transformNormal({v.nx, v.ny, v.nz}, t.normalMatrix), o.attr);
    } else {
        o.attr[kRed] = o.attr[kGreen] = o.attr[kBlue] = o.attr[kAlpha] = 1.0f;
    }
    o.attr[kFog] = vertexFog(c.fog, eye);
    o.attr[kU] = v.tu;
    o.attr[kV] = v.tv;
}

// projection: with simd, where the vertices are projected ahead (may be null).
void processVertices(const VertexContext& c, const D3DVERTEX* in, ClipVertex* out, uint32_t begin, uint32_t end,
                     const ProjectionTarget* projection) {
    if (c.simd) {
        processVerticesAvx2(c, in, out, begin, end, projection);
        return;
    }
    for (uint32_t i = begin; i < end; ++i) {
        transformVertex(c, in[i], out[i]);
        shadeVertex(c, in[i], out[i]);
    }
}

// Where a set-up triangle goes: drawn by the reference pixel stage, or into the span queue.
struct TriangleSink {
    const TriangleContext& c;
    DrawFigures* figures;
    // Vertices projected ahead (span path): projected[i] is vertex i's projectVertex result
    // where projectedOk[i]; i counts from base.
    const ClipVertex* base = nullptr;
    const ScreenVertex* projected = nullptr;
    const uint8_t* projectedOk = nullptr;
};

// The vertex's screen form, from the projections made ahead or worked out now.
bool project(const TriangleSink& sink, const ClipVertex& v, ScreenVertex* out) {
    if (!sink.projected) return projectVertex(v, sink.c.map, sink.c.perspective, out);
    size_t i = size_t(&v - sink.base);
    if (!sink.projectedOk[i]) return false;
    *out = sink.projected[i];
    return true;
}

bool finite(const ClipVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

// Minification when one screen pixel spans more than one texel (judged over the whole triangle).
bool minifies(const TriangleContext& c, const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& d) {
    auto uv = [&](const ScreenVertex& s, int i, float size) { return s.attr[i] / s.invW * size; };
    float u0 = uv(a, kU, c.textureWidth), v0 = uv(a, kV, c.textureHeight);
    float u1 = uv(b, kU, c.textureWidth), v1 = uv(b, kV, c.textureHeight);
    float u2 = uv(d, kU, c.textureWidth), v2 = uv(d, kV, c.textureHeight);
    double texels = std::fabs(double(u1 - u0) * (v2 - v0) - double(u2 - u0) * (v1 - v0));
    double pixels = std::fabs(double(signedArea(a, b, d))) / double(kSubPixel * kSubPixel);
    return texels > pixels;
}

void drawTriangle(const TriangleSink& sink, const ClipVertex& a, const ClipVertex& b, const ClipVertex& d) {
    const TriangleContext& c = sink.c;
    if (!finite(a) || !finite(b) || !finite(d)) return;
    unsigned o0 = outcode(a, c.planes), o1 = outcode(b, c.planes), o2 = outcode(d, c.planes);
    if (o0 & o1 & o2) return;  // wholly outside one plane
    ScreenVertex s[kMaxClipVertices];
    int n = 3;
    if ((o0 | o1 | o2) || c.flat) {
        ClipVertex poly[kMaxClipVertices];
        poly[0] = a, poly[1] = b, poly[2] = d;
        if (c.flat)
            for (int k = 1; k < 3; ++k) std::copy(a.attr, a.attr + kFog, poly[k].attr);
        if (o0 | o1 | o2) n = clipPolygon(poly, 3, c.planes);
        for (int i = 0; i < n; ++i)
            if (!projectVertex(poly[i], c.map, c.perspective, &s[i])) return;
    } else {
        // Neither cut nor flat: the vertices project as they are.
        if (!project(sink, a, &s[0]) || !project(sink, b, &s[1]) || !project(sink, d, &s[2])) return;
    }
    for (int i = 1; i + 1 < n; ++i) {
        TriangleSetup t;
        if (!setupTriangle(s[0], s[i], s[i + 1], c.cull, c.scissor, &t)) continue;
        bool minify = c.textured && minifies(c, s[0], s[i], s[i + 1]);
        if (c.spans) c.spans->add(t, minify);
        else sink.figures->pixels += platform::d3d::drawTriangle(c.pixels, t, minify);
    }
}

// Whether every vertex of the call lies beyond one plane of the view volume (call_bounds.h), with
// the matrix and viewport map the vertex stage would use: then no triangle of it draws a pixel.
bool callBeyondView(const DeviceState& state, const D3DVERTEX* vertices, uint32_t count) {
    const D3DMATRIX m = multiply(multiply(state.world, state.view), state.projection);  // as makeTransformSet
    return callBeyondView(m, makeViewportMap(state.viewport), vertices, count);
}

TriangleContext makeContext(const DeviceState& state, const DrawTargets& targets) {
    TriangleContext c;
    const D3DVIEWPORT7& vp = state.viewport;
    c.planes = guardBandFor(float(vp.dwWidth), float(vp.dwHeight));
    c.map = makeViewportMap(vp);
    c.scissor.minX = int(vp.dwX);
    c.scissor.minY = int(vp.dwY);
    c.scissor.maxX = std::min<int64_t>(int64_t(vp.dwX) + vp.dwWidth, targets.color->width()) - 1;
    c.scissor.maxY = std::min<int64_t>(int64_t(vp.dwY) + vp.dwHeight, targets.color->height()) - 1;
    if (targets.depth) {
        c.scissor.maxX = std::min(c.scissor.maxX, targets.depth->width() - 1);
        c.scissor.maxY = std::min(c.scissor.maxY, targets.depth->height() - 1);
    }
    c.cull = static_cast<D3DCULL>(state.rs(D3DRENDERSTATE_CULLMODE));
    c.perspective = state.rs(D3DRENDERSTATE_TEXTUREPERSPECTIVE) != 0;
    c.flat = state.rs(D3DRENDERSTATE_SHADEMODE) == D3DSHADE_FLAT;
    c.pixels = preparePixelPipeline(state);
    c.pixels.color = targets.color;
    c.pixels.depth = c.pixels.depthTest ? targets.depth : nullptr;
    c.pixels.texture = targets.texture;
    c.textured = targets.texture != nullptr;
    c.pixels.colorKey = c.pixels.colorKey && targets.texture && targets.textureHasKey;
    c.pixels.key = targets.textureKey;
    if (targets.texture) {
        c.textureWidth = float(targets.texture->width());
        c.textureHeight = float(targets.texture->height());
    }
    return c;
}

}  // namespace

namespace {

// A triangle of vertices projected ahead, each inside every clip plane: straight to set-up, as
// drawTriangle would take it when neither cut nor flat (vertices are projected ahead only by the
// eight-wide vertex stage, so the processor has AVX2).
// Whether a triangle with corners at these rows (1/16 pixel) may cover a row of the bands its
// queue draws: its rows taken a pixel wider than they are, cut at bands.
[[gnu::always_inline]] inline bool mayCoverOwnBands(const TriangleContext& c, int32_t y0, int32_t y1, int32_t y2) {
    if (c.bands == kEveryBand) return true;
    const int first = std::max((std::min({y0, y1, y2}) >> kSubPixelBits) - 1, 0) >> kBandShift;
    const int last = ((std::max({y0, y1, y2}) >> kSubPixelBits) + 1) >> kBandShift;
    return ownsBandIn(first, last, c.bands);
}

[[gnu::always_inline]] inline void setUpProjected(const TriangleSink& sink, const ScreenVertex& a, const ScreenVertex& b,
                                                  const ScreenVertex& d) {
    const TriangleContext& c = sink.c;
    if (!mayCoverOwnBands(c, a.y, b.y, d.y)) return;
    if (!setupTriangleAvx2(a, b, d, c.cull, c.scissor, c.spans->room())) return;
    c.spans->keep(c.textured && c.spans->filtersDiffer() && minifies(c, a, b, d));
}

// Triangle i0 i1 i2 of the call's vertices (inlined into the loop over triangles: it runs for every
// one of them).
[[gnu::always_inline]] inline void drawIndexed(const TriangleSink& sink, const ClipVertex* v, uint32_t i0, uint32_t i1,
                                               uint32_t i2) {
    const uint8_t* ok = sink.projectedOk;
    if (ok && (ok[i0] & ok[i1] & ok[i2]) && !sink.c.flat)
        setUpProjected(sink, sink.projected[i0], sink.projected[i1], sink.projected[i2]);
    else
        drawTriangle(sink, v[i0], v[i1], v[i2]);
}

// Triangles [begin, end) of a fan or strip (lists go through drawListRange).
void drawTriangles(const TriangleSink& sink, D3DPRIMITIVETYPE type, const ClipVertex* v, uint32_t begin,
                   uint32_t end) {
    for (uint32_t i = begin; i < end; ++i) {
        switch (type) {
            case D3DPT_TRIANGLEFAN: drawIndexed(sink, v, 0, i + 1, i + 2); break;
            default:  // strip: every second triangle is listed the other way round
                if (i % 2 == 0) drawIndexed(sink, v, i, i + 1, i + 2);
                else drawIndexed(sink, v, i + 1, i, i + 2);
                break;
        }
    }
}

// The vertices of `triangles` list triangles (at most kListChunkTriangles): positions first,
// then, for the triangles that set-up would not drop unclipped (facing away; with simd also
// without area or pixels), lighting and fog. Returns the dropped ones (bit i: triangle i); their
// vertices keep no attributes. projection: with simd, where the vertices are projected ahead.
// first: the call's triangle that `in` starts with (for c's group parts).
uint64_t processTriangleList(const VertexContext& vc, const TriangleContext& c, const D3DVERTEX* in, ClipVertex* out,
                             uint32_t first, uint32_t triangles, const ProjectionTarget* projection) {
    if (vc.simd) {
        // A replay reads these vertices and the first pass's group parts once that pass has judged
        // (and copied) them.
        if (c.groupPartsReady) awaitJudged(c.groupPartsReady, first + triangles);
        const bool copies = c.groupPartsOut && c.verticesOut;
        const uint64_t culled = processTriangleListAvx2(
            vc, in, out, triangles, *projection,
            {c.cull, c.scissor, c.flat, c.bands, c.bandPart, c.bandParts, c.partBands,
             c.groupPartsOut ? c.groupPartsOut + first : nullptr,
             c.groupPartsReady ? c.groupPartsIn + first : nullptr, copies ? c.verticesOut + 3 * size_t(first) : nullptr,
             c.verticesOutParts});
        if (c.groupPartsOut) tellJudged(c.groupPartsJudged, first + triangles);
        return culled;
    }
    uint64_t culled = 0;
    for (uint32_t i = 0; i < triangles; ++i) {
        ClipVertex* o = out + 3 * i;
        const D3DVERTEX* v = in + 3 * i;
        for (int k = 0; k < 3; ++k) transformVertex(vc, v[k], o[k]);
        bool inside = (outcode(o[0], c.planes) | outcode(o[1], c.planes) | outcode(o[2], c.planes)) == 0;
        if (inside && culledByWinding(o[0], o[1], o[2], c.map, c.cull)) {
            culled |= uint64_t(1) << i;
            continue;
        }
        for (int k = 0; k < 3; ++k) shadeVertex(vc, v[k], o[k]);
    }
    return culled;
}

// A replay's answer to a hand-over asked of it (TriangleContext's handOver, split_scene.h), looked
// for before each chunk of a list and each triangle it keeps; once answered, the chunks after are
// judged and set up for the bands left (`context`).
class HandOverWatch {
public:
    explicit HandOverWatch(const TriangleContext& c) : context(&c), c_(c), open_(c.handOver != nullptr) {}
    const TriangleContext* context;

    // At triangle `at` of the call, before it is set up.
    [[gnu::always_inline]] void check(uint32_t at) {
        if (!open_) return;
        if (handOverHoldSet().load(std::memory_order_relaxed)) awaitAskForTests(c_.handOver, c_.call, at);
        if (c_.handOver->asked.load(std::memory_order_relaxed)) answer(at);
    }

private:
    [[gnu::noinline]] void answer(uint32_t at) {
        open_ = false;
        narrowed_ = c_;
        narrowed_.bands = answerHandOver(c_.handOver, c_.spans, c_.call, at);
        context = &narrowed_;
    }
    const TriangleContext& c_;
    bool open_;
    TriangleContext narrowed_;
};

// The ticks of a run of list chunks, and those of them its vertex work took.
struct ListTicks {
    uint64_t vertex = 0, all = 0;
};

// List triangles [first, last) of `in`, a few dozen at a time, so that their vertices are still
// in the cache when they are set up; timed: whether to count the ticks (else they stay 0).
ListTicks drawListRange(const VertexContext& vc, const TriangleContext& c, DrawFigures* figures,
                        const D3DVERTEX* in, uint32_t first, uint32_t last, bool timed) {
    constexpr uint32_t kChunk = kListChunkTriangles;
    ClipVertex v[3 * kChunk];
    ScreenVertex projected[3 * kChunk];
    uint8_t ok[3 * kChunk];
    // With the eight-wide vertex stage the vertices are also projected ahead, four at a time.
    ProjectionTarget target{c.map, c.perspective, projected, ok, c.planes};
    const ProjectionTarget* ahead = vc.simd ? &target : nullptr;
    ListTicks spent;
    const uint64_t started = timed ? ticks() : 0;
    HandOverWatch watch(c);
    // Replays from a triangle inside a chunk (a hand-over's `from`) judge the whole chunk.
    for (uint32_t at = first - first % kChunk; at < last; at += kChunk) {
        watch.check(std::max(at, first));
        const TriangleContext& cc = *watch.context;
        uint32_t n = std::min(kChunk, last - at);
        const uint64_t begin = timed ? ticks() : 0;
        const uint64_t culled = processTriangleList(vc, cc, in + 3 * size_t(at), v, at, n, ahead);
        if (timed) spent.vertex += ticks() - begin;
        const TriangleSink sink{cc, figures, v, ahead ? projected : nullptr, ahead ? ok : nullptr};
        // The kept triangles one set bit at a time (a test per triangle would be mispredicted
        // whenever facing flips).
        static_assert(kChunk <= 64, "a bit a triangle");
        const uint64_t all = n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1;
        const uint64_t before = at < first ? (uint64_t(1) << (first - at)) - 1 : 0;
        for (uint64_t kept = all & ~culled & ~before; kept; kept &= kept - 1) {
            const uint32_t i = uint32_t(std::countr_zero(kept));
            watch.check(at + i);  // the set-up of this chunk goes on with its own bands' filter
            drawIndexed(sink, v, 3 * i, 3 * i + 1, 3 * i + 2);
        }
    }
    if (timed) spent.all = ticks() - started;
    return spent;
}

// The clock now, where the drawing times are kept (else a zero time: nothing reads it).
Clock::time_point stamp(bool timed) { return timed ? Clock::now() : Clock::time_point{}; }

// When the call's vertex work and set-up ended.
struct GeometryTimes {
    Clock::time_point transformed, setUp;
};

// The call's triangles from its vertices: through the vertex stage, assembled and set up, into the
// span queue or drawn (c.spans). `started`: when the call began; timed: whether the times are
// wanted (else they are all `started`).
GeometryTimes drawGeometry(const VertexContext& vc, const TriangleContext& c, DrawFigures* figures,
                           D3DPRIMITIVETYPE type, const D3DVERTEX* vertices, uint32_t count, Clock::time_point started,
                           bool timed) {
    const uint32_t triangles = triangleCount(type, count);
    GeometryTimes times{started, started};
    if (type == D3DPT_TRIANGLELIST) {
        // A list's triangles own their vertices: transformed and set up a chunk at a time; the
        // clock time of the chunks is shared out as their ticks were.
        const auto listed = stamp(timed);
        const ListTicks spent = drawListRange(vc, c, figures, vertices, std::min(c.from, triangles), triangles, timed);
        times.setUp = stamp(timed);
        const double vertexShare = spent.all ? std::min(1.0, double(spent.vertex) / double(spent.all)) : 0.0;
        times.transformed =
            started + std::chrono::duration_cast<Clock::duration>((times.setUp - listed) * vertexShare);
        return times;
    }
    thread_local std::vector<ClipVertex> store;  // kept: large draws then fault in no fresh pages
    store.resize(count);
    ClipVertex* v = store.data();
    // With the eight-wide vertex stage the vertices are also projected ahead, four at a time.
    thread_local std::vector<ScreenVertex> projectedStore;
    thread_local std::vector<uint8_t> projectedOkStore;
    ProjectionTarget ahead{c.map, c.perspective, nullptr, nullptr, c.planes};
    if (vc.simd) {
        projectedStore.resize(count);
        projectedOkStore.resize(count);
        ahead.out = projectedStore.data(), ahead.ok = projectedOkStore.data();
    }
    processVertices(vc, vertices, v, 0, count, vc.simd ? &ahead : nullptr);
    times.transformed = stamp(timed);
    drawTriangles({c, figures, v, ahead.out, ahead.ok}, type, v, std::min(c.from, triangles), triangles);
    times.setUp = stamp(timed);
    return times;
}

// The copy of a span-path call that helpers replay: no pointer into this call's surface locks.
ReplayCall replayOf(const VertexContext& vc, const TriangleContext& c, const SpanState& span, bool simdShaders,
                    int rows, const std::shared_ptr<const void>& texels, D3DPRIMITIVETYPE type, uint32_t count) {
    ReplayCall r{vc, c, span, simdShaders, rows, texels, type, count};
    r.triangles.pixels.color = r.triangles.pixels.depth = r.triangles.pixels.texture = nullptr;
    r.triangles.spans = nullptr;
    r.triangles.bands = kEveryBand, r.triangles.bandPart = 0, r.triangles.bandParts = 1, r.triangles.partBands = nullptr;
    r.triangles.groupPartsOut = nullptr, r.triangles.groupPartsJudged = nullptr;
    r.triangles.verticesOut = nullptr, r.triangles.verticesOutParts = 0;
    r.triangles.groupPartsIn = nullptr, r.triangles.groupPartsReady = nullptr;
    r.triangles.handOver = nullptr, r.triangles.call = 0, r.triangles.from = 0;
    return r;
}

}  // namespace

void replayCall(const ReplayCall& call, const D3DVERTEX* vertices, SpanQueue* queue, const ReplayPlace& place) {
    queue->beginCall(call.span, call.simdShaders, call.rows, call.texels);
    TriangleContext c = call.triangles;
    c.spans = queue;
    c.bands = queue->filterBands(), c.bandPart = place.part;
    c.groupPartsIn = place.ready ? place.groupParts : nullptr, c.groupPartsReady = place.ready;
    // Only a list answers between chunks; other calls were answered for at their start.
    c.handOver = call.type == D3DPT_TRIANGLELIST ? place.handOver : nullptr;
    c.call = place.call, c.from = place.from;
    DrawFigures figures;
    drawGeometry(call.vertex, c, &figures, call.type, vertices, call.count, Clock::time_point{}, false);
    queue->endCall();
}

void drawPrimitives(const DeviceState& state, const DrawTargets& targets, D3DPRIMITIVETYPE type,
                    const D3DVERTEX* vertices, uint32_t count, DrawFigures* figures, SpanQueue* queue,
                    SplitScene* split) {
    uint32_t triangles = triangleCount(type, count);
    figures->triangles += triangles;
    if (triangles == 0 || !targets.color) return;
    if (callBeyondView(state, vertices, count)) {
        countSkippedCall(triangles);
        return;
    }
    const bool timed = rasterTimesWanted();
    const auto started = stamp(timed);
    // A full span queue is drawn during the call: that time is the pixels', not set-up's.
    const uint64_t drawnBefore = queue->drawnNs();
    TriangleContext c = makeContext(state, targets);
    RasterPath path = rasterPath();
    SpanState spanState;
    std::shared_ptr<const void> texelOwner;
    bool useSpans = path != RasterPath::Reference && makeSpanState(c.pixels, &spanState, &texelOwner);
    const int rows = std::max(1, c.scissor.maxY + 1);
    if (useSpans && split && !split->running()) split->start(rasterThreads(), rows, queue);
    const bool splitting = useSpans && split && split->running();
    // Geometry stays on the calling thread; the queue's helpers draw the pixels of earlier
    // triangles meanwhile (or, split, replay the call for their own bands).
    if (useSpans) {
        queue->beginCall(spanState, path == RasterPath::Automatic, rows, texelOwner);
        c.spans = queue;
        c.bands = queue->filterBands();
    } else {
        // What was queued comes first.
        figures->pixels += split && split->running() ? split->finish(queue) : queue->draw();
    }
    VertexContext vc = makeVertexContext(state);
    vc.simd = useSpans && path == RasterPath::Automatic && vertexStageCovered(vc);
    if (splitting) {
        // A list's first pass copies its vertices for the helpers and tells them which of its
        // groups they need not look at.
        const bool listPass = type == D3DPT_TRIANGLELIST && vc.simd;
        split->post(replayOf(vc, c, spanState, path == RasterPath::Automatic, rows, texelOwner, type, count), vertices,
                    listPass);
        if (listPass) split->postedListPass(&c);
    }
    const GeometryTimes times = drawGeometry(vc, c, figures, type, vertices, count, started, timed);
    if (timed) {
        const unsigned long long drained = queue->drawnNs() - drawnBefore;
        const unsigned long long triangleNs = nanoseconds(times.setUp - times.transformed);
        addRasterTimes({nanoseconds(times.transformed - started), triangleNs - std::min(triangleNs, drained), 0});
    }
    if (!useSpans) return;
    queue->endCall();
}

}  // namespace platform::d3d
