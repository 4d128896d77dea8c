// Direct access to a surface's memory for the 3D device (render target, depth buffer, textures).
//
// surfaceMemory gives the pixels of one of the layer's surfaces without locking: the memory stays
// at the same address for the whole life of the surface (Flip copies instead of swapping), rows
// are pitchBytes apart, pixels are little-endian raw values of `format`. It returns false for null
// or foreign objects. attachedDepthBuffer gives the z-buffer attached to a surface, or null; no
// reference is added. Whether a surface is lost is its IsLost(); drawing into a lost surface is
// harmless but shows nothing until it is restored (restoring clears it).
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

namespace platform::ddraw {

struct SurfaceMemory {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitchBytes = 0;
    DDPIXELFORMAT format{};
};

bool surfaceMemory(IDirectDrawSurface7* surface, SurfaceMemory* out);
IDirectDrawSurface7* attachedDepthBuffer(IDirectDrawSurface7* surface);

}  // namespace platform::ddraw
