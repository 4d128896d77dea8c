#include "saver/display/pixel_value.h"

#include "platform/ddraw/pixel_formats.h"

uint32_t pixelValueOf(IDirectDrawSurface7* surface, COLORREF colour) {
    if (!surface || colour == CLR_INVALID) return 0xFFFFFFFFu;
    DDPIXELFORMAT format{};
    platform::ddraw::PixelLayout layout;
    if (FAILED(surface->GetPixelFormat(&format)) || !platform::ddraw::describeLayout(format, &layout)) return 0xFFFFFFFFu;
    const uint32_t argb = 0xFF000000u | (uint32_t{GetRValue(colour)} << 16) | (uint32_t{GetGValue(colour)} << 8) |
                          GetBValue(colour);
    // Alpha is not part of a colour reference: only the colour bits of the format are set.
    platform::ddraw::PixelLayout colourOnly = layout;
    colourOnly.alpha = {};
    return platform::ddraw::argbToRaw(colourOnly, argb);
}

HRESULT setSourceKeyTo(IDirectDrawSurface7* surface, COLORREF colour) {
    if (!surface) return E_FAIL;
    const uint32_t value = pixelValueOf(surface, colour);
    DDCOLORKEY key{value, value};
    return surface->SetColorKey(DDCKEY_SRCBLT, &key);
}
