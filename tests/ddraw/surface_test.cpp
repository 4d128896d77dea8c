#include <gtest/gtest.h>

#include "platform/ddraw/pixel_formats.h"
#include "tests/ddraw/ddraw_fixture.h"

using namespace ddraw_test;
using platform::ddraw::formatA4R4G4B4;
using platform::ddraw::formatA8R8G8B8;
using platform::ddraw::formatR5G6B5;
using platform::ddraw::formatX8R8G8B8;

namespace {

class Surfaces : public DirectDrawTest {};

TEST_F(Surfaces, TheFlippingChainHasTheModesSizeAndFormat) {
    makeChain(800, 600, 16);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(back->GetSurfaceDesc(&d), DD_OK);
    EXPECT_EQ(d.dwWidth, 800u);
    EXPECT_EQ(d.dwHeight, 600u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_BACKBUFFER);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_3DDEVICE);
    ASSERT_EQ(primary->GetSurfaceDesc(&d), DD_OK);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_FRONTBUFFER);
    EXPECT_EQ(d.dwBackBufferCount, 1u);
}

TEST_F(Surfaces, AFlippingChainNeedsExclusiveModeAndOneBackBuffer) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(dd->SetCooperativeLevel(kWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    desc.dwBackBufferCount = 2;
    EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(s, nullptr);
}

TEST_F(Surfaces, LockGivesARowPitchRoundedToFourBytes) {
    IDirectDrawSurface7* s = makeSurface(5, 3);  // display format: desktop 32 bits
    IDirectDrawSurface7* t = makeSurface(5, 3, formatR5G6B5());
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(t->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(d.lPitch, 12);  // 5 × 2 bytes, rounded up
    EXPECT_EQ(t->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(fill(t, 0), DDERR_SURFACEBUSY);
    ASSERT_EQ(t->Unlock(nullptr), DD_OK);
    EXPECT_EQ(t->Unlock(nullptr), DDERR_NOTLOCKED);
    RECT r{2, 1, 4, 3};
    ASSERT_EQ(s->Lock(&r, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(d.lPitch, 20);
    *static_cast<uint32_t*>(d.lpSurface) = 0x123456;  // pixel (2, 1)
    s->Unlock(nullptr);
    EXPECT_EQ(pixelAt(s, 2, 1), 0x123456u);
    RECT outside{3, 0, 6, 1};
    EXPECT_EQ(s->Lock(&outside, &d, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(Surfaces, ColourFillCoversExactlyItsRectangle) {
    IDirectDrawSurface7* s = makeSurface(4, 4, formatR5G6B5());
    RECT r{1, 1, 3, 2};
    ASSERT_EQ(fill(s, 0x07E0, &r), DD_OK);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelAt(s, x, y), (y == 1 && x >= 1 && x < 3) ? 0x07E0u : 0u) << x << "," << y;
    RECT bad{2, 2, 5, 3};
    EXPECT_EQ(fill(s, 1, &bad), DDERR_INVALIDRECT);
}

TEST_F(Surfaces, StretchedBltRepeatsEachSourcePixel) {
    IDirectDrawSurface7* src = makeSurface(2, 2);
    IDirectDrawSurface7* dst = makeSurface(4, 4);
    setPixel(src, 0, 0, 0x111111);
    setPixel(src, 1, 0, 0x222222);
    setPixel(src, 0, 1, 0x333333);
    setPixel(src, 1, 1, 0x444444);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const uint32_t expected[4][4] = {{0x111111, 0x111111, 0x222222, 0x222222},
                                     {0x111111, 0x111111, 0x222222, 0x222222},
                                     {0x333333, 0x333333, 0x444444, 0x444444},
                                     {0x333333, 0x333333, 0x444444, 0x444444}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pixelAt(dst, x, y), expected[y][x]) << x << "," << y;
    // Shrinking takes the pixel under each destination centre.
    IDirectDrawSurface7* small = makeSurface(1, 1);
    ASSERT_EQ(small->Blt(nullptr, dst, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixelAt(small, 0, 0), 0x444444u);
}

TEST_F(Surfaces, SourceColourKeyLeavesKeyedPixelsUntouched) {
    IDirectDrawSurface7* src = makeSurface(2, 1);
    IDirectDrawSurface7* dst = makeSurface(2, 1);
    setPixel(src, 0, 0, 0x00FF00);  // pure green: the key
    setPixel(src, 1, 0, 0xABCDEF);
    ASSERT_EQ(fill(dst, 0x777777), DD_OK);
    DDCOLORKEY key{0x00FF00, 0x00FF00};
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixelAt(dst, 0, 0), 0x777777u);
    EXPECT_EQ(pixelAt(dst, 1, 0), 0xABCDEFu);
    // Without the key flag everything is copied.
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixelAt(dst, 0, 0), 0x00FF00u);
    // BltFast honours the same key.
    ASSERT_EQ(fill(dst, 0x777777), DD_OK);
    ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(pixelAt(dst, 0, 0), 0x777777u);
    EXPECT_EQ(pixelAt(dst, 1, 0), 0xABCDEFu);
    DDCOLORKEY got{};
    ASSERT_EQ(src->GetColorKey(DDCKEY_SRCBLT, &got), DD_OK);
    EXPECT_EQ(got.dwColorSpaceLowValue, 0x00FF00u);
    EXPECT_EQ(dst->GetColorKey(DDCKEY_SRCBLT, &got), DDERR_NOCOLORKEY);
}

TEST_F(Surfaces, OverrideKeyReplacesTheSurfacesKey) {
    IDirectDrawSurface7* src = makeSurface(2, 1);
    IDirectDrawSurface7* dst = makeSurface(2, 1);
    setPixel(src, 0, 0, 0x000000);
    setPixel(src, 1, 0, 0x0000FF);
    DDCOLORKEY black{0, 0};
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &black), DD_OK);
    ASSERT_EQ(fill(dst, 0x777777), DD_OK);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.ddckSrcColorkey = {0x0000FF, 0x0000FF};
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_KEYSRCOVERRIDE | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(pixelAt(dst, 0, 0), 0x000000u);
    EXPECT_EQ(pixelAt(dst, 1, 0), 0x777777u);
}

TEST_F(Surfaces, OrRasterOperationCombinesSourceAndDestination) {
    IDirectDrawSurface7* src = makeSurface(1, 1);
    IDirectDrawSurface7* dst = makeSurface(1, 1);
    setPixel(src, 0, 0, 0x0F0F00);
    setPixel(dst, 0, 0, 0x30F00F);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwROP = SRCPAINT;
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_ROP | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(pixelAt(dst, 0, 0), 0x3FFF0Fu);
    fx.dwROP = 0x00BB0226;  // a raster operation the layer does not offer
    EXPECT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_ROP | DDBLT_WAIT, &fx), DDERR_UNSUPPORTED);
}

TEST_F(Surfaces, BltConvertsBetweenFormatsAndCopiesOverlapsFaithfully) {
    IDirectDrawSurface7* s16 = makeSurface(3, 1, formatR5G6B5());
    IDirectDrawSurface7* s32 = makeSurface(3, 1, formatX8R8G8B8());
    setPixel(s16, 0, 0, 0xF800);
    setPixel(s16, 1, 0, 0x07E0);
    setPixel(s16, 2, 0, 0x001F);
    ASSERT_EQ(s32->Blt(nullptr, s16, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixelAt(s32, 0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(pixelAt(s32, 1, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(pixelAt(s32, 2, 0) & 0xFFFFFF, 0x0000FFu);
    // Shifting a row right by one within one surface.
    RECT from{0, 0, 2, 1}, to{1, 0, 3, 1};
    ASSERT_EQ(s16->Blt(&to, s16, &from, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixelAt(s16, 1, 0), 0xF800u);
    EXPECT_EQ(pixelAt(s16, 2, 0), 0x07E0u);
}

TEST_F(Surfaces, TextureFormatsWithAlphaAreOfferedAndOthersRefused) {
    IDirectDrawSurface7* a8 = makeSurface(8, 8, formatA8R8G8B8(), DDSCAPS_TEXTURE);
    IDirectDrawSurface7* a4 = makeSurface(8, 8, formatA4R4G4B4(), DDSCAPS_TEXTURE);
    DDPIXELFORMAT f{};
    ASSERT_EQ(a8->GetPixelFormat(&f), DD_OK);
    EXPECT_EQ(f.dwRGBAlphaBitMask, 0xFF000000u);
    ASSERT_EQ(a4->GetPixelFormat(&f), DD_OK);
    EXPECT_EQ(f.dwRGBAlphaBitMask, 0xF000u);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = desc.dwHeight = 8;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.ddpfPixelFormat = formatX8R8G8B8();
    desc.ddpfPixelFormat.dwRGBBitCount = 24;
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DDERR_INVALIDPIXELFORMAT);
    desc.ddpfPixelFormat = formatX8R8G8B8();
    desc.dwWidth = 100000;
    EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(s, nullptr);
}

TEST_F(Surfaces, ADepthBufferAttachesOnceToASurfaceOfItsSize) {
    makeChain(640, 480, 32);
    for (const DDPIXELFORMAT& zf : {platform::ddraw::formatZ16(), platform::ddraw::formatZ32(), platform::ddraw::formatZ24S8()}) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc.dwWidth = 640;
        desc.dwHeight = 480;
        desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
        desc.ddpfPixelFormat = zf;
        IDirectDrawSurface7* z = nullptr;
        ASSERT_EQ(dd->CreateSurface(&desc, &z, nullptr), DD_OK);
        surfaces.push_back(z);
    }
    IDirectDrawSurface7* z16 = surfaces[0];
    IDirectDrawSurface7* z32 = surfaces[1];
    ASSERT_EQ(back->AddAttachedSurface(z16), DD_OK);
    EXPECT_EQ(back->AddAttachedSurface(z16), DDERR_SURFACEALREADYATTACHED);
    EXPECT_EQ(back->AddAttachedSurface(z32), DDERR_CANNOTATTACHSURFACE);
    DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
    IDirectDrawSurface7* got = nullptr;
    ASSERT_EQ(back->GetAttachedSurface(&caps, &got), DD_OK);
    EXPECT_EQ(got, z16);
    got->Release();
    IDirectDrawSurface7* small = makeSurface(8, 8);
    EXPECT_EQ(small->AddAttachedSurface(z32), DDERR_CANNOTATTACHSURFACE);
    // Detaching everything leaves the flipping chain intact.
    ASSERT_EQ(back->DeleteAttachedSurface(0, nullptr), DD_OK);
    EXPECT_EQ(back->GetAttachedSurface(&caps, &got), DDERR_NOTFOUND);
    EXPECT_EQ(primary->DeleteAttachedSurface(0, back), DDERR_CANNOTDETACHSURFACE);
    EXPECT_EQ(back->DeleteAttachedSurface(0, z16), DDERR_SURFACENOTATTACHED);
}

TEST_F(Surfaces, GetDCFailsCleanlyWithoutADeviceContextProvider) {
    // Until a provider exists for this target the request fails and leaves the surface usable.
    IDirectDrawSurface7* s = makeSurface(4, 4);
    HDC dc = nullptr;
    const HRESULT hr = s->GetDC(&dc);
    if (hr == DD_OK) {
        EXPECT_NE(dc, nullptr);
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
        EXPECT_EQ(fill(s, 0), DDERR_SURFACEBUSY);
        EXPECT_EQ(s->ReleaseDC(dc), DD_OK);
    } else {
        EXPECT_EQ(hr, DDERR_CANTCREATEDC);
        EXPECT_EQ(dc, nullptr);
    }
    EXPECT_EQ(s->ReleaseDC(reinterpret_cast<HDC>(0x1234)), DDERR_NODC);
    EXPECT_EQ(fill(s, 0x55), DD_OK);
}

}  // namespace

#include "platform/ddraw/surface_access.h"

namespace {

TEST_F(Surfaces, DirectMemoryAccessSeesWhatLockSeesAndFindsTheDepthBuffer) {
    makeChain(640, 480, 16);
    platform::ddraw::SurfaceMemory m;
    ASSERT_TRUE(platform::ddraw::surfaceMemory(back, &m));
    EXPECT_EQ(m.width, 640);
    EXPECT_EQ(m.pitchBytes, 1280);
    EXPECT_EQ(m.format.dwRGBBitCount, 16u);
    reinterpret_cast<uint16_t*>(m.pixels + 3 * m.pitchBytes)[2] = 0xABCD;
    EXPECT_EQ(pixelAt(back, 2, 3), 0xABCDu);
    // Flipping leaves the back buffer's memory where it was.
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    platform::ddraw::SurfaceMemory after;
    ASSERT_TRUE(platform::ddraw::surfaceMemory(back, &after));
    EXPECT_EQ(after.pixels, m.pixels);
    EXPECT_EQ(platform::ddraw::attachedDepthBuffer(back), nullptr);
    IDirectDrawSurface7* z = makeSurface(640, 480, platform::ddraw::formatZ16(), DDSCAPS_ZBUFFER);
    ASSERT_EQ(back->AddAttachedSurface(z), DD_OK);
    EXPECT_EQ(platform::ddraw::attachedDepthBuffer(back), z);
    EXPECT_FALSE(platform::ddraw::surfaceMemory(nullptr, &m));
}

}  // namespace
