// The headless backend behind the bridge, and the X key map.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/backend/bridge.h"
#include "platform/backend/headless.h"
#include "platform/win/system_metrics.h"
#include "tests/win/headless_fixture.h"

#if VOREL_HAVE_X11
#include <X11/keysym.h>

#include "platform/backend/x11/x11_keys.h"
#endif

namespace {

LRESULT plain(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// A 320x240 pop-up window of a plain class.
HWND plainWindow() {
    WNDCLASSA wc;
    wc.lpfnWndProc = plain;
    wc.lpszClassName = "Plain";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "Plain", "", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
}

class HeadlessBackend : public HeadlessWindows {
protected:
    void TearDown() override {
        unsetenv("VOREL_SCREEN");
        HeadlessWindows::TearDown();
    }
};

TEST_F(HeadlessBackend, DesktopSizeComesFromVorelScreenWithSaneValuesOnly) {
    setenv("VOREL_SCREEN", "1280x720", 1);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 720);
    for (const char* bad : {"12x12", "99999x99999", "800x600x", "wide", "-800x600"}) {
        setenv("VOREL_SCREEN", bad, 1);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024) << bad;
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768) << bad;
    }
    EXPECT_EQ(GetSystemMetrics(42), 0);
}

TEST_F(HeadlessBackend, BridgePresentKeepsTheLastFrameOfAWindow) {
    const HWND w = plainWindow();
    ASSERT_NE(w, nullptr);
    long before = platform::headless::presentedFrameCount();
    std::vector<uint32_t> frame(3 * 2 + 2, 0xABCDEF);  // 3x2 with a pitch of 4 pixels
    frame[4] = 0x111111;
    ASSERT_TRUE(platform::bridge::present(w, frame.data(), 3, 2, 16));
    EXPECT_EQ(platform::headless::presentedFrameCount(), before + 1);
    platform::headless::PresentedFrame f;
    ASSERT_TRUE(platform::headless::lastPresentedFrame(&f));
    EXPECT_EQ(f.width, 3);
    EXPECT_EQ(f.height, 2);
    EXPECT_EQ(f.pixels, (std::vector<uint32_t>{0xABCDEF, 0xABCDEF, 0xABCDEF, 0x111111, 0xABCDEF, 0xABCDEF}));
    EXPECT_FALSE(platform::bridge::present(handleFromNumber(4242), frame.data(), 3, 2, 16));
    EXPECT_FALSE(platform::bridge::present(w, frame.data(), 3, 2, 8));  // pitch shorter than a row
    EXPECT_FALSE(platform::bridge::present(w, nullptr, 3, 2, 16));
    EXPECT_EQ(platform::headless::presentedFrameCount(), before + 1);
}

// A shared frame is kept as it was handed over, and a later copied frame goes into a block of
// the screen's own, never into the one the frame's maker still holds.
TEST_F(HeadlessBackend, ASharedFrameIsKeptAndNeverWrittenByALaterPresent) {
    const HWND w = plainWindow();
    ASSERT_NE(w, nullptr);
    auto shared = std::make_shared<std::vector<uint32_t>>(std::vector<uint32_t>{1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(platform::bridge::presentShared(w, shared, 3, 2));
    EXPECT_GT(shared.use_count(), 1);  // kept, not copied
    platform::headless::PresentedFrame f;
    ASSERT_TRUE(platform::headless::lastPresentedFrame(&f));
    EXPECT_EQ(f.pixels, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
    const std::vector<uint32_t> plainFrame{7, 8, 9, 10};
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(platform::bridge::present(w, plainFrame.data(), 2, 2, 8));
    EXPECT_EQ(*shared, (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(shared.use_count(), 1);
    ASSERT_TRUE(platform::headless::lastPresentedFrame(&f));
    EXPECT_EQ(f.width, 2);
    EXPECT_EQ(f.pixels, plainFrame);
    EXPECT_FALSE(platform::bridge::presentShared(w, shared, 4, 2));  // fewer pixels than the size
    EXPECT_FALSE(platform::bridge::presentShared(handleFromNumber(4242), shared, 3, 2));
}

TEST_F(HeadlessBackend, ScriptedDisplayEventsReachTheDisplayListener) {
    static std::vector<platform::bridge::DisplayEvent> seen;
    seen.clear();
    platform::bridge::setDisplayListener([](platform::bridge::DisplayEvent e) { seen.push_back(e); });
    WNDCLASSA wc;
    wc.lpfnWndProc = plain;
    wc.lpszClassName = "Plain";
    RegisterClassA(&wc);
    CreateWindowExA(0, "Plain", "", WS_POPUP, 0, 0, 4, 4, nullptr, nullptr, nullptr, nullptr);
    platform::setInputScript("0:hide;0:show;0:take;0:give");
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    platform::bridge::setDisplayListener(nullptr);
    using E = platform::bridge::DisplayEvent;
    EXPECT_EQ(seen, (std::vector<E>{E::Hidden, E::Shown, E::Taken, E::Given}));
}

#if VOREL_HAVE_X11
TEST(X11Keys, KeysymsBecomeWindowsVirtualKeys) {
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_a), 'A');
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_Z), 'Z');
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_7), '7');
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_Escape), 0x1B);
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_Return), 0x0D);
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_Alt_L), 0x12);
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_F10), 0x79);
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_KP_3), 0x63);
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_Left), 0x25);
    EXPECT_EQ(platform::x11::virtualKeyFromKeysym(XK_eacute), 0xFE);  // still a key press
}
#endif

}  // namespace
