// The device's helper threads: runs one job split into parts, part 0 on the calling thread and
// the others on persistent workers, and returns when all parts are done.
//
// job(part, parts) is called once for every part in [0, parts); parts run at the same time and
// must not write the same memory. Workers are started on first use and live until the process
// ends; between jobs they spin for a few microseconds and then sleep, so a saver that draws a
// frame now and then costs no processor time in between. When another thread is already running a job (two devices drawing at once), the parts
// run one after another on the caller instead. Never fails; parts is clamped to 1..16.
#pragma once

#include <functional>

namespace platform::d3d {

void runParts(int parts, const std::function<void(int part, int parts)>& job);

// The same in two steps: startParts hands parts 1.. of `job` to the workers and returns at once
// (the caller runs part 0 itself, if it has one, in between); finishParts(job) waits for them.
// Every startParts needs its finishParts on the same thread, and `job` must live until then. When the workers are busy with another job, the parts run on the caller in finishParts,
// one after another, so a part must not wait for anything the caller does between the two calls
// except what it finds done or finished by then.
// One pause in a spin-wait loop (lets the other hardware thread of the core run).
inline void spinPause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// One step of a thread's wait for another that is drawing: a short spin for the first 64 steps
// (idle counts them; the caller sets it to 0 whenever it found work), then the processor is given
// away, so that a thread taken off it (holding what the waiter needs) can run.
void waitStep(int* idle);

// startParts says whether the workers took parts 1.. (false: they run on the caller in finishParts).
bool startParts(int parts, const std::function<void(int part, int parts)>& job);
void finishParts(const std::function<void(int part, int parts)>& job);

}  // namespace platform::d3d
