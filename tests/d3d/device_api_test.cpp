// The Direct3D object and the device's calls: enumeration, defaults, scenes, Clear, errors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d/scene_figures.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"

using namespace d3dtest;
using namespace platform::d3d;

namespace {

struct SeenDevice {
    std::string description, name;
    D3DDEVICEDESC7 desc;
};

HRESULT collectDevice(char* description, char* name, D3DDEVICEDESC7* desc, void* context) {
    static_cast<std::vector<SeenDevice>*>(context)->push_back({description, name, *desc});
    return D3DENUMRET_OK;
}

HRESULT collectFormat(DDPIXELFORMAT* format, void* context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_OK;
}

IDirect3D7* direct3D() {
    IDirect3D7* d3d = nullptr;
    EXPECT_EQ(CreateDirect3DForDirectDraw(nullptr, &d3d), S_OK);
    return d3d;
}

}  // namespace

TEST(Direct3D, EnumeratesOneSoftwareDeviceFor16And32BitTargets) {
    IDirect3D7* d3d = direct3D();
    std::vector<SeenDevice> seen;
    ASSERT_EQ(d3d->EnumDevices(collectDevice, &seen), D3D_OK);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].desc.deviceGUID == IID_IDirect3DRGBDevice);
    EXPECT_EQ(seen[0].desc.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION, 0u);
    EXPECT_EQ(seen[0].desc.dwDeviceRenderBitDepth, DWORD(DDBD_16 | DDBD_32));
    EXPECT_EQ(seen[0].desc.dwDeviceZBufferBitDepth, DWORD(DDBD_16 | DDBD_24 | DDBD_32));
    EXPECT_FALSE(seen[0].name.empty());
    d3d->Release();
}

TEST(Direct3D, ZBufferFormatsArePlainSixteenAndThirtyTwoThenStencil) {
    IDirect3D7* d3d = direct3D();
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(d3d->EnumZBufferFormats(IID_IDirect3DRGBDevice, collectFormat, &formats), D3D_OK);
    ASSERT_EQ(formats.size(), 3u);
    EXPECT_EQ(formats[0].dwFlags, DDPF_ZBUFFER);
    EXPECT_EQ(formats[0].dwZBufferBitDepth, 16u);
    EXPECT_EQ(formats[1].dwFlags, DDPF_ZBUFFER);
    EXPECT_EQ(formats[1].dwZBufferBitDepth, 32u);
    EXPECT_EQ(formats[2].dwFlags, DDPF_ZBUFFER | DDPF_STENCILBUFFER);
    EXPECT_EQ(formats[2].dwStencilBitDepth, 8u);
    EXPECT_NE(d3d->EnumZBufferFormats(IID_IDirect3DHALDevice, collectFormat, &formats), D3D_OK);
    d3d->Release();
}

TEST(Direct3D, CreateDeviceRefusesUnknownDevicesAndFormats) {
    IDirect3D7* d3d = direct3D();
    MemorySurface* target = createMemorySurface(8, 8, formatR5G6B5(), DDSCAPS_3DDEVICE);
    IDirect3DDevice7* device = reinterpret_cast<IDirect3DDevice7*>(1);
    EXPECT_NE(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device), D3D_OK);
    EXPECT_EQ(device, nullptr);
    EXPECT_NE(d3d->CreateDevice(IID_IDirect3DRGBDevice, nullptr, &device), D3D_OK);
    MemorySurface* z = createMemorySurface(8, 8, formatZ16(), DDSCAPS_ZBUFFER);
    EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, z, &device), DDERR_INVALIDPIXELFORMAT);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &device), D3D_OK);
    device->Release();
    z->Release();
    target->Release();
    d3d->Release();
}

TEST(Device, TextureFormatsOfferThirtyTwoBitAlphaFirst) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(t.device()->EnumTextureFormats(collectFormat, &formats), D3D_OK);
    ASSERT_GE(formats.size(), 4u);
    EXPECT_EQ(formats[0].dwRGBBitCount, 32u);
    EXPECT_EQ(formats[0].dwRGBAlphaBitMask, 0xFF000000u);
    EXPECT_EQ(formats[1].dwRGBBitCount, 16u);
    EXPECT_EQ(formats[1].dwRGBAlphaBitMask, 0xF000u);
    EXPECT_EQ(formats[2].dwRBitMask, 0xF800u);
    EXPECT_EQ(formats[3].dwFlags, DDPF_RGB);
}

TEST(Device, RenderStateDefaultsAreTheFixedFunctionOnes) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    auto rs = [&](D3DRENDERSTATETYPE s) {
        DWORD v = 0xDEAD;
        EXPECT_EQ(t.device()->GetRenderState(s, &v), D3D_OK);
        return v;
    };
    EXPECT_EQ(rs(D3DRENDERSTATE_LIGHTING), DWORD(TRUE));
    EXPECT_EQ(rs(D3DRENDERSTATE_SHADEMODE), DWORD(D3DSHADE_GOURAUD));
    EXPECT_EQ(rs(D3DRENDERSTATE_CULLMODE), DWORD(D3DCULL_CCW));
    EXPECT_EQ(rs(D3DRENDERSTATE_ZFUNC), DWORD(D3DCMP_LESSEQUAL));
    EXPECT_EQ(rs(D3DRENDERSTATE_ZENABLE), DWORD(D3DZB_TRUE));
    EXPECT_EQ(rs(D3DRENDERSTATE_ALPHABLENDENABLE), DWORD(FALSE));
    EXPECT_EQ(rs(D3DRENDERSTATE_NORMALIZENORMALS), DWORD(FALSE));
    EXPECT_EQ(rs(D3DRENDERSTATE_COLORKEYENABLE), DWORD(FALSE));
    EXPECT_EQ(rs(D3DRENDERSTATE_FOGENABLE), DWORD(FALSE));
    DWORD v = 0;
    EXPECT_EQ(t.device()->GetTextureStageState(0, D3DTSS_MAGFILTER, &v), D3D_OK);
    EXPECT_EQ(v, DWORD(D3DTFG_POINT));
    EXPECT_EQ(t.device()->GetTextureStageState(0, D3DTSS_COLOROP, &v), D3D_OK);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    EXPECT_NE(t.device()->SetRenderState(D3DRENDERSTATETYPE(D3DRENDERSTATE_COUNT), 1), D3D_OK);
}

TEST(Device, AddressStateSetsBothDirections) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    ASSERT_EQ(t.device()->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP), D3D_OK);
    DWORD u = 0, v = 0;
    t.device()->GetTextureStageState(0, D3DTSS_ADDRESSU, &u);
    t.device()->GetTextureStageState(0, D3DTSS_ADDRESSV, &v);
    EXPECT_EQ(u, DWORD(D3DTADDRESS_CLAMP));
    EXPECT_EQ(v, DWORD(D3DTADDRESS_CLAMP));
}

TEST(Device, ScenesDoNotNestAndDrawingNeedsOne) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    IDirect3DDevice7* d = t.device();
    D3DVERTEX v[3] = {t.screen(0, 0), t.screen(8, 0), t.screen(0, 8)};
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v, 3, 0), D3DERR_SCENE_NOT_IN_SCENE);
    EXPECT_EQ(d->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    EXPECT_EQ(d->BeginScene(), D3DERR_SCENE_IN_SCENE);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, 0x142, v, 3, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, nullptr, 3, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v, 2, 0), D3D_OK);  // no whole triangle
    EXPECT_EQ(d->EndScene(), D3D_OK);
}

TEST(Device, LostTargetFailsBeginSceneAndDrawing) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.surface()->setLost(true);
    EXPECT_EQ(t.device()->BeginScene(), DDERR_SURFACELOST);
    EXPECT_EQ(t.device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0), DDERR_SURFACELOST);
    t.surface()->setLost(false);
    ASSERT_EQ(t.device()->BeginScene(), D3D_OK);
    t.surface()->setLost(true);
    D3DVERTEX v[3] = {t.screen(0, 0), t.screen(8, 0), t.screen(0, 8)};
    EXPECT_EQ(t.device()->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v, 3, 0), DDERR_SURFACELOST);
    EXPECT_EQ(t.device()->EndScene(), D3D_OK);
}

TEST(Device, ClearFillsRectanglesWithinTheViewportOnly) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    t.clear(0x00000000, 1.0f);
    D3DRECT r{-5, 2, 3, 100};
    ASSERT_EQ(t.device()->Clear(1, &r, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF8000, 0.5f, 0), D3D_OK);
    EXPECT_EQ(t.rgb(0, 2).r, 255);
    EXPECT_EQ(t.rgb(2, 7).g, 128);
    EXPECT_EQ(t.rgb(3, 2).r, 0);
    EXPECT_EQ(t.rgb(0, 1).r, 0);
    EXPECT_EQ(t.depth(1, 5), 0x80000000u);
    EXPECT_EQ(t.depth(5, 5), 0xFFFFFFFFu);
}

TEST(Device, ClearOfStencilKeepsDepthAndTheOtherWayRound) {
    MemorySurface* target = createMemorySurface(4, 4, formatX8R8G8B8(), DDSCAPS_3DDEVICE);
    MemorySurface* z = createMemorySurface(4, 4, formatZ24S8(), DDSCAPS_ZBUFFER);
    target->AddAttachedSurface(z);
    IDirect3D7* d3d = direct3D();
    IDirect3DDevice7* d = nullptr;
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &d), D3D_OK);
    auto value = [&] { return *reinterpret_cast<uint32_t*>(z->pixels()); };
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0x5A), D3D_OK);
    EXPECT_EQ(value(), 0x5AFFFFFFu);
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0), D3D_OK);
    EXPECT_EQ(value(), 0x5A000000u);
    ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 0.0f, 0x11), D3D_OK);
    EXPECT_EQ(value(), 0x11000000u);
    d->Release();
    d3d->Release();
    z->Release();
    target->Release();
}

// Black and a far depth repeat one byte and take the filling shortcut; other values do not. Both
// must fill exactly the rectangle, on 16-bit and 32-bit surfaces alike.
TEST(Device, ClearsOfRepeatedAndMixedBytesFillExactlyTheRectangleInEveryWidth) {
    for (const DDPIXELFORMAT& zf : {formatZ16(), formatZ32()}) {
        for (const DDPIXELFORMAT& cf : {formatR5G6B5(), formatX8R8G8B8()}) {
            MemorySurface* target = createMemorySurface(9, 5, cf, DDSCAPS_3DDEVICE);
            MemorySurface* z = createMemorySurface(9, 5, zf, DDSCAPS_ZBUFFER);
            target->AddAttachedSurface(z);
            IDirect3D7* d3d = direct3D();
            IDirect3DDevice7* d = nullptr;
            ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target, &d), D3D_OK);
            const int cb = int(cf.dwRGBBitCount / 8), zb = int(zf.dwZBufferBitDepth / 8);
            auto raw = [](MemorySurface* m, int bytes, int x, int y) {
                uint32_t v = 0;
                std::memcpy(&v, m->pixels() + y * m->pitch() + x * bytes, size_t(bytes));
                return v;
            };
            const uint32_t farZ = zb == 2 ? 0xFFFFu : 0xFFFFFFFFu;
            ASSERT_EQ(d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF8000, 0.5f, 0), D3D_OK);
            const uint32_t orange = raw(target, cb, 0, 0), half = raw(z, zb, 0, 0);
            EXPECT_NE(orange, 0u);
            EXPECT_NE(half, farZ);
            D3DRECT r{2, 1, 7, 4};
            ASSERT_EQ(d->Clear(1, &r, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0), D3D_OK);
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 9; ++x) {
                    const bool inside = x >= 2 && x < 7 && y >= 1 && y < 4;
                    EXPECT_EQ(raw(target, cb, x, y), inside ? 0u : orange) << x << "," << y;
                    EXPECT_EQ(raw(z, zb, x, y), inside ? farZ : half) << x << "," << y;
                }
            ASSERT_EQ(d->Clear(1, &r, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00FF8000, 0.5f, 0), D3D_OK);
            EXPECT_EQ(raw(target, cb, 2, 1), orange);
            EXPECT_EQ(raw(z, zb, 6, 3), half);
            d->Release();
            d3d->Release();
            z->Release();
            target->Release();
        }
    }
}

TEST(Device, ClearOfAMissingZBufferFailsAndChangesNothing) {
    RenderTarget t(4, 4, formatX8R8G8B8(), false);
    EXPECT_EQ(t.device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00FFFFFF, 1, 0), D3D_OK);
    EXPECT_NE(t.device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0), D3D_OK);
    EXPECT_EQ(t.rgb(1, 1).r, 255);
}

TEST(Device, ViewportOutsideTheTargetIsRefused) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    D3DVIEWPORT7 vp{4, 0, 8, 8, 0, 1};
    EXPECT_EQ(t.device()->SetViewport(&vp), DDERR_INVALIDPARAMS);
    D3DVIEWPORT7 got{};
    t.device()->GetViewport(&got);
    EXPECT_EQ(got.dwWidth, 8u);
    EXPECT_EQ(got.dwX, 0u);
}

TEST(Device, LightsBeyondTheEighthAreRefusedAndUnsetLightsEnableAsDefault) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    D3DLIGHT7 l{};
    l.dltType = D3DLIGHT_DIRECTIONAL;
    EXPECT_EQ(t.device()->SetLight(8, &l), DDERR_INVALIDPARAMS);
    EXPECT_EQ(t.device()->LightEnable(3, TRUE), D3D_OK);
    D3DLIGHT7 got{};
    ASSERT_EQ(t.device()->GetLight(3, &got), D3D_OK);
    EXPECT_EQ(got.dltType, D3DLIGHT_DIRECTIONAL);
    BOOL on = FALSE;
    t.device()->GetLightEnable(3, &on);
    EXPECT_TRUE(on);
}

TEST(Device, SceneFiguresCountDrawsTrianglesAndReadTheEye) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    IDirect3DDevice7* d = t.device();
    D3DMATRIX view{};  // camera at (10, 20, 30), axes unturned
    view.m[0][0] = view.m[1][1] = view.m[2][2] = view.m[3][3] = 1;
    view.m[3][0] = -10;
    view.m[3][1] = -20;
    view.m[3][2] = -30;
    d->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
    d->SetRenderState(D3DRENDERSTATE_FOGENABLE, TRUE);
    d->LightEnable(1, TRUE);
    D3DVERTEX v[4] = {t.screen(0, 0), t.screen(8, 0), t.screen(8, 8), t.screen(0, 8)};
    ASSERT_EQ(d->BeginScene(), D3D_OK);
    d->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_VERTEX, v, 4, 0);
    d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v, 3, 0);
    ASSERT_EQ(d->EndScene(), D3D_OK);
    SceneFigures f;
    ASSERT_TRUE(lastSceneFigures(d, &f));
    EXPECT_EQ(f.draws, 2u);
    EXPECT_EQ(f.triangles, 3u);
    EXPECT_FLOAT_EQ(f.eye.x, 10);
    EXPECT_FLOAT_EQ(f.eye.y, 20);
    EXPECT_FLOAT_EQ(f.eye.z, 30);
    EXPECT_TRUE(f.fog);
    EXPECT_FALSE(f.lights[0]);
    EXPECT_TRUE(f.lights[1]);
    EXPECT_FALSE(lastSceneFigures(nullptr, &f));
}

TEST(Device, TextureReferencesAreCountedAndReleased) {
    RenderTarget t(8, 8, formatX8R8G8B8());
    MemorySurface* tex = makeTexture(1, 1, {0xFFFFFFFF}, formatA8R8G8B8());
    ASSERT_EQ(t.device()->SetTexture(0, tex), D3D_OK);
    EXPECT_EQ(tex->AddRef(), 3u);  // ours, the device's, this one
    tex->Release();
    ASSERT_EQ(t.device()->SetTexture(0, nullptr), D3D_OK);
    EXPECT_EQ(tex->Release(), 0u);
}
