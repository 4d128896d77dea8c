// The pixel memory of a surface: one zero-filled block of a fixed size, owned by its surface.
//
// Large blocks (a screen, a back buffer, a z-buffer) are mapped straight from the system and asked
// to be backed by huge pages where the system offers them: the system hands them out already zero,
// and a few large page faults replace hundreds of small ones the first time the block is written,
// which is most of what making a surface costs on a virtual machine. Small blocks come from the
// heap. Allocation failure throws std::bad_alloc, as a vector would.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::ddraw {

class PixelMemory {
public:
    explicit PixelMemory(size_t bytes);
    ~PixelMemory();
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    void clear();  // every byte back to zero

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    bool mapped_ = false;
};

}  // namespace platform::ddraw
