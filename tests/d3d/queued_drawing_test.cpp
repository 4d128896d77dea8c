// Queued drawing: any access to a surface's pixels finishes the queues announced, except the one
// held by the thread (the device's own locks), and memory surfaces read between draws show every
// draw made before.
#include <gtest/gtest.h>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/standard_formats.h"
#include "platform/ddraw/queued_drawing.h"

using namespace platform;

namespace {

struct CountingQueue final : ddraw::QueuedDrawing {
    int finished = 0;
    void finish() override {
        ++finished;
        ddraw::withdrawQueuedDrawing(this);
    }
};

TEST(QueuedDrawing, PixelAccessFinishesAnnouncedQueuesButLeavesTheHeldOne) {
    d3d::MemorySurface* surface = d3d::createMemorySurface(8, 8, d3d::formatX8R8G8B8(), 0);
    ASSERT_NE(surface, nullptr);
    CountingQueue a, b;
    ddraw::announceQueuedDrawing(&a);
    ddraw::announceQueuedDrawing(&a);
    ddraw::announceQueuedDrawing(&b);
    {
        ddraw::QueuedDrawingHold hold(&a);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        surface->Unlock(nullptr);
        EXPECT_EQ(a.finished, 0);
        EXPECT_EQ(b.finished, 1);
    }
    surface->pixels();
    EXPECT_EQ(a.finished, 1);
    surface->setLost(true);  // nothing announced any more
    surface->Restore();
    EXPECT_EQ(a.finished, 1);
    EXPECT_EQ(b.finished, 1);
    ddraw::announceQueuedDrawing(&b);
    ddraw::withdrawQueuedDrawing(&b);
    ddraw::finishQueuedDrawing();
    EXPECT_EQ(b.finished, 1);
    surface->Release();
}

// A 64x64 memory target of the format with a software device on it, lighting off.
void makeUnlitDevice(const DDPIXELFORMAT& format, d3d::MemorySurface** target, IDirect3D7** d3d,
                     IDirect3DDevice7** device) {
    *target = d3d::createMemorySurface(64, 64, format, DDSCAPS_3DDEVICE);
    ASSERT_NE(*target, nullptr);
    ASSERT_EQ(CreateDirect3DForDirectDraw(nullptr, d3d), S_OK);
    ASSERT_EQ((*d3d)->CreateDevice(IID_IDirect3DRGBDevice, *target, device), D3D_OK);
    (*device)->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
}

// The program reads the target's memory in the middle of a scene: the draws before are there,
// the ones after are not yet.
TEST(QueuedDrawing, AMemorySurfaceReadBetweenDrawsShowsTheDrawsBefore) {
    d3d::MemorySurface* target = nullptr;
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    ASSERT_NO_FATAL_FAILURE(makeUnlitDevice(d3d::formatX8R8G8B8(), &target, &d3d, &device));
    auto fan = [&](float left, float right) {
        D3DVERTEX v[4] = {{left, 1, 0.5f, 0, 0, -1, 0, 0}, {right, 1, 0.5f, 0, 0, -1, 0, 0},
                          {right, -1, 0.5f, 0, 0, -1, 0, 0}, {left, -1, 0.5f, 0, 0, -1, 0, 0}};
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_VERTEX, v, 4, 0), D3D_OK);
    };
    auto at = [&](int x, int y) {
        return reinterpret_cast<const uint32_t*>(target->pixels() + ptrdiff_t(y) * target->pitch())[x] & 0xFFFFFF;
    };
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x000080, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    fan(-1, 0);
    EXPECT_EQ(at(10, 30), 0xFFFFFFu);
    fan(0, 1);
    target->pixels()[ptrdiff_t(30) * target->pitch() + 50 * 4] = 0x11;  // the program's own write
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(at(50, 30), 0xFFFF11u);
    EXPECT_EQ(at(40, 10), 0xFFFFFFu);
    device->Release();
    d3d->Release();
    target->Release();
}

// A device released in the middle of a scene still draws what it queued, into a target that
// outlives it.
TEST(QueuedDrawing, ADeviceReleasedInTheMiddleOfASceneDrawsWhatItQueued) {
    d3d::MemorySurface* target = nullptr;
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    ASSERT_NO_FATAL_FAILURE(makeUnlitDevice(d3d::formatR5G6B5(), &target, &d3d, &device));
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    D3DVERTEX v[3] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0}, {1, 1, 0.5f, 0, 0, -1, 0, 0}, {-1, -1, 0.5f, 0, 0, -1, 0, 0}};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, v, 3, 0), D3D_OK);
    device->Release();
    d3d->Release();
    EXPECT_EQ(reinterpret_cast<const uint16_t*>(target->pixels() + ptrdiff_t(8) * target->pitch())[8], 0xFFFF);
    target->Release();
}

}  // namespace
