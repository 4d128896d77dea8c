// The vertex stage eight vertices at a time (AVX2): transform, directional and point lighting and
// linear vertex fog with the reference's float operations in the same order, so every vertex
// comes out bit for bit as the scalar stage makes it.
//
// Covers what the saver uses: lighting off, or on with directional and point lights (range and
// attenuation) and normals used as given; fog off, or vertex fog (linear, by camera z). Anything
// else (spot lights, renormalised normals, exp fog, range fog), or a processor without AVX2,
// makes vertexStageCovered false and the caller takes the scalar stage.
#pragma once

#include <cstdint>

#include "platform/d3d/clip_vertex.h"
#include "platform/d3d/clipping.h"
#include "platform/d3d/fog.h"
#include "platform/d3d/lighting.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/transform.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

struct VertexStage {
    TransformSet transforms;
    bool lit = false;
    LightingSetup lighting;
    FogSetup fog;
};

bool vertexStageCovered(const VertexStage& stage);

// Where projected vertices go: out[i] is vertex i's projectVertex result where ok[i] is 1. ok[i]
// is 1 exactly when the vertex is inside every clip plane (outcode 0 against `planes`, which also
// makes it finite) and projectVertex succeeds; out[i] is undefined where ok[i] is 0.
struct ProjectionTarget {
    ViewportMap map;
    bool perspective = true;
    ScreenVertex* out = nullptr;
    uint8_t* ok = nullptr;
    ClipPlanes planes;
};

// Vertices [begin, end) of `in` into `out` (same indices), and when projection is given also
// projected (four at a time, with the same double and float operations as projectVertex).
// Only when vertexStageCovered.
void processVerticesAvx2(const VertexStage& stage, const D3DVERTEX* in, ClipVertex* out, uint32_t begin,
                         uint32_t end, const ProjectionTarget* projection);

// The most triangles processTriangleListAvx2 takes at once (one bit each of its answer).
constexpr uint32_t kListChunkTriangles = 64;

// What set-up drops triangles for: culling and the scissor; flat: every triangle is drawn from
// its clip vertices (flat shading copies the first vertex's colour before projecting). With
// bands other than kEveryBand the triangles go to a queue that draws only those bands
// (span_walk.h's BandMask), and those clear of them are dropped too.
//
// A scene split by bands runs every call's first pass on each thread; the first to run it can
// tell the others which groups of eight triangles they may skip. Both arrays hold a byte for each
// triangle of the list from the chunk's first, of which only each group's first is used (group g
// at [8 g]): bit p set when part p (p < kGroupPartBits, its bands partBands[p], bandParts of them)
// may keep a triangle of the group, that is unless every one of them is culled for lying beyond
// the view, for being dropped ahead (facing, no pixel) or for being clear of part p's bands.
// partsOut, when set, gets those bytes (all bits for a group whose culling is not known in full);
// with partsIn set, a group without bit bandPart (this thread's part, whose bands are `bands`) is
// culled whole unread (partsIn made by this function for the same vertices and stage).
// copyOut, when set with partsOut: the chunk's vertices are copied there (vertex i to copyOut[i])
// for the threads that replay the call, with AVX-512 only those of the groups whose byte has a bit
// of copyParts (the others' replays skip those groups unread), with AVX2 all of them.
constexpr int kGroupPartBits = 8;
struct TriangleDrop {
    D3DCULL cull = D3DCULL_CCW;
    Scissor scissor;
    bool flat = false;
    BandMask bands = kEveryBand;
    int bandPart = 0, bandParts = 1;
    const BandMask* partBands = nullptr;  // with partsOut: [p] for p < bandParts
    uint8_t* partsOut = nullptr;
    const uint8_t* partsIn = nullptr;
    D3DVERTEX* copyOut = nullptr;
    uint8_t copyParts = 0;
};

// The 3 x `triangles` vertices of list triangles (at most kListChunkTriangles) from `in` into
// `out` and projection.out / ok (same indices). Positions come first. Returns the culled
// triangles, bit t for triangle t: one wholly beyond the near or far plane or well past one edge
// of the viewport, or one whose three vertices are all projected ahead and that set-up would drop
// (setupTriangle) or that covers no pixel centre of a bounding box of at most 2 x 2 centres: none
// of them could put a pixel on the screen (also one projected ahead that touches none of
// drop.bands, drop8::clearOfBands), and their vertices are undefined. Every other
// triangle's vertices get ok and, where ok, their projection, as processVerticesAvx2 makes them;
// their clip vertices in `out` only when not all three are projected ahead, or when drop.flat
// (else `out` is undefined there). Only when vertexStageCovered.
uint64_t processTriangleListAvx2(const VertexStage& stage, const D3DVERTEX* in, ClipVertex* out, uint32_t triangles,
                                 const ProjectionTarget& projection, const TriangleDrop& drop);

}  // namespace platform::d3d
