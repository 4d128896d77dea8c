// Pixel formats offered by the 3D device.
#include "platform/d3d/standard_formats.h"

namespace platform::d3d {

DDPIXELFORMAT rgbFormat(DWORD bits, DWORD alphaMask, DWORD redMask, DWORD greenMask, DWORD blueMask) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = DDPF_RGB | (alphaMask ? DDPF_ALPHAPIXELS : 0);
    f.dwRGBBitCount = bits;
    f.dwRBitMask = redMask;
    f.dwGBitMask = greenMask;
    f.dwBBitMask = blueMask;
    f.dwRGBAlphaBitMask = alphaMask;
    return f;
}

std::vector<DDPIXELFORMAT> textureFormats() {
    return {formatA8R8G8B8(),
            formatA4R4G4B4(),
            formatR5G6B5(),
            formatX8R8G8B8(),
            rgbFormat(16, 0, 0x7C00, 0x03E0, 0x001F),
            rgbFormat(16, 0x8000, 0x7C00, 0x03E0, 0x001F)};
}

std::vector<DDPIXELFORMAT> zBufferFormats() { return {formatZ16(), formatZ32(), formatZ24S8()}; }

}  // namespace platform::d3d
