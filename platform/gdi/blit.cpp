// Block transfers, single pixels and rectangle fills on device contexts.
#include <algorithm>
#include <cstdlib>

#include "platform/gdi/gdi_objects.h"
#include "platform/gdi/stretch.h"

using namespace platform::gdi;

namespace {

// The context's drawable view, or null when it has no memory.
const PixelView* drawable(DeviceContext* dc) { return dc && isUsableView(dc->view) ? &dc->view : nullptr; }

}  // namespace

namespace platform::gdi {

void fillViewRect(const PixelView& view, int left, int top, int right, int bottom, COLORREF colour) {
    if (!isUsableView(view)) return;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, view.width);
    bottom = std::min(bottom, view.height);
    uint32_t raw = view.format.pack(colour);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) view.setRaw(x, y, raw);
}

}  // namespace platform::gdi

BOOL StretchBlt(HDC dstHandle, int x, int y, int width, int height, HDC srcHandle, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
    DeviceContext* dstDc = findDc(dstHandle);
    if (!dstDc) return FALSE;
    const PixelView* dst = drawable(dstDc);
    if (rop == BLACKNESS || rop == WHITENESS) {
        if (dst) {
            int left = std::min(x, x + width), top = std::min(y, y + height);
            fillViewRect(*dst, left, top, left + std::abs(width), top + std::abs(height),
                         rop == BLACKNESS ? RGB(0, 0, 0) : RGB(255, 255, 255));
        }
        return TRUE;
    }
    if (rop != SRCCOPY) return FALSE;
    DeviceContext* srcDc = findDc(srcHandle);
    if (!srcDc) return FALSE;
    const PixelView* src = drawable(srcDc);
    if (dst && src) stretchCopy(*dst, {x, y, width, height}, *src, {srcX, srcY, srcWidth, srcHeight});
    return TRUE;
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
    return StretchBlt(dst, x, y, width, height, src, srcX, srcY, width, height, rop);
}

COLORREF GetPixel(HDC handle, int x, int y) {
    const PixelView* view = drawable(findDc(handle));
    if (!view || !view->contains(x, y)) return CLR_INVALID;
    return view->get(x, y);
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF colour) {
    const PixelView* view = drawable(findDc(handle));
    if (!view || !view->contains(x, y)) return CLR_INVALID;
    uint32_t raw = view->format.pack(colour);
    view->setRaw(x, y, raw);
    return view->format.unpack(raw);
}

int FillRect(HDC handle, const RECT* rect, HBRUSH brushHandle) {
    DeviceContext* dc = findDc(handle);
    Brush* brush = findBrush(brushHandle);
    if (!dc || !rect || !brush) return 0;
    if (const PixelView* view = drawable(dc); view && !brush->hollow)
        fillViewRect(*view, rect->left, rect->top, rect->right, rect->bottom, brush->colour);
    return 1;
}
