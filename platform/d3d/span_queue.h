// The span path's queue of set-up triangles: draw calls add their triangles, each with the render
// state it needs, and the queue draws them, split by rows over the device's threads.
//
// The target's rows are cut into bands (span_walk.h). A triangle is filed, when it is added,
// under every band it touches; a band's triangles are drawn in submission order by one thread at
// a time, so every pixel sees the same sequence of writes as on one thread, and the picture
// depends neither on the thread count nor on when, or by which thread, a band is drawn. With more
// than one thread, helpers draw bands while the caller is still adding triangles (the device's
// geometry and the pixels of earlier draws overlap); draw() finishes everything. On one thread the
// triangles are drawn a few dozen at a time as they come and at the end of each call, in the
// same order, while set-up's records are still in the caches.
//
// A call: beginCall, then room/keep or add, then endCall, all on one thread. The queue borrows
// the pixels its states point to: whoever fills it keeps those surfaces alive and their pixels
// untouched by anything else until draw() (ddraw/queued_drawing.h); it keeps `keep` (the owner of
// widened texels) itself. At most kCapacity triangles wait; when that many do, they are drawn
// then and there. Storage is made once and kept.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/d3d/span_shader.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

class SpanQueue {
public:
    static constexpr uint32_t kCapacity = 8192;

    SpanQueue();
    ~SpanQueue();  // draws what is left
    SpanQueue(const SpanQueue&) = delete;
    SpanQueue& operator=(const SpanQueue&) = delete;

    // simd: use the AVX2 routines where the processor has them. rows: the target's height (the
    // triangles' rows lie below it).
    void beginCall(const SpanState& state, bool simd, int rows, std::shared_ptr<const void> keep);

    // Room for one more triangle for set-up to write into (no copy), valid until the next call;
    // keep() adds what was written there, or the room is simply reused.
    TriangleSetup* room();
    void keep(bool minifying);
    void add(const TriangleSetup& triangle, bool minifying);
    void endCall();

    // Whether keep's `minifying` can change anything for the current call (the two filters
    // differ); when not, callers may pass false without working it out.
    bool filtersDiffer() const { return calls_.back().state.magnify != calls_.back().state.minify; }

    bool empty() const { return calls_.empty(); }

    // Whether helper threads may draw the next filling (taken when its first call begins; a
    // filling under way keeps its threads). Default true: the device's thread count decides.
    void allowHelpers(bool allowed) { helpersAllowed_ = allowed; }
    // The threads drawing the current filling (while not empty).
    int threads() const { return threads_; }
    // Real time this queue has spent drawing on the filling thread, in ns (it runs on).
    uint64_t drawnNs() const { return drawnNs_; }

    // Draws everything queued and empties the queue (not inside a call); returns the number of
    // pixel centres covered.
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
    // A band's triangles: its k-th is at items[k % kCapacity] (a slot of items_); counts run on
    // for the whole filling. `filed` belongs to the filling thread; what the threads share lies in
    // packed arrays (published_, progress_), so a look over every band reads a few cache lines.
    struct Band {
        std::unique_ptr<uint32_t[]> items;
        uint32_t filed = 0;
    };
    struct Progress {
        std::atomic<uint32_t> drawn{0};  // changed only by the thread holding the band
        std::atomic<bool> held{false};
    };

    void publish();
    void startHelpers();
    void helperLoop(int part);
    bool drawAvailable(int start);
    void joinHelpers();
    bool allDrawn() const;
    uint64_t drainItems(bool last);
    void wakeHelpers();

    std::vector<Item> items_;
    // Triangles are numbered from the start of a filling; triangle n lives in slot n % kCapacity.
    uint32_t next_ = 0;       // the number the next triangle gets
    uint32_t drawnUpTo_ = 0;  // every triangle before it is drawn
    uint64_t drawnNs_ = 0;
    std::unique_ptr<Band[]> bands_;
    std::unique_ptr<std::atomic<uint32_t>[]> published_;  // per band: filed and visible to helpers
    std::unique_ptr<Progress[]> progress_;
    int bandCount_ = 0, bandRoom_ = 0;
    std::deque<Call> calls_;  // stable addresses: items point to their call's state
    uint64_t covered_ = 0;    // by draws of a full queue since the last draw()
    uint32_t sincePublish_ = 0;
    uint32_t wokenAt_ = 0;  // next_ when sleeping helpers were last woken

    // Helpers: running while the queue is filled, told to finish by `closing_`.
    int threads_ = 1;
    bool helpersAllowed_ = true;
    bool helping_ = false;
    bool joinPending_ = false;  // helpers of an earlier filling not joined yet
    std::atomic<bool> closing_{false};
    std::atomic<uint64_t> bandCovered_{0};  // pixels covered by band draws since the last drain
    std::atomic<uint32_t> publications_{0};
    std::atomic<int> sleeping_{0};
    std::function<void(int, int)> helperJob_;
    std::mutex sleepMutex_;
    std::condition_variable sleep_;
};

}  // namespace platform::d3d
