// Pixel formats offered by the 3D device.
#include "platform/d3d/standard_formats.h"

namespace platform::d3d {

namespace {

DDPIXELFORMAT depthFormat(DWORD bits, DWORD zMask, DWORD stencilBits, DWORD stencilMask) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof f;
    f.dwFlags = DDPF_ZBUFFER | (stencilBits ? DDPF_STENCILBUFFER : 0);
    f.dwZBufferBitDepth = bits;
    f.dwStencilBitDepth = stencilBits;
    f.dwZBitMask = zMask;
    f.dwStencilBitMask = stencilMask;
    return f;
}

}  // namespace

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

DDPIXELFORMAT formatR5G6B5() { return rgbFormat(16, 0, 0xF800, 0x07E0, 0x001F); }
DDPIXELFORMAT formatX8R8G8B8() { return rgbFormat(32, 0, 0xFF0000, 0xFF00, 0xFF); }
DDPIXELFORMAT formatA8R8G8B8() { return rgbFormat(32, 0xFF000000u, 0xFF0000, 0xFF00, 0xFF); }
DDPIXELFORMAT formatA4R4G4B4() { return rgbFormat(16, 0xF000, 0x0F00, 0x00F0, 0x000F); }
DDPIXELFORMAT formatZ16() { return depthFormat(16, 0xFFFF, 0, 0); }
DDPIXELFORMAT formatZ32() { return depthFormat(32, 0xFFFFFFFFu, 0, 0); }
DDPIXELFORMAT formatZ24S8() { return depthFormat(32, 0x00FFFFFFu, 8, 0xFF000000u); }

std::vector<DDPIXELFORMAT> textureFormats() {
    return {formatA8R8G8B8(),
            formatA4R4G4B4(),
            formatR5G6B5(),
            formatX8R8G8B8(),
            rgbFormat(16, 0, 0x7C00, 0x03E0, 0x001F),
            rgbFormat(16, 0x8000, 0x7C00, 0x03E0, 0x001F)};
}

std::vector<DDPIXELFORMAT> zBufferFormats() { return {formatZ32(), formatZ16(), formatZ24S8()}; }

}  // namespace platform::d3d
