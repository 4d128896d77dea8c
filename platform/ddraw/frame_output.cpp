#include "platform/ddraw/frame_output.h"

#include <png.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/ddraw/frame_trace.h"
#include "platform/win/clock.h"

namespace platform::ddraw {
namespace {

struct OutputState {
    bool configured = false;
    std::string captureFolder;
    uint64_t captureEvery = 1;
    FILE* trace = nullptr;
    uint64_t frames = 0;
};

OutputState g_output;

// When the program started, near enough: static construction runs before main.
const std::chrono::steady_clock::time_point g_programStart = std::chrono::steady_clock::now();

double wallMsSinceStart() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_programStart).count();
}

// Processor time of the whole process (every thread), in ms.
double processCpuMs() {
    timespec t{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return 0.0;
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

void configure() {
    g_output.configured = true;
    if (const char* folder = std::getenv("VOREL_CAPTURE"); folder && *folder) g_output.captureFolder = folder;
    if (const char* every = std::getenv("VOREL_CAPTURE_EVERY")) {
        const long long n = std::atoll(every);
        g_output.captureEvery = n > 0 ? static_cast<uint64_t>(n) : 1;
    }
    if (const char* path = std::getenv("VOREL_TRACE"); path && *path) g_output.trace = std::fopen(path, "w");
}

void writeFloat(FILE* f, float v) {
    if (std::isfinite(v))
        std::fprintf(f, "%.3f", static_cast<double>(v));
    else
        std::fputs("null", f);
}

void writeTraceLine(FILE* f, uint64_t frame, int width, int height) {
    const FrameTrace& t = currentFrameTrace();
    std::fprintf(f, "{\"frame\":%llu,\"t\":%lu,\"width\":%d,\"height\":%d,\"draws\":%lu,\"triangles\":%lu,\"eye\":[",
                 static_cast<unsigned long long>(frame), static_cast<unsigned long>(GetTickCount()), width, height,
                 static_cast<unsigned long>(t.draws), static_cast<unsigned long>(t.triangles));
    for (int i = 0; i < 3; ++i) {
        if (i) std::fputc(',', f);
        writeFloat(f, t.eye[i]);
    }
    std::fprintf(f, "],\"fog\":%s,\"lights\":[", t.fog ? "true" : "false");
    for (int i = 0; i < t.lightCount; ++i) std::fprintf(f, "%s%s", i ? "," : "", t.lights[i] ? "true" : "false");
    std::fputs("]", f);
    // Real time since the program started and processor time used so far, for start-up and load
    // figures (they vary from run to run even on the virtual clock).
    std::fprintf(f, ",\"wall_ms\":%.1f,\"cpu_ms\":%.1f,\"threads\":%d", wallMsSinceStart(), processCpuMs(), t.threads);
    if (*traceExtra()) std::fprintf(f, ",%s", traceExtra());
    std::fputs("}\n", f);
    std::fflush(f);
}

}  // namespace

bool writePng(const char* path, const uint32_t* pixels, int width, int height, int pitchBytes) {
    if (!path || !pixels || width <= 0 || height <= 0) return false;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3 * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(pixels) +
                                                                static_cast<ptrdiff_t>(y) * pitchBytes);
        uint8_t* out = &rgb[static_cast<size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x) {
            out[3 * x + 0] = static_cast<uint8_t>(row[x] >> 16);
            out[3 * x + 1] = static_cast<uint8_t>(row[x] >> 8);
            out[3 * x + 2] = static_cast<uint8_t>(row[x]);
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    const int ok = png_image_write_to_file(&image, path, 0, rgb.data(), width * 3, nullptr);
    png_image_free(&image);
    return ok != 0;
}

bool frameCapturedNext() {
    if (!g_output.configured) configure();
    return !g_output.captureFolder.empty() && g_output.frames % g_output.captureEvery == 0;
}

void recordPresentedFrame(const uint32_t* pixels, int width, int height, int pitchBytes) {
    const bool capture = frameCapturedNext();
    const uint64_t frame = g_output.frames++;
    if (capture && pixels) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%06llu.png", static_cast<unsigned long long>(frame));
        writePng((g_output.captureFolder + name).c_str(), pixels, width, height, pitchBytes);
    }
    if (g_output.trace) writeTraceLine(g_output.trace, frame, width, height);
    clearFrameCounts();
}

uint64_t presentedFrameCount() { return g_output.frames; }

void resetFrameOutput() {
    if (g_output.trace) std::fclose(g_output.trace);
    g_output = OutputState{};
}

}  // namespace platform::ddraw
