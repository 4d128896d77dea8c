// Chooses the process's backend once: VOREL_BACKEND when set, else x11 when the X server answers.
#include "platform/backend/backend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::backend {
namespace {

std::unique_ptr<Backend> g_backend;

std::unique_ptr<Backend> choose() {
    const char* wanted = std::getenv("VOREL_BACKEND");
    if (wanted && std::strcmp(wanted, "headless") == 0) return makeHeadless();
    if (wanted && std::strcmp(wanted, "x11") == 0) {
        if (auto x = makeX11()) return x;
        // Asked for explicitly: running invisibly instead would leave a saver nobody can see or
        // stop with the keyboard, so the backend stays without a screen and windows fail.
        std::fprintf(stderr, "VOREL_BACKEND=x11: cannot open the X display\n");
        return makeUnavailable();
    }
    if (wanted && *wanted) std::fprintf(stderr, "VOREL_BACKEND=%s is unknown; choosing by DISPLAY\n", wanted);
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        if (auto x = makeX11()) return x;
    }
    return makeHeadless();
}

}  // namespace

#ifndef VOREL_HAVE_X11
std::unique_ptr<Backend> makeX11() { return nullptr; }
#endif

std::vector<uint32_t> gatherRows(const FrameRows& frame) {
    if (frame.width <= 0 || frame.height <= 0 || !frame.row) return {};
    std::vector<uint32_t> pixels(static_cast<size_t>(frame.width) * static_cast<size_t>(frame.height));
    for (int y = 0; y < frame.height; ++y)
        frame.row(frame.context, y, pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(frame.width));
    return pixels;
}

bool Backend::presentRows(WindowId window, const FrameRows& frame) {
    const std::vector<uint32_t> pixels = gatherRows(frame);
    return !pixels.empty() && present(window, pixels.data(), frame.width, frame.height, frame.width * 4);
}

Backend& current() {
    if (!g_backend) g_backend = choose();
    return *g_backend;
}

void install(std::unique_ptr<Backend> backend) { g_backend = std::move(backend); }

}  // namespace platform::backend
