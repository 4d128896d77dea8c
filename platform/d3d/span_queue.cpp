// The span path's queue: filing triangles by band, helpers drawing bands while the queue fills,
// and the final drain.
#include "platform/d3d/span_queue.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_walk.h"

namespace platform::d3d {

namespace {

using Clock = std::chrono::steady_clock;

// Triangles between two publications inside one call: often enough that helpers find work while
// a large call is set up, seldom enough that publishing costs nothing.
constexpr uint32_t kPublishEvery = 64;
// How long a helper without work keeps looking before it sleeps until the next publication, and
// how many triangles must wait before a sleeping helper is woken (a wake-up costs the filling
// thread a system call and the helper a few microseconds before it runs).
constexpr auto kHelperSpin = std::chrono::microseconds(30);
constexpr uint32_t kWakeTriangles = 32;
// Without helpers the queue draws its triangles this many at a time as they come (and at the end
// of every call), while set-up's records of them are still in the processor's caches; a whole
// scene's records would not fit there.
constexpr uint32_t kDrawEvery = 64;
// At most this many triangles are drawn per hold of a band, so that a thread taken off the
// processor while it holds one keeps the others waiting for little work.
constexpr uint32_t kClaimTriangles = 16;

}  // namespace

SpanQueue::SpanQueue() = default;

SpanQueue::~SpanQueue() {
    if (!empty()) draw();
    joinHelpers();
}

void SpanQueue::beginCall(const SpanState& state, bool simd, int rows, std::shared_ptr<const void> keep) {
    const int bands = std::max(1, (rows + (1 << kBandShift) - 1) >> kBandShift);
    if (!empty() && bands > bandCount_) covered_ += draw();  // a taller target than the bands cover
    if (empty()) {
        joinHelpers();
        threads_ = helpersAllowed_ ? rasterThreads() : 1;
        bandCount_ = bands;
        if (bandCount_ > bandRoom_) {
            bands_ = std::make_unique<Band[]>(size_t(bandCount_));
            for (int b = 0; b < bandCount_; ++b) bands_[size_t(b)].items = std::make_unique<uint32_t[]>(kCapacity);
            published_ = std::make_unique<std::atomic<uint32_t>[]>(size_t(bandCount_));
            progress_ = std::make_unique<Progress[]>(size_t(bandCount_));
            bandRoom_ = bandCount_;
        }
        if (items_.empty()) items_.resize(kCapacity);
    }
    calls_.push_back({state, triangleShader(state, state.magnify, simd), triangleShader(state, state.minify, simd),
                      std::move(keep)});
    if (threads_ > 1 && !helping_) startHelpers();
}

TriangleSetup* SpanQueue::room() { return &items_[next_ % kCapacity].triangle; }

void SpanQueue::keep(bool minifying) {
    const uint32_t slot = next_ % kCapacity;
    Item& item = items_[slot];
    const Call& call = calls_.back();
    item.shader = minifying ? call.minifying : call.magnifying;
    item.state = &call.state;
    item.filter = call.state.filter(minifying);
    if (threads_ > 1) {
        const int first = std::max(item.triangle.minY, 0) >> kBandShift;
        const int last = std::min(item.triangle.maxY >> kBandShift, bandCount_ - 1);
        for (int b = first; b <= last; ++b) {
            Band& band = bands_[size_t(b)];
            band.items[band.filed++ % kCapacity] = slot;
        }
    }
    ++next_;
    if (!helping_) {
        if (next_ - drawnUpTo_ >= kDrawEvery) covered_ += drainItems(false);
        return;
    }
    if (++sincePublish_ >= kPublishEvery) publish();
    // Every slot holds a triangle not drawn yet: draw them (the helpers go on).
    if (next_ - drawnUpTo_ == kCapacity) covered_ += drainItems(false);
}

void SpanQueue::add(const TriangleSetup& t, bool minifying) {
    *room() = t;
    keep(minifying);
}

void SpanQueue::endCall() {
    if (!helping_) {
        if (next_ != drawnUpTo_) covered_ += drainItems(false);
        return;
    }
    publish();
}

void SpanQueue::publish() {
    sincePublish_ = 0;
    if (!helping_) return;
    for (int b = 0; b < bandCount_; ++b) {
        const uint32_t filed = bands_[size_t(b)].filed;
        if (published_[size_t(b)].load(std::memory_order_relaxed) != filed)
            published_[size_t(b)].store(filed, std::memory_order_release);
    }
    publications_.fetch_add(1);
    if (sleeping_.load() > 0 && next_ - wokenAt_ >= kWakeTriangles) {
        wokenAt_ = next_;
        wakeHelpers();
    }
}

void SpanQueue::wakeHelpers() {
    { std::lock_guard<std::mutex> lock(sleepMutex_); }
    sleep_.notify_all();
}

// Waits for the helpers of the last filling (they have nothing left to draw by then) and clears
// the bands for the next.
void SpanQueue::joinHelpers() {
    if (!joinPending_) return;
    finishParts(helperJob_);
    joinPending_ = false;
    for (int b = 0; b < bandCount_; ++b) {
        bands_[size_t(b)].filed = 0;
        published_[size_t(b)].store(0, std::memory_order_relaxed);
        progress_[size_t(b)].drawn.store(0, std::memory_order_relaxed);
    }
    next_ = drawnUpTo_ = wokenAt_ = 0;
}

void SpanQueue::startHelpers() {
    joinHelpers();
    helping_ = true;
    closing_.store(false);
    helperJob_ = [this](int part, int) {
        if (part > 0) helperLoop(part);
    };
    startParts(threads_, helperJob_);
}

// Draws published triangles (up to kClaimTriangles a band) of every band no other thread holds,
// starting at band `start`; true when it drew any.
bool SpanQueue::drawAvailable(int start) {
    bool any = false;
    for (int k = 0; k < bandCount_; ++k) {
        const int b = (start + k) % bandCount_;
        Progress& p = progress_[size_t(b)];
        std::atomic<uint32_t>& published = published_[size_t(b)];
        if (p.drawn.load(std::memory_order_relaxed) >= published.load(std::memory_order_relaxed)) continue;
        if (p.held.exchange(true, std::memory_order_acquire)) continue;
        const uint32_t from = p.drawn.load(std::memory_order_relaxed);
        const uint32_t to = std::min(published.load(std::memory_order_acquire), from + kClaimTriangles);
        const Band& band = bands_[size_t(b)];
        uint64_t covered = 0;
        for (uint32_t i = from; i < to; ++i) {
            const Item& item = items_[band.items[i % kCapacity]];
            covered += item.shader(*item.state, item.triangle, item.filter, b, bandCount_);
        }
        bandCovered_.fetch_add(covered, std::memory_order_relaxed);
        p.drawn.store(to, std::memory_order_release);  // the band's pixels and count before it
        p.held.store(false, std::memory_order_release);
        any = any || to > from;
    }
    return any;
}

void SpanQueue::helperLoop(int part) {
    const int start = part * bandCount_ / threads_;
    for (;;) {
        const bool closing = closing_.load();  // read before looking: after it, nothing more comes
        if (drawAvailable(start)) continue;
        if (closing) break;
        const uint32_t seen = publications_.load();
        auto news = [&] { return publications_.load() != seen || closing_.load(); };
        const auto until = Clock::now() + kHelperSpin;
        bool found = false;
        for (int i = 0; !found; ++i) {
            found = news();
            spinPause();
            if ((i & 63) == 63 && Clock::now() > until) break;
        }
        if (found) continue;
        std::unique_lock<std::mutex> lock(sleepMutex_);
        sleeping_.fetch_add(1);
        sleep_.wait(lock, news);
        sleeping_.fetch_sub(1);
    }
}

bool SpanQueue::allDrawn() const {
    for (int b = 0; b < bandCount_; ++b) {
        const Progress& p = progress_[size_t(b)];
        if (p.held.load(std::memory_order_acquire) || p.drawn.load(std::memory_order_acquire) != bands_[size_t(b)].filed)
            return false;
    }
    return true;
}

uint64_t SpanQueue::drainItems(bool last) {
    const auto started = Clock::now();
    const bool alone = !helping_;
    uint64_t covered = 0;
    if (helping_) {
        // Everything published; the calling thread draws what is left beside the helpers. At the
        // end of a filling they are told to leave and joined at the next one: by now they only
        // look for work.
        publish();
        for (int idle = 0; !allDrawn();) {
            if (drawAvailable(0)) {
                idle = 0;
            } else if (++idle < 64) {
                for (int i = 0; i < 16; ++i) spinPause();
            } else {
                std::this_thread::yield();
            }
        }
        covered = bandCovered_.exchange(0);
        if (last) {
            closing_.store(true);
            wakeHelpers();
            helping_ = false;
            joinPending_ = true;
        }
    } else {
        for (uint32_t i = drawnUpTo_; i < next_; ++i) {
            const Item& item = items_[i % kCapacity];
            covered += item.shader(*item.state, item.triangle, item.filter, 0, 1);
        }
    }
    countSpanPathTriangles(next_ - drawnUpTo_);
    drawnUpTo_ = next_;
    // On one thread nothing refers to the numbers: the next triangles reuse the first slots, still
    // in the caches, instead of going round all of them.
    if (alone) next_ = drawnUpTo_ = 0;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started).count();
    drawnNs_ += uint64_t(ns);
    addRasterTimes({0, 0, static_cast<unsigned long long>(ns)});
    return covered;
}

uint64_t SpanQueue::draw() {
    if (empty()) return 0;
    uint64_t covered = drainItems(true) + covered_;
    covered_ = 0;
    calls_.clear();
    return covered;
}

}  // namespace platform::d3d
