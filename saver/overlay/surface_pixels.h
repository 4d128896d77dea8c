// Small reads of surfaces that several controls share: a surface's size, one raw pixel, and whether
// a pixel is solid (not the surface's transparent colour).
//
// Pixels are raw values in the surface's own 16- or 32-bit format; other formats cannot be read.
// Every function answers false / 0 for a null surface, a point outside it or a failed lock, and
// never leaves the surface locked.
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

bool surfaceSize(IDirectDrawSurface7* surface, int32_t& width, int32_t& height);
bool readPixel(IDirectDrawSurface7* surface, int32_t x, int32_t y, DWORD& value);
// 1 when the pixel at (x, y) can be read and differs from the surface's source colour key (any
// readable pixel of a surface without a key is solid); else 0.
int solidPixelAt(IDirectDrawSurface7* surface, int32_t x, int32_t y);
