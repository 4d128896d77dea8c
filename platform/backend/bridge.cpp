#include "platform/backend/bridge.h"

#include <cstdio>
#include <cstdlib>

namespace platform::bridge {
namespace {

PresentFn g_present = nullptr;
DesktopSizeFn g_desktop = nullptr;
DisplayListener g_listener = nullptr;

// VOREL_SCREEN=WxH, else 1024x768; absurd values fall back to the default.
void defaultDesktopSize(int* width, int* height) {
    int w = 1024, h = 768;
    if (const char* s = std::getenv("VOREL_SCREEN")) {
        int pw = 0, ph = 0;
        if (std::sscanf(s, "%dx%d", &pw, &ph) == 2 && pw >= 64 && ph >= 64 && pw <= 16384 && ph <= 16384) {
            w = pw;
            h = ph;
        }
    }
    *width = w;
    *height = h;
}

}  // namespace

void setPresent(PresentFn fn) { g_present = fn; }

bool present(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes) {
    return g_present ? g_present(window, pixels, width, height, pitchBytes) : false;
}

void setDesktopSize(DesktopSizeFn fn) { g_desktop = fn; }

void desktopSize(int* width, int* height) {
    if (g_desktop)
        g_desktop(width, height);
    else
        defaultDesktopSize(width, height);
}

void setDisplayListener(DisplayListener fn) { g_listener = fn; }

void raise(DisplayEvent event) {
    if (g_listener) g_listener(event);
}

void reset() {
    g_present = nullptr;
    g_desktop = nullptr;
    g_listener = nullptr;
}

}  // namespace platform::bridge
