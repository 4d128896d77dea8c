// The pixel formats the 3D device names: display targets (R5G6B5, X8R8G8B8), texture formats
// (A8R8G8B8 first, then A4R4G4B4, R5G6B5, X8R8G8B8, X1R5G5B5, A1R5G5B5) and z-buffer formats
// (16-bit z, 32-bit z, 24-bit z with 8 bits of stencil; the first plain format is the one a
// program taking the first plain z format gets: 16 bits halve the depth traffic of every pixel,
// and with the saver's near plane of 100 a step of depth is still under a unit at 2000 units).
// Each returns a filled DDPIXELFORMAT.
#pragma once

#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_formats.h"

namespace platform::d3d {

DDPIXELFORMAT rgbFormat(DWORD bits, DWORD alphaMask, DWORD redMask, DWORD greenMask, DWORD blueMask);
using ddraw::formatA4R4G4B4;
using ddraw::formatA8R8G8B8;
using ddraw::formatR5G6B5;
using ddraw::formatX8R8G8B8;
using ddraw::formatZ16;
using ddraw::formatZ24S8;
using ddraw::formatZ32;

// In the order EnumTextureFormats reports them.
std::vector<DDPIXELFORMAT> textureFormats();
// In the order EnumZBufferFormats reports them.
std::vector<DDPIXELFORMAT> zBufferFormats();

}  // namespace platform::d3d
