// The virtual and the real clock, timers on the 1/64 s tick, and the input script.
#include <gtest/gtest.h>

#include "platform/win/timer_queue.h"
#include "platform/win/timers.h"
#include "tests/win/headless_fixture.h"

namespace {

using platform::win::kClockTickMicros;
using platform::win::nextTickDue;

LRESULT quiet(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

class Timers : public HeadlessWindows {
protected:
    HWND window = nullptr;
    void SetUp() override {
        HeadlessWindows::SetUp();
        WNDCLASSA wc;
        wc.lpfnWndProc = quiet;
        wc.lpszClassName = "Quiet";
        RegisterClassA(&wc);
    }
    void makeWindow() {
        window = CreateWindowExA(0, "Quiet", "", WS_POPUP, 0, 0, 4, 4, nullptr, nullptr, nullptr, nullptr);
    }
    MSG next() {
        MSG m{};
        EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), TRUE);
        DispatchMessageA(&m);
        return m;
    }
};

TEST(TimerTick, ZeroPeriodFiresOnTheNextSixtyFourthOfASecond) {
    EXPECT_EQ(nextTickDue(0, 0), kClockTickMicros);
    EXPECT_EQ(nextTickDue(1, 0), kClockTickMicros);
    EXPECT_EQ(nextTickDue(kClockTickMicros, 0), 2 * kClockTickMicros);
    // A late tick does not fire twice: the next one is still a whole boundary ahead.
    EXPECT_EQ(nextTickDue(5 * kClockTickMicros + 15000, 0), 6 * kClockTickMicros);
    // So a 0 ms timer fires 64 times in one second of ticks.
    uint64_t t = 0;
    int fired = 0;
    while ((t = nextTickDue(t, 0)) <= 1000000) ++fired;
    EXPECT_EQ(fired, 64);
}

TEST(TimerTick, LongerPeriodsRoundUpToATickBoundary) {
    EXPECT_EQ(nextTickDue(0, 20), 2 * kClockTickMicros);   // 20 ms -> 31.25 ms
    EXPECT_EQ(nextTickDue(0, 1000), 1000000u);              // exactly 64 ticks
    EXPECT_EQ(nextTickDue(3000, 15), 2 * kClockTickMicros);
}

TEST_F(Timers, VirtualClockStartsAtOneThousandAndAdvancesPerTimerMessage) {
    useVirtualClock(16);
    EXPECT_EQ(GetTickCount(), 1000u);
    Sleep(60000);  // returns at once and does not move the clock
    EXPECT_EQ(GetTickCount(), 1000u);
    makeWindow();
    ASSERT_EQ(SetTimer(window, 1, 0, nullptr), 1u);
    for (int i = 1; i <= 10; ++i) {
        MSG m = next();
        ASSERT_EQ(m.message, WM_TIMER);
        EXPECT_EQ(GetTickCount(), 1000u + 16u * i);
    }
}

TEST_F(Timers, VirtualClockSeedIsRepeatable) {
    useVirtualClock(16);
    uint32_t first = platform::currentTimeSeed();
    platform::resetClock();
    EXPECT_EQ(platform::currentTimeSeed(), first);
}

TEST_F(Timers, VirtualClockJumpsToTheNextDueTimer) {
    useVirtualClock(10);
    makeWindow();
    SetTimer(window, 3, 500, nullptr);
    MSG m = next();
    EXPECT_EQ(m.message, WM_TIMER);
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_EQ(GetTickCount(), 1000u + 500u + 10u);
}

TEST_F(Timers, VirtualClockJumpsToScriptedInputWhenNoTimerRuns) {
    useVirtualClock(16);
    makeWindow();
    platform::setInputScript("4000:key:27");
    MSG m = next();
    EXPECT_EQ(m.message, WM_KEYDOWN);
    EXPECT_EQ(m.wParam, 27u);
    EXPECT_EQ(GetTickCount(), 4000u);
    EXPECT_EQ(next().message, WM_KEYUP);
}

TEST_F(Timers, KilledAndForeignTimers) {
    makeWindow();
    EXPECT_EQ(SetTimer(window, 0, 0, nullptr), 0u);
    EXPECT_EQ(SetTimer(handleFromNumber(4242), 1, 0, nullptr), 0u);
    ASSERT_EQ(SetTimer(window, 1, 0, nullptr), 1u);
    EXPECT_TRUE(KillTimer(window, 1));
    EXPECT_FALSE(KillTimer(window, 1));
    SetTimer(window, 2, 0, nullptr);
    DestroyWindow(window);
    EXPECT_FALSE(KillTimer(window, 2));  // went with its window
}

TEST_F(Timers, RealClockZeroTimerComesOnTheNextTick) {
    makeWindow();
    SetTimer(window, 1, 0, nullptr);
    MSG m = next();
    EXPECT_EQ(m.message, WM_TIMER);
}

TEST_F(Timers, ScriptedMovesSetTheCursorAndArriveInClientCoordinates) {
    useVirtualClock(16);
    HWND host = handleFromNumber(65536);
    window = CreateWindowExA(0, "Quiet", "", WS_CHILD, 10, 20, 50, 50, host, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    platform::setInputScript("1000:move:110,220;1000:button:right");
    MSG m = next();
    EXPECT_EQ(m.message, WM_SETCURSOR);
    m = next();
    EXPECT_EQ(m.message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(m.lParam), 100);
    EXPECT_EQ(GET_Y_LPARAM(m.lParam), 200);
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 110);
    EXPECT_EQ(p.y, 220);
    EXPECT_EQ(next().message, WM_RBUTTONDOWN);
    EXPECT_EQ(next().message, WM_RBUTTONUP);
}

TEST_F(Timers, AltArrivesAsASystemKey) {
    makeWindow();
    platform::setInputScript("0:key:18");
    EXPECT_EQ(next().message, WM_SYSKEYDOWN);
    EXPECT_EQ(next().message, WM_SYSKEYUP);
}

TEST(InputScript, ParsesEveryKindAndSortsByTime) {
    platform::ScriptParse p = platform::parseInputScript(
        " 5000:key:27 ; 3000:move:400,300;6000:button:middle;1:deactivate;2:hide;2:show;2:take;2:give;"
        "2:disable;2:enable;2:destroy-host;");
    ASSERT_TRUE(p.rejected.empty());
    ASSERT_EQ(p.events.size(), 11u);
    EXPECT_EQ(p.events[0].kind, platform::ScriptedKind::Deactivate);
    EXPECT_EQ(p.events[1].kind, platform::ScriptedKind::Hide);  // equal times keep their order
    EXPECT_EQ(p.events[7].kind, platform::ScriptedKind::DestroyHost);
    EXPECT_EQ(p.events[8].kind, platform::ScriptedKind::Move);
    EXPECT_EQ(p.events[8].a, 400);
    EXPECT_EQ(p.events[8].b, 300);
    EXPECT_EQ(p.events[9].a, 27);
    EXPECT_EQ(p.events[10].a, 2);
    EXPECT_EQ(platform::describeScriptedEvent(p.events[8]), "3000 move 400,300");
    EXPECT_EQ(platform::describeScriptedEvent(p.events[10]), "6000 button middle");
}

TEST(InputScript, MalformedEntriesAreSkippedAndTheRestRuns) {
    platform::ScriptParse p = platform::parseInputScript(
        "x:key:27;100:key;100:key:0;100:key:300;100:move:1;100:button:up;100:hide:now;100:fly;"
        "-5:key:1;99999999999999999999:key:1;100:move:1,2,3;200:key:13");
    EXPECT_EQ(p.rejected.size(), 11u);
    ASSERT_EQ(p.events.size(), 1u);
    EXPECT_EQ(p.events[0].timeMs, 200u);
}

}  // namespace
