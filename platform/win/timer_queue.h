// Inside the window layer: what the message queue asks of the timers. Not for use outside
// platform/win/.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/win/messages.h"

namespace platform::win {

// Length of the platform's clock tick: 1/64 s.
constexpr uint64_t kClockTickMicros = 15625;

// The real-clock time at which a timer set (or fired) at `fromMicros` with `periodMs` is next due:
// the first tick boundary at least periodMs later and strictly later than fromMicros.
uint64_t nextTickDue(uint64_t fromMicros, uint32_t periodMs);

// Takes the earliest due timer as a WM_TIMER message and schedules its next firing; on the virtual
// clock the clock advances by its step. False when none is due.
bool takeDueTimer(MSG* msg);
// The clock time (platform::clockMicros) of the next firing, if any timer exists.
std::optional<uint64_t> nextTimerDue();
bool anyTimer();

}  // namespace platform::win
