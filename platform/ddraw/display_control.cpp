#include "platform/ddraw/display_control.h"

#include "platform/ddraw/direct_draw.h"

namespace platform::ddraw {
namespace {

bool g_taken = false;
int g_stillDrawing = 0;

}  // namespace

void markAllSurfacesLost() {
    for (DirectDraw* dd : liveDirectDrawObjects()) dd->markSurfacesLost();
}

void injectStillDrawing(int times) { g_stillDrawing = times > 0 ? times : 0; }

bool consumeStillDrawing() {
    if (g_stillDrawing <= 0) return false;
    --g_stillDrawing;
    return true;
}

bool displayTaken() { return g_taken; }

void onDisplayEvent(platform::bridge::DisplayEvent event) {
    using platform::bridge::DisplayEvent;
    switch (event) {
    case DisplayEvent::Hidden:
        markAllSurfacesLost();
        break;
    case DisplayEvent::Taken:
        g_taken = true;
        markAllSurfacesLost();
        break;
    case DisplayEvent::Given:
        g_taken = false;
        break;
    case DisplayEvent::Shown:
        break;  // surfaces stay lost until their owner restores them
    }
}

void resetDisplayControl() {
    g_taken = false;
    g_stillDrawing = 0;
}

}  // namespace platform::ddraw
