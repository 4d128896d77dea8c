#include "saver/overlay/overlay_display.h"

#include "platform/win/clock.h"

OverlayDisplay OverlayDisplay::standIn() {
    OverlayDisplay d;
    d.directDraw = []() -> IDirectDraw7* { return nullptr; };
    d.makeBlankSurface = [](IDirectDraw7*, int, int) -> IDirectDrawSurface7* { return nullptr; };
    d.findImage = [](const char*) { return -1; };
    d.addImage = [](IDirectDraw7*, const char*) { return -1; };
    d.image = [](int) -> IDirectDrawSurface7* { return nullptr; };
    d.releaseImage = [](int) {};
    d.screenSize = [](int& w, int& h) { w = 800, h = 600; };
    d.screenDpi = [] { return 96; };
    d.nowMs = [] { return static_cast<uint32_t>(GetTickCount()); };
    return d;
}

OverlayDisplay& overlayDisplay() {
    static OverlayDisplay display = OverlayDisplay::standIn();
    return display;
}
