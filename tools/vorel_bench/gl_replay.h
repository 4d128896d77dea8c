// The llvmpipe side of the benchmark: a recorded frame replayed through OpenGL fixed function.
//
// runLlvmpipe records the scene's state calls and one frame's draws on a recording device,
// uploads vertices and textures, then times `frames` replays (after two warm-up frames), each
// ending with the picture read back into CPU memory (glReadPixels), as our device's frames end
// with the picture in a memory surface. LP_NUM_THREADS, read by Mesa when the context is made,
// sets llvmpipe's threads (0: everything on the calling thread). False (with *error) when no
// OpenGL context can be had or the scene is unknown. Story scenes are recorded from the real story
// (story_scene.h).
#pragma once

#include <cstddef>
#include <string>

#include "tools/vorel_bench/bench_run.h"

namespace bench {

bool runLlvmpipe(const std::string& scene, int width, int height, int frames, RunResult* out, std::string* error);

// The timed part: replays calls [0, frameStart) once as set-up, then times `frames` replays of
// [frameStart, end) after two warm-up frames; out gets the times and the last picture. The
// recording's textures must be alive.
struct Recording;
bool replayTimed(const Recording& recording, size_t frameStart, int width, int height, int frames, RunResult* out,
                 std::string* error);

}  // namespace bench
