// The 3D figures of a frame that the presentation trace (VOREL_TRACE) writes.
//
// The 3D device fills a FrameTrace during the frame (setFrameTrace, typically at EndScene, with the
// counts of that scene) and the layer writes it with the next presented frame, after which draws
// and triangles go back to 0 (the eye, fog and light flags stay until set again). `eye` is the
// camera position in world space recovered from the view matrix; `lights[i]` is whether light i
// is enabled, for the first `lightCount` lights (at most 8); `threads` the threads that drew the
// scene's triangles.
#pragma once

#include <cstdint>

namespace platform::ddraw {

struct FrameTrace {
    uint32_t draws = 0;      // DrawPrimitive calls that drew
    uint32_t triangles = 0;  // triangles submitted
    float eye[3] = {0.0f, 0.0f, 0.0f};
    bool fog = false;
    int lightCount = 0;
    bool lights[8] = {};
    int threads = 1;
};

void setFrameTrace(const FrameTrace& trace);
// Further members the program adds to every following trace line, as JSON text without braces
// (e.g. "\"camera\":2,\"view\":\"inside\""); empty for none. Copied; the last one given stays.
void setTraceExtra(const char* jsonMembers);
const char* traceExtra();
const FrameTrace& currentFrameTrace();
// After a presented frame: the per-frame counts start again at 0.
void clearFrameCounts();

}  // namespace platform::ddraw
