// What the on-screen interface layer needs of the display and of its bitmap store, in one
// replaceable record.
//
// The layer draws with the display's DirectDraw object (none before the display is made and after
// it is released), makes each control's own surface as a blank off-screen bitmap with the pure
// green source colour key, and takes its images from the interface bitmap store `interfaceBitmaps`
// by index. Until the display objects and the stores are wired in, the record answers "no DirectDraw
// object, no image": controls and pointers then keep no surfaces and draw nothing, which is all this
// screensaver ever asks of the layer (it creates no control). Tests put their own functions in.
//
// screenDpi is the vertical dots per inch of the back buffer (font sizes in points become pixels
// with it); nowMs is the system tick count in milliseconds (the edit's blinking caret).
// Ownership: a surface returned by makeBlankSurface carries one reference for the caller; a surface
// returned by image stays owned by the store.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/ddraw/ddraw.h"

struct OverlayDisplay {
    std::function<IDirectDraw7*()> directDraw;
    std::function<IDirectDrawSurface7*(IDirectDraw7*, int width, int height)> makeBlankSurface;
    std::function<int(const char* name)> findImage;                 // index of that exact name, or -1
    std::function<int(IDirectDraw7*, const char* name)> addImage;  // index, -1 when it cannot be had
    std::function<IDirectDrawSurface7*(int index)> image;           // loads on first use; may be null
    std::function<void(int index)> releaseImage;
    std::function<void(int& width, int& height)> screenSize;        // the size in use, in pixels
    std::function<int()> screenDpi;
    std::function<uint32_t()> nowMs;

    // The stand-in described above.
    static OverlayDisplay standIn();
};

// The record the layer uses; replace its members (tests) or the whole record (start-up wiring).
OverlayDisplay& overlayDisplay();
