// Fuzz target: the BMP decoder, and the decoded picture copied onto a 16-bit surface the way the
// texture loaders do it. Pictures above a million pixels are passed over: a few RLE bytes may
// declare one, and clearing it would take the fuzzer's time without reaching new code (the unit
// tests cover the size limits).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gdi/bmp_codec.h"
#include "platform/gdi/bmp_layout.h"
#include "platform/gdi/pixel_view.h"
#include "platform/gdi/stretch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace platform::gdi;
    bmp::Layout layout;
    if (bmp::parseLayout(data, size, &layout) && int64_t{layout.width} * layout.height > (int64_t{1} << 20)) return 0;
    DecodedBitmap picture;
    if (!decodeBmp(data, size, &picture)) return 0;
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height)
        std::abort();
    PixelView src{reinterpret_cast<uint8_t*>(picture.pixels.data()), picture.width, picture.height,
                  picture.width * 4, PixelFormat::fromMasks(32, 0xFF0000, 0xFF00, 0xFF)};
    std::vector<uint16_t> target(16 * 16);
    PixelView dst{reinterpret_cast<uint8_t*>(target.data()), 16, 16, 32,
                  PixelFormat::fromMasks(16, 0xF800, 0x07E0, 0x001F)};
    stretchCopy(dst, {0, 0, 16, 16}, src, {0, 0, picture.width, picture.height});
    return 0;
}
