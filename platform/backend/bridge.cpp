#include "platform/backend/bridge.h"

#include <utility>

#include "platform/backend/backend.h"

namespace platform::bridge {
namespace {

PresentFn g_present = nullptr;
PresentSharedFn g_presentShared = nullptr;
DesktopSizeFn g_desktop = nullptr;
DisplayListener g_listener = nullptr;

}  // namespace

void setPresent(PresentFn fn) { g_present = fn; }

bool present(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes) {
    if (g_present) return g_present(window, pixels, width, height, pitchBytes);
    return backend::current().present(handleToNumber(window), pixels, width, height, pitchBytes);
}

void setPresentShared(PresentSharedFn fn) { g_presentShared = fn; }

bool presentShared(HWND window, SharedFrame frame, int width, int height) {
    if (!frame || frame->size() < static_cast<size_t>(width) * static_cast<size_t>(height)) return false;
    if (g_presentShared) return g_presentShared(window, std::move(frame), width, height);
    if (g_present) return g_present(window, frame->data(), width, height, width * 4);
    return backend::current().presentShared(handleToNumber(window), std::move(frame), width, height);
}

void setDesktopSize(DesktopSizeFn fn) { g_desktop = fn; }

void desktopSize(int* width, int* height) {
    if (g_desktop)
        g_desktop(width, height);
    else
        backend::current().desktopSize(width, height);
}

void setDisplayListener(DisplayListener fn) { g_listener = fn; }

void raise(DisplayEvent event) {
    if (g_listener) g_listener(event);
}

void reset() {
    g_present = nullptr;
    g_presentShared = nullptr;
    g_desktop = nullptr;
    g_listener = nullptr;
}

}  // namespace platform::bridge
