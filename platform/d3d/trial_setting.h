// A process-wide setting for weighing two ways of doing one step inside one process: 0 picks way
// A (the current code), 1 way B. `vorel_bench --ab` sets it before every frame, alternating, so
// that both ways meet the same minutes of the host; code under trial reads it where it chooses
// (trialSetting() == 1 ? B : A). It changes nothing unless some code reads it, and nothing in a
// landed program should: a trial either lands as the one way or goes. The load is relaxed (one
// plain read): it only ever changes between frames, while no thread is drawing.
#pragma once

#include <atomic>

namespace platform::d3d {

inline std::atomic<int> g_trialSetting{0};

inline int trialSetting() { return g_trialSetting.load(std::memory_order_relaxed); }
inline void setTrialSetting(int setting) { g_trialSetting.store(setting, std::memory_order_relaxed); }

}  // namespace platform::d3d
