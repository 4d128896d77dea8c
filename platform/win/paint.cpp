// Invalid regions, WM_PAINT bracketing and the window backing store.
#include "platform/win/paint.h"

#include <algorithm>

#include "platform/backend/backend.h"
#include "platform/gdi/dc_target.h"
#include "platform/win/messages.h"
#include "platform/win/window_pixels.h"
#include "platform/win/window_registry.h"

namespace {

using platform::win::findRecord;
using platform::win::WindowRecord;

RECT clipToClient(const WindowRecord& rec, const RECT& r) {
    return RECT{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, rec.width),
                std::min<LONG>(r.bottom, rec.height)};
}

bool isEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

void ensurePixels(WindowRecord& rec) {
    size_t count = static_cast<size_t>(rec.width) * static_cast<size_t>(rec.height);
    if (rec.pixels.size() != count) rec.pixels.assign(count, 0);
}

bool showPixels(WindowRecord& rec) {
    if (rec.width <= 0 || rec.height <= 0) return false;
    return platform::backend::current().present(handleToNumber(rec.handle), rec.pixels.data(), rec.width,
                                                rec.height, rec.width * 4);
}

}  // namespace

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return FALSE;
    RECT r = clipToClient(*rec, rect ? *rect : RECT{0, 0, rec->width, rec->height});
    if (isEmpty(r)) return TRUE;
    if (rec->invalid) {
        RECT& u = rec->invalidRect;
        u = RECT{std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right),
                 std::max(u.bottom, r.bottom)};
    } else {
        rec->invalidRect = r;
        rec->invalid = true;
    }
    if (erase) rec->erasePending = true;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return FALSE;
    rec->invalid = false;
    rec->erasePending = false;
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return FALSE;
    if (rec->invalid) SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec || !ps) return nullptr;
    ps->rcPaint = rec->invalid ? rec->invalidRect : RECT{0, 0, 0, 0};
    ps->fErase = FALSE;
    if (rec->erasePending) {
        rec->erasePending = false;
        ps->fErase = SendMessageA(hwnd, WM_ERASEBKGND, 0, 0) ? FALSE : TRUE;
        rec = findRecord(hwnd);
        if (!rec) return nullptr;
    }
    rec->invalid = false;
    ps->hdc = nullptr;
    platform::WindowPixels wp;
    if (platform::lockWindowPixels(hwnd, &wp)) {
        platform::gdi::DcTarget target;
        target.pixels = wp.pixels;
        target.width = wp.width;
        target.height = wp.height;
        target.pitchBytes = wp.pitchBytes;
        ps->hdc = platform::gdi::CreateDCForTarget(target);
    }
    return ps->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (!findRecord(hwnd)) return FALSE;
    if (ps && ps->hdc) platform::gdi::DeleteTargetDC(ps->hdc);
    platform::unlockWindowPixels(hwnd);
    return TRUE;
}

namespace platform {

bool paintWindowRect(HWND hwnd, const RECT& rect, COLORREF colour) {
    WindowRecord* rec = findRecord(hwnd);
    if (!rec) return false;
    ensurePixels(*rec);
    RECT r = clipToClient(*rec, rect);
    if (isEmpty(r)) return true;
    uint32_t value = (static_cast<uint32_t>(GetRValue(colour)) << 16) | (static_cast<uint32_t>(GetGValue(colour)) << 8) |
                     GetBValue(colour);
    for (LONG y = r.top; y < r.bottom; ++y) {
        uint32_t* row = rec->pixels.data() + static_cast<size_t>(y) * rec->width;
        std::fill(row + r.left, row + r.right, value);
    }
    showPixels(*rec);
    return true;
}

bool lockWindowPixels(HWND window, WindowPixels* out) {
    WindowRecord* rec = findRecord(window);
    if (!rec || !out || rec->width <= 0 || rec->height <= 0) return false;
    ensurePixels(*rec);
    out->pixels = rec->pixels.data();
    out->width = rec->width;
    out->height = rec->height;
    out->pitchBytes = rec->width * 4;
    return true;
}

void unlockWindowPixels(HWND window) {
    if (WindowRecord* rec = findRecord(window); rec && !rec->pixels.empty()) showPixels(*rec);
}

}  // namespace platform
