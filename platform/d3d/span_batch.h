// The span path for one draw call: collects the call's set-up triangles, then draws them all,
// split by rows over the device's threads.
//
// Rows are dealt out in bands (ownsRow in span_walk.h). Every part walks all triangles in
// submission order, so each pixel sees the same sequence of writes as on one thread and the
// picture does not depend on the thread count. The batch borrows
// the surfaces of its SpanState; draw() must run while they are locked. One batch per thread at a
// time (the calling thread's triangle store is reused).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d/span_shader.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

class SpanBatch {
public:
    static constexpr int kMaxLists = 16;

    // simd: use the AVX2 routines where the processor has them. lists: how many threads add
    // triangles at once (each into its own list; the lists are drawn one after another).
    SpanBatch(const SpanState& state, bool simd, int lists = 1);

    // Safe to call from several threads at once when each uses its own list.
    void add(int list, const TriangleSetup& triangle, bool minifying);

    // Room for one more triangle at the end of list `list` for set-up to write into (no copy),
    // valid until the next call on that list; keep() adds what was written there, or the room
    // is simply reused.
    TriangleSetup* room(int list);
    void keep(int list, bool minifying);

    // Whether add's `minifying` can change anything (the two filters differ); when not, callers
    // may pass false without working it out.
    bool filtersDiffer() const { return state_.magnify != state_.minify; }

    // Draws everything added on up to `threads` threads and empties the batch; returns the number
    // of pixel centres covered.
    uint64_t draw(int threads);

private:
    struct Item {
        TriangleSetup triangle;
        TriangleShader shader;
        TexelFilter filter;
    };
    uint64_t drawPart(int part, int parts) const;

    struct alignas(64) List {  // one cache line each: lists are filled by different threads
        std::vector<Item> items;  // [0, used) hold the batch; the rest is room kept for reuse
        size_t used = 0;
        uint64_t area = 0;  // bounding-box pixels, to keep small calls on one thread
    };
    // The calling thread's lists, kept between calls: a draw call's triangles fill a megabyte or
    // more, and a fresh allocation of that size costs page faults on every call.
    static std::vector<List>& storage();

    SpanState state_;
    TriangleShader magnifying_, minifying_;  // the routines for the two filters
    int lists_;
    std::vector<List>& store_;
};

}  // namespace platform::d3d
