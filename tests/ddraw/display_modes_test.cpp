#include "platform/ddraw/display_modes.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/ddraw/ddraw_fixture.h"

using namespace platform::ddraw;

namespace {

std::string listOf(const std::vector<ModeSize>& modes) {
    std::string s;
    for (const ModeSize& m : modes) s += std::to_string(m.width) + "x" + std::to_string(m.height) + "x" + std::to_string(m.bits) + " ";
    return s;
}

TEST(DisplayModes, AStandardDesktopOffersTheSizesThatFitAtBothDepths) {
    EXPECT_EQ(listOf(displayModesFor(1024, 768)),
              "640x480x16 640x480x32 800x600x16 800x600x32 1024x768x16 1024x768x32 ");
}

TEST(DisplayModes, AnUnusualDesktopAddsItsOwnSizeInOrder) {
    EXPECT_EQ(listOf(displayModesFor(1000, 700)),
              "640x480x16 640x480x32 800x600x16 800x600x32 1000x700x16 1000x700x32 ");
    // Neither side may be larger than the desktop: 1280x720 does not fit a 1200x1000 desktop.
    EXPECT_EQ(listOf(displayModesFor(1200, 1000)),
              "640x480x16 640x480x32 800x600x16 800x600x32 1024x768x16 1024x768x32 1152x864x16 1152x864x32 "
              "1200x1000x16 1200x1000x32 ");
    EXPECT_EQ(listOf(displayModesFor(600, 400)), "600x400x16 600x400x32 ");
}

struct Collected {
    std::vector<ModeSize> modes;
    int stopAfter = 1000;
};

HRESULT collect(DDSURFACEDESC2* d, void* ctx) {
    auto* c = static_cast<Collected*>(ctx);
    c->modes.push_back({static_cast<int>(d->dwWidth), static_cast<int>(d->dwHeight),
                        static_cast<int>(d->ddpfPixelFormat.dwRGBBitCount)});
    return static_cast<int>(c->modes.size()) >= c->stopAfter ? DDENUMRET_CANCEL : DDENUMRET_OK;
}

class DirectDrawModes : public ddraw_test::DirectDrawTest {};

TEST_F(DirectDrawModes, EnumDisplayModesReportsTheDesktopsModesAndStopsWhenAsked) {
    Collected all;
    ASSERT_EQ(dd->EnumDisplayModes(0, nullptr, &all, collect), DD_OK);
    EXPECT_EQ(listOf(all.modes), listOf(displayModesFor(1024, 768)));
    Collected two;
    two.stopAfter = 2;
    ASSERT_EQ(dd->EnumDisplayModes(0, nullptr, &two, collect), DD_OK);
    EXPECT_EQ(two.modes.size(), 2u);
}

TEST_F(DirectDrawModes, SetDisplayModeNeedsExclusiveModeAndAnOfferedMode) {
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 32, 0, 0), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(dd->SetCooperativeLevel(ddraw_test::kWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 24, 0, 0), DDERR_INVALIDMODE);
    EXPECT_EQ(dd->SetDisplayMode(1280, 1024, 32, 0, 0), DDERR_INVALIDMODE);
    ASSERT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(dd->GetDisplayMode(&d), DD_OK);
    EXPECT_EQ(d.dwWidth, 800u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 16u);
    // Back to the normal level: the desktop mode returns.
    ASSERT_EQ(dd->SetCooperativeLevel(ddraw_test::kWindow, DDSCL_NORMAL), DD_OK);
    ASSERT_EQ(dd->GetDisplayMode(&d), DD_OK);
    EXPECT_EQ(d.dwWidth, 1024u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 32u);
}

TEST_F(DirectDrawModes, OnlyOneObjectHoldsTheExclusiveLevel) {
    void* out = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
    auto* other = static_cast<IDirectDraw7*>(out);
    ASSERT_EQ(dd->SetCooperativeLevel(ddraw_test::kWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(other->SetCooperativeLevel(ddraw_test::kWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DDERR_EXCLUSIVEMODEALREADYSET);
    EXPECT_EQ(other->SetCooperativeLevel(ddraw_test::kWindow, DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(other->SetCooperativeLevel(ddraw_test::kWindow, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    other->Release();
}

TEST(DirectDrawEntry, EnumeratesOnePrimaryDriverAndCreatesOnlyForIt) {
    struct Seen {
        int count = 0;
        bool guidWasNull = false;
        std::string description;
    } seen;
    auto cb = [](GUID* guid, char* description, char*, void* ctx, HMONITOR) -> BOOL {
        auto* s = static_cast<Seen*>(ctx);
        s->count++;
        s->guidWasNull = guid == nullptr;
        s->description = description;
        return TRUE;
    };
    ASSERT_EQ(DirectDrawEnumerateExA(cb, &seen, DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                                                   DDENUM_NONDISPLAYDEVICES),
              DD_OK);
    EXPECT_EQ(seen.count, 1);
    EXPECT_TRUE(seen.guidWasNull);
    EXPECT_FALSE(seen.description.empty());
    void* out = reinterpret_cast<void*>(1);
    GUID other = IID_IDirect3D7;
    EXPECT_EQ(DirectDrawCreateEx(&other, &out, IID_IDirectDraw7, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirect3D7, nullptr), DDERR_INVALIDPARAMS);
}

}  // namespace
