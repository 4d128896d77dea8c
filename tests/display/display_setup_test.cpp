#include <gtest/gtest.h>

#include <string>

#include "saver/display/device_defaults.h"
#include "saver/scene/surface_makers.h"
#include "saver/display/texture_format.h"
#include "tests/display/display_fixture.h"

using namespace display_test;
using ddraw_test::g_presented;

namespace {

bool allBlack(const std::vector<uint32_t>& pixels) {
    for (uint32_t p : pixels)
        if (p & 0xFFFFFF) return false;
    return true;
}

TEST_F(DisplaySetup, PresentationTakesTheModeAndShowsOneBlackFrame) {
    makeDisplay(800, 600, 16);
    ASSERT_NE(g_display.primary, nullptr);
    ASSERT_NE(g_display.backBuffer, nullptr);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(g_display.backBuffer->GetSurfaceDesc(&d), DD_OK);
    EXPECT_EQ(d.dwWidth, 800u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(g_display.keyGreen, 0x07E0u);
    DDCOLORKEY key{1, 1};
    ASSERT_EQ(g_display.backBuffer->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0u);
    EXPECT_EQ(g_presented.count, 1);
    EXPECT_EQ(g_presented.width, 800);
    EXPECT_TRUE(allBlack(g_presented.pixels));
    EXPECT_GT(g_display.screenDpi, 0);
}

TEST_F(DisplaySetup, PureGreenIsKeyedByItsValueInThirtyTwoBitsToo) {
    makeDisplay(640, 480, 32);
    EXPECT_EQ(g_display.keyGreen, 0x0000FF00u);
    EXPECT_EQ(matchColor(nullptr, RGB(0, 255, 0)), 0xFFFFFFFFu);
    EXPECT_EQ(matchColor(g_display.backBuffer, RGB(0x12, 0x34, 0x56)), 0x123456u);
    EXPECT_EQ(setSourceColorKey(nullptr, 0), E_FAIL);
}

TEST_F(DisplaySetup, AFailedPresentationReleasesEverythingAndReturnsTheStepsCode) {
    void* out = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
    g_display.directDraw = static_cast<IDirectDraw7*>(out);
    EXPECT_EQ(createPresentation(ddraw_test::kWindow, 1920, 1080, 32), DDERR_INVALIDMODE);
    EXPECT_EQ(g_display.directDraw, nullptr);
    EXPECT_EQ(g_display.primary, nullptr);
    EXPECT_EQ(g_presented.count, 0);
    // The exclusive level went with it: another object may take the display.
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
    auto* other = static_cast<IDirectDraw7*>(out);
    EXPECT_EQ(other->SetCooperativeLevel(ddraw_test::kWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    other->Release();
    EXPECT_EQ(createPresentation(ddraw_test::kWindow, 800, 600, 32), E_FAIL);  // no DirectDraw object
}

TEST_F(DisplaySetup, TheDeviceGetsAStencilFreeDepthBufferTheViewportAndTheTextureFormat) {
    g_settings.modeIndex = 3;  // 800x600x32
    makeDisplay(800, 600, 32);
    ASSERT_EQ(create3DDevice(), S_OK);
    ASSERT_NE(g_display.zBuffer, nullptr);
    DDPIXELFORMAT z{};
    ASSERT_EQ(g_display.zBuffer->GetPixelFormat(&z), DD_OK);
    EXPECT_EQ(z.dwFlags, DDPF_ZBUFFER);
    EXPECT_EQ(z.dwZBufferBitDepth, 16u);  // the first format without stencil
    DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
    IDirectDrawSurface7* attached = nullptr;
    ASSERT_EQ(g_display.backBuffer->GetAttachedSurface(&caps, &attached), DD_OK);
    EXPECT_EQ(attached, g_display.zBuffer);
    attached->Release();
    EXPECT_EQ(fake.target, g_display.backBuffer);
    EXPECT_TRUE(fake.requested == IID_IDirect3DRGBDevice);
    EXPECT_EQ(g_display.device, &device);
    EXPECT_EQ(device.viewport.dwWidth, 800u);
    EXPECT_EQ(device.viewport.dwHeight, 600u);
    EXPECT_EQ(device.viewport.dvMaxZ, 1.0f);
    EXPECT_EQ(g_display.textureFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(g_display.textureFormat.dwRGBAlphaBitMask, 0xFF000000u);
}

TEST_F(DisplaySetup, DefaultStatesAreApplied) {
    makeDisplay(640, 480, 16);
    ASSERT_EQ(create3DDevice(), S_OK);
    EXPECT_EQ(device.state(D3DRENDERSTATE_AMBIENT), 0x22222222u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_ZENABLE), 1u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_ZWRITEENABLE), 1u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_SRCBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(device.state(D3DRENDERSTATE_DESTBLEND), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(device.state(D3DRENDERSTATE_DITHERENABLE), 1u);
    EXPECT_EQ(device.state(D3DRENDERSTATE_SPECULARENABLE), 0u);
    const D3DMATRIX& p = device.transforms[D3DTRANSFORMSTATE_PROJECTION];
    // cot(0.375) = 2.540479; Q = 10000 / 9900.
    EXPECT_NEAR(p.m[0][0], 1.905359f, 1e-5f);
    EXPECT_NEAR(p.m[1][1], 2.540479f, 1e-5f);
    EXPECT_NEAR(p.m[2][2], 1.010101f, 1e-5f);
    EXPECT_EQ(p.m[2][3], 1.0f);
    EXPECT_NEAR(p.m[3][2], -101.0101f, 1e-3f);
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_EQ(device.transforms[D3DTRANSFORMSTATE_WORLD].m[3][3], 1.0f);
    EXPECT_EQ(device.transforms[D3DTRANSFORMSTATE_WORLD].m[3][0], 0.0f);
    for (DWORD i : {0u, 1u}) {
        const D3DLIGHT7& l = device.lights[i];
        EXPECT_EQ(l.dltType, D3DLIGHT_DIRECTIONAL);
        EXPECT_EQ(l.dvDirection.x, -400.0f);
        EXPECT_EQ(l.dvDirection.z, 400.0f);
        EXPECT_EQ(l.dcvDiffuse.r, 1.0f);
        EXPECT_EQ(l.dcvDiffuse.a, 0.0f);
        EXPECT_EQ(l.dvAttenuation0, 1.0f);
        EXPECT_NEAR(l.dvRange, 1.8446743e19f, 1e13f);
        EXPECT_TRUE(device.lightEnabled[i]);
    }
    EXPECT_EQ((device.stageStates[{0, D3DTSS_COLOROP}]), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ((device.stageStates[{0, D3DTSS_COLORARG1}]), D3DTA_TEXTURE);
    EXPECT_EQ((device.stageStates[{0, D3DTSS_MIPFILTER}]), static_cast<DWORD>(D3DTFP_LINEAR));
    EXPECT_EQ((device.stageStates[{2, D3DTSS_ADDRESS}]), static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ((device.stageStates[{2, D3DTSS_MAGFILTER}]), static_cast<DWORD>(D3DTFG_LINEAR));
}

TEST_F(DisplaySetup, OnlyStencilDepthFormatsGiveEFailAndTheRestStaysForRelease) {
    fake.zFormats = {platform::ddraw::formatZ24S8()};
    makeDisplay(640, 480, 16);
    EXPECT_EQ(create3DDevice(), E_FAIL);
    EXPECT_EQ(g_display.device, nullptr);
    EXPECT_EQ(g_display.direct3D, &fake);
    releaseDisplay(nullptr);
    EXPECT_EQ(fake.releases, 1);
    EXPECT_EQ(g_display.direct3D, nullptr);
}

TEST_F(DisplaySetup, FailuresOfTheDeviceAndTheViewportAreReturned) {
    makeDisplay(640, 480, 16);
    fake.createResult = E_OUTOFMEMORY;
    EXPECT_EQ(create3DDevice(), E_OUTOFMEMORY);
    releaseDisplay(nullptr);
    makeDisplay(640, 480, 16);
    fake.createResult = S_OK;
    device.viewportResult = E_INVALIDARG;
    EXPECT_EQ(create3DDevice(), E_INVALIDARG);
    EXPECT_EQ(device.state(D3DRENDERSTATE_AMBIENT), 0u);  // no defaults without a viewport
    EXPECT_EQ(g_display.textureFormat.dwRGBBitCount, 32u);
}

TEST_F(DisplaySetup, OutOfRangeChoicesAreCorrectedToZero) {
    g_settings.deviceIndex = 7;
    g_settings.modeIndex = -1;
    makeDisplay(640, 480, 16);
    ASSERT_EQ(create3DDevice(), S_OK);
    EXPECT_EQ(g_settings.deviceIndex, 0);
    EXPECT_EQ(g_settings.modeIndex, 0);
    EXPECT_EQ(device.viewport.dwWidth, 640u);
}

TEST_F(DisplaySetup, TextureFormatSearchSkipsWhatDoesNotFit) {
    DDPIXELFORMAT lum = platform::ddraw::formatA8R8G8B8();
    lum.dwFlags |= DDPF_LUMINANCE;
    DDPIXELFORMAT pal{};
    pal.dwFlags = DDPF_PALETTEINDEXED8 | DDPF_RGB;
    pal.dwRGBBitCount = 8;
    device.textureFormats = {lum, platform::ddraw::formatA4R4G4B4(), pal, platform::ddraw::formatX8R8G8B8()};
    chooseAlphaTextureFormat(&device);
    EXPECT_EQ(g_display.textureFormat.dwRGBBitCount, 0u);  // no 32-bit format with alpha
    DDPIXELFORMAT found{};
    ASSERT_TRUE(findTextureFormat(&device, 32, false, false, &found));
    EXPECT_EQ(found.dwRGBAlphaBitMask, 0u);
    ASSERT_TRUE(findTextureFormat(&device, 0, false, true, &found));
    EXPECT_EQ(found.dwRGBBitCount, 8u);
    EXPECT_FALSE(findTextureFormat(&device, 16, true, false, &found));  // 4-bit alpha is passed over
    EXPECT_FALSE(findTextureFormat(nullptr, 32, true, false, &found));
}

std::string g_order;
void hookA() { g_order += "anim;"; }
void hookM() { g_order += "models;"; }
void hookO() { g_order += "overlay;"; }
void hookS() { g_order += "stores;"; }
void hookR() { g_order += "reload;"; }

TEST_F(DisplaySetup, ReleaseCallsTheOwnersInOrderAndLeavesEveryMemberNone) {
    displayHooks() = DisplayHooks{hookA, hookM, hookO, hookS, hookR};
    makeDisplay(640, 480, 16);
    ASSERT_EQ(create3DDevice(), S_OK);
    g_order.clear();
    releaseDisplay(ddraw_test::kWindow);
    EXPECT_EQ(g_order, "anim;models;overlay;stores;");
    EXPECT_EQ(device.releases, 1);
    EXPECT_EQ(fake.releases, 1);
    EXPECT_EQ(g_display.directDraw, nullptr);
    EXPECT_EQ(g_display.primary, nullptr);
    EXPECT_EQ(g_display.backBuffer, nullptr);
    EXPECT_EQ(g_display.zBuffer, nullptr);
    EXPECT_EQ(g_display.direct3D, nullptr);
    EXPECT_EQ(g_display.device, nullptr);
    EXPECT_EQ(g_display.textureFormat.dwRGBBitCount, 0u);
    // A second release touches nothing of the display.
    g_order.clear();
    releaseDisplay(ddraw_test::kWindow);
    EXPECT_EQ(g_order, "anim;");
    EXPECT_EQ(device.releases, 1);
}

TEST_F(DisplaySetup, RestoreAfterLossPresentsBlackAndReloadsThePictures) {
    displayHooks().reloadPictures = hookR;
    makeDisplay(640, 480, 32);
    const int before = g_presented.count;
    platform::ddraw::markAllSurfacesLost();
    g_order.clear();
    EXPECT_EQ(restoreAfterLoss(), S_OK);
    EXPECT_EQ(g_order, "reload;");
    EXPECT_EQ(g_presented.count, before + 1);
    EXPECT_EQ(g_display.backBuffer->IsLost(), DD_OK);
    // While another program holds the display nothing is restored or reloaded.
    platform::bridge::raise(platform::bridge::DisplayEvent::Taken);
    g_order.clear();
    EXPECT_EQ(restoreAfterLoss(), DDERR_WRONGMODE);
    EXPECT_EQ(g_order, "");
}

}  // namespace
