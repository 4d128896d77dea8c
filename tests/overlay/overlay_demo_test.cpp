// A picture of the interface layer at work, written to overlay_demo.png beside the test binary's
// folder: every kind of control over a frame of the headless backend, with pictures drawn by
// demo_pictures.h, packed into an archive and loaded through the saver's own stores and wiring.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/ddraw/frame_output.h"
#include "saver/overlay/bitmap_button.h"
#include "saver/overlay/edit.h"
#include "saver/overlay/gdi_text.h"
#include "saver/overlay/key_edit.h"
#include "saver/overlay/message_box.h"
#include "saver/overlay/progress_bar.h"
#include "saver/overlay/rich_memo.h"
#include "saver/overlay/scroll_bar.h"
#include "saver/overlay/text_panel.h"
#include "tests/overlay/demo_pictures.h"
#include "tests/overlay/wiring_fixture.h"

namespace {

using demo::Rgb;

constexpr int kWidth = 640, kHeight = 400;

struct OverlayDemo : OverlayWiring {
    IDirectDrawSurface7* frame = nullptr;

    void add(const std::string& name, const demo::Picture& picture) { entries.push_back({name, assets::encodeBmp24(picture)}); }
    void makePictures() {
        const Rgb teal{0.15f, 0.55f, 0.65f}, plum{0.55f, 0.25f, 0.55f}, slate{0.3f, 0.35f, 0.5f};
        add("font.bmp", demo::fontSheet({0.85f, 0.9f, 1.0f}, {1.0f, 0.85f, 0.4f}, {0.45f, 0.45f, 0.5f}));
        add("pill.bmp", demo::buttonSheet(120, 30, teal, nullptr));
        add("ok_btn.bmp", demo::buttonSheet(80, 26, teal, "OK"));
        add("cancel_btn.bmp", demo::buttonSheet(80, 26, plum, "Cancel"));
        for (const char* name : {"stoptime_btn.bmp", "atack_btn.bmp", "enterPort_btn.bmp"}) add(name, demo::buttonSheet(80, 26, slate, "?"));
        add("up_btn.bmp", demo::arrowSheet(14, 0, slate));
        add("down_btn.bmp", demo::arrowSheet(14, 1, slate));
        add("left.bmp", demo::arrowSheet(16, 2, slate));
        add("right.bmp", demo::arrowSheet(16, 3, slate));
        add("bar3.bmp", demo::pill(10, 22, teal));
        add("thumb.bmp", demo::pill(30, 14, teal));
        add("warea3.bmp", demo::filled(4, 4, {0.08f, 0.1f, 0.18f}));
        add("track.bmp", demo::filled(4, 4, {0.12f, 0.14f, 0.24f}));
        demo::Picture cell = demo::filled(16, 16, demo::kKey);
        for (int y = 2; y < 14; ++y)
            for (int x = 1; x < 13; ++x) cell.at(x, y) = Rgb{1.0f, 0.55f + 0.02f * y, 0.15f};
        add("cell.bmp", cell);
        add("box.bmp", demo::panel(290, 210, {0.1f, 0.13f, 0.25f}, {0.55f, 0.75f, 1.0f}));
        openArchive();
    }
    // A deep blue field with a few soft glowing spheres: the scene the controls lie over.
    void paintFrame() {
        frame = makeSurface(kWidth, kHeight, nullptr, DDSCAPS_OFFSCREENPLAIN);
        ASSERT_NE(frame, nullptr);
        DDSURFACEDESC2 d{};
        d.dwSize = sizeof d;
        ASSERT_EQ(frame->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        const float blobs[4][4] = {{470, 90, 70, 0.9f}, {560, 300, 110, 0.7f}, {200, 330, 60, 0.8f}, {380, 230, 40, 1.0f}};
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                float r = 0.02f, g = 0.04f + 0.1f * y / kHeight, b = 0.12f + 0.25f * y / kHeight;
                for (const auto& s : blobs) {
                    const float glow = s[3] * std::exp(-std::hypot(x - s[0], y - s[1]) / s[2] * 2.2f);
                    r += 0.3f * glow, g += 0.8f * glow, b += 0.9f * glow;
                }
                auto byte = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 1.0f) * 255.0f + 0.5f); };
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch)[x] =
                    byte(r) << 16 | byte(g) << 8 | byte(b);
            }
        frame->Unlock(nullptr);
    }
    void TearDown() override {
        controlContainer.deleteAll();
        if (frame) frame->Release();
        OverlayWiring::TearDown();
    }
};

TEST_F(OverlayDemo, EveryKindOfControlOverAFrame) {
    makePictures();
    paintFrame();
    g_shell.screenWidth = kWidth;
    g_shell.screenHeight = kHeight;
    overlayDisplay().nowMs = [] { return 1000u; };
    const int32_t bitmapFont = fontList.addBitmapFont(dd, "font.bmp");
    const int32_t titleFont = fontList.addGdiFont(frame, "DejaVu Sans", 17, kFontBold);
    const int32_t textFont = fontList.addGdiFont(frame, "DejaVu Sans", 9, 0);

    auto* box = new T3dMessageBox(330, 120, "box", "box.bmp", titleFont, nullptr);
    box->textMemo->setFont(textFont);
    box->textMemo->textColour = RGB(200, 215, 255);
    box->captionPanel->textColour = RGB(255, 230, 150);
    controlContainer.add(box);
    auto* title = new T3dShadowTextPanel(16, 8, 300, 36, "title", "Vorel Saver", titleFont);
    title->setTextColour(RGB(170, 230, 255));
    controlContainer.add(title);
    auto* caustics = new T3dToggleButton(20, 52, "caustics", "Caustics", "pill.bmp", textFont, nullptr, nullptr);
    auto* detail = new T3dBitmapButton(150, 52, "detail", "Detail", "pill.bmp", textFont, nullptr, nullptr);
    auto* locked = new T3dBitmapButton(280, 52, "locked", "Locked", "pill.bmp", textFont, nullptr, nullptr);
    for (T3dControl* b : {static_cast<T3dControl*>(caustics), static_cast<T3dControl*>(detail), static_cast<T3dControl*>(locked)}) {
        b->setTextColour(RGB(235, 245, 255));
        controlContainer.add(b);
    }
    auto* bar = new T3dProgressBar(25, 148, 12, "progress", "cell.bmp");  // laid out for 800 x 600
    controlContainer.add(bar);
    auto* edit = new T3dEdit(20, 128, 200, 22, "name", "helix-07", bitmapFont, 20);
    controlContainer.add(edit);
    auto* keyField = new T3dKeyEdit(230, 128, 90, 22, "key", 123, bitmapFont);
    controlContainer.add(keyField);
    auto* scroll = new T3dScrollBar(20, 160, 300, "scroll", "left.bmp", "right.bmp", "track.bmp", "thumb.bmp", nullptr);
    controlContainer.add(scroll);
    auto* log = new T3dRichMemo(20, 190, 300, 150, "log", textFont, "up_btn.bmp", "down_btn.bmp", "bar3.bmp",
                                "warea3.bmp", nullptr);
    log->textColour = RGB(190, 200, 230);
    controlContainer.add(log);

    controlContainer.dispatchMouseDown(60, 66, kPrimaryButton);  // the toggle stays pressed
    controlContainer.dispatchMouseUp(60, 66, kPrimaryButton);
    locked->setEnabled(0);
    bar->setPosition(60);
    scroll->setPosition(35);
    log->setText("{c=FFD060}Assembly{c} of helix {h}2{/h} started\n"
                 "{c=FF6060}red{c}, {c=FFE040}yellow{c}, {c=60A0FF}blue{c} and {c=60FF90}green{c} nucleotides "
                 "fly to their open places one by one\n"
                 "Rungs regrow; the strands spin up\n{c=A0A0A0}(the camera leaves the cluster)");
    controlContainer.dispatchMouseDown(20 + 2 + 130, 128 + 5, kPrimaryButton);  // into the name: the caret
    box->show("Leave the cluster?", "The helices are complete and spinning. Fly on to the next field of clusters, "
                                    "or stay and watch them turn?",
              kMessageOk | kMessageCancel);
    const uint32_t openSky = pixelAt(frame, 600, 20), underBox = pixelAt(frame, 345, 300);
    controlContainer.drawAll(frame);
    redrawNeeded = false;

    EXPECT_EQ(caustics->state, 1);
    EXPECT_EQ(edit->focused, 1);
    EXPECT_EQ(keyField->caption, "F12");
    EXPECT_EQ(bar->cellsShown(), 8);
    EXPECT_EQ(pixelAt(frame, 600, 20), openSky) << "no control there";
    EXPECT_NE(pixelAt(frame, 345, 300), underBox) << "the box covers the frame";

    std::vector<uint32_t> picture(static_cast<size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) picture[static_cast<size_t>(y) * kWidth + x] = pixelAt(frame, x, y);
    const std::string path = std::string(VOREL_BIN_DIR) + "/../overlay_demo.png";
    EXPECT_TRUE(platform::ddraw::writePng(path.c_str(), picture.data(), kWidth, kHeight, kWidth * 4));
}

}  // namespace
