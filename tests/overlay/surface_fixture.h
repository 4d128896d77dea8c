// The interface layer on real surfaces of the platform's DirectDraw object (headless, 32-bit
// X8R8G8B8): control surfaces are blank off-screen bitmaps keyed on pure green, and images are
// surfaces the test paints and registers by name. The layer's clock reads `now`.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/backend/bridge.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/display_control.h"
#include "saver/overlay/cursor_layer.h"
#include "saver/overlay/font_list.h"
#include "saver/overlay/overlay_display.h"
#include "saver/overlay/t3d_control.h"

class OverlaySurfaces : public ::testing::Test {
protected:
    static constexpr DWORD kGreen = 0x0000FF00;  // pure green in X8R8G8B8
    // The looks of the bitmap font of solidFont(): every cell filled.
    static constexpr DWORD kFontNormal = 0x00FF0000, kFontHighlighted = 0x000000FF, kFontDisabled = 0x00808080;

    IDirectDraw7* dd = nullptr;
    std::vector<IDirectDrawSurface7*> owned;
    std::vector<std::string> names;  // the interface store: index -> name
    std::map<int, IDirectDrawSurface7*> images;
    int screenWidth = 800, screenHeight = 600;
    uint32_t now = 1000;

    void SetUp() override {
        platform::bridge::reset();
        platform::ddraw::resetDisplayControl();
        void* out = nullptr;
        ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
        dd = static_cast<IDirectDraw7*>(out);
        controlContainer.deleteAll();
        fontList.deleteAll();
        redrawNeeded = false;
        OverlayDisplay& d = overlayDisplay();
        d.directDraw = [this] { return dd; };
        d.makeBlankSurface = [this](IDirectDraw7*, int w, int h) {
            IDirectDrawSurface7* s = makeSurface(w, h, kGreen);
            s->AddRef();  // one reference for the control, one kept by the test
            return s;
        };
        d.findImage = [this](const char* name) {
            for (size_t i = 0; i < names.size(); ++i)
                if (names[i] == name) return static_cast<int>(i);
            return -1;
        };
        d.addImage = [this](IDirectDraw7*, const char* name) {
            names.push_back(name);
            return static_cast<int>(names.size()) - 1;
        };
        d.image = [this](int index) -> IDirectDrawSurface7* {
            auto it = images.find(index);
            return it == images.end() ? nullptr : it->second;
        };
        d.releaseImage = [](int) {};
        d.screenSize = [this](int& w, int& h) { w = screenWidth, h = screenHeight; };
        d.nowMs = [this] { return now; };
    }
    void TearDown() override {
        controlContainer.deleteAll();
        fontList.deleteAll();
        overlayDisplay() = OverlayDisplay::standIn();
        for (IDirectDrawSurface7* s : owned) s->Release();
        if (dd) dd->Release();
        platform::ddraw::resetDisplayControl();
        platform::bridge::reset();
    }

    // An off-screen surface filled with `fill`, keyed on pure green.
    IDirectDrawSurface7* makeSurface(int w, int h, DWORD fill) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(w);
        desc.dwHeight = static_cast<DWORD>(h);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        IDirectDrawSurface7* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &s, nullptr), DD_OK);
        if (!s) return nullptr;
        owned.push_back(s);
        DDCOLORKEY key{kGreen, kGreen};
        s->SetColorKey(DDCKEY_SRCBLT, &key);
        paint(s, RECT{0, 0, w, h}, fill);
        return s;
    }
    // A bitmap font of 8 x 10 cells whose every cell is a solid block: red in the normal look, blue
    // highlighted, grey disabled. Returns its index in fontList.
    int32_t solidFont() {
        IDirectDrawSurface7* sheet = makeSurface(256, 90, kFontNormal);
        paint(sheet, RECT{0, 30, 256, 60}, kFontHighlighted);
        paint(sheet, RECT{0, 60, 256, 90}, kFontDisabled);
        provideImage("font.bmp", sheet);
        return fontList.addBitmapFont(dd, "font.bmp");
    }
    // Registers an image under `name` that the layer will find in its store.
    int provideImage(const std::string& name, IDirectDrawSurface7* surface) {
        names.push_back(name);
        images[static_cast<int>(names.size()) - 1] = surface;
        return static_cast<int>(names.size()) - 1;
    }
    static void paint(IDirectDrawSurface7* s, const RECT& r, DWORD value) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        ASSERT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 32u);
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch)[x] = value;
        s->Unlock(nullptr);
    }
    // How many pixels of the rectangle have the value.
    static int count(IDirectDrawSurface7* s, const RECT& r, DWORD value) {
        int n = 0;
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) n += pixel(s, x, y) == value;
        return n;
    }
    static DWORD pixel(IDirectDrawSurface7* s, int x, int y) {
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        if (s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return 0xDEADBEEF;
        DWORD v = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(d.lpSurface) + y * d.lPitch)[x];
        s->Unlock(nullptr);
        return v & 0x00FFFFFF;
    }
};
