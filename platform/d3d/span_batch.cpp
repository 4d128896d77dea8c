// The span path for one draw call: batching and the row split over threads.
#include "platform/d3d/span_batch.h"

#include <algorithm>
#include <atomic>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_walk.h"

namespace platform::d3d {

namespace {

constexpr uint64_t kThreadedArea = 64 * 64;     // smaller calls are not worth a hand-over

}  // namespace

std::vector<SpanBatch::List>& SpanBatch::storage() {
    thread_local std::vector<List> lists(kMaxLists);
    return lists;
}

SpanBatch::SpanBatch(const SpanState& state, bool simd, int lists)
    : state_(state),
      magnifying_(triangleShader(state, state.magnify, simd)),
      minifying_(triangleShader(state, state.minify, simd)),
      lists_(std::clamp(lists, 1, kMaxLists)),
      store_(storage()) {
    for (List& l : store_) l.used = 0, l.area = 0;
}

TriangleSetup* SpanBatch::room(int list) {
    List& l = store_[size_t(list)];
    if (l.used == l.items.size()) l.items.emplace_back();
    return &l.items[l.used].triangle;
}

void SpanBatch::keep(int list, bool minifying) {
    List& l = store_[size_t(list)];
    Item& item = l.items[l.used++];
    item.shader = minifying ? minifying_ : magnifying_;
    item.filter = state_.filter(minifying);
    const TriangleSetup& t = item.triangle;
    l.area += uint64_t(t.maxX - t.minX + 1) * uint64_t(t.maxY - t.minY + 1);
}

void SpanBatch::add(int list, const TriangleSetup& t, bool minifying) {
    *room(list) = t;
    keep(list, minifying);
}

uint64_t SpanBatch::drawPart(int part, int parts) const {
    uint64_t covered = 0;
    for (int list = 0; list < lists_; ++list) {
        const List& l = store_[size_t(list)];
        for (size_t i = 0; i < l.used; ++i) {
            const Item& item = l.items[i];
            if (!ownsAnyRow(item.triangle.minY, item.triangle.maxY, part, parts)) continue;
            covered += item.shader(state_, item.triangle, item.filter, part, parts);
        }
    }
    return covered;
}

uint64_t SpanBatch::draw(int threads) {
    uint64_t covered = 0, area = 0, triangles = 0;
    for (int list = 0; list < lists_; ++list) {
        area += store_[size_t(list)].area;
        triangles += store_[size_t(list)].used;
    }
    countSpanPathTriangles(triangles);
    if (threads <= 1 || area < kThreadedArea) {
        covered = drawPart(0, 1);
    } else {
        std::atomic<uint64_t> total{0};
        runParts(threads, [&](int part, int parts) { total.fetch_add(drawPart(part, parts)); });
        covered = total.load();
    }
    for (List& l : store_) l.used = 0, l.area = 0;
    return covered;
}

}  // namespace platform::d3d
