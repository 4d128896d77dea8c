// Window timers on the 1/64 s clock tick, on the real or the virtual clock.
#include "platform/win/timers.h"

#include <algorithm>
#include <vector>

#include "platform/win/clock.h"
#include "platform/win/timer_queue.h"
#include "platform/win/window_registry.h"

namespace platform::win {
namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT periodMs;
    uint64_t dueMicros;
};

std::vector<Timer> g_timers;

uint64_t scheduleFrom(uint64_t now, UINT periodMs) {
    if (platform::virtualClock()) return now + static_cast<uint64_t>(periodMs) * 1000;
    return nextTickDue(now, periodMs);
}

}  // namespace

uint64_t nextTickDue(uint64_t fromMicros, uint32_t periodMs) {
    uint64_t target = fromMicros + static_cast<uint64_t>(periodMs) * 1000;
    uint64_t boundary = (target + kClockTickMicros - 1) / kClockTickMicros * kClockTickMicros;
    if (boundary <= fromMicros) boundary += kClockTickMicros;
    return boundary;
}

bool takeDueTimer(MSG* msg) {
    uint64_t now = platform::clockMicros();
    auto due = std::min_element(g_timers.begin(), g_timers.end(),
                                [](const Timer& a, const Timer& b) { return a.dueMicros < b.dueMicros; });
    if (due == g_timers.end() || due->dueMicros > now) return false;
    *msg = MSG{due->hwnd, WM_TIMER, due->id, 0, static_cast<DWORD>(now / 1000), POINT{0, 0}};
    platform::advanceVirtualClock(static_cast<uint64_t>(platform::virtualStepMs()) * 1000);
    due->dueMicros = scheduleFrom(platform::clockMicros(), due->periodMs);
    msg->time = GetTickCount();
    return true;
}

std::optional<uint64_t> nextTimerDue() {
    if (g_timers.empty()) return std::nullopt;
    uint64_t best = g_timers.front().dueMicros;
    for (const Timer& t : g_timers) best = std::min(best, t.dueMicros);
    return best;
}

bool anyTimer() { return !g_timers.empty(); }

void forgetTimersOf(HWND hwnd) {
    g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                   g_timers.end());
}

void resetTimers() { g_timers.clear(); }

}  // namespace platform::win

using platform::win::g_timers;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs, TIMERPROC proc) {
    if (!hwnd || id == 0 || proc || !platform::win::findRecord(hwnd)) return 0;
    uint64_t due = platform::win::scheduleFrom(platform::clockMicros(), periodMs);
    for (auto& t : g_timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.periodMs = periodMs;
            t.dueMicros = due;
            return id;
        }
    }
    g_timers.push_back({hwnd, id, periodMs, due});
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto before = g_timers.size();
    g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                  [&](const auto& t) { return t.hwnd == hwnd && t.id == id; }),
                   g_timers.end());
    return g_timers.size() != before ? TRUE : FALSE;
}
