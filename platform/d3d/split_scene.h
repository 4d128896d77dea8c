// A scene's span-path calls split between threads by interleaved bands: every thread runs the
// whole geometry of every call and sets up and draws only the triangles of its own bands, straight
// from records still in its own caches, so no triangle record crosses from one core to another.
//
// With n threads, each band (64 rows, span_walk.h) belongs to one part of n, the parts' bands
// given as BandMasks (bandMap): interleaved, part 0 the interleaved share with the fewest rows of
// the target. The calling thread, which also copies every call's vertices for the helpers (a
// list's from its first pass, only the groups another part may keep), takes part 0
// (callerBands) and draws its bands through its own span queue at the call; each
// helper k takes part k and gets a copy of
// the call (ReplayCall: the prepared contexts, no pointers into the caller's stack) and of its
// vertices (the program may change them once the call returns) through a ring of calls, and
// replays it into a span queue of its own filtered to its bands. An array the scene draws again
// unchanged is read from the one copy made of it (RepeatedVertices), not copied for every call.
// Each band is drawn by one thread in call order, so the picture is the same bytes as on one
// thread, whatever the thread count and timing. Everything that reads or changes pixels waits for
// finish() first.
//
// At finish the calling thread asks every part still drawing for some of its bands (HandOver,
// draw_context.h; how many adapts from one finish to the next): the part's replayer answers at
// the next triangle it keeps, list chunk or call, and the calling thread then replays the rest of
// the scene's calls for those bands alone from there, while the part goes on without them.
//
// Threads: start, post and finish belong to one (the calling) thread. A part's calls are replayed
// in order, one at a time, by its helper or, when the calling thread has to wait (a full ring,
// or at finish), by the calling thread: whoever claims the part's next call. Shared:
// - slots_ and vertices_: a slot (and the vertex range it names) is written by the caller only
//   after every part's `done` has passed it, and read by a part's replayer only below posted_;
//   a slot's repeated copy (repeated_) is written before the slot is posted and not again until
//   start, when no helper runs;
//   a list posted with listPass has its vertices written by the caller's first pass instead;
// - groupParts_ and a slot's `judged`: the bytes (and for a listPass call the vertices) of a
//   posted call's vertex range are written by the caller's first pass of it, chunk by chunk, each
//   chunk's before `judged` passes it (release), and read by replayers only below `judged`
//   (acquire; a listPass call's replay waits for it, awaitJudged);
// - posted_: stored by the caller (seq_cst) after the slot and its vertices, loaded by replayers;
// - a part's `claimed` (== done while free, done + 1 while a call is replayed) is taken by
//   compare-and-swap after `done` was loaded (acquire); `done` is stored (release) after the call
//   is drawn, so the part's queue (queues_[k]) passes from one replayer to the next with it;
// - a part's `hand`: `asked` stored by the calling thread (in finish) and loaded by the part's
//   replayers; `call`, `from` and the asked bands' pixels of the triangles before are written by
//   the replayer that answers, before `answered` (release), and read by the calling thread after
//   it (acquire); from then on only the calling thread draws the asked bands;
// - closing_: a flag; helperWait_ (helper_wait.h). After finishParts every part's queue is the caller's again.
// Helpers run as one job of the device's workers (raster_workers.h) from start() to finish().
// When the workers are busy with another device's job, start() says false and nothing is split.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/d3d/d3dtypes.h"
#include "platform/d3d/draw_context.h"
#include "platform/d3d/helper_wait.h"
#include "platform/d3d/repeated_vertices.h"
#include "platform/d3d/span_queue.h"

namespace platform::d3d {

class SplitScene {
public:
    static constexpr int kMaxParts = 16;
    // Vertices in flight: 2 MiB, one largest call; a ring that small stays in the processors' shared
    // cache, and copying into it costs half what copying into four times as much did.
    static constexpr uint32_t kVertexCapacity = 1u << 16;
    static constexpr uint32_t kCallCapacity = 256;         // calls in flight

    // Capacities are rounded up to hold at least one largest call (65535 vertices) and 2 calls.
    explicit SplitScene(uint32_t vertexCapacity = kVertexCapacity, uint32_t callCapacity = kCallCapacity);
    ~SplitScene();  // lets running helpers finish (the caller's queue is its owner's to draw)
    SplitScene(const SplitScene&) = delete;
    SplitScene& operator=(const SplitScene&) = delete;

    bool running() const { return running_; }
    // The parts whose bands the calling thread drew for them at the last finish (bit k: part k's),
    // and where part k handed them over (its HandOver's call and from). For tests.
    uint32_t handedOver() const { return handedOver_; }
    std::pair<uint32_t, uint32_t> handOverPlace(int part) const {
        return {progress_[part].hand.call, progress_[part].hand.from};
    }
    int parts() const { return parts_; }
    // Calls since start() whose helpers read a copy made for an earlier call. For tests.
    uint32_t repeatedCalls() const { return repeatedCalls_; }

    // Starts helpers for `threads` threads (clamped to 2..16) and makes `callerQueue` draw the
    // calling thread's part of a target of `rows` rows (callerBands) on this thread (its own
    // helpers are left out from then on: allowHelpers(false)); false (nothing changed) when
    // callerQueue is not empty or no worker is free.
    bool start(int threads, int rows, SpanQueue* callerQueue);

    // The calling thread's bands when the next scene starts with `threads` (clamped as by start)
    // on a target of `rows` rows.
    BandMask callerBands(int threads, int rows) const;

    // The map of bands of the scenes that start from now on, bands[k] part k's (between them they
    // hold each of the 64 bits once; a part may hold none), used when the scene has as many parts;
    // an empty map returns to the interleaved one. For tests.
    void fixBandMap(std::vector<BandMask> bands) { fixedMap_ = std::move(bands); }

    // Hands `call` and a copy of its vertices (call.count of them: the program may change its own
    // once the call returns; an array drawn before in the scene and unchanged since is read from
    // the one copy made of it, RepeatedVertices) to every helper; a helper that far behind has
    // its oldest calls replayed here while the ring is full. Only while running. listPass: this thread's first
    // pass of a list (TriangleContext's groupPartsOut, set by postedListPass) comes next and
    // copies the vertices the helpers read, chunk by chunk, as it judges them (with more parts
    // than a group's byte has bits they are copied here); the helpers wait for its judging.
    void post(const ReplayCall& call, const D3DVERTEX* vertices, bool listPass = false);

    // Where this thread's first pass of the list just posted leaves its group parts, the vertices
    // it copies and how far it has come (TriangleContext's groupPartsOut, verticesOut,
    // verticesOutParts and groupPartsJudged): the helpers' replays skip the groups in which that
    // pass found none of their part's triangles, and read the others once it has copied them.
    void postedListPass(TriangleContext* c);

    // Draws `callerQueue`, waits until every helper has replayed and drawn everything, returns the
    // pixel centres all of them covered and makes callerQueue draw every band again; no copy of a
    // call keeps its texels alive after it. Only while running (then not any more).
    uint64_t finish(SpanQueue* callerQueue);

private:
    struct Slot {
        ReplayCall call;
        uint64_t vertexAt = 0;  // where its vertices start in the ring's running count
        std::atomic<uint32_t> judged{0};  // triangles whose group parts the caller has left
        bool listPass = false;            // post's: the helpers wait for `judged`
        const D3DVERTEX* vertices = nullptr;  // replays read here: the ring or a repeated copy
    };
    struct alignas(64) PartCount {
        std::atomic<uint32_t> claimed{0};
        std::atomic<uint32_t> done{0};
        HandOver hand;  // asked by finish, answered by the part's replayer
    };

    bool replayNext(int part);
    bool replayAny(int first);
    void helperLoop(int part);
    int slowestPart(uint32_t* done) const;
    void stopHelpers();
    void releaseSlots();
    void askHandOvers();
    void adaptHandCount(uint32_t taken, std::chrono::steady_clock::duration after);
    bool takeHandOver(SpanQueue* callerQueue, uint32_t* taken, uint64_t* covered);
    void bandMap(int parts, int rows, BandMask* bands) const;

    uint32_t vertexCapacity_, callCapacity_;
    std::unique_ptr<D3DVERTEX[]> vertices_;
    RepeatedVertices repeated_;  // the scene's arrays drawn more than once, read instead of the ring
    // A byte for every three places of vertices_: the group parts of the triangle whose first
    // vertex is at ring place v at [v / 3] (distinct for group starts three or more apart).
    std::unique_ptr<uint8_t[]> groupParts_;
    std::unique_ptr<Slot[]> slots_;
    std::vector<std::unique_ptr<SpanQueue>> queues_;  // [k]: helper k's (part k); [0] unused
    std::unique_ptr<PartCount[]> progress_;
    uint64_t vertexHead_ = 0;  // the ring's running count where the next call's vertices go
    uint32_t postedLocal_ = 0;
    uint32_t repeatedCalls_ = 0;
    bool running_ = false;
    int parts_ = 1;
    int bandCount_ = 1;  // the target's bands (rows / 64, rounded up)
    uint32_t handedOver_ = 0;
    int handCount_[kMaxParts] = {};  // [k]: how many of part k's bands it hands over (0: not chosen yet)
    BandMask bands_[kMaxParts] = {};  // [k]: part k's (0: the calling thread's)
    std::vector<BandMask> fixedMap_;
    alignas(64) std::atomic<uint32_t> posted_{0};
    std::atomic<bool> closing_{false};
    std::function<void(int, int)> job_;
    HelperWait helperWait_;
};

// The first pass of a list posted with listPass has judged (and copied the vertices of) the call's
// triangles below `count` (release): a replay waiting in awaitJudged goes on.
void tellJudged(std::atomic<uint32_t>* judged, uint32_t count);
// Waits until the first pass of the call has judged its triangles below `count` (acquire).
void awaitJudged(const std::atomic<uint32_t>* judged, uint32_t count);
// Answers `hand` (draw_context.h's HandOver) if it is asked and not answered yet: draws what
// `queue` (a part's, without helpers) holds, leaves the asked bands out of its filter from now on
// and tells (call, from). Returns the queue's filter as it then is.
BandMask answerHandOver(HandOver* hand, SpanQueue* queue, uint32_t call, uint32_t from);

// Test seam: a replay of a part's call `call` waits at the first place at or after triangle `from`
// where it may answer a hand-over (the call's start, a list's chunk or a triangle it keeps) until a
// hand-over is asked of it, and finish asks only once every
// helper waits there (each wait at most a quarter of a second), so that the hand-over is answered
// there. kNoHandOverHold: none from now on.
constexpr uint32_t kNoHandOverHold = ~uint32_t(0);
void holdHandOverForTests(uint32_t call, uint32_t from);
// Whether a test holds replays (looked at before awaitAskForTests).
inline std::atomic<bool>& handOverHoldSet() {
    static constinit std::atomic<bool> set{false};
    return set;
}
// Where a replay may answer a hand-over (triangle `at` of call `call`): waits if it is the first
// such place at or after the hold that a test set.
void awaitAskForTests(const HandOver* hand, uint32_t call, uint32_t at);

// Test seam (true while a test holds it): post fills the places of the vertices a first pass is
// to copy with triangles larger than the screen, and tellJudged tells a count only once a replay
// waits for it (or after a quarter of a second), so that a replay reading a vertex before it is copied, or
// one the pass does not copy, draws them. Returns how many counts were told held since the last call.
uint32_t holdJudgingForTests(bool hold);

// How two or more threads share a scene: Bands (this file's split), Queue (one thread's geometry
// feeding a shared queue, span_queue.h) or Automatic (the device tries both now and then and keeps
// the faster, split_choice.h). From VOREL_SPLIT=bands|queue|auto, default auto.
enum class ThreadSplit { Automatic, Bands, Queue };
ThreadSplit threadSplit();
void setThreadSplit(ThreadSplit split);

}  // namespace platform::d3d
