// Blt, BltFast and Flip of the layer's surfaces.
#include <cstring>
#include <vector>

#include "platform/ddraw/blit.h"
#include "platform/ddraw/direct_draw.h"
#include "platform/ddraw/display_control.h"
#include "platform/ddraw/queued_drawing.h"
#include "platform/ddraw/surface.h"
#include "platform/ddraw/widening_table.h"

namespace platform::ddraw {
namespace {

PixelView viewOf(Surface& s) {
    PixelView v;
    v.base = s.memory();
    v.width = s.width();
    v.height = s.height();
    v.pitch = s.pitch();
    v.layout = s.layout();
    return v;
}

// State both surfaces of a copy must be in; DD_OK when the copy may go ahead.
HRESULT copyReady(Surface& dest, Surface* source, bool waits) {
    finishQueuedDrawing();
    if (dest.lost() || (source && source->lost())) return DDERR_SURFACELOST;
    if (dest.busy() || (source && source->busy())) return DDERR_SURFACEBUSY;
    if (!waits && consumeStillDrawing()) return DDERR_WASSTILLDRAWING;
    return DD_OK;
}

// Copies with the source rectangle taken out first when both sides are one surface, so that
// overlapping rectangles copy what was there before the blit.
void copyPixels(Surface& dest, const RECT& destRect, Surface& source, const RECT& sourceRect, const CopyOptions& options) {
    PixelView d = viewOf(dest);
    PixelView s = viewOf(source);
    s.sameFormatAsOther = sameFormat(dest.format(), source.format());
    std::vector<uint8_t> scratch;
    RECT from = sourceRect;
    if (&dest == &source) {
        const int bpp = s.layout.bytesPerPixel;
        const int w = sourceRect.right - sourceRect.left, h = sourceRect.bottom - sourceRect.top;
        scratch.resize(static_cast<size_t>(w) * bpp * h);
        for (int y = 0; y < h; ++y)
            std::memcpy(&scratch[static_cast<size_t>(y) * w * bpp],
                        s.base + static_cast<size_t>(sourceRect.top + y) * s.pitch + static_cast<size_t>(sourceRect.left) * bpp,
                        static_cast<size_t>(w) * bpp);
        s.base = scratch.data();
        s.pitch = w * bpp;
        s.width = w;
        s.height = h;
        from = RECT{0, 0, w, h};
    }
    stretchCopy(d, destRect, s, from, options);
}

}  // namespace

HRESULT Surface::Blt(RECT* destRect, IDirectDrawSurface7* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) {
    const RECT whole{0, 0, width_, height_};
    const RECT dr = destRect ? *destRect : whole;
    if (flags & DDBLT_COLORFILL) {
        if (!fx) return DDERR_INVALIDPARAMS;
        if (const HRESULT hr = copyReady(*this, nullptr, flags & DDBLT_WAIT); hr != DD_OK) return hr;
        if (!rectInside(dr, width_, height_)) return DDERR_INVALIDRECT;
        fillRect(viewOf(*this), dr, fx->dwFillColor);
        stampWrite();
        return DD_OK;
    }
    Surface* src = asSurface(source);
    if (!src) return DDERR_INVALIDPARAMS;
    CopyOptions options;
    if (flags & DDBLT_ROP) {
        if (!fx || (fx->dwROP != SRCCOPY && fx->dwROP != SRCPAINT)) return DDERR_UNSUPPORTED;
        options.orOperation = fx->dwROP == SRCPAINT;
    }
    if (flags & DDBLT_KEYSRCOVERRIDE) {
        if (!fx) return DDERR_INVALIDPARAMS;
        options.keyed = true;
        options.keyLow = fx->ddckSrcColorkey.dwColorSpaceLowValue;
        options.keyHigh = fx->ddckSrcColorkey.dwColorSpaceHighValue;
    } else if ((flags & DDBLT_KEYSRC) && src->hasSourceKey()) {
        options.keyed = true;
        options.keyLow = src->sourceKey().dwColorSpaceLowValue;
        options.keyHigh = src->sourceKey().dwColorSpaceHighValue;
    }
    if (const HRESULT hr = copyReady(*this, src, flags & DDBLT_WAIT); hr != DD_OK) return hr;
    const RECT sr = sourceRect ? *sourceRect : RECT{0, 0, src->width(), src->height()};
    if (!rectInside(dr, width_, height_) || !rectInside(sr, src->width(), src->height())) return DDERR_INVALIDRECT;
    if ((caps_ | src->caps()) & DDSCAPS_ZBUFFER) return DDERR_UNSUPPORTED;
    copyPixels(*this, dr, *src, sr, options);
    stampWrite();
    return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* sourceRect, DWORD trans) {
    Surface* src = asSurface(source);
    if (!src) return DDERR_INVALIDPARAMS;
    if (trans & DDBLTFAST_DESTCOLORKEY) return DDERR_UNSUPPORTED;
    if (const HRESULT hr = copyReady(*this, src, trans & DDBLTFAST_WAIT); hr != DD_OK) return hr;
    const RECT sr = sourceRect ? *sourceRect : RECT{0, 0, src->width(), src->height()};
    if (!rectInside(sr, src->width(), src->height()) || x > static_cast<DWORD>(width_) || y > static_cast<DWORD>(height_))
        return DDERR_INVALIDRECT;
    const RECT dr{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x) + (sr.right - sr.left),
                  static_cast<LONG>(y) + (sr.bottom - sr.top)};
    if (!rectInside(dr, width_, height_)) return DDERR_INVALIDRECT;
    if ((caps_ | src->caps()) & DDSCAPS_ZBUFFER) return DDERR_UNSUPPORTED;
    CopyOptions options;
    if ((trans & DDBLTFAST_SRCCOLORKEY) && src->hasSourceKey()) {
        options.keyed = true;
        options.keyLow = src->sourceKey().dwColorSpaceLowValue;
        options.keyHigh = src->sourceKey().dwColorSpaceHighValue;
    }
    copyPixels(*this, dr, *src, sr, options);
    stampWrite();
    return DD_OK;
}

HRESULT Surface::Flip(IDirectDrawSurface7* target, DWORD flags) {
    Surface* back = findAttached(DDSCAPS_BACKBUFFER);
    if (!(caps_ & DDSCAPS_FLIP) || !(caps_ & DDSCAPS_FRONTBUFFER) || !back) return DDERR_NOTFLIPPABLE;
    if (target && asSurface(target) != back) return DDERR_INVALIDPARAMS;
    if (!owner_->exclusive()) return DDERR_NOEXCLUSIVEMODE;
    if (const HRESULT hr = copyReady(*this, back, flags & DDFLIP_WAIT); hr != DD_OK) return hr;
    // The back buffer keeps its memory (the 3D device draws into it); its picture moves to the
    // front: kept widened where that loses nothing, else copied.
    stampWrite();
    pictureWidened_ = false;
    if (WideningTable::narrowsExactly(layout_) && back->pitch() == pitch_) {
        // The window takes the picture row by row, or it is widened into a block the front keeps.
        pictureWidened_ = owner_->present(this, back->memory(), pitch_, &widened_, memory_.data());
    } else {
        std::memcpy(memory_.data(), back->memory(), memory_.size());
        owner_->present(this, memory_.data(), pitch_, &widened_);
    }
    return DD_OK;
}

}  // namespace platform::ddraw
