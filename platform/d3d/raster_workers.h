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

}  // namespace platform::d3d
