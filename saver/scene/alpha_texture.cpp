// Alpha-masked textures, made in the alpha texture format the 3D device set-up chose.
#include <bit>
#include <cstddef>
#include <string>

#include "platform/gdi/gdi.h"
#include "saver/display/display_objects.h"
#include "saver/scene/surface_loading.h"
#include "saver/scene/surface_lock.h"
#include "saver/scene/surface_makers.h"

using namespace surface_loading;

namespace {

// The alpha bits for a mask pixel: alpha = 255 - red, scaled by a / 256 on 16-bit textures and
// a / 255 on 32-bit ones (so a black mask gives 14 of 15 on four alpha bits, 255 of 255).
DWORD scaledAlpha(COLORREF maskPixel, DWORD bits, DWORD alphaMax) {
    const DWORD alpha = 255 - (maskPixel & 0xFF);
    const double a = bits == 16 ? alpha / 256.0 : alpha / 255.0;
    return static_cast<DWORD>(a * alphaMax);
}

// Rewrites every pixel's alpha bits from the mask (opaque where there is no mask).
void applyMask(IDirectDrawSurface7* texture, HDC mask) {
    DDSURFACEDESC2 desc{};
    if (!lockSurface(texture, &desc)) return;
    const DDPIXELFORMAT& f = desc.ddpfPixelFormat;
    const DWORD colourMask = f.dwRBitMask | f.dwGBitMask | f.dwBBitMask;
    const int shift = std::popcount(colourMask);
    const DWORD alphaMax = (1u << std::popcount(f.dwRGBAlphaBitMask)) - 1u;
    auto* rows = static_cast<uint8_t*>(desc.lpSurface);
    for (DWORD y = 0; rows && y < desc.dwHeight; ++y) {
        uint8_t* row = rows + static_cast<ptrdiff_t>(y) * desc.lPitch;
        for (DWORD x = 0; x < desc.dwWidth; ++x) {
            const COLORREF m = mask ? GetPixel(mask, static_cast<int>(x), static_cast<int>(y)) : 0;
            const DWORD alpha = scaledAlpha(m, f.dwRGBBitCount, alphaMax) << shift;
            if (f.dwRGBBitCount == 16) {
                auto* p = reinterpret_cast<uint16_t*>(row) + x;
                *p = static_cast<uint16_t>((*p & colourMask) | alpha);
            } else if (f.dwRGBBitCount == 32) {
                auto* p = reinterpret_cast<uint32_t*>(row) + x;
                *p = (*p & colourMask) | alpha;
            }
        }
    }
    texture->Unlock(nullptr);
}

}  // namespace

IDirectDrawSurface7* loadAlphaTextureSurface(IDirectDraw7* directDraw, const char* name) {
    if (!directDraw || !name) return nullptr;
    int width = 0, height = 0;
    HBITMAP bitmap = loadEntryBitmap(name, &width, &height);
    if (!bitmap) return nullptr;
    const DDPIXELFORMAT requested = g_display.textureFormat;
    bool withFormat = true;
    IDirectDrawSurface7* texture = createSurface(directDraw, DDSCAPS_TEXTURE, width, height, &requested);
    if (!texture) {
        withFormat = false;
        texture = createSurface(directDraw, DDSCAPS_TEXTURE, width, height, nullptr);
    }
    if (texture) copyBitmapToSurface(texture, bitmap, 0, 0, 0, 0);
    DeleteObject(bitmap);
    discardTemporaryFiles();
    if (!texture) return nullptr;

    const std::string maskName = std::string(name) + "1";
    int maskWidth = 0, maskHeight = 0;
    HBITMAP maskBitmap = loadEntryBitmap(maskName.c_str(), &maskWidth, &maskHeight);
    HDC maskDc = maskBitmap ? CreateCompatibleDC(nullptr) : nullptr;
    HGDIOBJ previous = maskDc ? SelectObject(maskDc, maskBitmap) : nullptr;
    if (withFormat && (requested.dwFlags & DDPF_ALPHAPIXELS) && requested.dwRGBBitCount > 15)
        applyMask(texture, maskDc);
    if (maskDc) {
        if (previous) SelectObject(maskDc, previous);
        DeleteDC(maskDc);
    }
    if (maskBitmap) DeleteObject(maskBitmap);
    discardTemporaryFiles();
    return texture;
}

const DDPIXELFORMAT& alphaTextureFormat() { return g_display.textureFormat; }

void setAlphaTextureFormat(const DDPIXELFORMAT& format) { g_display.textureFormat = format; }

void resetAlphaTextureFormat() { g_display.textureFormat = DDPIXELFORMAT{}; }
