// What one draw call's triangles need from the device's state, worked out once per call: the
// vertex stage's context and the per-triangle context (clip planes, viewport map, scissor, cull
// mode, the pixel pipeline and where span-path triangles go), and a span-path call as a copy a
// helper thread can replay on its own (split_scene.h).
//
// A TriangleContext's pixel pipeline points to the caller's surface locks, valid only during the
// call; `textured` says whether the call samples a texture without them. A ReplayCall holds no
// pointer to the caller's stack: its span state borrows surface pixels that the device keeps alive
// and unchanged until the replay is drawn, and `texels` keeps widened texture copies alive.
#pragma once

#include <cstdint>
#include <atomic>
#include <memory>

#include "platform/d3d/clipping.h"
#include "platform/d3d/d3dtypes.h"
#include "platform/d3d/pixel_stage.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/triangle_setup.h"
#include "platform/d3d/vertex_simd.h"

namespace platform::d3d {

class SpanQueue;

// Bands a split scene's part gives up to the calling thread near the scene's end (split_scene.h's
// finish): that thread asks for some of the part's bands (`asked`), and whoever replays the part's
// calls answers once, at the next chunk of a list or at the start of the part's next call: it
// draws what its queue holds, leaves the asked bands out from then on and tells where (`call`, the
// scene's count of calls, and `from`, the call's first triangle it left them out of), storing
// `answered` (release) after them. Triangles of the asked bands before that point are the part's,
// the rest the calling thread's, so each band is still drawn by one thread at a time in call order.
struct HandOver {
    std::atomic<BandMask> asked{0};
    std::atomic<bool> answered{false};
    uint32_t call = 0, from = 0;
};

// The vertex stage's context; simd: the eight-wide stage covers it and the span path may use it.
struct VertexContext : VertexStage {
    bool simd = false;
};

// What stays the same for every triangle of one call.
struct TriangleContext {
    ClipPlanes planes;
    ViewportMap map;
    Scissor scissor;
    D3DCULL cull;
    bool perspective;
    bool flat;
    PixelPipeline pixels;
    bool textured = false;  // pixels.texture is set
    float textureWidth = 1, textureHeight = 1;
    SpanQueue* spans = nullptr;  // set: triangles go to the span path's queue
    // The spans queue draws only these bands (SpanQueue::setBandFilter): triangles clear of them
    // are left out before set-up. A split scene's thread is part bandPart of bandParts, whose
    // bands partBands tells (set with groupPartsOut; TriangleDrop's).
    BandMask bands = kEveryBand;
    int bandPart = 0, bandParts = 1;
    const BandMask* partBands = nullptr;
    // A list's groups of eight triangles as TriangleDrop's partsOut and partsIn take them, from
    // the call's first triangle (byte t for triangle t): filled by the first pass of a split scene's
    // calling thread, which also copies the vertices of the groups the other parts may keep
    // (TriangleDrop's copyOut, copyParts: to verticesOut, vertex i at [i]) and then stores how many
    // triangles it has judged in groupPartsJudged (release). The threads that replay the call for
    // other bands wait, chunk by chunk, until what they load from groupPartsReady (acquire)
    // covers the chunk, and only then read its vertices and bytes (split_scene.h's awaitJudged).
    uint8_t* groupPartsOut = nullptr;
    std::atomic<uint32_t>* groupPartsJudged = nullptr;
    D3DVERTEX* verticesOut = nullptr;
    uint8_t verticesOutParts = 0;
    const uint8_t* groupPartsIn = nullptr;
    const std::atomic<uint32_t>* groupPartsReady = nullptr;
    // A replay of a split scene's part (replayCall): answers a hand-over asked of it between chunks
    // of a list (call: the scene's count of this call), and draws from triangle `from` on.
    HandOver* handOver = nullptr;
    uint32_t call = 0, from = 0;
};

// A span-path call with everything its geometry and its queue need but the vertices (the
// pixel pipeline's lock pointers are cleared).
struct ReplayCall {
    VertexContext vertex;
    TriangleContext triangles;
    SpanState span;
    bool simdShaders = false;  // SpanQueue::beginCall's simd
    int rows = 1;              // SpanQueue::beginCall's rows
    std::shared_ptr<const void> texels;
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
    uint32_t count = 0;  // vertices
};

// Where a replay of a split scene's call stands: part `part` (the bit of groupParts it reads);
// groupParts and ready, when set: where the call's own first pass leaves its bytes and the vertices
// it copies, and how far it has come (TriangleContext's groupPartsIn and groupPartsReady; the
// replay waits for it chunk by chunk); handOver, when set: answered at the call's start or between
// its list's chunks once asked (the call's scene count `call`); from: the first triangle drawn.
struct ReplayPlace {
    int part = 0;
    const uint8_t* groupParts = nullptr;
    const std::atomic<uint32_t>* ready = nullptr;
    HandOver* handOver = nullptr;
    uint32_t call = 0, from = 0;
};

// Draws `call` from `vertices` (call.count of them) into `queue` as the call itself did, for the
// bands the queue's filter keeps (span_queue.h), as `place` says; counts no times and no figures.
void replayCall(const ReplayCall& call, const D3DVERTEX* vertices, SpanQueue* queue, const ReplayPlace& place = {});

}  // namespace platform::d3d
