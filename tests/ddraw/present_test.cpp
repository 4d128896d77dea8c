#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/png_pixels.h"
#include "platform/ddraw/frame_trace.h"
#include "platform/ddraw/pixel_formats.h"
#include "tests/ddraw/ddraw_fixture.h"
#include "tests/ddraw/pattern_565.h"

using namespace ddraw_test;
namespace fs = std::filesystem;

namespace {

class Presenting : public DirectDrawTest {};

TEST_F(Presenting, FlipShowsTheBackBufferInTheCooperativeWindow) {
    makeChain(640, 480, 32);
    RECT r{10, 20, 11, 21};
    ASSERT_EQ(fill(back, 0x00FF8040, &r), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(g_presented.count, 1);
    EXPECT_EQ(g_presented.window, kWindow);
    ASSERT_EQ(g_presented.width, 640);
    ASSERT_EQ(g_presented.height, 480);
    EXPECT_EQ(g_presented.pixels[20 * 640 + 10] & 0xFFFFFF, 0xFF8040u);
    EXPECT_EQ(g_presented.pixels[0] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixelAt(primary, 10, 20), 0x00FF8040u);
    // Only the front of a chain flips.
    EXPECT_EQ(back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
}

TEST_F(Presenting, SixteenBitFramesArriveWidenedToThirtyTwoBits) {
    makeChain(800, 600, 16);
    RECT r{0, 0, 1, 1};
    ASSERT_EQ(fill(back, 0xF800, &r), DD_OK);
    r = RECT{799, 599, 800, 600};
    ASSERT_EQ(fill(back, 0x001F, &r), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    ASSERT_EQ(g_presented.width, 800);
    EXPECT_EQ(g_presented.pixels[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(g_presented.pixels[599 * 800 + 799] & 0xFFFFFF, 0x0000FFu);
}

// After a 16-bit flip the front holds the back buffer's picture of the moment of the flip, for a
// lock, a blit from it or a device context, whatever is drawn into the back buffer afterwards,
// until the next flip; a lost and restored front is clear.
TEST_F(Presenting, ASixteenBitFrontHoldsTheFlippedPictureUntilTheNextFlip) {
    makeChain(640, 480, 16);
    drawPattern(back);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(g_presented.pixels[1 * 640 + 2] & 0xFFFFFF, platform::ddraw::rawToArgb(layout565(), patternAt(2, 1)) & 0xFFFFFF);
    ASSERT_EQ(fill(back, 0x1234), DD_OK);
    IDirectDrawSurface7* copy = makeSurface(640, 480, platform::ddraw::formatR5G6B5());
    ASSERT_EQ(copy->Blt(nullptr, primary, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(offPattern(copy), 0);
    EXPECT_EQ(offPattern(primary), 0);
    EXPECT_EQ(pixelAt(back, 5, 5), 0x1234u);
    // A write into the front stays until the next flip replaces the whole picture.
    setPixel(primary, 3, 4, 0xBEEF);
    EXPECT_EQ(pixelAt(primary, 3, 4), 0xBEEFu);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(pixelAt(primary, 3, 4), 0x1234u);
    EXPECT_EQ(pixelAt(primary, 639, 479), 0x1234u);
    // A device context draws on the flipped picture.
    drawPattern(back);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(primary->GetDC(&dc), DD_OK);
    ASSERT_EQ(primary->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(offPattern(primary), 0);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    platform::ddraw::markAllSurfacesLost();
    ASSERT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(pixelAt(primary, 2, 1), 0u);
}

// Every 16-bit frame handed to the window whole stays as it was handed over while the window
// holds it (the flip widens into a block no one else holds), and a lock of the front still sees
// the picture of the last flip.
struct SharedFrames {
    std::vector<platform::bridge::SharedFrame> kept;
    std::vector<std::vector<uint32_t>> asHanded;
};
SharedFrames g_sharedFrames;

bool keepShared(HWND window, platform::bridge::SharedFrame frame, int width, int height) {
    g_sharedFrames.asHanded.push_back(*frame);
    g_sharedFrames.kept.push_back(std::move(frame));
    return keepPresented(window, g_sharedFrames.kept.back()->data(), width, height, width * 4);
}

TEST_F(Presenting, SixteenBitFramesHandedToTheWindowNeverChangeWhileItHoldsThem) {
    g_sharedFrames = SharedFrames{};
    platform::bridge::setPresentShared(keepShared);
    makeChain(640, 480, 16);
    const uint32_t fills[] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x1234};
    for (int round = 0; round < 5; ++round) {
        ASSERT_EQ(fill(back, fills[round]), DD_OK);
        ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
        // The window lets go of all but the frames of the first and the last round.
        if (round >= 2) g_sharedFrames.kept[size_t(round) - 1].reset();
        EXPECT_EQ(pixelAt(primary, 7, 9), fills[round]);
        setPixel(primary, 7, 9, 0xBEEF);  // a write into the front's own memory
    }
    ASSERT_EQ(g_sharedFrames.kept.size(), 5u);
    EXPECT_EQ(g_presented.count, 5);
    for (size_t i : {size_t(0), size_t(4)}) {
        EXPECT_EQ(*g_sharedFrames.kept[i], g_sharedFrames.asHanded[i]) << i;
        EXPECT_EQ((*g_sharedFrames.kept[i])[9 * 640 + 7] & 0xFFFFFF,
                  platform::ddraw::rawToArgb(layout565(), fills[i]) & 0xFFFFFF)
            << i;
    }
    g_sharedFrames = SharedFrames{};
}

TEST_F(Presenting, LostSurfacesRefuseWorkUntilRestored) {
    makeChain(640, 480, 32);
    IDirectDrawSurface7* off = makeSurface(4, 4);
    ASSERT_EQ(fill(off, 0x123456), DD_OK);
    platform::ddraw::markAllSurfacesLost();
    EXPECT_EQ(primary->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_SURFACELOST);
    EXPECT_EQ(fill(back, 0), DDERR_SURFACELOST);
    EXPECT_EQ(back->Blt(nullptr, off, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    EXPECT_EQ(off->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(g_presented.count, 0);
    // Restoring the front restores its chain; the picture of a lost surface is gone.
    ASSERT_EQ(primary->Restore(), DD_OK);
    EXPECT_EQ(back->IsLost(), DD_OK);
    EXPECT_EQ(off->IsLost(), DDERR_SURFACELOST);
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(off->IsLost(), DD_OK);
    EXPECT_EQ(pixelAt(off, 0, 0), 0u);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
}

TEST_F(Presenting, DisplayEventsLoseSurfacesAndTakingTheDisplayBlocksRestore) {
    makeChain(640, 480, 32);
    platform::bridge::raise(platform::bridge::DisplayEvent::Hidden);
    EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(dd->TestCooperativeLevel(), DD_OK);
    platform::bridge::raise(platform::bridge::DisplayEvent::Shown);
    EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);  // still lost until restored
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    platform::bridge::raise(platform::bridge::DisplayEvent::Taken);
    EXPECT_NE(dd->TestCooperativeLevel(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_SURFACELOST);
    EXPECT_NE(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(back->IsLost(), DDERR_SURFACELOST);
    platform::bridge::raise(platform::bridge::DisplayEvent::Given);
    EXPECT_EQ(dd->TestCooperativeLevel(), DD_OK);
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
}

TEST_F(Presenting, InjectedStillDrawingIsAnsweredOnlyTheGivenNumberOfTimes) {
    makeChain(640, 480, 32);
    platform::ddraw::injectStillDrawing(2);
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_EQ(g_presented.count, 1);
    // Calls that wait never see it.
    platform::ddraw::injectStillDrawing(1);
    EXPECT_EQ(fill(back, 0), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    EXPECT_EQ(back->Lock(nullptr, &d, 0, nullptr), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(back->Lock(nullptr, &d, 0, nullptr), DD_OK);
    back->Unlock(nullptr);
}

// Reads a PNG's size and the RGB of one pixel.
bool readPng(const std::string& path, int* w, int* h, int px, int py, uint32_t* rgb) {
    const PngPixels png = readPngPixels(path);
    if (png.rgb.empty()) return false;
    *w = png.width;
    *h = png.height;
    *rgb = png.at(px, py);
    return true;
}

class CaptureAndTrace : public DirectDrawTest {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("vorel_capture_" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        DirectDrawTest::SetUp();
    }
    void TearDown() override {
        unsetenv("VOREL_CAPTURE");
        unsetenv("VOREL_CAPTURE_EVERY");
        unsetenv("VOREL_TRACE");
        DirectDrawTest::TearDown();
        fs::remove_all(folder);
    }
    fs::path folder;
};

TEST_F(CaptureAndTrace, CaptureWritesEveryNthFrameAsAPngOfTheModesSize) {
    setenv("VOREL_CAPTURE", folder.c_str(), 1);
    setenv("VOREL_CAPTURE_EVERY", "2", 1);
    makeChain(800, 600, 16);
    RECT r{5, 6, 6, 7};
    ASSERT_EQ(fill(back, 0x07E0, &r), DD_OK);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    EXPECT_TRUE(fs::exists(folder / "frame_000000.png"));
    EXPECT_FALSE(fs::exists(folder / "frame_000001.png"));
    EXPECT_TRUE(fs::exists(folder / "frame_000002.png"));
    EXPECT_TRUE(fs::exists(folder / "frame_000004.png"));
    EXPECT_FALSE(fs::exists(folder / "frame_000005.png"));
    int w = 0, h = 0;
    uint32_t rgb = 0;
    ASSERT_TRUE(readPng((folder / "frame_000004.png").string(), &w, &h, 5, 6, &rgb));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    EXPECT_EQ(rgb, 0x00FF00u);
}

// The number after "key": in a trace line, or -1.
double traceNumber(const std::string& line, const char* key) {
    const std::string pattern = std::string("\"") + key + "\":";
    const size_t at = line.find(pattern);
    return at == std::string::npos ? -1.0 : std::strtod(line.c_str() + at + pattern.size(), nullptr);
}

TEST_F(CaptureAndTrace, TraceWritesOneJsonLinePerPresentedFrameWithTheDevicesFigures) {
    const fs::path trace = folder / "trace.jsonl";
    setenv("VOREL_TRACE", trace.c_str(), 1);
    makeChain(640, 480, 32);
    platform::ddraw::FrameTrace t;
    t.draws = 7;
    t.triangles = 1234;
    t.eye[0] = 1.5f;
    t.eye[2] = -2850.0f;
    t.fog = true;
    t.lightCount = 2;
    t.lights[0] = true;
    platform::ddraw::setFrameTrace(t);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    platform::ddraw::markAllSurfacesLost();
    EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_SURFACELOST);  // not presented: no line
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, 0), DD_OK);
    platform::ddraw::resetFrameOutput();  // closes the file
    std::ifstream in(trace);
    std::string line1, line2, line3;
    ASSERT_TRUE(std::getline(in, line1));
    ASSERT_TRUE(std::getline(in, line2));
    EXPECT_FALSE(std::getline(in, line3));
    EXPECT_NE(line1.find("\"frame\":0,"), std::string::npos) << line1;
    EXPECT_NE(line1.find("\"t\":"), std::string::npos);
    EXPECT_NE(line1.find("\"draws\":7,\"triangles\":1234"), std::string::npos) << line1;
    EXPECT_NE(line1.find("\"eye\":[1.500,0.000,-2850.000]"), std::string::npos) << line1;
    EXPECT_NE(line1.find("\"fog\":true,\"lights\":[true,false],\"wall_ms\":"), std::string::npos) << line1;
    // Real and processor time since the program started only grow.
    EXPECT_GT(traceNumber(line1, "wall_ms"), 0.0) << line1;
    EXPECT_GT(traceNumber(line1, "cpu_ms"), 0.0) << line1;
    EXPECT_GE(traceNumber(line2, "wall_ms"), traceNumber(line1, "wall_ms")) << line2;
    EXPECT_GE(traceNumber(line2, "cpu_ms"), traceNumber(line1, "cpu_ms")) << line2;
    // The counts belong to one frame; the next frame without 3D drawing reports none.
    EXPECT_NE(line2.find("\"frame\":1,"), std::string::npos) << line2;
    EXPECT_NE(line2.find("\"draws\":0,\"triangles\":0"), std::string::npos) << line2;
}

}  // namespace
