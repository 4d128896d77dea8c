#include "platform/win/clock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

constexpr uint64_t kVirtualStartMicros = 1000 * 1000;  // the tick count starts at 1000 ms
constexpr uint32_t kVirtualEpoch = 1600000000;         // seconds; any fixed value repeats a run

struct ClockState {
    bool initialised = false;
    uint32_t stepMs = 0;  // 0: real clock
    uint64_t virtualMicros = kVirtualStartMicros;
    std::chrono::steady_clock::time_point start;
};

ClockState g_clock;

uint32_t readStep() {
    const char* s = std::getenv("VOREL_TICK_MS");
    if (!s || !*s) return 0;
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (*end != '\0' || v < 1 || v > 1000) {
        std::fprintf(stderr, "VOREL_TICK_MS=%s is not a step from 1 to 1000 ms; using the real clock\n", s);
        return 0;
    }
    return static_cast<uint32_t>(v);
}

ClockState& clockState() {
    if (!g_clock.initialised) {
        g_clock.initialised = true;
        g_clock.stepMs = readStep();
        g_clock.virtualMicros = kVirtualStartMicros;
        g_clock.start = std::chrono::steady_clock::now();
    }
    return g_clock;
}

}  // namespace

DWORD GetTickCount() {
    ClockState& c = clockState();
    if (c.stepMs) return static_cast<DWORD>(c.virtualMicros / 1000);
    using namespace std::chrono;
    return static_cast<DWORD>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void Sleep(DWORD milliseconds) {
    if (clockState().stepMs) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace platform {

uint32_t currentTimeSeed() {
    ClockState& c = clockState();
    if (c.stepMs) return kVirtualEpoch + static_cast<uint32_t>(c.virtualMicros / 1000000);
    return static_cast<uint32_t>(std::time(nullptr));
}

uint64_t clockMicros() {
    ClockState& c = clockState();
    if (c.stepMs) return c.virtualMicros;
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now() - c.start).count());
}

bool virtualClock() { return clockState().stepMs != 0; }

uint32_t virtualStepMs() { return clockState().stepMs; }

void advanceVirtualClock(uint64_t microseconds) {
    ClockState& c = clockState();
    if (c.stepMs) c.virtualMicros += microseconds;
}

void advanceVirtualClockTo(uint64_t clockMicrosValue) {
    ClockState& c = clockState();
    if (c.stepMs && clockMicrosValue > c.virtualMicros) c.virtualMicros = clockMicrosValue;
}

void resetClock() { g_clock = ClockState{}; }

}  // namespace platform
