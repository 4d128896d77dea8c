// Showing X8R8G8B8 frames in an X window: through shared memory (MIT-SHM) when the server offers
// it for this connection, else with plain XPutImage. The frame, whole or given row by row, is
// fitted to the window (platform/backend/scale_frame.h). A present first waits until the server
// has taken the previous one (one round trip, no busy loop), so the shared image is never
// overwritten while it is being read. Once the window shows a frame size's black bars, later
// frames of that size send only the picture, until an exposure. Visuals other than 24/32-bit
// TrueColor with 8-bit channels are converted pixel by pixel. Owned by the backend's window
// record; destroyed before the window or the display.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

#include "platform/backend/backend.h"
#include "platform/backend/scale_frame.h"

namespace platform::x11 {

class X11Presenter {
public:
    X11Presenter(Display* display, Window window, Visual* visual, int depth);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    bool present(const uint32_t* pixels, int width, int height, int pitchBytes, int windowWidth, int windowHeight);
    // The same for a frame given row by row, fitted straight from its rows.
    bool presentRows(const backend::FrameRows& frame, int windowWidth, int windowHeight);
    // Part of the window was exposed: the next frame goes to the server whole, bars and all.
    void exposed() { wholeNext_ = true; }
    // The connection is gone: from now on (and when destroyed) only our own memory is freed.
    void abandon() { abandoned_ = true; }

private:
    // An image of the window's size the server no longer reads; false when none can be made.
    bool prepare(int windowWidth, int windowHeight);
    int framePitch() const;
    // Whether the bars must be painted for a frame of this size (remembered for the next frame).
    bool paintsBars(int width, int height);
    // Converts the fitted frame for the visual when needed and hands the image to the server.
    void show();
    bool makeImage(int width, int height);
    void freeImage();
    void convertForVisual();

    Display* display_;
    Window window_;
    Visual* visual_;
    int depth_;
    GC gc_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo shm_{};
    bool usingShm_ = false;
    bool shmRefused_ = false;
    bool pending_ = false;
    bool abandoned_ = false;
    int imageWidth_ = 0, imageHeight_ = 0;
    int barsWidth_ = 0, barsHeight_ = 0;  // the frame size the image's bars were painted for
    backend::FitRect picture_;            // where that frame's picture lies in the image
    bool wholeNext_ = true;               // the next put covers the whole window, not just the picture
    uint32_t* frame_ = nullptr;  // fitted frame, imageWidth_ x imageHeight_ (separate when converting)
};

// Runs `what` with X errors caught; answers false when the server reported one.
bool withErrorsTrapped(Display* display, void (*what)(Display*, void*), void* context);

}  // namespace platform::x11
