#include "platform/ddraw/pixel_memory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace platform::ddraw {

namespace {

// From this size on a block gets its own mapping (a 640x480 16-bit surface is 600 KiB).
constexpr size_t kMappedFrom = size_t(512) * 1024;

}  // namespace

PixelMemory::PixelMemory(size_t bytes) : size_(bytes) {
    if (bytes >= kMappedFrom) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        madvise(p, bytes, MADV_HUGEPAGE);  // only advice: without huge pages the block still works
#endif
        data_ = static_cast<uint8_t*>(p);
        mapped_ = true;
        return;
    }
    data_ = static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
    if (!data_) throw std::bad_alloc();
}

PixelMemory::~PixelMemory() {
    if (mapped_) munmap(data_, size_);
    else std::free(data_);
}

void PixelMemory::clear() { std::memset(data_, 0, size_); }

}  // namespace platform::ddraw
