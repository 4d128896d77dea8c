#include "saver/display/texture_format.h"

#include "saver/display/display_objects.h"

namespace {

struct FormatSearch {
    DWORD bits;
    bool alpha;
    bool palette;
    bool found = false;
    DDPIXELFORMAT result{};
};

bool fits(const DDPIXELFORMAT& f, const FormatSearch& s) {
    if (f.dwFlags & (DDPF_LUMINANCE | DDPF_BUMPLUMINANCE | DDPF_BUMPDUDV)) return false;
    if (s.palette) return (f.dwFlags & DDPF_PALETTEINDEXED8) != 0;
    if (f.dwRGBBitCount < 16 || (f.dwFlags & DDPF_FOURCC) || f.dwRGBAlphaBitMask == 0xF000) return false;
    const bool hasAlpha = (f.dwFlags & DDPF_ALPHAPIXELS) != 0;
    return hasAlpha == s.alpha && f.dwRGBBitCount == s.bits;
}

HRESULT onFormat(DDPIXELFORMAT* format, void* context) {
    auto* search = static_cast<FormatSearch*>(context);
    if (!format || !fits(*format, *search)) return D3DENUMRET_OK;
    search->result = *format;
    search->found = true;
    return D3DENUMRET_CANCEL;
}

}  // namespace

bool findTextureFormat(IDirect3DDevice7* device, int bits, bool alpha, bool palette, DDPIXELFORMAT* out) {
    if (!device || !out) return false;
    FormatSearch search{static_cast<DWORD>(bits), alpha, palette};
    device->EnumTextureFormats(onFormat, &search);
    if (search.found) *out = search.result;
    return search.found;
}

void chooseAlphaTextureFormat(IDirect3DDevice7* device) {
    g_display.textureFormat = DDPIXELFORMAT{};
    findTextureFormat(device, 32, true, false, &g_display.textureFormat);
}
