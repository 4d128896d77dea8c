// The protocol behind the saver's window procedure, on windows of the headless screen.
#include "saver/shell/saver_protocol.h"

#include <gtest/gtest.h>

#include "platform/backend/headless.h"
#include "platform/win/cursor.h"
#include "platform/win/messages.h"
#include "platform/win/window.h"
#include "tests/win/headless_fixture.h"

namespace {

LRESULT protocolOnly(HWND w, UINT m, WPARAM wp, LPARAM lp) { return screenSaverProtocol(w, m, wp, lp); }

class SaverProtocol : public HeadlessWindows {
protected:
    void SetUp() override {
        HeadlessWindows::SetUp();
        resetProtocolState();
        WNDCLASSA wc;
        wc.lpfnWndProc = protocolOnly;
        wc.lpszClassName = "ProtocolTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        HeadlessWindows::TearDown();
        resetProtocolState();
    }
    HWND fullScreen() {
        HWND w = CreateWindowExA(WS_EX_TOPMOST, "ProtocolTest", "Screen Saver", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768,
                                 nullptr, nullptr, nullptr, nullptr);
        protocolWindowCreated(w, false);
        drain();
        return w;
    }
    HWND preview() {
        HWND host = handleFromNumber(platform::headless::kHostWindow);
        HWND w = CreateWindowExA(0, "ProtocolTest", "Preview", WS_CHILD | WS_VISIBLE, 0, 0, 152, 112, host, nullptr,
                                 nullptr, nullptr);
        protocolWindowCreated(w, true);
        drain();
        return w;
    }
    // Handles paint and whatever else is waiting, without timers; answers how many WM_CLOSE came.
    int drain() {
        int closes = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_CLOSE) ++closes;
            if (msg.message == WM_QUIT) break;
            DispatchMessageA(&msg);
        }
        return closes;
    }
    static int countPosted(UINT message) {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == message) ++n;
            if (msg.message == WM_PAINT) DispatchMessageA(&msg);
        }
        return n;
    }
};

TEST_F(SaverProtocol, WakePointRuleIsMoreThanFourPixelsManhattan) {
    EXPECT_FALSE(wakePointExceeded({10, 10}, {12, 12}));
    EXPECT_FALSE(wakePointExceeded({10, 10}, {6, 10}));
    EXPECT_TRUE(wakePointExceeded({10, 10}, {13, 12}));
    EXPECT_TRUE(wakePointExceeded({10, 10}, {10, 15}));
}

TEST_F(SaverProtocol, InputThatEndsAFullScreenRun) {
    for (UINT m : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_POWERBROADCAST})
        EXPECT_TRUE(messageEndsFullScreenRun(m, 0)) << m;
    EXPECT_TRUE(messageEndsFullScreenRun(WM_ACTIVATEAPP, FALSE));
    EXPECT_FALSE(messageEndsFullScreenRun(WM_ACTIVATEAPP, TRUE));
    EXPECT_TRUE(messageEndsFullScreenRun(WM_POWER, PWR_CRITICALRESUME));
    EXPECT_FALSE(messageEndsFullScreenRun(WM_POWER, 1));
    EXPECT_FALSE(messageEndsFullScreenRun(WM_KEYUP, 0));
    EXPECT_FALSE(messageEndsFullScreenRun(WM_MOUSEMOVE, 0));
}

TEST_F(SaverProtocol, KeyPostsOneCloseAndLaterKeysGoToDefaultHandling) {
    HWND w = fullScreen();
    SendMessageA(w, WM_KEYDOWN, 'A', 1);
    EXPECT_TRUE(g_protocol.closing);
    SendMessageA(w, WM_KEYDOWN, 'B', 1);
    SendMessageA(w, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(countPosted(WM_CLOSE), 1);
}

TEST_F(SaverProtocol, CloseDestroysTheWindowAndQuitsWithZero) {
    HWND w = fullScreen();
    SendMessageA(w, WM_KEYDOWN, VK_ESCAPE, 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.message, WM_CLOSE);
    DispatchMessageA(&msg);
    EXPECT_FALSE(IsWindow(w));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(SaverProtocol, PreviewIgnoresKeysButtonsAndActivationLoss) {
    HWND w = preview();
    for (UINT m : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
        SendMessageA(w, m, 0, 0);
    SendMessageA(w, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(g_protocol.closing);
    EXPECT_EQ(countPosted(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(w));
}

TEST_F(SaverProtocol, MouseMoveEndsTheRunOnlyAwayFromTheWakePoint) {
    platform::backend::current().moveCursor(100, 100);
    HWND w = fullScreen();
    EXPECT_EQ(g_protocol.wakePoint.x, 100);
    platform::backend::current().moveCursor(102, 102);
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(102, 102));
    EXPECT_FALSE(g_protocol.closing);
    platform::backend::current().moveCursor(103, 102);
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(103, 102));
    EXPECT_TRUE(g_protocol.closing);
    EXPECT_EQ(g_protocol.wakePoint.x, 103);
    EXPECT_EQ(countPosted(WM_CLOSE), 1);
}

TEST_F(SaverProtocol, IgnoredSystemCommandsAndTextChanges) {
    HWND w = fullScreen();
    EXPECT_EQ(SendMessageA(w, WM_SYSCOMMAND, SC_SCREENSAVE, 0), FALSE);
    EXPECT_EQ(SendMessageA(w, WM_SYSCOMMAND, SC_NEXTWINDOW + 3, 0), FALSE);
    EXPECT_EQ(SendMessageA(w, WM_SYSCOMMAND, SC_PREVWINDOW, 0), FALSE);
    EXPECT_EQ(SendMessageA(w, WM_SETTEXT, 0, 0), FALSE);
    EXPECT_TRUE(IsWindow(w));
    EXPECT_FALSE(g_protocol.closing);
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);  // not ignored: the window closes
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(SaverProtocol, FullScreenHidesTheCursorPreviewDoesNot) {
    HWND p = preview();
    EXPECT_EQ(ShowCursor(TRUE), 1);  // the preview left the count at 0
    ShowCursor(FALSE);
    DestroyWindow(p);
    fullScreen();
    EXPECT_EQ(ShowCursor(TRUE), 0);  // the full-screen window took it to -1
}

}  // namespace
