// The span path's queue: filing triangles by thread part, and drawing them split by rows.
#include "platform/d3d/span_queue.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_walk.h"

namespace platform::d3d {

namespace {

constexpr uint64_t kThreadedArea = 64 * 64;  // smaller queues are not worth a hand-over

// The parts (bit k: part k of `parts`) that own any of the rows minY..maxY.
uint32_t owningParts(int minY, int maxY, int parts) {
    const uint32_t all = parts >= 32 ? ~0u : (1u << parts) - 1;
    const int first = minY >> kBandShift, last = maxY >> kBandShift;
    if (last - first + 1 >= parts) return all;
    uint32_t mask = 0;
    for (int band = first; band <= last; ++band) mask |= 1u << (band % parts);
    return mask;
}

}  // namespace

SpanQueue::SpanQueue() = default;
SpanQueue::~SpanQueue() = default;

void SpanQueue::beginCall(const SpanState& state, bool simd, int lists, std::shared_ptr<const void> keep) {
    if (empty()) parts_ = std::clamp(rasterThreads(), 1, kMaxParts);
    calls_.push_back({state, triangleShader(state, state.magnify, simd), triangleShader(state, state.minify, simd),
                      std::move(keep)});
    callLists_ = std::clamp(lists, 1, kMaxLists);
    for (int l = 0; l < callLists_; ++l) {
        const List& list = lists_[size_t(l)];
        Segment& s = open_[size_t(l)];
        s.list = uint32_t(l);
        s.first = uint32_t(list.used);
        for (int p = 0; p < parts_; ++p) s.binFirst[size_t(p)] = uint32_t(list.bins[size_t(p)].size());
    }
}

TriangleSetup* SpanQueue::room(int list) {
    List& l = lists_[size_t(list)];
    if (l.used == l.items.size()) l.items.emplace_back();
    return &l.items[l.used].triangle;
}

void SpanQueue::keep(int list, bool minifying) {
    List& l = lists_[size_t(list)];
    const Call& call = calls_.back();
    const uint32_t index = uint32_t(l.used++);
    Item& item = l.items[index];
    item.shader = minifying ? call.minifying : call.magnifying;
    item.state = &call.state;
    item.filter = call.state.filter(minifying);
    const TriangleSetup& t = item.triangle;
    l.area += uint64_t(t.maxX - t.minX + 1) * uint64_t(t.maxY - t.minY + 1);
    if (parts_ == 1) return;
    for (uint32_t mask = owningParts(t.minY, t.maxY, parts_); mask; mask &= mask - 1)
        l.bins[size_t(__builtin_ctz(mask))].push_back(index);
}

void SpanQueue::add(int list, const TriangleSetup& t, bool minifying) {
    *room(list) = t;
    keep(list, minifying);
}

void SpanQueue::endCall() {
    bool queued = false;
    for (int l = 0; l < callLists_; ++l) {
        const List& list = lists_[size_t(l)];
        Segment& s = open_[size_t(l)];
        s.last = uint32_t(list.used);
        if (s.last == s.first) continue;
        for (int p = 0; p < parts_; ++p) s.binLast[size_t(p)] = uint32_t(list.bins[size_t(p)].size());
        triangles_ += s.last - s.first;
        segments_.push_back(s);
        queued = true;
    }
    callLists_ = 0;
    if (!queued) calls_.pop_back();  // a call that queued nothing needs no state
}

uint64_t SpanQueue::drawAll() const {
    uint64_t covered = 0;
    for (const Segment& s : segments_) {
        const List& l = lists_[s.list];
        for (uint32_t i = s.first; i < s.last; ++i) {
            const Item& item = l.items[i];
            covered += item.shader(*item.state, item.triangle, item.filter, 0, 1);
        }
    }
    return covered;
}

uint64_t SpanQueue::drawPart(int part, int parts) const {
    uint64_t covered = 0;
    for (const Segment& s : segments_) {
        const List& l = lists_[s.list];
        const std::vector<uint32_t>& bin = l.bins[size_t(part)];
        for (uint32_t k = s.binFirst[size_t(part)]; k < s.binLast[size_t(part)]; ++k) {
            const Item& item = l.items[bin[k]];
            covered += item.shader(*item.state, item.triangle, item.filter, part, parts);
        }
    }
    return covered;
}

uint64_t SpanQueue::draw() {
    if (empty()) return 0;
    const auto started = std::chrono::steady_clock::now();
    uint64_t area = 0;
    for (const List& l : lists_) area += l.area;
    countSpanPathTriangles(triangles_);
    uint64_t covered = 0;
    if (parts_ <= 1 || area < kThreadedArea) {
        covered = drawAll();
    } else {
        std::atomic<uint64_t> total{0};
        runParts(parts_, [&](int part, int parts) { total.fetch_add(drawPart(part, parts)); });
        covered = total.load();
    }
    clear();
    const auto spent = std::chrono::steady_clock::now() - started;
    addRasterTimes({0, 0, static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count())});
    return covered;
}

void SpanQueue::clear() {
    for (List& l : lists_) {
        l.used = 0;
        l.area = 0;
        for (std::vector<uint32_t>& bin : l.bins) bin.clear();
    }
    segments_.clear();
    calls_.clear();
    triangles_ = 0;
}

}  // namespace platform::d3d
