// Time of the platform layer.
//
// GetTickCount: milliseconds as an unsigned 32-bit count that wraps. On the real clock it counts
// from an arbitrary start; with VOREL_TICK_MS=N (virtual clock) it starts at 1000 and advances by N
// with every timer message delivered, so a run repeats exactly. Sleep waits on the real clock and
// returns at once on the virtual one. currentTimeSeed: the wall-clock time the programs seed their
// random numbers with (virtual: a fixed epoch plus the tick count).
#pragma once

#include "platform/win/wintypes.h"

DWORD GetTickCount();
void Sleep(DWORD milliseconds);

namespace platform {
uint32_t currentTimeSeed();
}  // namespace platform
