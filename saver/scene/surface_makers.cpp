// Surfaces from archive bitmaps, blank surfaces, bitmap copies and the missing-entry log.
#include "saver/scene/surface_makers.h"

#include <cstdio>

#include "platform/gdi/gdi.h"
#include "saver/archive/current_archive.h"
#include "saver/scene/surface_loading.h"

namespace {

// The one message for the debugger: there is no debugger on this platform, stderr stands in.
void debuggerMessage(const char* text) { std::fputs(text, stderr); }

}  // namespace

namespace surface_loading {

void logMissing(const char* name) {
    FILE* log = std::fopen(kMissingLog, "wb");
    if (!log) return;
    for (const char* p = name; *p; ++p) std::fputc(*p, log);
    std::fclose(log);
}

void discardTemporaryFiles() {
    if (Archive* archive = currentArchive()) archive->deleteTempFiles();
}

HBITMAP loadEntryBitmap(const char* name, int* width, int* height) {
    Archive* archive = currentArchive();
    const char* path = archive && name ? archive->extractToTemp(name) : nullptr;
    if (!path) {
        logMissing(name ? name : "");
        return nullptr;
    }
    HBITMAP bitmap = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    BITMAP info{};
    if (bitmap && GetObjectA(bitmap, sizeof info, &info) == 0) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (!bitmap) {
        discardTemporaryFiles();
        return nullptr;
    }
    *width = info.bmWidth;
    *height = info.bmHeight;
    return bitmap;
}

IDirectDrawSurface7* createSurface(IDirectDraw7* directDraw, DWORD caps, int32_t width, int32_t height,
                                   const DDPIXELFORMAT* format) {
    if (!directDraw || width <= 0 || height <= 0) return nullptr;
    DDSURFACEDESC2 desc{};
    desc.dwSize = 124;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format ? DDSD_PIXELFORMAT : 0);
    desc.ddsCaps.dwCaps = caps;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    if (format) desc.ddpfPixelFormat = *format;
    IDirectDrawSurface7* surface = nullptr;
    if (directDraw->CreateSurface(&desc, &surface, nullptr) != DD_OK) return nullptr;
    return surface;
}

}  // namespace surface_loading

using namespace surface_loading;

namespace {

IDirectDrawSurface7* loadSurface(IDirectDraw7* directDraw, const char* name, DWORD caps) {
    if (!directDraw) return nullptr;
    int width = 0, height = 0;
    HBITMAP bitmap = loadEntryBitmap(name, &width, &height);
    if (!bitmap) return nullptr;
    IDirectDrawSurface7* surface = createSurface(directDraw, caps, width, height, nullptr);
    if (surface) copyBitmapToSurface(surface, bitmap, 0, 0, 0, 0);
    DeleteObject(bitmap);
    discardTemporaryFiles();
    return surface;
}

}  // namespace

IDirectDrawSurface7* loadBitmapSurface(IDirectDraw7* directDraw, const char* name) {
    return loadSurface(directDraw, name, DDSCAPS_OFFSCREENPLAIN);
}

IDirectDrawSurface7* loadTextureSurface(IDirectDraw7* directDraw, const char* name) {
    return loadSurface(directDraw, name, DDSCAPS_TEXTURE);
}

IDirectDrawSurface7* createBlankTexture(IDirectDraw7* directDraw, int32_t width, int32_t height) {
    return createSurface(directDraw, DDSCAPS_TEXTURE, width, height, nullptr);
}

IDirectDrawSurface7* createBlankBitmap(IDirectDraw7* directDraw, int32_t width, int32_t height) {
    return createSurface(directDraw, DDSCAPS_OFFSCREENPLAIN, width, height, nullptr);
}

HRESULT reloadBitmapInto(IDirectDrawSurface7* surface, const char* name) {
    int width = 0, height = 0;
    HBITMAP bitmap = loadEntryBitmap(name, &width, &height);
    if (!bitmap) return E_FAIL;
    const HRESULT result = copyBitmapToSurface(surface, bitmap, 0, 0, 0, 0);
    DeleteObject(bitmap);
    discardTemporaryFiles();
    return result;
}

HRESULT copyBitmapToSurface(IDirectDrawSurface7* surface, HBITMAP bitmap, int x, int y, int width, int height) {
    if (!surface || !bitmap) return E_FAIL;
    surface->Restore();  // harmless on a surface that is not lost
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) debuggerMessage("createcompatible dc failed\n");
    HGDIOBJ previous = memory ? SelectObject(memory, bitmap) : nullptr;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    const int sourceWidth = width != 0 ? width : info.bmWidth;
    const int sourceHeight = height != 0 ? height : info.bmHeight;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    surface->GetSurfaceDesc(&desc);
    HDC target = nullptr;
    const HRESULT result = surface->GetDC(&target);
    if (result == DD_OK) {
        StretchBlt(target, 0, 0, static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight), memory, x, y,
                   sourceWidth, sourceHeight, SRCCOPY);
        surface->ReleaseDC(target);
    }
    if (memory) {
        if (previous) SelectObject(memory, previous);
        DeleteDC(memory);
    }
    return result;
}
