// The span path for one draw call: collects the call's set-up triangles, then draws them all,
// split by rows over the device's threads.
//
// Rows are dealt out in bands of four: part k of n draws the rows whose band number is k modulo
// n. Every part walks all triangles in submission order, so each pixel sees the same sequence of
// writes as on one thread and the picture does not depend on the thread count. The batch borrows
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
    // simd: use the AVX2 routines where the processor has them.
    SpanBatch(const SpanState& state, bool simd);

    void add(const TriangleSetup& triangle, bool minifying);
    bool empty() const { return items_.empty(); }

    // Draws everything added on up to `threads` threads and empties the batch; returns the number
    // of pixel centres covered.
    uint64_t draw(int threads);

private:
    struct Item {
        TriangleSetup triangle;
        SpanShader shader;
        TexelFilter filter;
    };
    uint64_t drawPart(int part, int parts) const;

    // The calling thread's item store, kept between calls: a draw call's triangles fill a
    // megabyte or more, and a fresh allocation of that size costs page faults on every call.
    static std::vector<Item>& storage();

    SpanState state_;
    bool simd_;
    std::vector<Item>& items_;
    uint64_t area_ = 0;  // bounding-box pixels, to keep small calls on one thread
};

}  // namespace platform::d3d
