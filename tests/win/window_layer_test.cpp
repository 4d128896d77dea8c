// Windows, messages, painting and the cursor of the window layer on the headless screen.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "platform/backend/headless.h"
#include "platform/win/paint.h"
#include "platform/win/timers.h"
#include "platform/win/window_pixels.h"
#include "tests/win/headless_fixture.h"

namespace {

std::vector<std::string> g_log;
HWND g_destroyInCreate = nullptr;

std::string name(UINT m) {
    switch (m) {
        case WM_CREATE: return "create";
        case WM_DESTROY: return "destroy";
        case WM_NCDESTROY: return "ncdestroy";
        case WM_SHOWWINDOW: return "show";
        case WM_PAINT: return "paint";
        case WM_ERASEBKGND: return "erase";
        case WM_ENABLE: return "enable";
        case WM_CLOSE: return "close";
        case WM_TIMER: return "timer";
        case WM_USER: return "user";
        default: return std::to_string(m);
    }
}

LRESULT logging(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    g_log.push_back(name(m) + (m == WM_ENABLE ? std::to_string(wp) : ""));
    if (m == WM_CREATE && g_destroyInCreate == reinterpret_cast<HWND>(1)) DestroyWindow(w);
    return DefWindowProcA(w, m, wp, lp);
}

class WindowLayer : public HeadlessWindows {
protected:
    void SetUp() override {
        HeadlessWindows::SetUp();
        g_log.clear();
        g_destroyInCreate = nullptr;
        WNDCLASSA wc;
        wc.lpfnWndProc = logging;
        wc.lpszClassName = "Logged";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(4));
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    HWND make(const char* title = "T", DWORD style = WS_POPUP | WS_VISIBLE, HWND parent = nullptr, int w = 64,
              int h = 48) {
        return CreateWindowExA(0, "Logged", title, style, 0, 0, w, h, parent, nullptr, nullptr, nullptr);
    }
    // Handles everything waiting except timers.
    void drain() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_TIMER &&
               PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT)
            DispatchMessageA(&msg);
    }
};

TEST_F(WindowLayer, ClassNamesAreRegisteredOnce) {
    WNDCLASSA wc;
    wc.lpfnWndProc = logging;
    wc.lpszClassName = "Logged";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    wc.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(make("x", WS_POPUP, nullptr) != nullptr, true);
    EXPECT_EQ(CreateWindowExA(0, "Unknown", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowLayer, CreationSendsCreateThenShowThenPaintsWithErase) {
    HWND w = make();
    ASSERT_NE(w, nullptr);
    drain();
    EXPECT_EQ(g_log, (std::vector<std::string>{"create", "show", "paint", "erase"}));
    RECT r;
    ASSERT_TRUE(GetClientRect(w, &r));
    EXPECT_EQ(r.right, 64);
    EXPECT_EQ(r.bottom, 48);
}

TEST_F(WindowLayer, WindowThatDestroysItselfWhileBeingCreatedGivesNull) {
    g_destroyInCreate = reinterpret_cast<HWND>(1);
    EXPECT_EQ(make(), nullptr);
    EXPECT_EQ(g_log, (std::vector<std::string>{"create", "destroy", "ncdestroy"}));
    EXPECT_EQ(platform::ownWindows(nullptr, 0), 0);
}

TEST_F(WindowLayer, DestroyingAParentDestroysItsChildrenAfterItself) {
    HWND parent = make("P");
    HWND child = make("C", WS_CHILD | WS_VISIBLE, parent, 10, 10);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(child), parent);
    g_log.clear();
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(g_log, (std::vector<std::string>{"destroy", "destroy", "ncdestroy", "ncdestroy"}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(DestroyWindow(parent));
}

TEST_F(WindowLayer, ChildNeedsAWindowAsParent) {
    EXPECT_EQ(make("C", WS_CHILD, nullptr), nullptr);
    EXPECT_EQ(make("C", WS_CHILD, handleFromNumber(4242)), nullptr);
    HWND host = handleFromNumber(platform::headless::kHostWindow);
    HWND child = make("C", WS_CHILD, host, 152, 112);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetWindowLongA(child, GWL_STYLE) & WS_CHILD, static_cast<LONG>(WS_CHILD));
}

TEST_F(WindowLayer, HostWindowExistsWithItsSizeUntilDestroyed) {
    HWND host = handleFromNumber(platform::headless::kHostWindow);
    EXPECT_TRUE(IsWindow(host));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(IsWindow(handleFromNumber(65537)));
    RECT r;
    ASSERT_TRUE(GetClientRect(host, &r));
    EXPECT_EQ(r.right, platform::headless::kHostWidth);
    EXPECT_EQ(r.bottom, platform::headless::kHostHeight);
    HWND child = make("C", WS_CHILD | WS_VISIBLE, host, 152, 112);
    drain();
    g_log.clear();
    platform::setInputScript("0:destroy-host");
    drain();
    EXPECT_FALSE(IsWindow(host));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(g_log, (std::vector<std::string>{"destroy", "ncdestroy"}));
}

TEST_F(WindowLayer, PostedMessagesComeBeforeQuitBeforePaintBeforeTimers) {
    useVirtualClock(16);
    HWND w = make();
    ASSERT_EQ(SetTimer(w, 7, 0, nullptr), 7u);
    PostMessageA(w, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG m;
    ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, WM_USER);
    ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, WM_PAINT);
    DispatchMessageA(&m);
    ASSERT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 7u);
}

TEST_F(WindowLayer, GetMessageAnswersMinusOneWhenNothingCanEverHappen) {
    MSG m;
    EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), -1);
}

TEST_F(WindowLayer, MessagesToDestroyedWindowsAreDropped) {
    HWND w = make();
    drain();
    PostMessageA(w, WM_USER, 0, 0);
    DestroyWindow(w);
    g_log.clear();
    drain();
    EXPECT_TRUE(g_log.empty());
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
}

TEST_F(WindowLayer, EnableWindowSendsEnableOnlyOnChange) {
    HWND w = make();
    drain();
    g_log.clear();
    EXPECT_FALSE(EnableWindow(w, FALSE));
    EXPECT_TRUE(EnableWindow(w, FALSE));
    EXPECT_FALSE(IsWindowEnabled(w));
    EXPECT_TRUE(EnableWindow(w, TRUE));
    EXPECT_EQ(g_log, (std::vector<std::string>{"enable0", "enable1"}));
}

TEST_F(WindowLayer, DefaultCloseDestroysTheWindow) {
    HWND w = make();
    PostMessageA(w, WM_CLOSE, 0, 0);
    drain();
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowLayer, FindWindowMatchesTopLevelWindowsByClassAndTitle) {
    HWND top = make("Screen Saver");
    make("Screen Saver", WS_CHILD, top, 5, 5);
    EXPECT_EQ(FindWindowA("Logged", "Screen Saver"), top);
    EXPECT_EQ(FindWindowA("Logged", nullptr), top);
    EXPECT_EQ(FindWindowA("Logged", "Preview"), nullptr);
    EXPECT_EQ(FindWindowA("Other", "Screen Saver"), nullptr);
    EXPECT_TRUE(SetForegroundWindow(top));
    EXPECT_EQ(GetForegroundWindow(), top);
}

TEST_F(WindowLayer, PaintedRectanglesReachTheScreenClippedToTheWindow) {
    HWND w = make("T", WS_POPUP | WS_VISIBLE, nullptr, 8, 4);
    drain();
    ASSERT_TRUE(platform::paintWindowRect(w, RECT{-5, -5, 2, 100}, RGB(255, 0, 0)));
    platform::headless::PresentedFrame f;
    ASSERT_TRUE(platform::headless::lastPresentedFrame(&f));
    EXPECT_EQ(f.window, handleToNumber(w));
    ASSERT_EQ(f.width, 8);
    ASSERT_EQ(f.height, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(f.pixels[y * 8 + x], x < 2 ? 0xFF0000u : 0u) << x << "," << y;
    EXPECT_TRUE(platform::paintWindowRect(w, RECT{6, 3, 2, 1}, RGB(0, 255, 0)));  // empty: nothing
}

TEST_F(WindowLayer, WindowPixelsAreTheClientArea) {
    HWND w = make("T", WS_POPUP, nullptr, 5, 3);
    platform::WindowPixels px;
    ASSERT_TRUE(platform::lockWindowPixels(w, &px));
    EXPECT_EQ(px.width, 5);
    EXPECT_EQ(px.height, 3);
    EXPECT_EQ(px.pitchBytes, 20);
    px.pixels[14] = 0x123456;
    platform::unlockWindowPixels(w);
    platform::headless::PresentedFrame f;
    ASSERT_TRUE(platform::headless::lastPresentedFrame(&f));
    EXPECT_EQ(f.pixels[14], 0x123456u);
    EXPECT_FALSE(platform::lockWindowPixels(handleFromNumber(4242), &px));
}

TEST_F(WindowLayer, InvalidRegionIsTheBoundingRectangleAndPaintValidatesIt) {
    HWND w = make("T", WS_POPUP, nullptr, 100, 100);
    RECT first{10, 10, 20, 20};
    InvalidateRect(w, &first, FALSE);
    RECT second{50, 5, 60, 15};
    InvalidateRect(w, &second, FALSE);
    PAINTSTRUCT ps;
    BeginPaint(w, &ps);
    EXPECT_EQ(ps.rcPaint.left, 10);
    EXPECT_EQ(ps.rcPaint.top, 5);
    EXPECT_EQ(ps.rcPaint.right, 60);
    EXPECT_EQ(ps.rcPaint.bottom, 20);
    EndPaint(w, &ps);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(WindowLayer, CursorCountAndNullCursor) {
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    EXPECT_NE(arrow, nullptr);
    EXPECT_EQ(SetCursor(nullptr), nullptr);
    EXPECT_EQ(SetCursor(arrow), nullptr);
    EXPECT_EQ(SetCursor(nullptr), arrow);
}

TEST_F(WindowLayer, TerminationSignalClosesTopLevelWindows) {
    HWND w = make();
    drain();
    const int sig[] = {SIGUSR2};
    platform::closeWindowsOnSignals(sig, 1);
    raise(SIGUSR2);
    drain();
    std::signal(SIGUSR2, SIG_DFL);
    EXPECT_FALSE(IsWindow(w));
}

}  // namespace
