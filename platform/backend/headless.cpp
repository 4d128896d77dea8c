// The headless screen: window records in memory, the preview host window, kept frames.
#include "platform/backend/headless.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace platform::headless {
namespace {

using backend::BackendEvent;
using backend::EventKind;
using backend::WindowId;

struct HeadlessWindow {
    WindowId parent = 0;
    int width = 0, height = 0;
    std::string className, title;
};

// VOREL_SCREEN=WxH, else 1024x768; absurd values fall back to the default.
void screenSize(int* width, int* height) {
    int w = 1024, h = 768;
    if (const char* s = std::getenv("VOREL_SCREEN")) {
        int pw = 0, ph = 0;
        char tail = 0;
        if (std::sscanf(s, "%dx%d%c", &pw, &ph, &tail) == 2 && pw >= 64 && ph >= 64 && pw <= 16384 &&
            ph <= 16384) {
            w = pw;
            h = ph;
        }
    }
    *width = w;
    *height = h;
}

class HeadlessBackend final : public backend::Backend {
public:
    explicit HeadlessBackend(bool usable) : usable_(usable) {
        if (usable_) windows_[kHostWindow] = HeadlessWindow{0, kHostWidth, kHostHeight, "", ""};
    }
    const char* name() const override { return usable_ ? "headless" : "unavailable"; }
    bool headless() const override { return true; }
    void desktopSize(int* width, int* height) override { screenSize(width, height); }

    WindowId createWindow(const backend::WindowSpec& desired) override {
        if (!usable_ || desired.width < 0 || desired.height < 0) return 0;
        if (desired.parent && !windows_.count(desired.parent)) return 0;
        WindowId id = nextId_++;
        windows_[id] = HeadlessWindow{desired.parent, desired.width, desired.height, desired.className, desired.title};
        if (!desired.parent) foreground_ = id;
        return id;
    }

    void destroyWindow(WindowId window) override {
        windows_.erase(window);
        if (foreground_ == window) foreground_ = 0;
    }

    bool windowExists(WindowId window) override { return windows_.count(window) != 0; }

    bool clientSize(WindowId window, int* width, int* height) override {
        auto it = windows_.find(window);
        if (it == windows_.end()) return false;
        *width = it->second.width;
        *height = it->second.height;
        return true;
    }

    // Only this process's windows exist on a headless screen.
    WindowId findWindow(const char* className, const char* title) override {
        for (const auto& [id, w] : windows_) {
            if (w.parent) continue;
            if (className && w.className != className) continue;
            if (title && w.title != title) continue;
            if (id == kHostWindow) continue;
            return id;
        }
        return 0;
    }

    bool bringToFront(WindowId window) override {
        if (!windows_.count(window)) return false;
        foreground_ = window;
        return true;
    }
    WindowId foregroundWindow() override { return foreground_; }

    bool present(WindowId window, const uint32_t* pixels, int width, int height, int pitchBytes) override;
    bool presentShared(WindowId window, backend::SharedFrame frame, int width, int height) override;

    void setCursorHidden(bool hidden) override { cursorHidden_ = hidden; }
    bool cursorPosition(int* x, int* y) override {
        *x = cursorX_;
        *y = cursorY_;
        return true;
    }
    void moveCursor(int x, int y) override {
        cursorX_ = x;
        cursorY_ = y;
    }

    void pollEvents(std::vector<BackendEvent>& out) override {
        out.insert(out.end(), pending_.begin(), pending_.end());
        pending_.clear();
    }
    int eventFd() const override { return -1; }

    void destroyHost() {
        if (!windows_.erase(kHostWindow)) return;
        for (auto it = windows_.begin(); it != windows_.end();) {
            if (it->second.parent == kHostWindow) {
                pending_.push_back(BackendEvent{EventKind::Destroyed, it->first, 0, 0, 0});
                it = windows_.erase(it);
            } else {
                ++it;
            }
        }
    }

    // The last frame: its pixels are lastPixels (shared with their maker, or our own copy).
    PresentedFrame last;
    backend::SharedFrame lastPixels;
    long presented = 0;

private:
    bool usable_;
    std::map<WindowId, HeadlessWindow> windows_;
    WindowId nextId_ = 0x20000;
    WindowId foreground_ = 0;
    int cursorX_ = 0, cursorY_ = 0;
    bool cursorHidden_ = false;
    std::vector<BackendEvent> pending_;
};

// Copies into the kept frame's own block when no one else holds it, else into a new one.
bool HeadlessBackend::present(WindowId window, const uint32_t* pixels, int width, int height, int pitchBytes) {
    if (!windows_.count(window) || !pixels || width <= 0 || height <= 0 || pitchBytes < width * 4) return false;
    auto copy = lastPixels.use_count() == 1 ? std::const_pointer_cast<std::vector<uint32_t>>(lastPixels)
                                            : std::make_shared<std::vector<uint32_t>>();
    lastPixels.reset();
    copy->resize(static_cast<size_t>(width) * height);
    const auto* row = reinterpret_cast<const unsigned char*>(pixels);
    for (int y = 0; y < height; ++y, row += pitchBytes)
        std::memcpy(&(*copy)[static_cast<size_t>(y) * width], row, static_cast<size_t>(width) * 4);
    return presentShared(window, std::move(copy), width, height);
}

bool HeadlessBackend::presentShared(WindowId window, backend::SharedFrame frame, int width, int height) {
    if (!windows_.count(window) || !frame || width <= 0 || height <= 0 ||
        frame->size() < static_cast<size_t>(width) * height)
        return false;
    last.window = window;
    last.width = width;
    last.height = height;
    lastPixels = std::move(frame);
    ++presented;
    return true;
}

HeadlessBackend* currentHeadless() { return dynamic_cast<HeadlessBackend*>(&backend::current()); }

}  // namespace

bool lastPresentedFrame(PresentedFrame* out) {
    HeadlessBackend* b = currentHeadless();
    if (!b || b->presented == 0) return false;
    *out = b->last;
    out->pixels.assign(b->lastPixels->begin(),
                       b->lastPixels->begin() + static_cast<ptrdiff_t>(b->last.width) * b->last.height);
    return true;
}

long presentedFrameCount() {
    HeadlessBackend* b = currentHeadless();
    return b ? b->presented : 0;
}

void destroyHostWindow() {
    if (HeadlessBackend* b = currentHeadless()) b->destroyHost();
}

}  // namespace platform::headless

namespace platform::backend {

std::unique_ptr<Backend> makeHeadless() { return std::make_unique<headless::HeadlessBackend>(true); }
std::unique_ptr<Backend> makeUnavailable() { return std::make_unique<headless::HeadlessBackend>(false); }

}  // namespace platform::backend
