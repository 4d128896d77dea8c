// The interface layer wired to the display as the saver wires it (installDisplayWiring), on the
// platform's headless DirectDraw object, with an archive of bitmaps the test makes (store_fixture.h).
// The display's DirectDraw object is set, so the stores load and controls get surfaces; the test may
// release the display. Everything the wiring set is put back afterwards.
#pragma once

#include "saver/display/display_objects.h"
#include "saver/display/release_hooks.h"
#include "saver/overlay/cursor_layer.h"
#include "saver/overlay/font_list.h"
#include "saver/overlay/overlay_display.h"
#include "saver/overlay/t3d_control.h"
#include "saver/shell/display_wiring.h"
#include "saver/shell/shell_hooks.h"
#include "saver/shell/shell_state.h"
#include "tests/scene/store_fixture.h"

class OverlayWiring : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        installDisplayWiring();
        g_display.directDraw = dd;
        dd->AddRef();  // the teardown releases the display's reference, the fixture its own
    }
    void TearDown() override {
        controlContainer.deleteAll();
        fontList.deleteAll();
        cursorLayer.deleteShapes();
        displayHooks() = DisplayHooks{};
        shell_hooks::setShowDesktopSurface(nullptr);
        overlayDisplay() = OverlayDisplay::standIn();
        if (g_display.directDraw) g_display.directDraw->Release();
        resetDisplayObjects();
        resetShellState();
        StoreTest::TearDown();
    }
};
