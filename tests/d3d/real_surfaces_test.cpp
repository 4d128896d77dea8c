// The 3D device on the DirectDraw layer's own surfaces: obtained through QueryInterface, drawing
// into the back buffer of a flipping chain with an attached z-buffer, presented by Flip, and
// leaving its figures for the frame trace.
#include <gtest/gtest.h>

#include "platform/d3d/standard_formats.h"
#include "platform/ddraw/frame_trace.h"
#include "tests/ddraw/ddraw_fixture.h"

namespace {

class DeviceOnDirectDraw : public ddraw_test::DirectDrawTest {
protected:
    void makeDevice(int bits) {
        makeChain(640, 480, bits);
        IDirectDrawSurface7* z = makeSurface(640, 480, platform::d3d::formatZ32(), DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY);
        ASSERT_EQ(back->AddAttachedSurface(z), DD_OK);
        void* out = nullptr;
        ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, &out), DD_OK);
        d3d = static_cast<IDirect3D7*>(out);
        ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, back, &device), D3D_OK);
        D3DVIEWPORT7 vp{0, 0, 640, 480, 0, 1};
        ASSERT_EQ(device->SetViewport(&vp), D3D_OK);
    }
    void TearDown() override {
        if (device) device->Release();
        if (d3d) d3d->Release();
        releaseAll();
        DirectDrawTest::TearDown();
    }
    // A red rectangle over the left half, in clip coordinates, lighting off.
    void drawLeftHalf() {
        device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
        D3DMATERIAL7 m{};
        D3DVERTEX v[4] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0}, {0, 1, 0.5f, 0, 0, -1, 0, 0}, {0, -1, 0.5f, 0, 0, -1, 0, 0},
                          {-1, -1, 0.5f, 0, 0, -1, 0, 0}};
        device->SetMaterial(&m);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000080, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_VERTEX, v, 4, 0), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
};

}  // namespace

TEST_F(DeviceOnDirectDraw, DrawsIntoTheBackBufferThatFlipPresents) {
    makeDevice(32);
    drawLeftHalf();
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    ASSERT_GE(ddraw_test::g_presented.count, 1);
    ASSERT_EQ(ddraw_test::g_presented.width, 640);
    EXPECT_EQ(ddraw_test::g_presented.pixels[100 * 640 + 50] & 0xFFFFFF, 0xFFFFFFu);   // drawn: white
    EXPECT_EQ(ddraw_test::g_presented.pixels[100 * 640 + 400] & 0xFFFFFF, 0x000080u);  // cleared
}

TEST_F(DeviceOnDirectDraw, DrawsIntoSixteenBitBackBuffers) {
    makeDevice(16);
    drawLeftHalf();
    EXPECT_EQ(ddraw_test::pixelAt(back, 50, 100), 0xFFFFu);
    EXPECT_EQ(ddraw_test::pixelAt(back, 400, 100), 0x0010u);  // 0x80 blue in 5 bits
}

TEST_F(DeviceOnDirectDraw, EndSceneLeavesTheFrameFiguresForTheTrace) {
    makeDevice(32);
    device->LightEnable(0, TRUE);
    drawLeftHalf();
    const platform::ddraw::FrameTrace& t = platform::ddraw::currentFrameTrace();
    EXPECT_EQ(t.draws, 1u);
    EXPECT_EQ(t.triangles, 2u);
    EXPECT_EQ(t.lightCount, 8);
    EXPECT_TRUE(t.lights[0]);
    EXPECT_FALSE(t.lights[1]);
    EXPECT_FALSE(t.fog);
}

TEST_F(DeviceOnDirectDraw, LostSurfacesFailTheSceneUntilRestored) {
    makeDevice(32);
    platform::bridge::raise(platform::bridge::DisplayEvent::Hidden);
    EXPECT_EQ(device->BeginScene(), DDERR_SURFACELOST);
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
}
