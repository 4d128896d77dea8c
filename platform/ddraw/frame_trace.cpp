#include "platform/ddraw/frame_trace.h"

#include <string>

namespace platform::ddraw {
namespace {
FrameTrace g_trace;
std::string g_extra;
}  // namespace

void setTraceExtra(const char* jsonMembers) { g_extra = jsonMembers ? jsonMembers : ""; }

const char* traceExtra() { return g_extra.c_str(); }

void setFrameTrace(const FrameTrace& trace) {
    g_trace = trace;
    if (g_trace.lightCount < 0) g_trace.lightCount = 0;
    if (g_trace.lightCount > 8) g_trace.lightCount = 8;
}

const FrameTrace& currentFrameTrace() { return g_trace; }

void clearFrameCounts() {
    g_trace.draws = 0;
    g_trace.triangles = 0;
}

}  // namespace platform::ddraw
