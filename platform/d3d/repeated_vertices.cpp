// A scene's copies of the vertex arrays it draws more than once.
#include "platform/d3d/repeated_vertices.h"

#include <cstring>

namespace platform::d3d {

namespace {

// Arrays remembered a scene: a lookup runs through them for every call.
constexpr size_t kMaxEntries = 64;

}  // namespace

RepeatedVertices::RepeatedVertices(uint32_t capacity) : capacity_(capacity) {}

const D3DVERTEX* RepeatedVertices::find(const D3DVERTEX* vertices, uint32_t count) {
    // An array is entered once, so the first match is the only one.
    Entry* entry = nullptr;
    for (Entry& e : entries_)
        if (e.vertices == vertices && e.count == count) {
            entry = &e;
            break;
        }
    if (!entry) {
        if (entries_.size() < kMaxEntries) entries_.push_back({vertices, count, kNone});
        return nullptr;
    }
    const size_t bytes = sizeof(D3DVERTEX) * count;
    if (entry->at != kNone) {
        const D3DVERTEX* copy = &copies_[entry->at];
        if (std::memcmp(copy, vertices, bytes) == 0) return copy;
        entry->at = kNone;  // changed: a new copy the next time it comes unchanged
        return nullptr;
    }
    if (capacity_ - used_ < count) return nullptr;
    if (!copies_) copies_ = std::make_unique_for_overwrite<D3DVERTEX[]>(capacity_);
    entry->at = used_;
    used_ += count;
    std::memcpy(&copies_[entry->at], vertices, bytes);
    return &copies_[entry->at];
}

void RepeatedVertices::clear() {
    entries_.clear();
    used_ = 0;
}

}  // namespace platform::d3d
