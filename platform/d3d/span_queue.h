// The span path's queue of set-up triangles: draw calls add their triangles, each with the render
// state it needs, and the queue draws them, split by rows over the device's threads.
//
// The target's rows are cut into bands (span_walk.h). A band's triangles are drawn in submission
// order by one thread at a time, so every pixel sees the same sequence of writes as on one thread,
// and the picture depends neither on the thread count nor on when, or by which thread, a band is
// drawn. On one thread the triangles are drawn a few dozen at a time as they come and at the end of
// each call, while set-up's records are still in the caches. With more than one thread the filling
// thread keeps a share of the bands (band_share.h) and draws them the same way; every other band
// has a list of the triangles that touch it, which helpers draw while the caller is still adding
// triangles (the device's geometry and the pixels of earlier draws overlap). When every slot
// holds a triangle some band has not drawn, the filling thread draws the oldest bands' work
// itself; draw() finishes everything, the filling thread drawing helpers' bands beside them.
//
// Shared between threads while helpers run (everything else belongs to the filling thread):
// - items_: a slot is written by the filling thread only while no band's list holds it undrawn,
//   and read by helpers only up to their band's published count;
// - the band lists: written by the filling thread beyond the published count, read below it;
// - published_[b]: stored by the filling thread (release) after the list and the records it
//   covers; loaded by helpers (acquire) before reading them;
// - progress_[b]: `held` taken (acquire) and given back (release) by whichever thread draws band
//   b, `drawn` stored by that thread (release) after the band's pixels; the filling thread loads
//   it (acquire) before reusing slots or ending the filling;
// - bandCovered_, helperIdleNs_, publications_, closing_: counters and flags, atomic;
//   helperWait_ (helper_wait.h).
//
// A call: beginCall, then room/keep or add, then endCall, all on one thread. The queue borrows
// the pixels its states point to: whoever fills it keeps those surfaces alive and their pixels
// untouched by anything else until draw() (ddraw/queued_drawing.h); it keeps `keep` (the owner of
// widened texels) itself. At most kCapacity triangles wait; when that many do, the oldest are
// drawn then and there. Storage is made once and kept.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/d3d/band_share.h"
#include "platform/d3d/helper_wait.h"
#include "platform/d3d/span_shader.h"
#include "platform/d3d/span_state.h"
#include "platform/d3d/triangle_setup.h"

namespace platform::d3d {

class SpanQueue {
public:
    static constexpr uint32_t kCapacity = 8192;

    // timed: the queue's drawing time counts in the device's raster times (addRasterTimes).
    explicit SpanQueue(bool timed = true);
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
    // The filling thread's share of the bands with helpers, fixed from the next filling on (see
    // BandShare::fix); by default it is chosen filling by filling.
    void fixBandShare(int every) { share_.fix(every); }

    // Calls clear(top, bottom) for the rows [top, bottom) (rows above 0 left out), cut at band
    // edges, each band on the thread that will draw it in the next filling when helpers draw with
    // it (so that the cleared lines are in that thread's caches; this thread takes over the bands
    // of a helper that has not started yet); else once, on this thread. Only while empty. The parts
    // run at the same time and must touch only their rows. own set: this thread's bands are *own
    // and a helper clears the rest, even where this queue draws on one thread (a split scene,
    // split_scene.h); else the queue's own share decides.
    void clearRows(int top, int bottom, const BandMask* own, const std::function<void(int top, int bottom)>& clear);

    // Waits for the helpers of an earlier filling, which by then only look for work (they are
    // otherwise joined when the next filling begins), so that the device's workers are free for
    // another job. Only while empty.
    void joinIdleHelpers() { joinHelpers(); }

    // Without helpers: this queue draws only the rows of `bands` (ownsRow) and keeps no triangle
    // that touches none of them; kEveryBand draws every band. Only while empty; it stays until
    // changed.
    void setBandFilter(BandMask bands) { filterBands_ = bands; }
    // Without helpers, also inside a call: draws the triangles kept and not drawn yet in `bands`
    // only, and keeps them for the filter's other bands.
    void drawKept(BandMask bands);
    // Without helpers, also inside a call: filters to `bands` from now on, the triangles kept and
    // not drawn yet too (drawn now; drawKept draws them in other bands first).
    void narrowFilter(BandMask bands);
    // The filter this queue applies to the current filling's triangles (kEveryBand: none).
    BandMask filterBands() const { return helping_ ? kEveryBand : filterBands_; }

    // Draws everything queued and empties the queue (not inside a call); returns the number of
    // pixel centres covered.
    uint64_t draw();

private:
    struct Call {
        SpanState state;
        TriangleShader magnifying, minifying;
        std::shared_ptr<const void> keep;
    };
    // Four cache lines of their own: a helper reading one never shares a line the filling thread
    // is writing.
    struct alignas(64) Item {
        TriangleSetup triangle;
        const Call* call;
        bool minifying;
    };
    // A band's triangles (with more than 64 bands, those of every band b with the same b & 63,
    // which one thread draws in order as one): its k-th is triangle items[k % kCapacity]; counts run on for the whole
    // filling. `filed` belongs to the filling thread; what the threads share lies in packed arrays
    // (published_, progress_), so a look over every band reads a few cache lines.
    struct Band {
        std::unique_ptr<uint32_t[]> items;
        uint32_t filed = 0;
    };
    struct Progress {
        std::atomic<uint32_t> drawn{0};  // changed only by the thread holding the band
        std::atomic<bool> held{false};
    };

    static uint64_t drawItem(const Item& item, BandMask bands);
    static BandMask shareBands(int every);
    void publish();
    void startHelpers();
    void helperLoop(int part);
    bool drawAvailable(int start);
    void joinHelpers();
    bool allDrawn() const;
    void drawOwn();
    void makeRoom();
    void finishHelped();
    uint64_t drainItems();
    int64_t spent(std::chrono::steady_clock::time_point started);

    std::vector<Item> items_;
    // Triangles are numbered from the start of a filling; triangle n lives in slot n % kCapacity.
    uint32_t next_ = 0;       // the number the next triangle gets
    uint32_t drawnUpTo_ = 0;  // every triangle before it is drawn (with helpers: in the own bands)
    uint32_t freeFrom_ = 0;   // with helpers: every triangle before it is drawn in every band
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
    BandShare share_;
    BandMask ownBands_ = 0;        // this filling's share (BandShare::every, shareBands)
    int64_t fillingStarted_ = 0;   // ns, steady clock
    int64_t fillerOverNs_ = 0;     // this filling: the filling thread drawing helpers' bands or waiting
    std::atomic<int64_t> helperIdleNs_{0};  // this filling: helpers without work while more was to come
    std::vector<std::atomic<bool>> clearClaims_;  // clearRows: a band's rows taken by a thread
    bool helpersAllowed_ = true;
    BandMask filterBands_ = kEveryBand;  // setBandFilter
    bool timed_ = true;
    bool helping_ = false;
    bool joinPending_ = false;  // helpers of an earlier filling not joined yet
    std::atomic<bool> closing_{false};
    std::atomic<uint64_t> bandCovered_{0};  // pixels covered by band draws since the last drain
    std::atomic<uint32_t> publications_{0};
    std::function<void(int, int)> helperJob_;
    HelperWait helperWait_;
};

}  // namespace platform::d3d
