// A clean interface layer for each test: empty container and pointer layer, redrawNeeded cleared,
// and a display record whose DirectDraw object, blank surfaces and images the test controls.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "saver/overlay/cursor_layer.h"
#include "saver/overlay/overlay_display.h"
#include "saver/overlay/t3d_control.h"
#include "tests/overlay/fake_surface.h"

class OverlayLayer : public ::testing::Test {
protected:
    bool haveDirectDraw = false;
    std::vector<std::unique_ptr<FakeSurface>> made;     // blank control surfaces, in order made
    std::map<int, std::unique_ptr<FakeSurface>> images;  // the interface store, by index
    std::vector<std::string> imageNames;
    std::vector<int> released, fetched;
    int screenWidth = 800, screenHeight = 600;

    IDirectDraw7* fakeDirectDraw() { return reinterpret_cast<IDirectDraw7*>(this); }  // never dereferenced

    void SetUp() override {
        controlContainer.deleteAll();
        cursorLayer.deleteShapes();
        redrawNeeded = false;
        OverlayDisplay& d = overlayDisplay();
        d.directDraw = [this] { return haveDirectDraw ? fakeDirectDraw() : nullptr; };
        d.makeBlankSurface = [this](IDirectDraw7*, int w, int h) -> IDirectDrawSurface7* {
            made.push_back(std::make_unique<FakeSurface>(w, h));
            return made.back().get();
        };
        d.addImage = [this](IDirectDraw7*, const char* name) {
            imageNames.push_back(name);
            return static_cast<int>(imageNames.size()) - 1;
        };
        d.image = [this](int index) -> IDirectDrawSurface7* {
            fetched.push_back(index);
            auto it = images.find(index);
            return it == images.end() ? nullptr : it->second.get();
        };
        d.releaseImage = [this](int index) { released.push_back(index); };
        d.screenSize = [this](int& w, int& h) { w = screenWidth, h = screenHeight; };
    }
    void TearDown() override {
        controlContainer.deleteAll();  // before the fake surfaces go
        cursorLayer.deleteShapes();
        overlayDisplay() = OverlayDisplay::standIn();
    }
};
