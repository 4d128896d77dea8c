// A scene split by interleaved bands: the ring of calls, the helpers' replay loop and the finish.
#include "platform/d3d/split_scene.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_walk.h"
#include "platform/d3d/vertex_simd.h"

namespace platform::d3d {

namespace {

constexpr uint32_t kLargestCall = 0xFFFF;

std::atomic<int>& splitSlot() {
    static std::atomic<int> slot{[] {
        const char* v = std::getenv("VOREL_SPLIT");
        if (v && std::strcmp(v, "queue") == 0) return int(ThreadSplit::Queue);
        if (v && std::strcmp(v, "bands") == 0) return int(ThreadSplit::Bands);
        return int(ThreadSplit::Automatic);
    }()};
    return slot;
}

std::atomic<bool>& judgingHeld() {
    static std::atomic<bool> held{false};
    return held;
}

// The judging a replay waits for while judging is held (holdJudgingForTests).
std::atomic<const std::atomic<uint32_t>*> waitingOn{nullptr};
std::atomic<uint32_t> waitingFor{0};
std::atomic<uint32_t> heldJudgings{0};

// Test seams' waits: until `done()` or a quarter of a second has passed, so that a test whose
// thread never arrives fails instead of hanging.
template <class Done>
void waitAtMostAQuarterSecond(const Done& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
    for (int idle = 0; !done() && std::chrono::steady_clock::now() < until;) waitStep(&idle);
}

// Triangles far larger than the screen, where a first pass is still to copy vertices.
void poison(D3DVERTEX* to, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i)
        to[i] = {i % 3 == 1 ? 8.0f : -4.0f, i % 3 == 2 ? 8.0f : -4.0f, 0.3f, 0, 0, -1, 0.5f, 0.5f};
}

// How many of the part's bands lie on a target of `bandCount` bands.
int bandsOf(BandMask part, int bandCount) {
    int n = 0;
    for (int b = 0; b < std::min(bandCount, kBandClasses); ++b) n += ownsBand(b, part);
    return n;
}

// `count` of the part's bands on the target, spread over them (its j-th of n when
// floor((j + 1) count / n) > floor(j count / n)).
BandMask spreadBands(BandMask part, int bandCount, int count) {
    const int n = bandsOf(part, bandCount);
    BandMask handed = 0;
    for (int b = 0, j = 0; b < std::min(bandCount, kBandClasses); ++b)
        if (ownsBand(b, part)) {
            if ((j + 1) * count / n > j * count / n) handed |= BandMask(1) << b;
            ++j;
        }
    return handed;
}

// The place where replays wait for a hand-over to be asked (holdHandOverForTests), and how many
// wait there.
std::atomic<uint64_t> handOverHold{~uint64_t(0)};
std::atomic<int> handOverHeld{0};
std::atomic<bool> handOversAsked{false};  // finish has asked every part it asks

// While a test holds replays (holdHandOverForTests): waits until `parts` of them wait at the hold
// (at most a quarter of a second), so that they are asked there.
void awaitHeldReplays(int parts) {
    if (handOverHold.load(std::memory_order_relaxed) == ~uint64_t(0)) return;
    waitAtMostAQuarterSecond([&] { return handOverHeld.load() >= parts; });
}

}  // namespace

void tellJudged(std::atomic<uint32_t>* judged, uint32_t count) {
    if (judgingHeld().load(std::memory_order_relaxed)) {
        waitAtMostAQuarterSecond([&] { return waitingOn.load() == judged && waitingFor.load() >= count; });
        heldJudgings.fetch_add(1);
    }
    judged->store(count, std::memory_order_release);
}

void awaitJudged(const std::atomic<uint32_t>* judged, uint32_t count) {
    if (judged->load(std::memory_order_acquire) >= count) return;
    if (judgingHeld().load(std::memory_order_relaxed)) {
        waitingFor.store(count);
        waitingOn.store(judged);
    }
    for (int idle = 0; judged->load(std::memory_order_acquire) < count;) waitStep(&idle);
}

uint32_t holdJudgingForTests(bool hold) {
    judgingHeld().store(hold);
    waitingOn.store(nullptr);
    return heldJudgings.exchange(0);
}

BandMask answerHandOver(HandOver* hand, SpanQueue* queue, uint32_t call, uint32_t from) {
    const BandMask asked = hand->asked.load(std::memory_order_relaxed);
    if (asked != 0 && !hand->answered.load(std::memory_order_relaxed)) {
        // The asked bands of what the queue holds first: the calling thread waits for those.
        const BandMask bands = queue->filterBands();
        queue->drawKept(bands & asked);
        hand->call = call, hand->from = from;
        hand->answered.store(true, std::memory_order_release);  // after the pixels drawn before
        queue->narrowFilter(bands & ~asked);
    }
    return queue->filterBands();
}

void holdHandOverForTests(uint32_t call, uint32_t from) {
    handOverHold.store(call == kNoHandOverHold ? ~uint64_t(0) : uint64_t(call) << 32 | from);
    handOverHoldSet().store(call != kNoHandOverHold);
    handOverHeld.store(0);
    handOversAsked.store(false);
}

void awaitAskForTests(const HandOver* hand, uint32_t call, uint32_t at) {
    const uint64_t hold = handOverHold.load(std::memory_order_relaxed);
    if (hold >> 32 != call || at < uint32_t(hold) || hand->asked.load(std::memory_order_relaxed)) return;
    handOverHeld.fetch_add(1);
    waitAtMostAQuarterSecond([&] { return hand->asked.load(std::memory_order_relaxed) || handOversAsked.load(); });
}

ThreadSplit threadSplit() { return ThreadSplit(splitSlot().load(std::memory_order_relaxed)); }
void setThreadSplit(ThreadSplit split) { splitSlot().store(int(split), std::memory_order_relaxed); }

SplitScene::SplitScene(uint32_t vertexCapacity, uint32_t callCapacity)
    : vertexCapacity_(std::max(vertexCapacity, kLargestCall)),
      callCapacity_(std::max(callCapacity, 2u)),
      repeated_(vertexCapacity_) {}

SplitScene::~SplitScene() {
    if (running_) stopHelpers();
}

BandMask SplitScene::callerBands(int threads, int rows) const {
    BandMask bands[kMaxParts];
    bandMap(std::clamp(threads, 2, kMaxParts), rows, bands);
    return bands[0];
}

// Part k's bands of `parts` on a target of `rows` rows: the fixed map's, else interleaved, the
// calling thread (part 0) taking the interleaved share with the fewest rows.
void SplitScene::bandMap(int parts, int rows, BandMask* bands) const {
    if (int(fixedMap_.size()) == parts) {
        std::copy(fixedMap_.begin(), fixedMap_.end(), bands);
        return;
    }
    int fewest = 0;
    for (int k = 1; k < parts; ++k)
        if (ownedRows(rows, interleavedBands(k, parts)) < ownedRows(rows, interleavedBands(fewest, parts))) fewest = k;
    for (int k = 0; k < parts; ++k) bands[k] = interleavedBands((fewest + k) % parts, parts);
}

bool SplitScene::start(int threads, int rows, SpanQueue* callerQueue) {
    if (running_ || !callerQueue->empty()) return false;
    parts_ = std::clamp(threads, 2, kMaxParts);
    bandCount_ = std::max(1, bandsOfRows(rows));
    bandMap(parts_, rows, bands_);
    if (!vertices_) {
        vertices_ = std::make_unique_for_overwrite<D3DVERTEX[]>(vertexCapacity_);
        groupParts_ = std::make_unique_for_overwrite<uint8_t[]>(vertexCapacity_ / 3 + 1);
        slots_ = std::make_unique<Slot[]>(callCapacity_);
        progress_ = std::make_unique<PartCount[]>(size_t(kMaxParts));
    }
    while (int(queues_.size()) < parts_) queues_.push_back(std::make_unique<SpanQueue>(false));
    for (int k = 1; k < parts_; ++k) {
        queues_[size_t(k)]->allowHelpers(false);
        queues_[size_t(k)]->setBandFilter(bands_[k]);
        progress_[k].claimed.store(0, std::memory_order_relaxed);
        progress_[k].done.store(0, std::memory_order_relaxed);
        progress_[k].hand.asked.store(0, std::memory_order_relaxed);
        progress_[k].hand.answered.store(false, std::memory_order_relaxed);
    }
    posted_.store(0, std::memory_order_relaxed);
    postedLocal_ = 0;
    repeatedCalls_ = 0;
    vertexHead_ = 0;
    repeated_.clear();  // no helper reads the last scene's copies any more
    closing_.store(false);
    job_ = [this](int part, int) {
        if (part > 0) helperLoop(part);
    };
    running_ = true;
    callerQueue->joinIdleHelpers();  // a filling of its own before this one holds the workers till then
    if (!startParts(parts_, job_)) {
        stopHelpers();  // the workers serve another device: its parts ran here, finding nothing
        return false;
    }
    callerQueue->allowHelpers(false);
    callerQueue->setBandFilter(bands_[0]);
    return true;
}

// The part furthest behind and how many calls it has drawn (postedLocal_ when none lags).
int SplitScene::slowestPart(uint32_t* done) const {
    int slowest = 0;
    *done = postedLocal_;
    for (int k = 1; k < parts_; ++k) {
        const uint32_t d = progress_[k].done.load(std::memory_order_acquire);
        if (postedLocal_ - d > postedLocal_ - *done) *done = d, slowest = k;
    }
    return slowest;
}

void SplitScene::post(const ReplayCall& call, const D3DVERTEX* vertices, bool listPass) {
    uint64_t at = vertexHead_;
    if (at % vertexCapacity_ + call.count > vertexCapacity_) at += vertexCapacity_ - at % vertexCapacity_;
    // Room: a free slot, and the vertex range clear of every call a part has still to draw. A part
    // that far behind gets its oldest call replayed here (or, while its helper replays that one,
    // another part its next).
    for (int idle = 0;;) {
        uint32_t done = 0;
        const int slowest = slowestPart(&done);
        const bool slotFree = postedLocal_ - done < callCapacity_;
        const bool verticesFree =
            done == postedLocal_ || at + call.count - slots_[done % callCapacity_].vertexAt <= vertexCapacity_;
        if (slotFree && verticesFree) break;
        if (replayAny(slowest)) idle = 0;
        else waitStep(&idle);
    }
    Slot& slot = slots_[postedLocal_ % callCapacity_];
    slot.call = call;
    slot.vertexAt = at;
    slot.judged.store(0, std::memory_order_relaxed);  // published with the slot
    slot.listPass = listPass;
    D3DVERTEX* to = &vertices_[at % vertexCapacity_];
    // The ring's places stay reserved for a repeated array too: its group parts go there.
    slot.vertices = repeated_.find(vertices, call.count);
    if (slot.vertices) ++repeatedCalls_;
    else {
        slot.vertices = to;
        if (!listPass || parts_ > kGroupPartBits) std::memcpy(to, vertices, sizeof(D3DVERTEX) * call.count);
        else if (judgingHeld().load(std::memory_order_relaxed)) poison(to, call.count);
    }
    vertexHead_ = at + call.count;
    posted_.store(++postedLocal_);  // seq_cst: against a helper going to sleep (see wake)
    if (helperWait_.anySleeping()) helperWait_.wakeAll();
}

void SplitScene::postedListPass(TriangleContext* c) {
    Slot& slot = slots_[(postedLocal_ - 1) % callCapacity_];
    const uint64_t at = slot.vertexAt % vertexCapacity_;
    c->groupPartsOut = &groupParts_[at / 3];
    c->groupPartsJudged = &slot.judged;
    // Every part's bit but this thread's (within a byte's bits: else post copied them all).
    c->verticesOut = parts_ > kGroupPartBits || slot.vertices != &vertices_[at] ? nullptr : &vertices_[at];
    c->verticesOutParts = uint8_t(((1u << parts_) - 1) & ~1u);
    c->bandPart = 0, c->bandParts = parts_, c->partBands = bands_;
}

// Replays the next call of `part` unless it has none or another thread is replaying one; true
// when it did.
bool SplitScene::replayNext(int part) {
    PartCount& p = progress_[part];
    uint32_t next = p.done.load(std::memory_order_acquire);
    if (next == posted_.load()) return false;
    if (!p.claimed.compare_exchange_strong(next, next + 1, std::memory_order_acquire)) return false;
    const Slot& slot = slots_[next % callCapacity_];
    const uint64_t at = slot.vertexAt % vertexCapacity_;
    SpanQueue* queue = queues_[size_t(part)].get();
    // A hand-over asked before the call is answered at its start, else (a list) between chunks.
    HandOver* hand = p.hand.answered.load(std::memory_order_relaxed) ? nullptr : &p.hand;
    if (hand && handOverHoldSet().load(std::memory_order_relaxed)) awaitAskForTests(hand, next, 0);
    if (hand && hand->asked.load(std::memory_order_relaxed)) {
        answerHandOver(hand, queue, next, 0);
        hand = nullptr;
    }
    replayCall(slot.call, slot.vertices, queue,
               {part, &groupParts_[at / 3], slot.listPass ? &slot.judged : nullptr, hand, next, 0});
    p.done.store(next + 1, std::memory_order_release);
    return true;
}

// replayNext of `first`, else of any other helper's part; true when a call was replayed.
bool SplitScene::replayAny(int first) {
    if (first > 0 && replayNext(first)) return true;
    for (int k = 1; k < parts_; ++k)
        if (k != first && replayNext(k)) return true;
    return false;
}

void SplitScene::helperLoop(int part) {
    for (int idle = 0;;) {
        const bool closing = closing_.load();  // read first: after it, nothing more is posted
        if (replayNext(part)) {
            idle = 0;
            continue;
        }
        const uint32_t posted = posted_.load();
        if (progress_[part].done.load(std::memory_order_acquire) != posted) {
            waitStep(&idle);  // the calling thread is replaying one of this part's calls
            continue;
        }
        if (closing) break;
        helperWait_.wait([&] { return posted_.load() != posted || closing_.load(); });
    }
}

void SplitScene::stopHelpers() {
    closing_.store(true);
    helperWait_.wakeAll();
    finishParts(job_);
    running_ = false;
}

uint64_t SplitScene::finish(SpanQueue* callerQueue) {
    uint64_t covered = callerQueue->draw();
    // The parts still drawing hand some of their bands over for the rest of the scene; whatever a
    // helper has not started yet is drawn here beside it, the part furthest behind first.
    askHandOvers();
    uint32_t taken = 0;
    using Clock = std::chrono::steady_clock;
    Clock::time_point tookAt{};
    bool waitedAfter = false;
    for (int idle = 0;;) {
        if (takeHandOver(callerQueue, &taken, &covered)) {
            idle = 0;
            tookAt = Clock::now();
            waitedAfter = false;
            continue;
        }
        uint32_t done = 0;
        const int slowest = slowestPart(&done);
        if (done == postedLocal_) {
            if (takeHandOver(callerQueue, &taken, &covered)) continue;  // answered by a last call
            break;
        }
        waitedAfter = true;
        if (replayAny(slowest)) idle = 0;
        else waitStep(&idle);
    }
    if (taken) adaptHandCount(taken, waitedAfter ? Clock::now() - tookAt : Clock::duration::zero());
    handedOver_ = taken;
    stopHelpers();
    for (int k = 1; k < parts_; ++k) covered += queues_[size_t(k)]->draw();
    callerQueue->setBandFilter(kEveryBand);
    releaseSlots();
    return covered;
}

// Asks every part still drawing for a share of its bands.
void SplitScene::askHandOvers() {
    awaitHeldReplays(parts_ - 1);
    for (int k = 1; k < parts_; ++k) {
        if (progress_[k].done.load(std::memory_order_acquire) == postedLocal_) continue;
        const int n = bandsOf(bands_[k], bandCount_);
        if (n < 2) continue;
        if (handCount_[k] == 0) handCount_[k] = n / 2;
        progress_[k].hand.asked.store(spreadBands(bands_[k], bandCount_, std::clamp(handCount_[k], 1, n - 1)),
                                      std::memory_order_relaxed);
    }
    if (handOverHold.load(std::memory_order_relaxed) != ~uint64_t(0)) handOversAsked.store(true);
}

// After a finish in which the parts of `taken` handed bands over and the helpers drew on for
// `after` once this thread had drawn them: more bands next time when they drew on longer than a
// band's share, fewer when they were done first.
void SplitScene::adaptHandCount(uint32_t taken, std::chrono::steady_clock::duration after) {
    for (int k = 1; k < parts_; ++k) {
        if (!(taken >> k & 1)) continue;
        const int n = bandsOf(bands_[k], bandCount_);
        if (after == std::chrono::steady_clock::duration::zero()) handCount_[k] = std::max(1, handCount_[k] - 1);
        else if (after > std::chrono::microseconds(20)) handCount_[k] = std::min(n - 1, handCount_[k] + 1);
    }
}

// Draws here, through callerQueue, the bands a part has handed over since it answered (from the
// call and triangle it answered at, to the last call); true when it drew a part's (bit k of
// `taken` then set).
bool SplitScene::takeHandOver(SpanQueue* callerQueue, uint32_t* taken, uint64_t* covered) {
    for (int k = 1; k < parts_; ++k) {
        const HandOver& hand = progress_[k].hand;
        if ((*taken >> k & 1) || !hand.answered.load(std::memory_order_acquire)) continue;
        *taken |= 1u << k;
        const BandMask bands = hand.asked.load(std::memory_order_relaxed);
        callerQueue->setBandFilter(bands);
        for (uint32_t n = hand.call; n != postedLocal_; ++n) {
            const Slot& slot = slots_[n % callCapacity_];
            const uint64_t at = slot.vertexAt % vertexCapacity_;
            replayCall(slot.call, slot.vertices, callerQueue,
                       {k, &groupParts_[at / 3], slot.listPass ? &slot.judged : nullptr, nullptr, n,
                        n == hand.call ? hand.from : 0});
        }
        *covered += callerQueue->draw();
        callerQueue->setBandFilter(bands_[0]);
        return true;
    }
    return false;
}

// The scene's calls let go of their widened texels and lights (a slot keeps its lights' room for
// the next scene's copies).
void SplitScene::releaseSlots() {
    for (uint32_t i = 0; i < std::min(postedLocal_, callCapacity_); ++i) {
        slots_[i].call.texels.reset();
        slots_[i].call.vertex.lighting.lights.clear();
    }
}

}  // namespace platform::d3d
