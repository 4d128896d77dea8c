// RLE8 and RLE4 decoding. Rows are stored bottom-up; every run, absolute block and delta is checked
// against the row and the picture before a pixel is written.
#include <algorithm>

#include "platform/gdi/bmp_layout.h"

namespace platform::gdi::bmp {

namespace {

class RleWriter {
public:
    RleWriter(const Layout& layout, DecodedBitmap* out) : layout_(layout), out_(out) {}

    bool fits(int count) const { return y_ < layout_.height && count <= layout_.width - x_; }
    void put(uint32_t index) {
        size_t row = static_cast<size_t>(layout_.height - 1 - y_);
        out_->pixels[row * layout_.width + x_] = paletteColour(layout_, index);
        ++x_;
    }
    void endLine() {
        x_ = 0;
        ++y_;
    }
    bool move(int dx, int dy) {
        x_ += dx;
        y_ += dy;
        return x_ <= layout_.width && y_ <= layout_.height;
    }
    bool complete() const { return y_ >= layout_.height; }

private:
    const Layout& layout_;
    DecodedBitmap* out_;
    int x_ = 0;
    int y_ = 0;
};

// An encoded run: `count` pixels of `value` (RLE4: its two nibbles alternating).
bool writeRun(RleWriter& w, bool rle4, int count, uint8_t value) {
    if (!w.fits(count)) return false;
    for (int i = 0; i < count; ++i) w.put(rle4 ? ((i & 1) ? value & 0xF : value >> 4) : value);
    return true;
}

// An absolute block of `count` pixels at data[*pos]; the block is padded to an even byte count.
bool writeAbsolute(RleWriter& w, bool rle4, int count, const uint8_t* data, size_t size, size_t* pos) {
    size_t bytes = rle4 ? (static_cast<size_t>(count) + 1) / 2 : static_cast<size_t>(count);
    if (bytes > size - *pos || !w.fits(count)) return false;
    const uint8_t* p = data + *pos;
    for (int i = 0; i < count; ++i) w.put(rle4 ? ((i & 1) ? p[i / 2] & 0xF : p[i / 2] >> 4) : p[i]);
    size_t padded = bytes + (bytes & 1);
    *pos += std::min(padded, size - *pos);
    return true;
}

}  // namespace

bool decodeRle(const uint8_t* data, size_t size, const Layout& layout, DecodedBitmap* out) {
    bool rle4 = layout.compression == kBiRle4;
    RleWriter w(layout, out);
    size_t pos = 0;
    while (size - pos >= 2) {
        uint8_t count = data[pos];
        uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            if (!writeRun(w, rle4, count, value)) return false;
            continue;
        }
        switch (value) {
            case 0: w.endLine(); break;
            case 1: return true;
            case 2:
                if (size - pos < 2 || !w.move(data[pos], data[pos + 1])) return false;
                pos += 2;
                break;
            default:
                if (!writeAbsolute(w, rle4, value, data, size, &pos)) return false;
                break;
        }
    }
    // A stream without its end marker is only whole when every row was ended.
    return w.complete();
}

}  // namespace platform::gdi::bmp
