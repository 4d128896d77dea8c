#include "platform/backend/bridge.h"

#include <memory>
#include <utility>

#include "platform/backend/backend.h"

namespace platform::bridge {
namespace {

PresentFn g_present = nullptr;
PresentSharedFn g_presentShared = nullptr;
PresentRowsFn g_presentRows = nullptr;
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

void setPresentRows(PresentRowsFn fn) { g_presentRows = fn; }

bool presentsRows() {
    if (g_presentRows) return true;
    if (g_present || g_presentShared) return false;
    return backend::current().presentsRows();
}

bool presentRows(HWND window, const FrameRows& frame) {
    if (frame.width <= 0 || frame.height <= 0 || !frame.row) return false;
    if (g_presentRows) return g_presentRows(window, frame);
    if (g_present || g_presentShared) {
        auto pixels = std::make_shared<const std::vector<uint32_t>>(backend::gatherRows(frame));
        return presentShared(window, std::move(pixels), frame.width, frame.height);
    }
    return backend::current().presentRows(handleToNumber(window), frame);
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
    g_presentRows = nullptr;
    g_desktop = nullptr;
    g_listener = nullptr;
}

}  // namespace platform::bridge
