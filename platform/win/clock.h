// Time of the platform layer.
//
// GetTickCount: milliseconds as an unsigned 32-bit count that wraps. On the real clock it counts
// from an arbitrary start; with VOREL_TICK_MS=N (virtual clock, N from 1 to 1000) it starts at 1000
// and advances by N with every timer message delivered (platform/win/timers.h), so a run repeats
// exactly. Sleep waits on the real clock and returns at once on the virtual one. currentTimeSeed:
// the wall-clock time (seconds) the programs seed their random numbers with; on the virtual clock a
// fixed epoch plus the tick count in seconds. A VOREL_TICK_MS that is not a number in range is
// ignored (real clock) with a note on stderr.
#pragma once

#include "platform/win/wintypes.h"

DWORD GetTickCount();
void Sleep(DWORD milliseconds);

namespace platform {
uint32_t currentTimeSeed();

// For the window layer: the clock in microseconds. Real clock: since the first use of the clock.
// Virtual clock: the tick count (starting at 1000 ms) times 1000, never wrapping.
uint64_t clockMicros();
bool virtualClock();
uint32_t virtualStepMs();  // N, or 0 on the real clock
// Moves the virtual clock forward (no effect on the real clock or for a time in the past).
void advanceVirtualClock(uint64_t microseconds);
void advanceVirtualClockTo(uint64_t clockMicrosValue);
// Reads VOREL_TICK_MS again and starts over (tests).
void resetClock();
}  // namespace platform
