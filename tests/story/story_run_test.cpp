// The story told by the real program: Vorel_Saver.scr full screen on the headless backend with the
// virtual clock, checked from its frame trace (fog, eye, view, helix states, open places) and from
// what it leaves behind. Runs at 320x240 with 200 ms ticks so that two cycles stay affordable.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "saver/archive/archive.h"
#include "tests/archive/scratch_dir.h"
#include "tests/shell/saver_process.h"
#include "tests/support/png_pixels.h"
#include "tests/story/trace_reader.h"
#include "tools/lib/pak_writer.h"

namespace {

namespace fs = std::filesystem;

const std::string kBuiltArchive = std::string(VOREL_BIN_DIR) + "/vorel_screensaver.pak";

class StoryRun : public ::testing::Test {
protected:
    ScratchDir dir;  // also points TMPDIR (inherited by the program) at its own folder
    fs::path windows;
    std::string trace;

    void SetUp() override {
        windows = dir.path("win");
        fs::create_directory(windows);
        trace = dir.path("trace.jsonl");
    }
    // Runs full screen until the key at endMs of story time; the program's own trace comes back.
    std::vector<TraceFrame> runUntil(long endMs, const Environment& extra = {}) {
        Environment env{{"WINDIR", windows.string()},
                        {"VOREL_SCREEN", "320x240"},
                        {"VOREL_TICK_MS", "200"},
                        {"VOREL_TRACE", trace},
                        {"VOREL_INPUT", std::to_string(endMs) + ":key:27"}};
        for (const auto& [key, value] : extra) env[key] = value;
        const SaverRun run = runSaverProcess({"/s"}, env, 1800000);
        EXPECT_FALSE(run.timedOut) << run.errorText;
        EXPECT_TRUE(run.exited && run.exitCode == 0) << run.exitCode << " " << run.errorText;
        return readTrace(trace);
    }
    // The 24-byte settings file: fpsOn, detailLevel, transparencyOn, modeChosen, deviceIndex,
    // modeIndex, each a little-endian 32-bit integer.
    std::vector<uint8_t> writeSettings(const std::vector<int32_t>& fields) {
        std::vector<uint8_t> bytes;
        for (int32_t v : fields)
            for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        ScratchDir::write((windows / "vorel_settings.dat").string(), bytes);
        return bytes;
    }
    // The Windows directory holds exactly these names afterwards.
    void expectWindowsFolderHolds(const std::vector<std::string>& names) {
        std::vector<std::string> found;
        for (const auto& e : fs::directory_iterator(windows)) found.push_back(e.path().filename().string());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names);
    }
};

double length(const std::vector<double>& v) { return v.size() == 3 ? std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) : 0; }

int helixState(const TraceFrame& f, size_t i) { return i < f.helices.size() ? static_cast<int>(f.helices[i]) : -1; }
int openPlaces(const TraceFrame& f, size_t i) { return i < f.open.size() ? static_cast<int>(f.open[i]) : 0; }

struct Cycle {
    bool split = false;        // a helix reached the drift with open places
    bool filled = false;       // the open places reached 0 again
    bool spunUp = false;       // both helices reached state 11
    bool left = false;         // the camera's leave flight (state 5) was seen
    bool openAtSpinUp = false; // a helix was spinning up while its places were still open
};

struct StoryReading {
    int entries = 0, exits = 0;
    std::vector<Cycle> cycles;
    int fogInside = 0, fogMissingOutside = 0, nucleotidesOutside = 0;
    double orbitLow = 1e9, orbitHigh = 0;  // |eye| / R while orbiting
};

StoryReading readStory(const std::vector<TraceFrame>& frames) {
    StoryReading r;
    std::string view;
    for (const TraceFrame& f : frames) {
        if (f.view.empty()) continue;
        if (f.view != view) {
            if (f.view == "inside") ++r.entries, r.cycles.emplace_back();
            if (f.view == "outside" && view == "inside") ++r.exits;
            view = f.view;
        }
        if (view == "outside") {
            r.fogMissingOutside += f.fog ? 0 : 1;
            r.nucleotidesOutside += f.nucleotides;
            continue;
        }
        r.fogInside += f.fog ? 1 : 0;
        Cycle& c = r.cycles.back();
        const int a = helixState(f, 0), b = helixState(f, 1);
        const int openA = openPlaces(f, 0), openB = openPlaces(f, 1);
        if ((a == 5 || a == 6) && openA + openB > 0) c.split = true;
        if (c.split && openA + openB == 0) c.filled = true;
        // A helix spins up once its own places are filled; the other may still be filling.
        if ((a >= 9 && openA > 0) || (b >= 9 && openB > 0)) c.openAtSpinUp = true;
        if (a == 11 && b == 11) c.spunUp = true;
        if (f.camera == 5) c.left = true;
        if (f.camera == 2 && f.radius > 0) {
            r.orbitLow = std::min(r.orbitLow, length(f.eye) / f.radius);
            r.orbitHigh = std::max(r.orbitHigh, length(f.eye) / f.radius);
        }
    }
    return r;
}

TEST_F(StoryRun, TheRealProgramTellsTwoFullCyclesAndLeavesNothingBehind) {
    fs::copy_file(kBuiltArchive, windows / "vorel_screensaver.pak");
    const std::vector<TraceFrame> frames = runUntil(320000);
    ASSERT_GT(frames.size(), 1500u);
    const StoryReading r = readStory(frames);
    ASSERT_GE(r.exits, 2) << "entries " << r.entries;
    for (int i = 0; i < 2; ++i) {
        const Cycle& c = r.cycles[static_cast<size_t>(i)];
        EXPECT_TRUE(c.split) << "cycle " << i;
        EXPECT_TRUE(c.filled) << "cycle " << i;
        EXPECT_TRUE(c.spunUp) << "cycle " << i;
        EXPECT_TRUE(c.left) << "cycle " << i;
        EXPECT_FALSE(c.openAtSpinUp) << "cycle " << i;
    }
    EXPECT_EQ(r.fogInside, 0);
    EXPECT_EQ(r.fogMissingOutside, 0);
    EXPECT_EQ(r.nucleotidesOutside, 0);
    EXPECT_GT(r.orbitLow, 0.93);  // the orbit wobbles around 0.95 R
    EXPECT_LT(r.orbitHigh, 0.97);
    EXPECT_EQ(dir.tempFileCount(), 0u);
    expectWindowsFolderHolds({"vorel_screensaver.pak"});
}

// Pictures only: every model is missing, yet the camera still reaches the cluster (radius 3000)
// and enters it.
TEST_F(StoryRun, AnArchiveWithoutModelsStillReachesTheInsideView) {
    {
        Archive built(kBuiltArchive.c_str());
        std::vector<PakEntry> pictures;
        for (int32_t i = 0; i < built.entryCount(); ++i) {
            const std::string name = built.entryAt(i)->name;
            if (name.size() > 3 && name.substr(name.size() - 3) == ".3d") continue;
            const char* copy = built.extractToTemp(i);
            ASSERT_NE(copy, nullptr) << name;
            pictures.push_back({name, ScratchDir::read(copy)});
        }
        std::string error;
        ASSERT_TRUE(writePak((windows / "vorel_screensaver.pak").string(), pictures, &error)) << error;
    }
    const StoryReading r = readStory(runUntil(30000));
    EXPECT_GE(r.entries, 1);
    EXPECT_EQ(dir.tempFileCount(), 0u);
}

// No archive at all: it is created empty and the story runs on without any picture or model.
TEST_F(StoryRun, WithoutAnArchiveTheRunGoesOnAndCreatesItEmpty) {
    const StoryReading r = readStory(runUntil(30000));
    EXPECT_GE(r.entries, 1);
    expectWindowsFolderHolds({"vorel_screensaver.pak"});
    EXPECT_EQ(fs::file_size(windows / "vorel_screensaver.pak"), 8u);
    EXPECT_EQ(dir.tempFileCount(), 0u);
}

// Near-white pixels in the top-left w x h corner of a captured frame.
int countWhitePixels(const std::string& file, int w, int h) {
    const PngPixels png = readPngPixels(file);
    if (png.rgb.empty()) return -1;
    int white = 0;
    for (int y = 0; y < h && y < png.height; ++y)
        for (int x = 0; x < w && x < png.width; ++x) {
            const uint32_t c = png.at(x, y);
            white += ((c >> 16) & 0xFF) > 200 && ((c >> 8) & 0xFF) > 200 && (c & 0xFF) > 200;
        }
    return white;
}

// Stored indices out of range are corrected to the first device and mode for the run only; a
// detail level outside 0-2 is taken as 0, so the models are still found.
TEST_F(StoryRun, OutOfRangeSettingsAreCorrectedInMemoryOnly) {
    fs::copy_file(kBuiltArchive, windows / "vorel_screensaver.pak");
    const std::vector<uint8_t> stored = writeSettings({0, 7, 0, 1, 7, -1});
    const std::vector<TraceFrame> frames = runUntil(3000);
    ASSERT_GT(frames.size(), 10u);
    EXPECT_EQ(frames.back().view, "outside");
    EXPECT_GT(frames.back().draws, 0);
    EXPECT_EQ(ScratchDir::read((windows / "vorel_settings.dat").string()), stored);
}

// With fpsOn the frame rate is written in the top-left corner of every frame (black text in a white
// box, the default look of text on a device context): hundreds of white pixels there, which the
// dark scene alone never has.
TEST_F(StoryRun, TheFrameRateIsShownWhenAskedFor) {
    fs::copy_file(kBuiltArchive, windows / "vorel_screensaver.pak");
    const fs::path frames = dir.path("frames");
    fs::create_directory(frames);
    auto whiteInCorner = [&](const Environment& env) {
        fs::remove_all(frames);
        fs::create_directory(frames);
        runUntil(4000, env);
        return countWhitePixels((frames / "frame_000015.png").string(), 120, 16);
    };
    writeSettings({1, 0, 0, 0, 0, 0});
    const Environment capture{{"VOREL_CAPTURE", frames.string()}};
    EXPECT_GT(whiteInCorner(capture), 500);
    writeSettings({0, 0, 0, 0, 0, 0});
    EXPECT_LT(whiteInCorner(capture), 100);
}

}  // namespace
