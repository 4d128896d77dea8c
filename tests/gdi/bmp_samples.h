// Test helper: writes a picture as BMP files of every kind the decoder reads, so tests can check
// that each kind decodes to the same pixels. Pictures are 0x00RRGGBB, rows top to bottom.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bmp_samples {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

enum class Kind {
    Bits1, Bits4, Bits8, Rle4, Rle8, Core8, Rgb555, Bitfields565, Bits24, Bits24TopDown,
    Bits32, Bitfields32, V5Bitfields32,
};

const char* kindName(Kind kind);
std::vector<Kind> allKinds();

// The picture's distinct colours must fit the kind: 2 for Bits1, 16 for 4-bit kinds, 256 for
// 8-bit kinds; 16-bit kinds need channels that survive 5 (or 6) bits (0 and 255 always do).
std::vector<uint8_t> encode(const Picture& picture, Kind kind);

// A picture of the eight pure colours in stripes and runs, `width` x `height`.
Picture pureColourPicture(int width, int height);

// Little-endian writers for hand-made files.
void putU16(std::vector<uint8_t>& out, uint32_t v);
void putU32(std::vector<uint8_t>& out, uint32_t v);
// A BITMAPFILEHEADER + BITMAPINFOHEADER with the given fields (offBits: file header + 40 +
// 4 * colours).
std::vector<uint8_t> infoHeader(int32_t width, int32_t height, int bitsPerPixel, uint32_t compression,
                                uint32_t colours);

}  // namespace bmp_samples
