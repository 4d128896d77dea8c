// Showing X8R8G8B8 frames in an X window: through shared memory (MIT-SHM) when the server offers
// it for this connection, else with plain XPutImage. The frame is fitted to the window
// (platform/backend/scale_frame.h). A present first waits until the server has taken the
// previous one (one round trip, no busy loop), so the shared image is never overwritten while it
// is being read. Visuals other than 24/32-bit TrueColor with 8-bit channels are converted pixel by
// pixel. Owned by the backend's window record; destroyed before the window or the display.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

namespace platform::x11 {

class X11Presenter {
public:
    X11Presenter(Display* display, Window window, Visual* visual, int depth);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    bool present(const uint32_t* pixels, int width, int height, int pitchBytes, int windowWidth, int windowHeight);
    // The connection is gone: from now on (and when destroyed) only our own memory is freed.
    void abandon() { abandoned_ = true; }

private:
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
    uint32_t* frame_ = nullptr;  // fitted frame, imageWidth_ x imageHeight_ (separate when converting)
};

// Runs `what` with X errors caught; answers false when the server reported one.
bool withErrorsTrapped(Display* display, void (*what)(Display*, void*), void* context);

}  // namespace platform::x11
