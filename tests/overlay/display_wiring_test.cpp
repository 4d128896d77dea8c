// The interface layer wired to the display: its record reaches the real stores and display
// objects, and the display teardown takes the layer down in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/gdi_objects.h"
#include "saver/display/display_setup.h"
#include "saver/shell/shell_state.h"
#include "saver/overlay/bitmap_button.h"
#include "saver/overlay/cursor_layer.h"
#include "saver/overlay/font_list.h"
#include "saver/overlay/overlay_display.h"
#include "tests/overlay/wiring_fixture.h"

namespace {

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00;

// A control that notes, when it is deleted, what was already gone.
struct Witness : T3dControl {
    std::vector<std::string>* notes;
    explicit Witness(std::vector<std::string>* n) : notes(n) {}
    ~Witness() override {
        notes->push_back(surface ? "own surface kept" : "own surface released");
        StoreEntry* image = interfaceBitmaps(0).entryAt(0);
        notes->push_back(!image ? "store emptied" : (image->surface ? "store surface kept" : "store surface released"));
    }
};

// The notes outlive the controls: the fixture deletes what is left before its members go.
struct OverlayTeardown : OverlayWiring {
    std::vector<std::string> notes;
};

TEST_F(OverlayWiring, TheLayerDrawsWithTheDisplayAndTheFirstInterfaceStore) {
    addBitmap("button.bmp", 12, 30, kRed, kGreen);
    openArchive();
    g_display.screenDpi = 120;
    g_shell.screenWidth = 1024;
    g_shell.screenHeight = 768;
    auto* button = new T3dBitmapButton(5, 5, "b", nullptr, "button.bmp", 0, nullptr, nullptr);
    controlContainer.add(button);
    EXPECT_EQ(interfaceBitmaps(0).indexOf("button.bmp"), button->bitmap);
    EXPECT_EQ(interfaceBitmaps(1).count, 0);
    EXPECT_EQ(button->width, 12);
    EXPECT_EQ(button->height, 10);
    ASSERT_NE(button->surface, nullptr);
    EXPECT_EQ(button->colourKey.dwColorSpaceLowValue, 0x00FF00u) << "own surfaces are keyed on green";
    EXPECT_EQ(pixelAt(button->surface, 0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(pixelAt(button->surface, 5, 5) & 0xFFFFFF, kRed);
    EXPECT_EQ(button->hitTest(5, 5), 0) << "the green corner is see-through";
    EXPECT_EQ(button->hitTest(10, 10), 1);

    int w = 0, h = 0;
    overlayDisplay().screenSize(w, h);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    EXPECT_EQ(overlayDisplay().screenDpi(), 120);
    IDirectDrawSurface7* target = makeSurface(64, 64, nullptr, DDSCAPS_OFFSCREENPLAIN);
    ASSERT_NE(target, nullptr);
    const int32_t font = fontList.addGdiFont(target, "DejaVu Sans", 12, 0);
    HFONT handle = fontList.entry(font)->font;
    LOGFONTA made{};
    GetObjectA(handle, sizeof made, &made);
    EXPECT_EQ(made.lfHeight, -20) << "12 points at 120 dots per inch";
    target->Release();
}

TEST_F(OverlayTeardown, TeardownReleasesSurfacesFirstThenDeletesTheLayerAndEmptiesItsStores) {
    addBitmap("button.bmp", 12, 30, kRed);
    addBitmap("sky.bmp", 4, 4, kRed);
    addBitmap("pointer.bmp", 32, 16, kRed);
    openArchive();
    auto* witness = new Witness(&notes);
    witness->width = witness->height = 8;
    controlContainer.add(witness);
    controlContainer.add(new T3dBitmapButton(5, 5, "b", nullptr, "button.bmp", 0, nullptr, nullptr));
    controlContainer.restoreSurfaces(dd);
    ASSERT_NE(witness->surface, nullptr);
    ASSERT_NE(interfaceBitmaps(0).entryAt(0)->surface, nullptr);
    interfaceBitmaps(3).addAndLoad(dd, "button.bmp", 1);
    const int32_t sky = sceneTextures().addAndLoad(dd, "sky.bmp", 1);
    ASSERT_EQ(cursorLayer.addShape(dd, "pointer.bmp", 16, 16, 1, 0, 0), 0);
    const size_t gdiBefore = platform::gdi::liveObjectCount();
    IDirectDrawSurface7* target = makeSurface(64, 64, nullptr, DDSCAPS_OFFSCREENPLAIN);
    fontList.addGdiFont(target, "DejaVu Sans", 12, 0);
    target->Release();

    releaseDisplay(nullptr);
    EXPECT_EQ(notes, (std::vector<std::string>{"own surface released", "store surface released"}));
    EXPECT_EQ(controlContainer.count, 0);
    EXPECT_EQ(fontList.count, 0);
    EXPECT_EQ(platform::gdi::liveObjectCount(), gdiBefore) << "the font handle is deleted";
    EXPECT_EQ(cursorLayer.shapes.count, 0);
    for (int i = 0; i < kInterfaceBitmapStores; ++i) EXPECT_EQ(interfaceBitmaps(i).count, 0) << i;
    EXPECT_EQ(sceneTextures().indexOf("sky.bmp"), sky) << "the scene's textures keep their names";
    EXPECT_EQ(sceneTextures().entryAt(sky)->surface, nullptr);
    EXPECT_EQ(g_display.directDraw, nullptr);
}

}  // namespace
