// The raw pixel value a colour has in a surface's pixel format, and source colour keys set from
// colours.
//
// pixelValueOf(surface, colour): colour is a COLORREF (0x00BBGGRR); the result is what a pixel of
// that colour holds in the surface's memory (16-bit formats: the low 16 bits), 0xFFFFFFFF for a
// missing surface, a format the layer cannot describe, or colour CLR_INVALID.
// setSourceKeyTo(surface, colour): the source-blit colour key (low = high = that value); E_FAIL for
// a missing surface.
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

uint32_t pixelValueOf(IDirectDrawSurface7* surface, COLORREF colour);
HRESULT setSourceKeyTo(IDirectDrawSurface7* surface, COLORREF colour);
