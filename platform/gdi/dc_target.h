// Device contexts on raw pixel memory: how surfaces and windows get a GDI device context.
//
// A DcTarget describes memory with a pitch in bytes and an RGB format by bit count and masks
// (16-bit R5G6B5 / A4R4G4B4, 32-bit X8R8G8B8 / A8R8G8B8). The memory stays owned by the caller and
// must outlive the context. CreateDCForTarget returns null on failure; DeleteTargetDC frees it.
#pragma once

#include <cstdint>

#include "platform/win/wintypes.h"

namespace platform::gdi {

struct DcTarget {
    void* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitchBytes = 0;
    int bitsPerPixel = 32;
    uint32_t redMask = 0x00FF0000;
    uint32_t greenMask = 0x0000FF00;
    uint32_t blueMask = 0x000000FF;
};

HDC CreateDCForTarget(const DcTarget& target);
void DeleteTargetDC(HDC dc);

}  // namespace platform::gdi
