#include "config/settings_form.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "common/device_list.h"
#include "common/enumeration.h"
#include "config/entry_labels.h"

namespace {

namespace fs = std::filesystem;
using Mode = std::tuple<int, int, int>;  // width, height, bits

std::vector<Mode> modesOf(int count) {
    static const Mode all[] = {{640, 480, 16},   {640, 480, 32},   {800, 600, 16},   {800, 600, 32},
                               {1024, 768, 16},  {1024, 768, 32},  {1152, 864, 16},  {1152, 864, 32},
                               {1280, 1024, 16}, {1280, 1024, 32}, {1600, 1200, 16}, {1600, 1200, 32}};
    return {all, all + count};
}

void addDevice(const char* name, bool hardware, const std::vector<Mode>& modes) {
    auto* device = new DeviceInfo;
    std::strncpy(device->name, name, sizeof device->name - 1);
    device->isHardware = hardware;
    for (const auto& [w, h, bits] : modes) {
        auto* mode = new DisplayMode{};
        mode->desc.dwWidth = static_cast<DWORD>(w);
        mode->desc.dwHeight = static_cast<DWORD>(h);
        mode->desc.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(bits);
        device->modes.add(mode);
    }
    device->modeCount = device->modes.count;
    deviceList.add(device);
}

// A form on a temporary Windows directory with devices the test lists and a desktop choice the test
// fixes (the choice's own rules are the enumeration's business).
class SettingsWindow : public ::testing::Test {
protected:
    fs::path dir;
    std::string path;
    Settings settings;
    std::optional<std::pair<int, int>> desktopMatch;  // deviceIndex, modeIndex; none: no match
    int choices = 0;
    int choiceWidth = 0, choiceHeight = 0;
    std::vector<std::string> opened;
    std::vector<std::vector<int32_t>> fileWhenOpened;

    void SetUp() override {
        char tmpl[] = "/tmp/vorel_config_test_XXXXXX";
        dir = mkdtemp(tmpl);
        path = (dir / "vorel_settings.dat").string();
        clearDeviceList();
    }
    void TearDown() override {
        clearDeviceList();
        fs::remove_all(dir);
    }

    FormServices services() {
        FormServices s;
        s.enumerate = [] { return deviceList.count > 0 ? S_OK : E_FAIL; };
        s.chooseDesktopMode = [this](Settings& set, int w, int h) {
            ++choices;
            choiceWidth = w;
            choiceHeight = h;
            if (desktopMatch) std::tie(set.deviceIndex, set.modeIndex) = *desktopMatch;
        };
        s.desktopSize = [](int& w, int& h) { w = 1024, h = 768; };
        s.windowsDirectory = [this] { return dir.string(); };
        s.shellOpen = [this](const std::string& p) {
            opened.push_back(p);
            fileWhenOpened.push_back(readFile());
        };
        s.settingsPath = path;
        return s;
    }

    void writeFile(const std::vector<int32_t>& fields) {
        std::ofstream out(path, std::ios::binary);
        for (int32_t f : fields)
            for (int i = 0; i < 4; ++i) out.put(static_cast<char>(static_cast<uint32_t>(f) >> (8 * i)));
    }
    // The file as little-endian fields; a missing file reads as no fields.
    std::vector<int32_t> readFile() const {
        std::ifstream in(path, std::ios::binary);
        std::vector<unsigned char> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        EXPECT_TRUE(b.empty() || b.size() == 24) << "settings file of " << b.size() << " bytes";
        std::vector<int32_t> fields;
        for (size_t i = 0; i + 4 <= b.size(); i += 4)
            fields.push_back(static_cast<int32_t>(b[i] | b[i + 1] << 8 | b[i + 2] << 16 |
                                                  static_cast<uint32_t>(b[i + 3]) << 24));
        return fields;
    }
    // Two hardware devices (12 and 5 modes) after one software device would sort; the list is
    // given here already in its final order.
    void twoDevices() {
        addDevice("Primary Display Driver", true, modesOf(12));
        addDevice("Second Card", true, modesOf(5));
        addDevice("Reference Rasterizer", false, modesOf(6));
    }
};

TEST_F(SettingsWindow, FirstStartShowsTheDesktopChoiceAndClosingUntouchedKeepsItUnfixed) {
    twoDevices();
    desktopMatch = {{0, 5}};
    SettingsForm form(settings, services());
    form.FormCreate();

    EXPECT_EQ(choices, 1);
    EXPECT_EQ(choiceWidth, 1024);
    EXPECT_EQ(choiceHeight, 768);
    ASSERT_EQ(form.deviceBox().count(), 3);
    EXPECT_EQ(form.deviceBox().items()[0], "Primary Display Driver (Hardware 3D acceleration)");
    EXPECT_EQ(form.deviceBox().items()[2], "Reference Rasterizer (Software 3D acceleration)");
    EXPECT_EQ(form.deviceBox().selected(), 0);
    ASSERT_EQ(form.modeBox().count(), 12);
    EXPECT_EQ(form.modeBox().items()[3], "800x600 (32 bits)");
    EXPECT_EQ(form.modeBox().selected(), 5);
    EXPECT_EQ(form.detailBox().selected(), 1);
    EXPECT_FALSE(form.fpsChecked());
    EXPECT_FALSE(form.transparencyChecked());
    EXPECT_TRUE(readFile().empty()) << "opening the window writes nothing";

    form.FormClose();
    EXPECT_TRUE(form.closed());
    EXPECT_EQ(readFile(), (std::vector<int32_t>{0, 1, 0, 0, 0, 5}));
}

TEST_F(SettingsWindow, FirstStartOnA1024x768DesktopShowsTheFirstHardwareDeviceWithThatMode) {
    addDevice("Small Card", true, modesOf(4));  // up to 800x600
    addDevice("Big Card", true, modesOf(12));   // 1024x768x32 at position 5
    addDevice("Reference Rasterizer", false, modesOf(12));
    FormServices real = services();
    real.chooseDesktopMode = ::chooseDesktopMode;
    SettingsForm form(settings, real);
    form.FormCreate();
    EXPECT_EQ(form.deviceBox().selected(), 1);
    EXPECT_EQ(form.modeBox().selected(), 5);
    EXPECT_EQ(form.modeBox().items()[5], "1024x768 (32 bits)");
    form.FormClose();
    EXPECT_EQ(readFile(), (std::vector<int32_t>{0, 1, 0, 0, 1, 5}));
}

TEST_F(SettingsWindow, PickingAModeFixesTheChoiceWithThePickedPositions) {
    twoDevices();
    desktopMatch = {{0, 5}};
    SettingsForm form(settings, services());
    form.FormCreate();
    form.userPicksMode(7);
    EXPECT_TRUE(form.selectionChanged());
    form.userSetsFps(true);
    form.userPicksDetail(2);
    form.BitBtn8Click();
    EXPECT_EQ(readFile(), (std::vector<int32_t>{1, 2, 0, 1, 0, 7}));
    EXPECT_EQ(settings.modeChosen, 1);
}

TEST_F(SettingsWindow, SwitchingDeviceKeepsTheStoredModePositionOnlyWhenItExists) {
    twoDevices();
    writeFile({0, 1, 0, 1, 0, 9});
    SettingsForm form(settings, services());
    form.FormCreate();
    EXPECT_EQ(choices, 0) << "a fixed choice is not replaced by the desktop's";
    EXPECT_EQ(form.modeBox().selected(), 9);

    form.userPicksDevice(1);
    EXPECT_EQ(form.modeBox().count(), 5);
    EXPECT_EQ(form.modeBox().selected(), 0);
    EXPECT_EQ(settings.modeIndex, 0);
    EXPECT_TRUE(form.selectionChanged());

    // Back on the first device the stored position (now 0) is selected, not the old pick.
    form.userPicksDevice(0);
    EXPECT_EQ(form.modeBox().selected(), 0);
}

TEST_F(SettingsWindow, SwitchingDeviceSelectsTheStoredPositionNotThePreviousPick) {
    twoDevices();
    writeFile({0, 1, 0, 1, 0, 3});
    SettingsForm form(settings, services());
    form.FormCreate();
    form.userPicksMode(10);
    form.userPicksDevice(1);
    EXPECT_EQ(form.modeBox().selected(), 3);
    form.FormClose();
    EXPECT_EQ(readFile(), (std::vector<int32_t>{0, 1, 0, 1, 1, 3}));
}

TEST_F(SettingsWindow, UseDesktopSettingsWithoutMatchReturnsToStoredPositionsButFixesTheChoice) {
    twoDevices();
    writeFile({0, 1, 0, 0, 1, 2});
    SettingsForm form(settings, services());
    form.FormCreate();
    EXPECT_EQ(form.deviceBox().selected(), 1);
    EXPECT_EQ(form.modeBox().selected(), 2);
    EXPECT_FALSE(form.selectionChanged());

    form.userPicksDevice(0);
    form.userPicksMode(4);
    form.BitBtn1Click();
    EXPECT_EQ(form.deviceBox().selected(), 1);
    EXPECT_EQ(form.modeBox().selected(), 2);
    EXPECT_TRUE(form.selectionChanged());
    form.FormClose();
    EXPECT_EQ(readFile(), (std::vector<int32_t>{0, 1, 0, 1, 1, 2}));
}

TEST_F(SettingsWindow, UseDesktopSettingsSelectsTheDesktopMatch) {
    twoDevices();
    writeFile({0, 1, 0, 1, 0, 0});
    SettingsForm form(settings, services());
    form.FormCreate();
    desktopMatch = {{1, 4}};
    form.BitBtn1Click();
    EXPECT_EQ(choices, 1);
    EXPECT_EQ(form.deviceBox().selected(), 1);
    EXPECT_EQ(form.modeBox().selected(), 4);
    EXPECT_TRUE(form.selectionChanged());
}

TEST_F(SettingsWindow, CloseBoxSavesExactlyLikeSaveAndExit) {
    twoDevices();
    desktopMatch = {{0, 5}};
    auto session = [&](bool throughButton) {
        fs::remove(path);
        Settings fresh;
        SettingsForm form(fresh, services());
        form.FormCreate();
        form.userSetsTransparency(true);
        form.userPicksDevice(1);
        if (throughButton)
            form.BitBtn8Click();
        else
            form.FormClose();
        EXPECT_TRUE(form.closed());
        std::vector<int32_t> written = readFile();
        // The window saves once: a second close request writes nothing more.
        fs::remove(path);
        form.FormClose();
        EXPECT_TRUE(readFile().empty());
        return written;
    };
    std::vector<int32_t> viaButton = session(true);
    EXPECT_EQ(viaButton, (std::vector<int32_t>{0, 1, 1, 1, 1, 0}));
    EXPECT_EQ(session(false), viaButton);
}

TEST_F(SettingsWindow, PreviewWritesTheWindowsOptionsBeforeTheScreensaverStarts) {
    twoDevices();
    desktopMatch = {{0, 5}};
    SettingsForm form(settings, services());
    form.FormCreate();
    form.userSetsFps(true);
    form.userPicksMode(2);
    form.BitBtn7Click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], dir.string() + "\\Vorel_Saver.scr");
    EXPECT_EQ(fileWhenOpened[0], (std::vector<int32_t>{1, 1, 0, 1, 0, 2}));
    EXPECT_FALSE(form.closed()) << "the window stays open while the preview runs";

    form.userSetsFps(false);
    form.userPicksDetail(0);
    form.BitBtn7Click();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(fileWhenOpened[1], (std::vector<int32_t>{0, 0, 0, 1, 0, 2}));
}

TEST_F(SettingsWindow, WithoutAnyDeviceBothListsAreEmptyAndDisabledAndMinusOneIsWritten) {
    SettingsForm form(settings, services());
    form.FormCreate();
    EXPECT_EQ(form.deviceBox().count(), 0);
    EXPECT_EQ(form.modeBox().count(), 0);
    EXPECT_FALSE(form.deviceBox().enabled());
    EXPECT_FALSE(form.modeBox().enabled());
    form.userPicksDevice(0);
    form.userPicksMode(0);
    EXPECT_FALSE(form.selectionChanged());

    form.FormClose();
    EXPECT_EQ(readFile(), (std::vector<int32_t>{0, 1, 0, 0, -1, -1}));
}

TEST_F(SettingsWindow, UseDesktopSettingsWithoutAnyDeviceOnlyFixesTheChoice) {
    SettingsForm form(settings, services());
    form.FormCreate();
    form.BitBtn1Click();
    EXPECT_TRUE(form.selectionChanged());
    EXPECT_EQ(form.deviceBox().selected(), -1);
    form.FormClose();
    EXPECT_EQ(readFile(), (std::vector<int32_t>{0, 1, 0, 1, -1, -1}));
}

TEST_F(SettingsWindow, StoredDeviceNoLongerListedFallsBackToTheDesktopChoice) {
    twoDevices();
    writeFile({0, 1, 0, 1, 7, 3});
    desktopMatch = {{1, 2}};
    SettingsForm form(settings, services());
    form.FormCreate();
    EXPECT_EQ(choices, 1);
    EXPECT_EQ(form.deviceBox().selected(), 1);
    EXPECT_EQ(form.modeBox().selected(), 2);
    EXPECT_FALSE(form.selectionChanged()) << "a repair is not a user's change";
}

TEST_F(SettingsWindow, StoredDeviceNoLongerListedWithoutDesktopMatchTakesTheFirstDevice) {
    twoDevices();
    writeFile({0, 1, 0, 1, -1, -1});
    SettingsForm form(settings, services());
    form.FormCreate();
    EXPECT_EQ(form.deviceBox().selected(), 0);
    EXPECT_EQ(form.modeBox().selected(), 0);
    form.FormClose();
    EXPECT_EQ(readFile(), (std::vector<int32_t>{0, 1, 0, 1, 0, 0}));
}

TEST_F(SettingsWindow, StoredNegativeModeOnAListedDeviceLeavesTheModeListWithoutSelection) {
    twoDevices();
    writeFile({0, 1, 0, 1, 1, -1});
    SettingsForm form(settings, services());
    form.FormCreate();
    EXPECT_EQ(form.deviceBox().selected(), 1);
    EXPECT_EQ(form.modeBox().selected(), -1);
    EXPECT_TRUE(form.modeBox().enabled());
}

TEST_F(SettingsWindow, DeviceWithoutModesDisablesTheModeList) {
    addDevice("Card", true, modesOf(4));
    addDevice("Empty", true, {});
    writeFile({0, 1, 0, 1, 0, 3});
    SettingsForm form(settings, services());
    form.FormCreate();
    form.userPicksDevice(1);
    EXPECT_FALSE(form.modeBox().enabled());
    EXPECT_EQ(form.modeBox().count(), 0);
    form.userPicksDevice(0);
    EXPECT_TRUE(form.modeBox().enabled());
    EXPECT_EQ(form.modeBox().selected(), 3);
}

TEST_F(SettingsWindow, RepickingTheSelectedEntryIsNoChange) {
    twoDevices();
    writeFile({0, 1, 0, 0, 0, 3});
    SettingsForm form(settings, services());
    form.FormCreate();
    form.userPicksDevice(0);
    form.userPicksMode(3);
    form.userPicksMode(99);
    EXPECT_FALSE(form.selectionChanged());
    EXPECT_EQ(form.modeBox().selected(), 3);
}

TEST_F(SettingsWindow, OptionsWrittenByTheWindowComeBackOnTheNextStart) {
    twoDevices();
    writeFile({7, 2, 3, 1, 1, 4});
    {
        SettingsForm form(settings, services());
        form.FormCreate();
        EXPECT_TRUE(form.fpsChecked());
        EXPECT_TRUE(form.transparencyChecked());
        EXPECT_EQ(form.detailBox().selected(), 2);
        form.FormClose();
    }
    std::vector<int32_t> first = readFile();
    EXPECT_EQ(first, (std::vector<int32_t>{1, 2, 1, 1, 1, 4})) << "flags are written back as 0 or 1";
    Settings again;
    SettingsForm form(again, services());
    form.FormCreate();
    form.FormClose();
    EXPECT_EQ(readFile(), first);
}

TEST_F(SettingsWindow, DetailOutsideTheListIsWrittenAsNoSelection) {
    twoDevices();
    writeFile({0, 9, 0, 1, 0, 0});
    SettingsForm form(settings, services());
    form.FormCreate();
    EXPECT_EQ(form.detailBox().selected(), -1);
    form.FormClose();
    EXPECT_EQ(readFile()[1], -1);
}

TEST(EntryLabels, NameDevicesByKindAndModesBySizeAndDepth) {
    DeviceInfo device;
    std::memset(device.name, 'A', sizeof device.name);  // unterminated: the label stops at the array
    device.isHardware = true;
    EXPECT_EQ(deviceEntryLabel(device), std::string(sizeof device.name, 'A') + " (Hardware 3D acceleration)");
    std::strcpy(device.name, "Soft");
    device.isHardware = false;
    EXPECT_EQ(deviceEntryLabel(device), "Soft (Software 3D acceleration)");

    DisplayMode mode{};
    mode.desc.dwWidth = 1920;
    mode.desc.dwHeight = 1080;
    mode.desc.ddpfPixelFormat.dwRGBBitCount = 16;
    EXPECT_EQ(modeEntryLabel(mode), "1920x1080 (16 bits)");
}

TEST(ListBoxState, SelectionOutsideTheItemsMeansNone) {
    ListBox box;
    box.select(0);
    EXPECT_EQ(box.selected(), -1);
    unsigned before = box.revision();
    box.add("a");
    box.add("b");
    EXPECT_NE(box.revision(), before);
    box.select(1);
    EXPECT_EQ(box.selected(), 1);
    box.select(2);
    EXPECT_EQ(box.selected(), -1);
    box.select(1);
    box.clear();
    EXPECT_EQ(box.selected(), -1);
    EXPECT_EQ(box.count(), 0);
}

// Any file the window may find (short, long, random values) opens a window whose selections are
// real positions, and closing writes 24 bytes of values that name only listed things.
TEST_F(SettingsWindow, AnySettingsFileGivesSelectionsWithinTheLists) {
    twoDevices();
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 40), pick(0, 3);
    std::uniform_int_distribution<uint32_t> word;
    const int32_t interesting[] = {0, 1, 2, 3, -1, 11, 12, INT32_MIN, INT32_MAX};
    for (int round = 0; round < 120; ++round) {
        // Ten fields, each a value that matters or random bytes, cut to a random length.
        std::string bytes;
        for (int field = 0; field < 10; ++field) {
            uint32_t v = pick(random) == 0 ? static_cast<uint32_t>(interesting[byte(random) % std::size(interesting)])
                                           : word(random);
            for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>(v >> (8 * k)));
        }
        bytes.resize(static_cast<size_t>(length(random)));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        desktopMatch.reset();
        if (pick(random) == 0) desktopMatch = {{1, 4}};
        Settings fresh;
        SettingsForm form(fresh, services());
        form.FormCreate();
        ASSERT_GE(form.deviceBox().selected(), 0) << "round " << round;
        ASSERT_LT(form.deviceBox().selected(), form.deviceBox().count());
        ASSERT_GE(form.modeBox().selected(), -1);
        ASSERT_LT(form.modeBox().selected(), form.modeBox().count());
        form.userPicksDevice(pick(random) % 3);
        form.FormClose();
        std::vector<int32_t> f = readFile();
        ASSERT_EQ(f.size(), 6u);
        EXPECT_TRUE(f[0] == 0 || f[0] == 1);
        EXPECT_TRUE(f[1] >= -1 && f[1] <= 2);
        EXPECT_TRUE(f[2] == 0 || f[2] == 1);
        EXPECT_TRUE(f[4] >= 0 && f[4] < 3) << "round " << round;
        EXPECT_TRUE(f[5] >= -1 && f[5] < 12) << "round " << round;
    }
}

}  // namespace
