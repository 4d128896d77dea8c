#include "platform/d3d/wide_textures.h"

#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/ddraw/surface.h"

namespace platform::d3d {

namespace {

struct WideCopy {
    uint64_t stamp = 0;  // stamps are unique in the process: one stamp, one surface and content
    std::shared_ptr<std::vector<uint32_t>> texels;
};

struct Cache {
    std::mutex mutex;
    std::list<WideCopy> copies;  // most recently used first
    size_t bytes = 0;
};

Cache& cache() {
    static Cache c;
    return c;
}

void widen(const SurfaceLock& t, std::vector<uint32_t>* out) {
    const int w = t.width(), h = t.height();
    out->resize(size_t(w) * size_t(h));
    const PixelLayout& l = t.layout();
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = t.row(y);
        uint32_t* to = out->data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) to[x] = decodeArgb(l, readRaw(row + 2 * x, 2));
    }
}

void trim(Cache& c) {
    while (c.bytes > kWideTextureBytes && !c.copies.empty()) {
        c.bytes -= c.copies.back().texels->size() * 4;
        c.copies.pop_back();
    }
}

}  // namespace

std::shared_ptr<const std::vector<uint32_t>> wideTexture(const SurfaceLock& texture) {
    const ddraw::Surface* surface = texture.ok() ? ddraw::asSurface(texture.surface()) : nullptr;
    if (!surface || texture.layout().bytesPerPixel != 2) return nullptr;
    const size_t bytes = size_t(texture.width()) * size_t(texture.height()) * 4;
    if (bytes > kWideTextureBytes / 4) return nullptr;
    const uint64_t stamp = surface->writeStamp();
    Cache& c = cache();
    std::lock_guard<std::mutex> hold(c.mutex);
    for (auto it = c.copies.begin(); it != c.copies.end(); ++it) {
        if (it->stamp != stamp) continue;
        c.copies.splice(c.copies.begin(), c.copies, it);
        return c.copies.front().texels;
    }
    WideCopy copy;
    copy.stamp = stamp;
    copy.texels = std::make_shared<std::vector<uint32_t>>();
    widen(texture, copy.texels.get());
    std::shared_ptr<const std::vector<uint32_t>> made = copy.texels;
    c.copies.push_front(std::move(copy));
    c.bytes += bytes;
    trim(c);
    return made;
}

void forgetWideTextures() {
    Cache& c = cache();
    std::lock_guard<std::mutex> hold(c.mutex);
    c.copies.clear();
    c.bytes = 0;
}

}  // namespace platform::d3d
