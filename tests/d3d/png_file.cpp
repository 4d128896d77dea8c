// PNG files for test pictures through libpng's simplified interface.
#include "tests/d3d/png_file.h"

#include <png.h>

#include <cstring>

namespace d3dtest {

bool writePngFile(const std::string& path, const Picture& p) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(p.width);
    image.height = static_cast<png_uint_32>(p.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, p.rgb.data(), 0, nullptr) != 0;
}

bool readPngFile(const std::string& path, Picture* p) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    if (image.width > 4096 || image.height > 4096) {
        png_image_free(&image);
        return false;
    }
    p->width = static_cast<int>(image.width);
    p->height = static_cast<int>(image.height);
    p->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, p->rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

}  // namespace d3dtest
