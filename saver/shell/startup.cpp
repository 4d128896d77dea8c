// Start-up and end of the run: what the saver window does when it is created and destroyed.
//
// Full screen: archive, device and mode, DirectDraw object, presentation, scene build, 3D device,
// the stores' surfaces, outside view, and the frame timer last. Preview: the archive and the
// "logo.bmp" picture. Failures are silent; a failed presentation releases the display and destroys
// the window (the destroy message then runs endRun, which deletes every temporary file). A 3D
// device that could not be made is left to the first frame, which takes the same way out.
#include <string>

#include "common/device_list.h"
#include "common/enumeration.h"
#include "common/settings.h"
#include "platform/gdi/gdi.h"
#include "platform/win/clock.h"
#include "platform/win/directories.h"
#include "platform/win/process.h"
#include "platform/win/system_metrics.h"
#include "platform/win/timers.h"
#include "platform/win/window.h"
#include "saver/archive/archive.h"
#include "saver/archive/current_archive.h"
#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/engine/math3d.h"
#include "saver/engine/model_material.h"
#include "saver/overlay/t3d_control.h"
#include "saver/scene/scene.h"
#include "saver/scene/stores.h"
#include "saver/shell/display_wiring.h"
#include "saver/shell/frame_loop.h"
#include "saver/shell/lifecycle.h"
#include "saver/shell/preview_picture.h"
#include "saver/shell/shell_state.h"

namespace {

void openArchive() {
    char windowsDirectory[200] = {};
    GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    const std::string path = std::string(windowsDirectory) + "\\vorel_screensaver.pak";
    g_shell.archive = new Archive(path.c_str());
    setCurrentArchive(g_shell.archive);
}

// The device and mode: the desktop-matching choice when none was chosen, then corrected into
// range (in memory only). E_FAIL when there is no device or it has no modes.
HRESULT chooseDeviceAndMode() {
    enumerateAndSort();
    if (g_settings.modeChosen == 0)
        chooseDesktopMode(g_settings, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (g_settings.deviceIndex < 0 || g_settings.deviceIndex >= deviceList.count) g_settings.deviceIndex = 0;
    const DeviceInfo* device = deviceAt(g_settings.deviceIndex);
    if (!device || device->modeCount <= 0) return E_FAIL;
    if (g_settings.modeIndex < 0 || g_settings.modeIndex >= device->modeCount) g_settings.modeIndex = 0;
    const DisplayMode* mode = device->mode(g_settings.modeIndex);
    if (!mode) return E_FAIL;
    g_shell.screenWidth = mode->width();
    g_shell.screenHeight = mode->height();
    g_shell.screenBits = mode->bits();
    return S_OK;
}

void startPreview(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    g_shell.screenWidth = client.right - client.left;
    g_shell.screenHeight = client.bottom - client.top;
    const char* logo = g_shell.archive->extractToTemp("logo.bmp");
    if (logo)
        g_shell.previewLogo = static_cast<HBITMAP>(
            LoadImageA(nullptr, logo, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    g_shell.renderReady = true;
}

void renderScene(DWORD timeMs, IDirect3DDevice7* device) { theScene().renderFrame(timeMs, device); }

// The surfaces of the interface layer and of the scene's textures, once the 3D device exists.
void makeStoreSurfaces(IDirectDraw7* directDraw) {
    for (int i = 0; i < kInterfaceBitmapStores; ++i) interfaceBitmaps(i).loadAll(directDraw);
    controlContainer.restoreSurfaces(directDraw);
    sceneTextures().loadAll(directDraw);
}

// The scene is built before the 3D device exists and gets its surfaces after it.
void startScene() {
    seedRandom(platform::currentTimeSeed());
    theScene().build(g_display.directDraw);
    g_shell.renderReady = true;
    create3DDevice();
    makeStoreSurfaces(g_display.directDraw);
    theScene().device = g_display.device;
    theScene().enterOutsideView();
}

// Full screen up to the presentation: S_OK to go on; otherwise *status is the create message's
// answer (the window is gone, or, without a DirectDraw object, stays black without a timer).
bool startDisplay(HWND window, HRESULT* status) {
    *status = S_OK;
    if (chooseDeviceAndMode() < 0) {
        releaseDisplay(window);
        DestroyWindow(window);
        *status = E_FAIL;
        return false;
    }
    void* directDraw = nullptr;
    if (DirectDrawCreateEx(nullptr, &directDraw, IID_IDirectDraw7, nullptr) < 0) return false;
    g_display.directDraw = static_cast<IDirectDraw7*>(directDraw);
    *status = createPresentation(window, g_shell.screenWidth, g_shell.screenHeight, g_shell.screenBits);
    return *status >= 0;
}

}  // namespace

HRESULT startUp(HWND window) {
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    installDisplayWiring();
    openArchive();
    g_shell.isPreview = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) != 0;
    if (!g_shell.isPreview) {
        HRESULT status = S_OK;
        if (!startDisplay(window, &status)) return status;
    }
    seedRandom(platform::currentTimeSeed());
    g_shell.window = window;
    if (g_shell.isPreview)
        startPreview(window);
    else
        startScene();
    setSceneRenderer(renderScene);
    setPreviewPainter(paintPreviewPicture);
    g_shell.frameTimerId = SetTimer(window, 1, 0, nullptr);
    return S_OK;
}

void endRun(HWND window) {
    releaseDisplay(nullptr);
    theScene().device = nullptr;
    if (g_shell.previewLogo) DeleteObject(g_shell.previewLogo);
    g_shell.previewLogo = nullptr;
    if (g_shell.frameTimerId) KillTimer(window, 1);
    g_shell.frameTimerId = 0;
    setCurrentArchive(nullptr);
    if (g_shell.archive) g_shell.archive->deleteTempFiles();
    delete g_shell.archive;
    g_shell.archive = nullptr;
    // What lives until the program ends goes now: nothing draws or enumerates after this.
    clearDeviceList();
    resetMaterialTable();
}
