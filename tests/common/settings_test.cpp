#include "common/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct FakeControls : SettingsControls {
    bool fps = false, transparency = false, changed = false;
    int detail = 1, device = 0, mode = 0;
    bool fpsChecked() const override { return fps; }
    void setFpsChecked(bool on) override { fps = on; }
    bool transparencyChecked() const override { return transparency; }
    void setTransparencyChecked(bool on) override { transparency = on; }
    int detailSelection() const override { return detail; }
    void setDetailSelection(int i) override { detail = (i >= 0 && i <= 2) ? i : -1; }
    int deviceSelection() const override { return device; }
    int modeSelection() const override { return mode; }
    bool selectionChanged() const override { return changed; }
};

class SettingsFile : public ::testing::Test {
protected:
    fs::path dir;
    std::string path;
    void SetUp() override {
        char tmpl[] = "/tmp/vorel_settings_test_XXXXXX";
        dir = mkdtemp(tmpl);
        path = (dir / "vorel_settings.dat").string();
    }
    void TearDown() override {
        fs::remove_all(dir);
    }
    void writeBytes(const std::vector<unsigned char>& bytes) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    std::vector<unsigned char> readBytes() {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

std::vector<unsigned char> fileOf(std::vector<int32_t> fields) {
    std::vector<unsigned char> out;
    for (int32_t f : fields)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(static_cast<uint32_t>(f) >> (8 * i)));
    return out;
}

TEST_F(SettingsFile, SaverReadsAllSixFieldsLittleEndian) {
    writeBytes(fileOf({7, 2, 1, 1, 3, -1}));
    Settings s;
    s.fpsOn = 5;
    loadSaverSettings(s, path);
    EXPECT_EQ(s.fpsOn, 7);
    EXPECT_EQ(s.detailLevel, 2);
    EXPECT_EQ(s.transparencyOn, 1);
    EXPECT_EQ(s.modeChosen, 1);
    EXPECT_EQ(s.deviceIndex, 3);
    EXPECT_EQ(s.modeIndex, -1);
}

TEST_F(SettingsFile, SaverWithoutFileOrWithShortFileKeepsDefaults) {
    Settings s;
    s.fpsOn = 1;
    s.modeChosen = 1;
    s.deviceIndex = 4;
    loadSaverSettings(s, path);
    EXPECT_EQ(s.fpsOn, 0);
    EXPECT_EQ(s.modeChosen, 0);
    EXPECT_EQ(s.deviceIndex, 4);
    auto bytes = fileOf({1, 2});
    bytes.push_back(1);  // a partial third field is not taken
    writeBytes(bytes);
    loadSaverSettings(s, path);
    EXPECT_EQ(s.fpsOn, 1);
    EXPECT_EQ(s.detailLevel, 2);
    EXPECT_EQ(s.transparencyOn, 0);
}

TEST_F(SettingsFile, ConfigRoundTripWritesExactly24Bytes) {
    FakeControls c;
    c.fps = true;
    c.detail = 2;
    c.transparency = true;
    c.device = 1;
    c.mode = 5;
    Settings s;
    ASSERT_TRUE(saveConfigSettings(s, c, path));
    EXPECT_EQ(readBytes(), fileOf({1, 2, 1, 0, 1, 5}));
    FakeControls back;
    Settings t;
    loadConfigSettings(t, back, path);
    EXPECT_TRUE(back.fps);
    EXPECT_TRUE(back.transparency);
    EXPECT_EQ(back.detail, 2);
    EXPECT_EQ(t.deviceIndex, 1);
    EXPECT_EQ(t.modeIndex, 5);
}

TEST_F(SettingsFile, ConfigWritesOddFlagsBackAsOneAndSelectionChangeAsModeChosen) {
    writeBytes(fileOf({7, 9, 3, 0, 0, 0}));
    FakeControls c;
    Settings s;
    loadConfigSettings(s, c, path);
    EXPECT_TRUE(c.fps);
    EXPECT_EQ(c.detail, -1);  // out of range: no selection
    c.changed = true;
    ASSERT_TRUE(saveConfigSettings(s, c, path));
    EXPECT_EQ(readBytes(), fileOf({1, -1, 1, 1, 0, 0}));
    EXPECT_EQ(s.modeChosen, 1);
}

TEST_F(SettingsFile, ConfigShortFileKeepsTheControlsDefaults) {
    writeBytes(fileOf({1}));
    FakeControls c;  // detail "Medium", transparency off
    Settings s;
    s.modeChosen = 1;
    loadConfigSettings(s, c, path);
    EXPECT_TRUE(c.fps);
    EXPECT_EQ(c.detail, 1);
    EXPECT_FALSE(c.transparency);
    EXPECT_EQ(s.modeChosen, 0);
}

TEST_F(SettingsFile, UnwritableFolderChangesNothing) {
    // /proc refuses new files even to root, so this holds for every user.
    FakeControls c;
    c.changed = true;
    c.device = 3;
    Settings s;
    EXPECT_FALSE(saveConfigSettings(s, c, "/proc/vorel_settings.dat"));
    EXPECT_EQ(s.modeChosen, 0);
    EXPECT_EQ(s.deviceIndex, 0);
}

TEST_F(SettingsFile, MissingFolderWritesNothingAndLeavesNoTemporaryFile) {
    std::string missing = (dir / "nowhere" / "vorel_settings.dat").string();
    FakeControls c;
    Settings s;
    EXPECT_FALSE(saveConfigSettings(s, c, missing));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(SettingsFile, AtomicSaveLeavesOnlyTheSettingsFile) {
    FakeControls c;
    Settings s;
    ASSERT_TRUE(saveConfigSettings(s, c, path));
    ASSERT_TRUE(saveConfigSettings(s, c, path));
    int files = 0;
    for (auto& e : fs::directory_iterator(dir)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

}  // namespace
