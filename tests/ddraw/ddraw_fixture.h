// A DirectDraw object in exclusive mode on the headless bridge, with a presenter that keeps the last
// frame, for the DirectDraw layer's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/backend/bridge.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/display_control.h"
#include "platform/ddraw/frame_output.h"

namespace ddraw_test {

struct PresentedFrame {
    int count = 0;
    HWND window = nullptr;
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // tightly packed
};

inline PresentedFrame g_presented;

inline bool keepPresented(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes) {
    g_presented.count++;
    g_presented.window = window;
    g_presented.width = width;
    g_presented.height = height;
    g_presented.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            g_presented.pixels[static_cast<size_t>(y) * width + x] =
                reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) + y * pitchBytes)[x];
    return true;
}

inline void fixedDesktop(int* w, int* h) {
    *w = 1024;
    *h = 768;
}

inline const HWND kWindow = handleFromNumber(0x4711);

class DirectDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::bridge::reset();
        platform::bridge::setPresent(keepPresented);
        platform::bridge::setDesktopSize(fixedDesktop);
        platform::ddraw::resetDisplayControl();
        platform::ddraw::resetFrameOutput();
        g_presented = PresentedFrame{};
        void* out = nullptr;
        ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
        dd = static_cast<IDirectDraw7*>(out);
    }
    void TearDown() override {
        if (dd) dd->Release();
        platform::ddraw::resetDisplayControl();
        platform::ddraw::resetFrameOutput();
        platform::bridge::reset();
    }

    // Exclusive full screen in width x height x bits and the flipping chain; back buffer in `back`.
    void makeChain(int width, int height, int bits) {
        ASSERT_EQ(dd->SetCooperativeLevel(kWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
        ASSERT_EQ(dd->SetDisplayMode(width, height, bits, 0, 0), DD_OK);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
        desc.dwBackBufferCount = 1;
        ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
        DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
        ASSERT_EQ(primary->GetAttachedSurface(&caps, &back), DD_OK);
    }

    // An off-screen surface in the display format.
    IDirectDrawSurface7* makeSurface(int width, int height) { return makeSurfaceIn(width, height, nullptr, DDSCAPS_OFFSCREENPLAIN); }
    IDirectDrawSurface7* makeSurface(int width, int height, const DDPIXELFORMAT& format, DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
        return makeSurfaceIn(width, height, &format, caps);
    }
    IDirectDrawSurface7* makeSurfaceIn(int width, int height, const DDPIXELFORMAT* format, DWORD caps) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format ? DDSD_PIXELFORMAT : 0);
        desc.dwWidth = width;
        desc.dwHeight = height;
        desc.ddsCaps.dwCaps = caps;
        if (format) desc.ddpfPixelFormat = *format;
        IDirectDrawSurface7* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DD_OK);
        surfaces.push_back(s);
        return s;
    }

    void releaseAll() {
        for (IDirectDrawSurface7* s : surfaces)
            if (s) s->Release();
        surfaces.clear();
        if (back) back->Release();
        if (primary) primary->Release();
        back = primary = nullptr;
    }

    ~DirectDrawTest() override { releaseAll(); }

    IDirectDraw7* dd = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* back = nullptr;
    std::vector<IDirectDrawSurface7*> surfaces;
};

// Raw pixel access through Lock.
inline uint32_t pixelAt(IDirectDrawSurface7* s, int x, int y) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    if (s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return 0xDEADBEEF;
    const uint8_t* row = static_cast<const uint8_t*>(d.lpSurface) + y * d.lPitch;
    uint32_t v = 0;
    if (d.ddpfPixelFormat.dwRGBBitCount == 16)
        v = reinterpret_cast<const uint16_t*>(row)[x];
    else
        v = reinterpret_cast<const uint32_t*>(row)[x];
    s->Unlock(nullptr);
    return v;
}

inline void setPixel(IDirectDrawSurface7* s, int x, int y, uint32_t v) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    uint8_t* row = static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch;
    if (d.ddpfPixelFormat.dwRGBBitCount == 16)
        reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(v);
    else
        reinterpret_cast<uint32_t*>(row)[x] = v;
    s->Unlock(nullptr);
}

inline HRESULT fill(IDirectDrawSurface7* s, uint32_t raw, RECT* rect = nullptr) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = raw;
    return s->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

}  // namespace ddraw_test
