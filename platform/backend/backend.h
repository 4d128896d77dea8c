// The window-system backend: the small interface behind the window layer (platform/win/).
//
// One backend serves the process, chosen once at first use: VOREL_BACKEND=x11 or headless; unset,
// x11 when DISPLAY is set and the X server answers, else headless. Window ids are the backend's
// own numbers (X window ids, or numbers of the headless screen); 0 is never a window. The backend
// knows nothing of messages: it reports what happened as BackendEvents, and the window layer turns
// them into window messages. Coordinates are pixels, y down. Single-threaded.
// Failure: createWindow answers 0; other calls answer false/0 and change nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::backend {

using WindowId = uintptr_t;
// X8R8G8B8 pixels of a presented frame, shared between the one who made them and the backend.
using SharedFrame = std::shared_ptr<const std::vector<uint32_t>>;
// A presented frame given row by row: row(context, y, out) writes row y (0 <= y < height) as width
// X8R8G8B8 pixels with the top byte 0 into out. For a maker whose pixels are narrower (16-bit) and a
// backend that fits frames into an image of its own: the widened frame is never written whole.
struct FrameRows {
    int width = 0, height = 0;
    void (*row)(const void* context, int y, uint32_t* out) = nullptr;
    const void* context = nullptr;
};

struct WindowSpec {
    WindowId parent = 0;   // 0: a top-level window
    int x = 0, y = 0;      // relative to the parent (or the screen)
    int width = 0, height = 0;
    bool visible = true;
    bool topmost = false;  // full-screen saver window above all others
    std::string className;
    std::string title;
};

enum class EventKind {
    KeyDown,       // code: Windows virtual key
    KeyUp,
    ButtonDown,    // code: 0 left, 1 right, 2 middle
    ButtonUp,
    Motion,        // x, y: pointer position in the window's client area
    Deactivate,    // the application lost the input focus
    Hidden,        // the window became invisible
    Shown,
    Taken,         // another program holds the display
    Given,
    Exposed,       // part of the window must be repainted
    Destroyed,     // the window (or its parent) went away without us destroying it
    CloseRequest,  // the window system asks the window to close
    ConnectionLost,
};

struct BackendEvent {
    EventKind kind = EventKind::Exposed;
    WindowId window = 0;  // 0: the event is about the whole application
    int code = 0;
    int x = 0, y = 0;
};

class Backend {
public:
    virtual ~Backend() = default;
    virtual const char* name() const = 0;
    virtual bool headless() const = 0;

    virtual void desktopSize(int* width, int* height) = 0;
    virtual WindowId createWindow(const WindowSpec& desired) = 0;
    virtual void destroyWindow(WindowId window) = 0;
    // Any window on the screen, ours or another program's.
    virtual bool windowExists(WindowId window) = 0;
    virtual bool clientSize(WindowId window, int* width, int* height) = 0;
    virtual WindowId findWindow(const char* className, const char* title) = 0;
    virtual bool bringToFront(WindowId window) = 0;
    virtual WindowId foregroundWindow() = 0;

    // Shows 32-bit X8R8G8B8 pixels in the window, scaled to its size keeping the whole picture
    // visible (black bars where the shapes differ).
    virtual bool present(WindowId window, const uint32_t* pixels, int width, int height, int pitchBytes) = 0;
    // The same for a frame the caller made for presenting (width * height pixels, rows packed) and
    // never changes while anyone else holds it: a backend that keeps presented frames keeps this
    // one by reference instead of copying it. By default it is copied as present does.
    virtual bool presentShared(WindowId window, SharedFrame frame, int width, int height) {
        return frame && present(window, frame->data(), width, height, width * 4);
    }
    // Whether presentRows is the cheaper way to show a frame one has to widen first: true for a
    // backend that fits every frame into an image of its own (no frame is kept).
    virtual bool presentsRows() const { return false; }
    // Shows the frame as present shows the same pixels given whole, asking for the rows it needs
    // (each at most once, in rising order) before it returns. By default the rows are gathered
    // into a frame that is then presented.
    virtual bool presentRows(WindowId window, const FrameRows& frame);
    virtual void setCursorHidden(bool hidden) = 0;
    virtual bool cursorPosition(int* x, int* y) = 0;
    // Scripted pointer moves change the cursor position the backend reports.
    virtual void moveCursor(int x, int y) = 0;

    // Appends what happened since the last call; never waits.
    virtual void pollEvents(std::vector<BackendEvent>& out) = 0;
    // A file descriptor that becomes readable when events arrive, or -1.
    virtual int eventFd() const = 0;
};

// The whole frame of `frame`'s rows (width * height pixels, rows packed).
std::vector<uint32_t> gatherRows(const FrameRows& frame);

// The process's backend, chosen on first use.
Backend& current();
// Replaces the backend (tests); null goes back to choosing on next use.
void install(std::unique_ptr<Backend> backend);

std::unique_ptr<Backend> makeHeadless();
// Null when X is not compiled in or the display cannot be opened.
std::unique_ptr<Backend> makeX11();
// A screen that cannot be used: no window can be made (the x11 backend was asked for and failed).
std::unique_ptr<Backend> makeUnavailable();

}  // namespace platform::backend
