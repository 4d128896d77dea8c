// Releasing the display objects at the end of the run and on failure paths.
#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/display/release_hooks.h"
#include "saver/overlay/t3d_control.h"

namespace {

template <class T>
void releaseMember(T*& member) {
    if (member) member->Release();
    member = nullptr;
}

void call(DisplayHooks::Hook hook) {
    if (hook) hook();
}

}  // namespace

void releaseDisplay(HWND window) {
    call(displayHooks().releaseAnimatedTextures);
    if (!g_display.directDraw) return;
    call(displayHooks().releaseModelTemplates);
    if (g_display.backBuffer) g_display.backBuffer->DeleteAttachedSurface(0, nullptr);
    releaseMember(g_display.zBuffer);
    releaseMember(g_display.device);
    releaseMember(g_display.direct3D);
    controlContainer.releaseSurfaces();
    call(displayHooks().releaseOverlay);
    call(displayHooks().releaseStoreSurfaces);
    releaseMember(g_display.backBuffer);
    releaseMember(g_display.primary);
    // The normal level gives the desktop its own mode back.
    g_display.directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    releaseMember(g_display.directDraw);
    g_display.textureFormat = DDPIXELFORMAT{};
}
