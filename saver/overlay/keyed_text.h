// Hard text edges over a transparent colour.
//
// The platform smooths the edges of GDI text by blending each edge pixel with what lies below it.
// Over the pure green that the controls' own surfaces are keyed on, that blend would leave a green
// fringe around every letter once the key is cut out. A KeyedArea records which pixels of a
// rectangle hold the surface's source colour key before the text is written; harden() then makes
// every one of them that the text touched either the text colour (covered at least half) or the key
// again. Pixels that were not the key keep their smooth blend. Surfaces without a source key, or
// that cannot be locked, are left as they are. 16- and 32-bit RGB surfaces; colours 0x00BBGGRR.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ddraw/ddraw.h"

class KeyedArea {
public:
    // The surface must not be locked or hold a device context now, nor when harden() runs.
    KeyedArea(IDirectDrawSurface7* surface, const RECT& box);
    void harden(COLORREF textColour);

private:
    IDirectDrawSurface7* surface_ = nullptr;
    RECT box_ = {};
    DWORD key_ = 0;
    std::vector<uint8_t> wasKey_;  // one a pixel of box_, rows top to bottom
};
