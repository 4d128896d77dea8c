// The span path's queue: filing triangles by band, helpers drawing bands while the queue fills,
// and the final drain.
#include "platform/d3d/span_queue.h"

#include <algorithm>
#include <chrono>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_walk.h"

namespace platform::d3d {

namespace {

using Clock = std::chrono::steady_clock;

// Triangles between two publications inside one call: often enough that helpers find work while
// a large call is set up, seldom enough that publishing costs nothing.
constexpr uint32_t kPublishEvery = 64;
// How many triangles must wait before a sleeping helper is woken (helper_wait.h: a wake-up is a
// system call).
constexpr uint32_t kWakeTriangles = 32;
// Without helpers the queue draws its triangles this many at a time as they come (and at the end
// of every call), while set-up's records of them are still in the processor's caches; a whole
// scene's records would not fit there.
constexpr uint32_t kDrawEvery = 64;
// At most this many triangles are drawn per hold of a band, so that a thread taken off the
// processor while it holds one keeps the others waiting for little work.
constexpr uint32_t kClaimTriangles = 16;
// The filling thread asks for the lines of the slot this many triangles ahead before it writes
// there.
constexpr uint32_t kWriteAhead = 4;

// A full queue is drawn until this many slots are free (one look over the bands per slot would
// cost more than the drawing).
constexpr uint32_t kRoomTriangles = SpanQueue::kCapacity / 4;
// A helper asks for a band's records this many triangles ahead of drawing them (they come from
// the other core's caches).
constexpr uint32_t kPrefetchAhead = 2;

// The clock at the start of drawing whose time only the figures want (rasterTimesWanted), else a
// zero time, which `spent` leaves uncounted: a paced run reads the clock only where the queue's
// own choices need it.
Clock::time_point figureClock() { return rasterTimesWanted() ? Clock::now() : Clock::time_point{}; }

int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

void prefetchLines(const void* p, size_t bytes, int write) {
    const char* c = static_cast<const char*>(p);
    for (size_t at = 0; at < bytes; at += 64) {
        if (write) __builtin_prefetch(c + at, 1);
        else __builtin_prefetch(c + at, 0);
    }
}

}  // namespace

uint64_t SpanQueue::drawItem(const Item& item, BandMask bands) {
    const Call& call = *item.call;
    const TriangleShader shader = item.minifying ? call.minifying : call.magnifying;
    return shader(call.state, item.triangle, call.state.filter(item.minifying), bands);
}

// The filling thread's bands for a share of `every` (BandShare::every): b with b % every == 0 among
// the 64 a mask tells apart, none for 0.
BandMask SpanQueue::shareBands(int every) { return every > 0 ? interleavedBands(0, every) : 0; }

SpanQueue::SpanQueue(bool timed) : timed_(timed) {}

SpanQueue::~SpanQueue() {
    if (!empty()) draw();
    joinHelpers();
}

void SpanQueue::beginCall(const SpanState& state, bool simd, int rows, std::shared_ptr<const void> keep) {
    // Bands whose numbers differ by a multiple of 64 share a list (span_walk.h's BandMask).
    const int bands = std::clamp(bandsOfRows(rows), 1, kBandClasses);
    if (!empty() && bands > bandCount_) covered_ += draw();  // a taller target than the bands cover
    if (empty()) {
        joinHelpers();
        threads_ = helpersAllowed_ ? rasterThreads() : 1;
        ownBands_ = threads_ > 1 ? shareBands(share_.every()) : 0;

        bandCount_ = bands;
        // The band lists serve helpers only (a queue filtered to some bands never has any).
        if (threads_ > 1 && bandCount_ > bandRoom_) {
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

void SpanQueue::clearRows(int top, int bottom, const BandMask* own, const std::function<void(int, int)>& clear) {
    top = std::max(top, 0);
    const bool split = own != nullptr;
    // A few rows are not worth a hand-over.
    if (!empty() || (!helpersAllowed_ && !split) || rasterThreads() < 2 || bottom - top < (4 << kBandShift)) {
        clear(top, bottom);
        return;
    }
    joinHelpers();  // the workers are free for the job below
    const BandMask mine = split ? *own : shareBands(share_.every());
    const int first = top >> kBandShift, bands = ((bottom - 1) >> kBandShift) - first + 1;
    if (int(clearClaims_.size()) < bands) clearClaims_ = std::vector<std::atomic<bool>>(size_t(bands));
    for (int i = 0; i < bands; ++i) clearClaims_[size_t(i)].store(false, std::memory_order_relaxed);
    auto clearBand = [&](int band) {
        if (clearClaims_[size_t(band - first)].exchange(true)) return;
        clear(std::max(top, band << kBandShift), std::min(bottom, (band + 1) << kBandShift));
    };
    // Each band is claimed once: the helper's bands by the helper, unless this thread, done with
    // its own, finds them unclaimed (a helper late to start then costs no waiting for its work).
    runParts(2, [&](int part, int) {
        const bool helper = part > 0;
        for (int band = first; band < first + bands; ++band)
            if (ownsBand(band, mine) != helper) clearBand(band);
        if (!helper)
            for (int band = first + bands - 1; band >= first; --band) clearBand(band);
    });
}

TriangleSetup* SpanQueue::room() { return &items_[next_ % kCapacity].triangle; }

void SpanQueue::keep(bool minifying) {
    const uint32_t slot = next_ % kCapacity;
    Item& item = items_[slot];
    if (filterBands_ != kEveryBand && !helping_) {
        // Left out when none of its bands is this queue's.
        if (!ownsBandIn(std::max(item.triangle.minY, 0) >> kBandShift, item.triangle.maxY >> kBandShift, filterBands_))
            return;
    }
    item.call = &calls_.back();
    item.minifying = minifying;
    ++next_;
    if (!helping_) {
        if (next_ - drawnUpTo_ >= kDrawEvery) covered_ += drainItems();
        return;
    }
    const int first = std::max(item.triangle.minY, 0) >> kBandShift;
    const int last = std::min(item.triangle.maxY >> kBandShift,
                              bandCount_ < kBandClasses ? bandCount_ - 1 : first + kBandClasses - 1);
    for (int b = first; b <= last; ++b) {
        if (ownsBand(b, ownBands_)) continue;
        Band& band = bands_[size_t(b & (kBandClasses - 1))];
        band.items[band.filed++ % kCapacity] = next_ - 1;
    }
    // A slot written soon: its lines are asked for now (a helper may have read them last, and a
    // triangle is set up in less time than they take to come from the other core).
    prefetchLines(&items_[(next_ + kWriteAhead) % kCapacity], sizeof(Item), 1);
    // Helpers get the new triangles before this thread draws its own bands of them.
    if (++sincePublish_ >= kPublishEvery) publish();
    if (next_ - drawnUpTo_ >= kDrawEvery) drawOwn();
    if (next_ - freeFrom_ == kCapacity) makeRoom();
}

void SpanQueue::add(const TriangleSetup& t, bool minifying) {
    *room() = t;
    keep(minifying);
}

void SpanQueue::drawKept(BandMask bands) {
    const auto started = figureClock();
    for (uint32_t i = drawnUpTo_; i < next_; ++i) covered_ += drawItem(items_[i % kCapacity], bands);
    spent(started);
}

void SpanQueue::narrowFilter(BandMask bands) {
    filterBands_ = bands;
    if (next_ != drawnUpTo_) covered_ += drainItems();
}

void SpanQueue::endCall() {
    if (!helping_) {
        if (next_ != drawnUpTo_) covered_ += drainItems();
        return;
    }
    publish();
    drawOwn();
}

// The filling thread's own bands of the triangles since the last time, as they come.
void SpanQueue::drawOwn() {
    if (ownBands_ == 0 || drawnUpTo_ == next_) {
        drawnUpTo_ = next_;
        return;
    }
    const auto started = figureClock();
    uint64_t covered = 0;
    for (uint32_t i = drawnUpTo_; i < next_; ++i) {
        const Item& item = items_[i % kCapacity];
        if (ownsBandIn(std::max(item.triangle.minY, 0) >> kBandShift, item.triangle.maxY >> kBandShift, ownBands_))
            covered += drawItem(item, ownBands_);
    }
    covered_ += covered;
    drawnUpTo_ = next_;
    spent(started);
}

// Every slot holds a triangle some band has not drawn: finds how far the bands have come and,
// while fewer than kRoomTriangles slots are free, draws the helpers' bands beside them, the band
// of the oldest triangle first.
void SpanQueue::makeRoom() {
    drawOwn();
    publish();
    const auto started = Clock::now();
    for (int idle = 0;;) {
        uint32_t oldest = drawnUpTo_;
        int oldestBand = 0;
        for (int b = 0; b < bandCount_; ++b) {
            const uint32_t drawn = progress_[size_t(b)].drawn.load(std::memory_order_acquire);
            if (drawn == bands_[size_t(b)].filed) continue;
            const uint32_t n = bands_[size_t(b)].items[drawn % kCapacity];
            if (n - freeFrom_ < oldest - freeFrom_) oldest = n, oldestBand = b;
        }
        freeFrom_ = oldest;
        if (next_ - freeFrom_ <= kCapacity - kRoomTriangles) break;
        if (drawAvailable(oldestBand))
            idle = 0;
        else
            waitStep(&idle);
    }
    fillerOverNs_ += spent(started);
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
    if (helperWait_.anySleeping() && next_ - wokenAt_ >= kWakeTriangles) {
        wokenAt_ = next_;
        helperWait_.wakeAll();
    }
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
    next_ = drawnUpTo_ = freeFrom_ = wokenAt_ = 0;
}

void SpanQueue::startHelpers() {
    joinHelpers();
    helping_ = true;
    closing_.store(false);
    fillingStarted_ = nowNs();
    fillerOverNs_ = 0;
    helperIdleNs_.store(0);
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
        for (uint32_t i = from; i < std::min(to, from + kPrefetchAhead); ++i)
            prefetchLines(&items_[band.items[i % kCapacity] % kCapacity], sizeof(Item), 0);
        for (uint32_t i = from; i < to; ++i) {
            if (i + kPrefetchAhead < to)
                prefetchLines(&items_[band.items[(i + kPrefetchAhead) % kCapacity] % kCapacity], sizeof(Item), 0);
            covered += drawItem(items_[band.items[i % kCapacity] % kCapacity], BandMask(1) << b);
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
        const auto idle = Clock::now();
        const bool found = helperWait_.wait(news);
        // Idle time counts while more work was to come, not after the filling's end, nor while
        // the program itself paused (the helper slept): no share of bands could have used that.
        if (found && !closing_.load())
            helperIdleNs_.fetch_add(
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - idle).count());
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

// With helpers: everything published; the calling thread draws its own bands and then what is
// left of the helpers' beside them. Then they are told to leave (they are joined at the next
// filling: by now they only look for work) and the next filling's share is chosen.
void SpanQueue::finishHelped() {
    drawOwn();
    publish();
    const auto started = Clock::now();
    for (int idle = 0; !allDrawn();) {
        if (drawAvailable(0))
            idle = 0;
        else
            waitStep(&idle);
    }
    fillerOverNs_ += spent(started);
    covered_ += bandCovered_.exchange(0);
    countSpanPathTriangles(next_);
    drawnUpTo_ = freeFrom_ = next_;
    closing_.store(true);
    helperWait_.wakeAll();
    share_.fillingEnded(fillerOverNs_, helperIdleNs_.load() / uint64_t(threads_ - 1), nowNs() - fillingStarted_);
    helping_ = false;
    joinPending_ = true;
}

// On one thread: the triangles not drawn yet, in order. Nothing refers to their numbers after:
// the next triangles reuse the first slots, still in the caches, instead of going round all of
// them.
uint64_t SpanQueue::drainItems() {
    const auto started = figureClock();
    uint64_t covered = 0;
    for (uint32_t i = drawnUpTo_; i < next_; ++i)
        covered += drawItem(items_[i % kCapacity], filterBands_);
    countSpanPathTriangles(next_ - drawnUpTo_);
    next_ = drawnUpTo_ = 0;
    spent(started);
    return covered;
}

// Drawing time on the filling thread since `started`, added to the queue's and the raster's
// clocks; returns it in ns (0 for a zero `started`: figureClock's when no figures are wanted).
int64_t SpanQueue::spent(std::chrono::steady_clock::time_point started) {
    if (started == Clock::time_point{}) return 0;
    const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started).count();
    drawnNs_ += uint64_t(ns);
    if (timed_) addRasterTimes({0, 0, static_cast<unsigned long long>(ns)});
    return ns;
}

uint64_t SpanQueue::draw() {
    if (empty()) return 0;
    if (helping_) finishHelped();
    else covered_ += drainItems();
    uint64_t covered = covered_;
    covered_ = 0;
    calls_.clear();
    return covered;
}

}  // namespace platform::d3d
