#include "saver/shell/display_wiring.h"

#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/display/release_hooks.h"
#include "saver/overlay/cursor_layer.h"
#include "saver/overlay/font_list.h"
#include "saver/overlay/overlay_display.h"
#include "saver/overlay/t3d_control.h"
#include "saver/scene/caustic.h"
#include "saver/scene/scene_models.h"
#include "saver/scene/stores.h"
#include "saver/scene/surface_makers.h"
#include "saver/shell/shell_hooks.h"
#include "saver/shell/shell_state.h"

namespace {

// The controls released their surfaces just before (releaseDisplay); the interface stores' surfaces
// go next, and only then the controls, fonts and pointer shapes themselves.
void deleteInterfaceLayer() {
    for (int i = 0; i < kInterfaceBitmapStores; ++i) interfaceBitmaps(i).releaseAll();
    controlContainer.deleteAll();
    fontList.deleteAll();
    cursorLayer.deleteShapes();
}

// The interface stores are emptied, entries included; the scene's textures keep their names.
void releaseStoreSurfaces() {
    for (int i = 0; i < kInterfaceBitmapStores; ++i) interfaceBitmaps(i).clear();
    sceneTextures().releaseAll();
}

void reloadPictures() {
    for (int i = 0; i < kInterfaceBitmapStores; ++i) interfaceBitmaps(i).reloadAll();
    sceneTextures().reloadAll();
}

// The interface layer draws with the display's objects and takes its images from the first
// interface bitmap store.
OverlayDisplay realOverlayDisplay() {
    OverlayDisplay d = OverlayDisplay::standIn();  // the clock stays the system tick count
    d.directDraw = [] { return g_display.directDraw; };
    d.makeBlankSurface = [](IDirectDraw7* directDraw, int width, int height) {
        IDirectDrawSurface7* surface = createBlankBitmap(directDraw, width, height);
        setSourceColorKey(surface, 0x00FF00);
        return surface;
    };
    d.findImage = [](const char* name) { return interfaceBitmaps(0).indexOf(name); };
    d.addImage = [](IDirectDraw7* directDraw, const char* name) {
        return interfaceBitmaps(0).addAndLoad(directDraw, name, 1);
    };
    d.image = [](int index) { return interfaceBitmaps(0).surfaceAt(index); };
    d.releaseImage = [](int index) { interfaceBitmaps(0).releaseEntry(index); };
    d.screenSize = [](int& width, int& height) {
        width = g_shell.screenWidth;
        height = g_shell.screenHeight;
    };
    d.screenDpi = [] { return static_cast<int>(g_display.screenDpi); };
    return d;
}

}  // namespace

void installDisplayWiring() {
    DisplayHooks& hooks = displayHooks();
    hooks.releaseAnimatedTextures = clearAnimatedTextures;
    hooks.releaseModelTemplates = deleteModelTemplates;
    hooks.releaseOverlay = deleteInterfaceLayer;
    hooks.releaseStoreSurfaces = releaseStoreSurfaces;
    hooks.reloadPictures = reloadPictures;
    shell_hooks::setShowDesktopSurface(showDesktopSurface);
    overlayDisplay() = realOverlayDisplay();
}
