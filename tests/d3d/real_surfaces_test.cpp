// The 3D device on the DirectDraw layer's own surfaces: obtained through QueryInterface, drawing
// into the back buffer of a flipping chain with an attached z-buffer, presented by Flip, and
// leaving its figures for the frame trace. The device queues its span-path draws: whatever the
// program does to the surfaces between draws must see (and be seen by) every draw before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/d3d/raster_options.h"
#include "platform/d3d/standard_formats.h"
#include "platform/ddraw/frame_trace.h"
#include "platform/ddraw/surface.h"
#include "tests/ddraw/ddraw_fixture.h"

namespace {

class DeviceOnDirectDraw : public ddraw_test::DirectDrawTest {
protected:
    void makeDevice(int bits) {
        makeChain(640, 480, bits);
        IDirectDrawSurface7* z = makeSurface(640, 480, platform::d3d::formatZ32(), DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY);
        ASSERT_EQ(back->AddAttachedSurface(z), DD_OK);
        zbuffer = z;
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
    // A full-screen square at depth z in an emissive colour, lit, blended as asked, z-writes as asked.
    void drawSquare(float z, float r, float g, float b, bool additive, bool writeZ) {
        device->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, additive);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
        device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, writeZ);
        D3DMATERIAL7 m{};
        m.emissive = {r, g, b, 1};
        device->SetMaterial(&m);
        D3DVERTEX v[4] = {{-1, 1, z, 0, 0, -1, 0, 0}, {1, 1, z, 0, 0, -1, 0, 0}, {1, -1, z, 0, 0, -1, 0, 0},
                          {-1, -1, z, 0, 0, -1, 0, 0}};
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_VERTEX, v, 4, 0), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }
    void clear(float z) { ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, z, 0), D3D_OK); }
    // The z-buffer's pixels through a lock: what the program itself could do to it.
    void writeDepthRows(int firstRow, int rows, uint32_t value) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(zbuffer->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        for (int y = firstRow; y < firstRow + rows; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(desc.lpSurface) + ptrdiff_t(y) * desc.lPitch);
            for (int x = 0; x < 640; ++x) row[x] = value;
        }
        zbuffer->Unlock(nullptr);
    }
    uint32_t at(int x, int y) { return ddraw_test::pixelAt(back, x, y) & 0xFFFFFF; }
    // Every byte of a surface, row by row.
    static std::vector<uint8_t> bytesOf(IDirectDrawSurface7* s) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        std::vector<uint8_t> out;
        if (s->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return out;
        const size_t row = desc.dwWidth * desc.ddpfPixelFormat.dwRGBBitCount / 8;
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const auto* p = static_cast<const uint8_t*>(desc.lpSurface) + ptrdiff_t(y) * desc.lPitch;
            out.insert(out.end(), p, p + row);
        }
        s->Unlock(nullptr);
        return out;
    }
    // Fills a 16-bit surface with a pattern that differs for every seed.
    static void fill16(IDirectDrawSurface7* s, uint32_t seed) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        for (DWORD y = 0; y < desc.dwHeight; ++y)
            for (DWORD x = 0; x < desc.dwWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(desc.lpSurface) + ptrdiff_t(y) * desc.lPitch)[x] =
                    uint16_t(seed >> 16);
            }
        s->Unlock(nullptr);
    }
    // A slanted quad over most of the screen, textured with wrap-around, bilinear, additive or
    // opaque; `shift` moves it to the right by half as much and its texture coordinates by as
    // much. Inside a scene.
    void drawTexturedQuad(IDirectDrawSurface7* texture, float shift = 0, bool additive = true) {
        device->SetTexture(0, texture);
        device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
        device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, additive);
        const float x = shift / 2;
        D3DVERTEX v[4] = {{-0.9f + x, 0.8f, 0.5f, 0, 0, -1, -0.3f + shift, 0.1f},
                          {0.95f + x, 0.9f, 0.5f, 0, 0, -1, 2.7f + shift, -0.2f},
                          {0.8f + x, -0.9f, 0.5f, 0, 0, -1, 3.1f + shift, 2.9f},
                          {-0.85f + x, -0.7f, 0.5f, 0, 0, -1, 0.2f + shift, 3.3f}};
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_VERTEX, v, 4, 0), D3D_OK);
    }
    void drawTextured(IDirectDrawSurface7* texture) {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        drawTexturedQuad(texture);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    }
    // The back buffer's bytes after `scene` on the reference path (every draw done at once) and
    // on the span path (draws queued, both threads).
    std::vector<uint8_t> pictureOn(platform::d3d::RasterPath path, const std::function<void()>& scene) {
        platform::d3d::setRasterPath(path);
        scene();
        platform::d3d::setRasterPath(platform::d3d::RasterPath::Automatic);
        return bytesOf(back);
    }
    void expectSamePictureOnBothPaths(const std::function<void()>& scene) {
        const int threads = platform::d3d::rasterThreads();
        platform::d3d::setRasterThreads(2);
        std::vector<uint8_t> reference = pictureOn(platform::d3d::RasterPath::Reference, scene);
        std::vector<uint8_t> spans = pictureOn(platform::d3d::RasterPath::Automatic, scene);
        platform::d3d::setRasterThreads(threads);
        ASSERT_FALSE(reference.empty());
        EXPECT_TRUE(reference == spans);
    }
    // Writes `value` into rows [first, first + rows) of the 16-bit back buffer through a lock.
    void writeBackRows(int first, int rows, uint16_t value) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        for (int y = first; y < first + rows; ++y)
            std::fill_n(reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(desc.lpSurface) + ptrdiff_t(y) * desc.lPitch),
                        640, value);
        back->Unlock(nullptr);
    }
    // Releases a surface the fixture made before the fixture's end.
    void releaseEarly(IDirectDrawSurface7* s) {
        surfaces.erase(std::find(surfaces.begin(), surfaces.end(), s));
        s->Release();
    }
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    IDirectDrawSurface7* zbuffer = nullptr;
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

// After a clear to the far depth, draws that do not write depth leave the z-buffer out; the
// picture must be what the full depth test gives (here forced by touching the z-buffer first).
TEST_F(DeviceOnDirectDraw, AFarZBufferLeftOutGivesThePictureOfTheFullDepthTest) {
    makeDevice(32);
    auto drawLayers = [&] {
        drawSquare(0.7f, 0.2f, 0.1f, 0.0f, true, false);
        drawSquare(0.3f, 0.0f, 0.3f, 0.1f, true, false);
        drawSquare(0.999f, 0.1f, 0.0f, 0.6f, true, false);
    };
    clear(1.0f);
    drawLayers();
    const uint32_t skipped = at(320, 240);
    clear(1.0f);
    writeDepthRows(0, 480, 0xFFFFFFFFu);  // the same far value, written by the program
    drawLayers();
    EXPECT_EQ(at(320, 240), skipped);
    // Each layer rounds to 8 bits before the sums: red 51 + 0 + 26, green 26 + 77 + 0, blue 0 + 26 + 153.
    EXPECT_EQ(skipped, 0x4D67B3u);
}

// Whatever put nearer depths into the z-buffer since the clear still hides what lies behind.
TEST_F(DeviceOnDirectDraw, NearerDepthsFromDrawsLocksClearsAndLossesStillHide) {
    makeDevice(32);
    clear(1.0f);
    drawSquare(0.4f, 0, 1, 0, false, true);   // writes depth 0.4
    drawSquare(0.6f, 1, 0, 0, true, false);   // behind it: hidden
    EXPECT_EQ(at(320, 240), 0x00FF00u);

    clear(1.0f);
    writeDepthRows(0, 10, 0);                 // the program makes the top rows nearest
    drawSquare(0.6f, 1, 0, 0, true, false);
    EXPECT_EQ(at(320, 5), 0u);
    EXPECT_EQ(at(320, 240), 0xFF0000u);

    clear(0.5f);                              // a nearer clear value
    drawSquare(0.6f, 1, 0, 0, true, false);
    EXPECT_EQ(at(320, 240), 0u);

    clear(1.0f);
    D3DRECT part{0, 0, 640, 100};
    ASSERT_EQ(device->Clear(1, &part, D3DCLEAR_ZBUFFER, 0, 0.2f, 0), D3D_OK);  // near over a part
    drawSquare(0.6f, 1, 0, 0, true, false);
    EXPECT_EQ(at(320, 50), 0u);
    EXPECT_EQ(at(320, 240), 0xFF0000u);

    clear(1.0f);
    platform::bridge::raise(platform::bridge::DisplayEvent::Hidden);  // lost: the restore zeroes it
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3D_OK);
    drawSquare(0.6f, 1, 0, 0, true, false);
    EXPECT_EQ(at(320, 240), 0u);
}

// A clear to the far value of a z-buffer known far writes nothing (its stamp stays, its bytes are
// the far value); after depth was written, by a draw or by the program, it clears again.
TEST_F(DeviceOnDirectDraw, ClearingAFarZBufferToFarWritesNothingButNearerDepthsAreCleared) {
    makeDevice(32);
    const platform::ddraw::Surface* z = platform::ddraw::asSurface(zbuffer);
    ASSERT_NE(z, nullptr);
    clear(1.0f);
    const uint64_t stamp = z->writeStamp();
    clear(1.0f);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 2.0f, 0), D3D_OK);  // stored as 1.0
    EXPECT_EQ(z->writeStamp(), stamp);
    const std::vector<uint8_t> far = bytesOf(zbuffer);
    ASSERT_EQ(far.size(), size_t(640 * 480 * 4));
    EXPECT_TRUE(std::all_of(far.begin(), far.end(), [](uint8_t b) { return b == 0xFF; }));

    drawSquare(0.4f, 0, 1, 0, false, true);  // writes depth 0.4
    clear(1.0f);
    drawSquare(0.6f, 1, 0, 0, true, false);  // nothing in front any more
    EXPECT_EQ(at(320, 240), 0xFF0000u);
    writeDepthRows(0, 10, 0);
    clear(1.0f);
    EXPECT_EQ(bytesOf(zbuffer), far);
}

// Two devices drawing into one back buffer share its z-buffer: depth one of them writes makes the
// other's knowledge that the z-buffer holds only the far value stale, so its next clear to the
// far value writes again and a square behind the other's depth shows.
TEST_F(DeviceOnDirectDraw, DepthWrittenByAnotherDeviceIsClearedByTheFirstsClearToFar) {
    makeDevice(32);
    IDirect3DDevice7* other = nullptr;
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, back, &other), D3D_OK);
    D3DVIEWPORT7 vp{0, 0, 640, 480, 0, 1};
    ASSERT_EQ(other->SetViewport(&vp), D3D_OK);
    clear(1.0f);
    clear(1.0f);  // known far now
    std::swap(device, other);
    drawSquare(0.4f, 0, 1, 0, false, true);  // the other device writes depth 0.4
    std::swap(device, other);
    clear(1.0f);
    const std::vector<uint8_t> depth = bytesOf(zbuffer);
    ASSERT_EQ(depth.size(), size_t(640 * 480 * 4));
    EXPECT_TRUE(std::all_of(depth.begin(), depth.end(), [](uint8_t b) { return b == 0xFF; }));
    drawSquare(0.6f, 1, 0, 0, false, false);
    EXPECT_EQ(at(320, 240), 0xFF0000u);
    other->Release();
}

// 16-bit textures are read from widened 32-bit copies on the span path: the picture must be the
// reference's byte for byte, also after the texture was written again (the copy is made anew).
TEST_F(DeviceOnDirectDraw, SixteenBitTexturesGiveTheReferencePictureAlsoAfterTheyAreRewritten) {
    makeDevice(16);
    for (const DDPIXELFORMAT& format : {platform::d3d::formatR5G6B5(), platform::d3d::formatA4R4G4B4()}) {
        IDirectDrawSurface7* texture = makeSurface(64, 32, format, DDSCAPS_TEXTURE);
        ASSERT_NE(texture, nullptr);
        for (uint32_t seed : {1u, 2u}) {
            fill16(texture, seed);
            std::vector<uint8_t> pictures[2];
            for (int i = 0; i < 2; ++i) {
                platform::d3d::setRasterPath(i == 0 ? platform::d3d::RasterPath::Reference
                                                    : platform::d3d::RasterPath::Automatic);
                ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x203040, 1.0f, 0), D3D_OK);
                drawTextured(texture);
                drawTextured(texture);  // the second time from the kept copy
                pictures[i] = bytesOf(back);
            }
            platform::d3d::setRasterPath(platform::d3d::RasterPath::Automatic);
            ASSERT_FALSE(pictures[0].empty());
            EXPECT_TRUE(pictures[0] == pictures[1]) << "seed " << seed << " format " << format.dwRBitMask;
        }
        device->SetTexture(0, nullptr);
    }
}

// Between queued draws the program rewrites the texture, writes into the back buffer and clears a
// part of it: every draw must see the texture as it was when it was made and land before the
// program's writes, as on the reference path, which draws each call at once.
TEST_F(DeviceOnDirectDraw, QueuedDrawsKeepTheirOrderWithTextureRewritesLocksAndClears) {
    makeDevice(16);
    for (const DDPIXELFORMAT& format : {platform::d3d::formatA8R8G8B8(), platform::d3d::formatR5G6B5()}) {
        IDirectDrawSurface7* texture = makeSurface(64, 32, format, DDSCAPS_TEXTURE);
        ASSERT_NE(texture, nullptr);
        expectSamePictureOnBothPaths([&] {
            fill16(texture, 3);  // of a 32-bit texture, the left half of each row
            ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x203040, 1.0f, 0), D3D_OK);
            ASSERT_EQ(device->BeginScene(), D3D_OK);
            drawTexturedQuad(texture, 0, false);
            fill16(texture, 4);
            drawTexturedQuad(texture, 0.37f, false);
            writeBackRows(100, 40, 0x1234);
            drawTexturedQuad(texture, 0.61f, false);
            D3DRECT part{200, 0, 260, 480};
            ASSERT_EQ(device->Clear(1, &part, D3DCLEAR_TARGET, 0x00FF00, 1.0f, 0), D3D_OK);
            drawTexturedQuad(texture, 0.13f);
            ASSERT_EQ(device->EndScene(), D3D_OK);
        });
        device->SetTexture(0, nullptr);
    }
}

// The program lets go of a texture while a draw from it is still queued: the draw still happens,
// from the texture's pixels.
TEST_F(DeviceOnDirectDraw, ATextureReleasedWhileItsDrawIsQueuedIsStillDrawnFrom) {
    makeDevice(16);
    IDirectDrawSurface7* keep = makeSurface(64, 32, platform::d3d::formatA8R8G8B8(), DDSCAPS_TEXTURE);
    ASSERT_NE(keep, nullptr);
    fill16(keep, 9);
    expectSamePictureOnBothPaths([&] {
        IDirectDrawSurface7* texture = makeSurface(64, 32, platform::d3d::formatA8R8G8B8(), DDSCAPS_TEXTURE);
        ASSERT_NE(texture, nullptr);
        fill16(texture, 5);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x203040, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        drawTexturedQuad(texture, 0, false);
        drawTexturedQuad(keep, 0.5f, false);  // the device lets go of the first texture here
        releaseEarly(texture);
        drawTexturedQuad(keep, -0.25f);
        ASSERT_EQ(device->EndScene(), D3D_OK);
    });
    device->SetTexture(0, nullptr);
}

// A draw queued before the display is lost was made before the loss: the restore wipes it.
TEST_F(DeviceOnDirectDraw, DrawsQueuedBeforeALossAreWipedByTheRestore) {
    makeDevice(16);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);  // the restore zeroes the z-buffer too
    D3DVERTEX v[4] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0}, {1, 1, 0.5f, 0, 0, -1, 0, 0}, {1, -1, 0.5f, 0, 0, -1, 0, 0},
                      {-1, -1, 0.5f, 0, 0, -1, 0, 0}};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_VERTEX, v, 4, 0), D3D_OK);
    platform::bridge::raise(platform::bridge::DisplayEvent::Hidden);
    ASSERT_EQ(dd->RestoreAllSurfaces(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    std::vector<uint8_t> picture = bytesOf(back);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(std::count(picture.begin(), picture.end(), uint8_t(0)), ptrdiff_t(picture.size()));
}

// The display is lost while the queue holds the last reference to a texture: finishing the queue
// lets that texture go, and every other surface is still marked lost (none is skipped).
TEST_F(DeviceOnDirectDraw, ALossWhileTheQueueHoldsATexturesLastReferenceMarksEverySurfaceLost) {
    // The texture comes first in the DirectDraw object's list, ahead of the screen's surfaces.
    IDirectDrawSurface7* texture = makeSurface(64, 32, platform::d3d::formatA8R8G8B8(), DDSCAPS_TEXTURE);
    makeDevice(16);
    IDirectDrawSurface7* keep = makeSurface(64, 32, platform::d3d::formatA8R8G8B8(), DDSCAPS_TEXTURE);
    IDirectDrawSurface7* after = makeSurface(64, 32, platform::d3d::formatA8R8G8B8(), DDSCAPS_TEXTURE);
    ASSERT_TRUE(texture && keep && after);
    fill16(texture, 3);
    fill16(keep, 4);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    drawTexturedQuad(texture, 0, false);
    drawTexturedQuad(keep, 0.5f, false);  // the device lets go of the first texture here
    releaseEarly(texture);                // only the queue holds it now
    platform::bridge::raise(platform::bridge::DisplayEvent::Hidden);
    for (IDirectDrawSurface7* s : {primary, back, zbuffer, keep, after}) EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(dd->RestoreAllSurfaces(), D3D_OK);
    for (IDirectDrawSurface7* s : {primary, back, zbuffer, keep, after}) EXPECT_EQ(s->IsLost(), DD_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    device->SetTexture(0, nullptr);
}
