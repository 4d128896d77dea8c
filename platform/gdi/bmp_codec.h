// Windows BMP reading and writing.
//
// decodeBmp reads a whole BMP file held in memory: core (12-byte) and info headers (40 bytes and the
// longer versions), 1, 4 and 8 bits per pixel with a palette, 16 bits (555, or any masks with
// BI_BITFIELDS), 24 bits, 32 bits (X8R8G8B8, or masks), RLE8 and RLE4, rows stored bottom-up or
// top-down. The result is 0x00RRGGBB per pixel, rows top to bottom. Pixels an RLE stream skips and
// palette indices past the palette are black.
//
// It is a hardened parser: every size is checked against the bytes present before use, and it
// fails cleanly (false, `out` left empty) for truncated data, zero, negative or overflowing sizes,
// palettes or masks beyond the data, RLE runs that leave the row or the image, an RLE stream that
// ends before the picture is complete, and unknown compressions. It never allocates more than the
// data justifies: uncompressed pictures need their rows present in the data, and RLE pictures are
// limited to kMaxRlePixels (a decoded RLE picture can be far larger than its file).
//
// encodeBmp24 / writeBmp24 write a plain 24-bit bottom-up BMP from R,G,B bytes (3 per pixel, rows
// top to bottom). writeBmp24 returns false when the file cannot be written completely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::gdi {

constexpr int kMaxBmpSide = 16384;
constexpr int64_t kMaxRlePixels = int64_t{1} << 24;
constexpr int64_t kMaxBmpFileBytes = int64_t{1} << 30;

struct DecodedBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // width * height, 0x00RRGGBB, rows top to bottom
};

bool decodeBmp(const uint8_t* data, size_t size, DecodedBitmap* out);
// Reads a file (at most kMaxBmpFileBytes) and decodes it.
bool loadBmpFile(const std::string& path, DecodedBitmap* out);

std::vector<uint8_t> encodeBmp24(int width, int height, const uint8_t* rgb);
bool writeBmp24(const std::string& path, int width, int height, const uint8_t* rgb);

}  // namespace platform::gdi
