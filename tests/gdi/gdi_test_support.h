// Test helper: pixel memory with a device context on it, in the surface formats of the layer.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/dc_target.h"
#include "platform/gdi/gdi.h"

namespace gdi_test {

struct Format {
    int bits;
    uint32_t red, green, blue;
};
inline constexpr Format kR5G6B5{16, 0xF800, 0x07E0, 0x001F};
inline constexpr Format kA4R4G4B4{16, 0x0F00, 0x00F0, 0x000F};
inline constexpr Format kX8R8G8B8{32, 0xFF0000, 0x00FF00, 0x0000FF};

// Memory of width x height pixels (rows padded by `extraPitch` bytes) and a context drawing on it.
class Surface {
public:
    Surface(int width, int height, Format format, int extraPitch = 0)
        : format_(format),
          pitch_(width * format.bits / 8 + extraPitch),
          memory_(static_cast<size_t>(pitch_) * height, 0) {
        platform::gdi::DcTarget t;
        t.pixels = memory_.data();
        t.width = width;
        t.height = height;
        t.pitchBytes = pitch_;
        t.bitsPerPixel = format.bits;
        t.redMask = format.red;
        t.greenMask = format.green;
        t.blueMask = format.blue;
        dc_ = platform::gdi::CreateDCForTarget(t);
    }
    ~Surface() { platform::gdi::DeleteTargetDC(dc_); }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    uint32_t raw(int x, int y) const {
        uint32_t v = 0;
        std::memcpy(&v, memory_.data() + static_cast<size_t>(y) * pitch_ + x * format_.bits / 8, format_.bits / 8);
        return v;
    }
    void setRaw(int x, int y, uint32_t v) {
        std::memcpy(memory_.data() + static_cast<size_t>(y) * pitch_ + x * format_.bits / 8, &v, format_.bits / 8);
    }
    std::vector<uint8_t>& memory() { return memory_; }
    int pitch() const { return pitch_; }

private:
    Format format_;
    int pitch_;
    std::vector<uint8_t> memory_;
    HDC dc_ = nullptr;
};

}  // namespace gdi_test
