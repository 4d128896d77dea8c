// The span path for one draw call: batching and the row split over threads.
#include "platform/d3d/span_batch.h"

#include <atomic>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/raster_workers.h"
#include "platform/d3d/span_walk.h"

namespace platform::d3d {

namespace {

constexpr int kBandShift = 2;                   // bands of four rows
constexpr uint64_t kThreadedArea = 64 * 64;     // smaller calls are not worth a hand-over

}  // namespace

std::vector<SpanBatch::Item>& SpanBatch::storage() {
    thread_local std::vector<Item> items;
    return items;
}

SpanBatch::SpanBatch(const SpanState& state, bool simd) : state_(state), simd_(simd), items_(storage()) {
    items_.clear();
}

void SpanBatch::add(const TriangleSetup& t, bool minifying) {
    TexelFilter filter = state_.filter(minifying);
    items_.push_back({t, spanShader(state_, filter, simd_), filter});
    area_ += uint64_t(t.maxX - t.minX + 1) * uint64_t(t.maxY - t.minY + 1);
}

uint64_t SpanBatch::drawPart(int part, int parts) const {
    uint64_t covered = 0;
    for (const Item& item : items_) {
        const TriangleSetup& t = item.triangle;
        for (int y = t.minY; y <= t.maxY; ++y) {
            if (parts > 1 && ((y >> kBandShift) % parts) != part) continue;
            int x0, x1;
            if (!rowSpan(t, y, &x0, &x1)) continue;
            covered += uint64_t(x1 - x0 + 1);
            item.shader(state_, t, item.filter, y, x0, x1);
        }
    }
    return covered;
}

uint64_t SpanBatch::draw(int threads) {
    uint64_t covered = 0;
    countSpanPathTriangles(items_.size());
    if (threads <= 1 || area_ < kThreadedArea) {
        covered = drawPart(0, 1);
    } else {
        std::atomic<uint64_t> total{0};
        runParts(threads, [&](int part, int parts) { total.fetch_add(drawPart(part, parts)); });
        covered = total.load();
    }
    items_.clear();
    area_ = 0;
    return covered;
}

}  // namespace platform::d3d
