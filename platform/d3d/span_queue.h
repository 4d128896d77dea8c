// The span path's queue of set-up triangles: draw calls add their triangles, each with the render
// state it needs, and the queue draws them all at once, split by rows over the device's threads.
//
// Rows are dealt out in bands (ownsRow in span_walk.h). A triangle is filed, when it is added,
// under every thread part whose bands it touches, so each part walks only its own triangles, in
// submission order: every pixel sees the same sequence of writes as on one thread, and the picture
// depends neither on the thread count nor on when the queue is drawn.
//
// A call: beginCall, then room/keep or add from up to `lists` threads at once (each thread its own
// list), then endCall; the lists of one call are drawn one after another. The queue borrows the
// pixels its states point to: whoever fills it keeps those surfaces alive and their pixels
// untouched by anything else until draw() (ddraw/queued_drawing.h); it keeps `keep` (the owner of
// widened texels) itself. Storage is kept between draws: a frame's triangles fill megabytes, and
// fresh allocations of that size cost page faults every time. Not safe for use from several threads
// except for the lists of one call.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/d3d/span_shader.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

class SpanQueue {
public:
    static constexpr int kMaxLists = 16;
    static constexpr int kMaxParts = 16;

    SpanQueue();
    ~SpanQueue();
    SpanQueue(const SpanQueue&) = delete;
    SpanQueue& operator=(const SpanQueue&) = delete;

    // simd: use the AVX2 routines where the processor has them. lists: 1..kMaxLists.
    void beginCall(const SpanState& state, bool simd, int lists, std::shared_ptr<const void> keep);

    // Room for one more triangle at the end of list `list` for set-up to write into (no copy),
    // valid until the next call on that list; keep() adds what was written there, or the room
    // is simply reused.
    TriangleSetup* room(int list);
    void keep(int list, bool minifying);
    void add(int list, const TriangleSetup& triangle, bool minifying);
    void endCall();

    // Whether keep's `minifying` can change anything for the current call (the two filters
    // differ); when not, callers may pass false without working it out.
    bool filtersDiffer() const { return calls_.back().state.magnify != calls_.back().state.minify; }

    bool empty() const { return segments_.empty(); }
    size_t triangles() const { return triangles_; }

    // Draws everything queued on up to rasterThreads() threads and empties the queue; returns the
    // number of pixel centres covered.
    uint64_t draw();

private:
    struct Call {
        SpanState state;
        TriangleShader magnifying, minifying;
        std::shared_ptr<const void> keep;
    };
    struct Item {
        TriangleSetup triangle;
        TriangleShader shader;
        const SpanState* state;
        TexelFilter filter;
    };
    struct alignas(64) List {  // one cache line each: lists are filled by different threads
        std::vector<Item> items;  // [0, used) are queued; the rest is room kept for reuse
        size_t used = 0;
        std::array<std::vector<uint32_t>, kMaxParts> bins;  // per part: indices into items
        uint64_t area = 0;  // bounding-box pixels, to keep small queues on one thread
    };
    // A run of one list's items that follows the runs before it.
    struct Segment {
        uint32_t list;
        uint32_t first, last;  // items
        std::array<uint32_t, kMaxParts> binFirst, binLast;
    };

    uint64_t drawPart(int part, int parts) const;
    uint64_t drawAll() const;
    void clear();

    std::array<List, kMaxLists> lists_;
    std::vector<Segment> segments_;
    std::deque<Call> calls_;  // stable addresses: items point to their call's state
    int callLists_ = 0;
    std::array<Segment, kMaxLists> open_{};  // the current call's runs, one per list
    int parts_ = 1;                          // thread parts the queued items are filed for
    size_t triangles_ = 0;
};

}  // namespace platform::d3d
