// Stores on real surfaces of the platform's headless DirectDraw object, with an archive of small
// bitmaps made by the test. The working directory is the scratch folder, so the missing-entry log
// lands there.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/backend/bridge.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_formats.h"
#include "platform/ddraw/display_control.h"
#include "saver/archive/current_archive.h"
#include "saver/display/display_objects.h"
#include "saver/scene/stores.h"
#include "saver/scene/surface_makers.h"
#include "tests/archive/scratch_dir.h"
#include "tools/lib/assets/picture.h"
#include "tools/lib/pak_writer.h"

class StoreTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::vector<PakEntry> entries;
    std::unique_ptr<Archive> archive;
    IDirectDraw7* dd = nullptr;
    std::string oldCwd;

    void SetUp() override {
        platform::bridge::reset();
        platform::ddraw::resetDisplayControl();
        void* out = nullptr;
        ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
        dd = static_cast<IDirectDraw7*>(out);
        char cwd[4096];
        oldCwd = getcwd(cwd, sizeof cwd) ? cwd : "/";
        ASSERT_EQ(chdir(dir.path("").c_str()), 0);
        resetStores();
    }
    void TearDown() override {
        resetStores();
        g_display.directDraw = nullptr;
        setCurrentArchive(nullptr);
        archive.reset();
        if (dd) dd->Release();
        platform::ddraw::resetDisplayControl();
        platform::bridge::reset();
        if (chdir(oldCwd.c_str()) != 0) ADD_FAILURE() << "cannot return to " << oldCwd;
    }

    // A bitmap entry of the given size, every pixel `colour` (0xRRGGBB), and pixel (0, 0) `first`.
    void addBitmap(const std::string& name, int w, int h, uint32_t colour, uint32_t first) {
        assets::Picture p(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p.at(x, y) = rgb(x == 0 && y == 0 ? first : colour);
        entries.push_back({name, assets::encodeBmp24(p)});
    }
    void addBitmap(const std::string& name, int w, int h, uint32_t colour) { addBitmap(name, w, h, colour, colour); }
    void openArchive() {
        std::string error;
        ASSERT_TRUE(writePak(dir.path("stores.pak"), entries, &error)) << error;
        archive = std::make_unique<Archive>(dir.path("stores.pak").c_str());
        setCurrentArchive(archive.get());
    }
    std::string missingLog() const {
        const std::vector<uint8_t> bytes = ScratchDir::read(dir.path(kMissingLog));
        return std::string(bytes.begin(), bytes.end());
    }
    static assets::Rgb rgb(uint32_t c) {
        return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f};
    }
    // The raw pixel at (x, y) of a 16- or 32-bit surface.
    static uint32_t pixelAt(IDirectDrawSurface7* s, int x, int y) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        if (s->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return 0xDEADBEEF;
        const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch;
        uint32_t v = desc.ddpfPixelFormat.dwRGBBitCount == 16 ? reinterpret_cast<const uint16_t*>(row)[x]
                                                              : reinterpret_cast<const uint32_t*>(row)[x];
        s->Unlock(nullptr);
        return v;
    }
    static DWORD sourceKey(IDirectDrawSurface7* s) {
        DDCOLORKEY key{};
        return s->GetColorKey(DDCKEY_SRCBLT, &key) == DD_OK ? key.dwColorSpaceLowValue : 0xDEADBEEF;
    }
    static DDSURFACEDESC2 describe(IDirectDrawSurface7* s) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        s->GetSurfaceDesc(&desc);
        return desc;
    }
    IDirectDrawSurface7* makeSurface(int w, int h, const DDPIXELFORMAT* format, DWORD caps = DDSCAPS_TEXTURE) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (format ? DDSD_PIXELFORMAT : 0);
        desc.dwWidth = static_cast<DWORD>(w);
        desc.dwHeight = static_cast<DWORD>(h);
        desc.ddsCaps.dwCaps = caps;
        if (format) desc.ddpfPixelFormat = *format;
        IDirectDrawSurface7* s = nullptr;
        return dd->CreateSurface(&desc, &s, nullptr) == DD_OK ? s : nullptr;
    }
};

using platform::ddraw::rgbFormat;
