// Reads a PNG file (as the frame capture writes them) into 0x00RRGGBB pixels, row by row from the
// top. An unreadable file gives an empty picture.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

struct PngPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
    uint32_t at(int x, int y) const { return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
};

inline PngPixels readPngPixels(const std::string& path) {
    PngPixels out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> data(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, data.data(), 0, nullptr)) return out;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    for (size_t i = 0; i < out.rgb.size(); ++i)
        out.rgb[i] = (uint32_t{data[3 * i]} << 16) | (uint32_t{data[3 * i + 1]} << 8) | data[3 * i + 2];
    return out;
}
