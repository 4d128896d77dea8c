// Device contexts: memory contexts, contexts on caller memory (surfaces) and windows, the screen
// context, object selection, capabilities and text colours.
#include "platform/gdi/dc_target.h"
#include "platform/gdi/gdi_objects.h"
#include "platform/win/system_metrics.h"
#include "platform/win/window_pixels.h"

using namespace platform::gdi;

namespace {

constexpr int kDotsPerInch = 96;
constexpr int kSimpleRegion = 2;

HDC handleOf(DeviceContext* dc) { return reinterpret_cast<HDC>(dc); }
HGDIOBJ handleOf(GdiObject* o) { return reinterpret_cast<HGDIOBJ>(o); }

HGDIOBJ selectBitmap(DeviceContext* dc, Bitmap* bitmap) {
    if (dc->kind != DcKind::Memory) return nullptr;
    if (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != dc) return nullptr;
    Bitmap* previous = dc->bitmap;
    if (previous && !previous->stock) previous->selectedInto = nullptr;
    dc->bitmap = bitmap;
    if (!bitmap->stock) bitmap->selectedInto = dc;
    dc->view = bitmap->view();
    return handleOf(previous);
}

}  // namespace

namespace platform::gdi {

HDC CreateDCForTarget(const DcTarget& target) {
    PixelView view;
    view.base = static_cast<uint8_t*>(target.pixels);
    view.width = target.width;
    view.height = target.height;
    view.pitchBytes = target.pitchBytes;
    view.format = PixelFormat::fromMasks(target.bitsPerPixel, target.redMask, target.greenMask, target.blueMask);
    if (!isUsableView(view)) return nullptr;
    DeviceContext* dc = addDc(DcKind::Target);
    dc->view = view;
    return handleOf(dc);
}

void DeleteTargetDC(HDC handle) {
    DeviceContext* dc = findDc(handle);
    if (dc && dc->kind == DcKind::Target) removeDc(dc);
}

}  // namespace platform::gdi

HDC CreateCompatibleDC(HDC) { return handleOf(addDc(DcKind::Memory)); }

BOOL DeleteDC(HDC handle) {
    DeviceContext* dc = findDc(handle);
    if (!dc) return FALSE;
    if (dc->kind == DcKind::Window) return ReleaseDC(dc->window, handle) ? TRUE : FALSE;
    removeDc(dc);
    return TRUE;
}

HDC GetDC(HWND window) {
    if (!window) {
        DeviceContext* dc = addDc(DcKind::Screen);
        dc->view.width = GetSystemMetrics(SM_CXSCREEN);
        dc->view.height = GetSystemMetrics(SM_CYSCREEN);
        dc->view.format = PixelFormat::fromMasks(32, 0xFF0000, 0x00FF00, 0x0000FF);
        return handleOf(dc);
    }
    platform::WindowPixels pixels;
    if (!platform::lockWindowPixels(window, &pixels)) return nullptr;
    DeviceContext* dc = addDc(DcKind::Window);
    dc->window = window;
    dc->view.base = reinterpret_cast<uint8_t*>(pixels.pixels);
    dc->view.width = pixels.width;
    dc->view.height = pixels.height;
    dc->view.pitchBytes = pixels.pitchBytes;
    dc->view.format = PixelFormat::fromMasks(32, 0xFF0000, 0x00FF00, 0x0000FF);
    return handleOf(dc);
}

int ReleaseDC(HWND window, HDC handle) {
    DeviceContext* dc = findDc(handle);
    if (!dc || (dc->kind != DcKind::Window && dc->kind != DcKind::Screen) || dc->window != window) return 0;
    removeDc(dc);
    if (window) platform::unlockWindowPixels(window);
    return 1;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    DeviceContext* dc = findDc(handle);
    GdiObject* o = findObject(object);
    if (!dc || !o) return nullptr;
    switch (o->kind) {
        case ObjectKind::Bitmap: return selectBitmap(dc, static_cast<Bitmap*>(o));
        case ObjectKind::Font: {
            Font* previous = dc->font;
            dc->font = static_cast<Font*>(o);
            return handleOf(previous);
        }
        case ObjectKind::Brush: {
            Brush* previous = dc->brush;
            dc->brush = static_cast<Brush*>(o);
            return handleOf(previous);
        }
    }
    return nullptr;
}

int GetDeviceCaps(HDC handle, int index) {
    DeviceContext* dc = findDc(handle);
    if (!dc) return 0;
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY: return kDotsPerInch;
        case HORZRES: return dc->view.width;
        case VERTRES: return dc->view.height;
        case BITSPIXEL: return dc->view.format.bitsPerPixel;
        case PLANES: return 1;
        default: return 0;
    }
}

int GetClipBox(HDC handle, RECT* out) {
    DeviceContext* dc = findDc(handle);
    if (!dc || !out) return 0;
    *out = RECT{0, 0, dc->view.width, dc->view.height};
    return kSimpleRegion;
}

int SetBkMode(HDC handle, int mode) {
    DeviceContext* dc = findDc(handle);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int previous = dc->backgroundMode;
    dc->backgroundMode = mode;
    return previous;
}

namespace {

COLORREF replaceColour(HDC handle, COLORREF DeviceContext::*member, COLORREF colour) {
    DeviceContext* dc = findDc(handle);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->*member;
    dc->*member = colour & 0xFFFFFF;
    return previous;
}

}  // namespace

COLORREF SetBkColor(HDC handle, COLORREF colour) {
    return replaceColour(handle, &DeviceContext::backgroundColour, colour);
}

COLORREF SetTextColor(HDC handle, COLORREF colour) {
    return replaceColour(handle, &DeviceContext::textColour, colour);
}
