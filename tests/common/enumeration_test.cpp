#include "common/enumeration.h"

#include <gtest/gtest.h>

#include <string>

#include "common/enumeration_source.h"
#include "platform/backend/bridge.h"
#include "platform/ddraw/display_modes.h"

namespace {

DDSURFACEDESC2 mode(DWORD w, DWORD h, DWORD bits, bool stereo = false) {
    DDSURFACEDESC2 m{};
    m.dwSize = sizeof m;
    m.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    m.dwWidth = w;
    m.dwHeight = h;
    m.ddpfPixelFormat.dwRGBBitCount = bits;
    if (stereo) m.ddsCaps.dwCaps2 = DDSCAPS2_STEREOSURFACELEFT;
    return m;
}

ReportedDevice device(const std::string& name, bool hardware, DWORD depths = DDBD_16 | DDBD_32, uint32_t id = 1) {
    ReportedDevice d;
    d.name = name;
    d.guid.Data1 = id;
    d.desc.dwDevCaps = hardware ? D3DDEVCAPS_HWRASTERIZATION : 0;
    d.desc.dwDeviceRenderBitDepth = depths;
    d.desc.deviceGUID = d.guid;
    return d;
}

ReportedDriver primaryDriver(std::vector<ReportedDevice> devices) {
    ReportedDriver d;
    d.description = "Primary display";
    d.driverCaps.dwCaps2 = DDCAPS2_CANRENDERWINDOWED;
    d.modes = {mode(1024, 768, 32), mode(640, 480, 32), mode(1024, 768, 16), mode(800, 600, 16), mode(640, 480, 16),
               mode(800, 600, 32)};
    d.devices = std::move(devices);
    return d;
}

ReportedDriver secondaryDriver(std::vector<ReportedDevice> devices) {
    ReportedDriver d = primaryDriver(std::move(devices));
    d.hasGuid = true;
    d.guid.Data1 = 0xBEEF;
    d.description = "Second monitor adapter";
    return d;
}

std::string modesOf(const DeviceInfo* info) {
    std::string s;
    for (int i = 0; i < info->modeCount; ++i)
        s += std::to_string(info->mode(i)->width()) + "x" + std::to_string(info->mode(i)->height()) + "x" +
             std::to_string(info->mode(i)->bits()) + " ";
    return s;
}

std::string namesInList() {
    std::string s;
    for (int i = 0; i < deviceList.count; ++i) s += std::string(deviceAt(i)->name) + ";";
    return s;
}

std::vector<ReportedDriver> g_injected;
std::vector<ReportedDriver> injected() { return g_injected; }

class Enumeration : public ::testing::Test {
protected:
    void SetUp() override { clearDeviceList(); }
    void TearDown() override {
        clearDeviceList();
        setDriverSource(nullptr);
        g_injected.clear();
    }
};

TEST_F(Enumeration, ModesAreFilteredAndOrderedByWidthHeightAndDepth) {
    ReportedDriver d = primaryDriver({device("Soft", false, DDBD_16 | DDBD_24 | DDBD_32)});
    d.modes.push_back(mode(320, 200, 8));
    d.modes.push_back(mode(256, 192, 16));
    d.modes.push_back(mode(320, 200, 24));
    d.modes.push_back(mode(640, 400, 15));
    ASSERT_EQ(enumerateDevicesFrom({d}), S_OK);
    ASSERT_EQ(deviceList.count, 1);
    EXPECT_EQ(modesOf(deviceAt(0)), "320x200x24 640x480x16 640x480x32 800x600x16 800x600x32 1024x768x16 1024x768x32 ");
}

TEST_F(Enumeration, ADeviceKeepsOnlyTheDepthsItRenders) {
    ASSERT_EQ(enumerateDevicesFrom({primaryDriver({device("Only32", true, DDBD_32)})}), S_OK);
    EXPECT_EQ(modesOf(deviceAt(0)), "640x480x32 800x600x32 1024x768x32 ");
    EXPECT_EQ(deviceAt(0)->modeCount, 3);
}

TEST_F(Enumeration, StatusTellsNoDevicesFromNoUsableDevices) {
    EXPECT_EQ(enumerateDevicesFrom({primaryDriver({})}), kEnumNoDevices);
    EXPECT_EQ(enumerateDevicesFrom({}), kEnumNoDevices);
    // A device that renders none of the depths is reported but not usable.
    EXPECT_EQ(enumerateDevicesFrom({primaryDriver({device("NoDepth", true, DDBD_8)})}), kEnumNoUsableDevices);
    EXPECT_EQ(enumerateDevicesFrom({secondaryDriver({device("Soft", false)})}), kEnumNoUsableDevices);
    EXPECT_EQ(deviceList.count, 0);
}

TEST_F(Enumeration, DriversWithoutDirectDrawOrDirect3DAreSkippedUncounted) {
    ReportedDriver noDraw = secondaryDriver({device("Hw", true)});
    noDraw.directDrawCreated = false;
    ReportedDriver no3D = primaryDriver({device("Soft", false)});
    no3D.direct3DCreated = false;
    EXPECT_EQ(enumerateDevicesFrom({noDraw, no3D}), kEnumNoDevices);
    EXPECT_EQ(deviceList.count, 0);
}

TEST_F(Enumeration, SecondaryDriversListOnlyHardwareDevicesUnderTheDriversDescription) {
    ASSERT_EQ(enumerateDevicesFrom({primaryDriver({device("Ramp", false, DDBD_16 | DDBD_32, 1)}),
                                    secondaryDriver({device("SecondSoft", false, DDBD_32, 2), device("SecondHal", true, DDBD_32, 3)})}),
              S_OK);
    EXPECT_EQ(namesInList(), "Ramp;Second monitor adapter;");
    const DeviceInfo* second = deviceAt(1);
    EXPECT_TRUE(second->isHardware);
    EXPECT_TRUE(second->hasDriverGuid);
    EXPECT_EQ(second->driverGuid.Data1, 0xBEEFu);
    EXPECT_EQ(second->deviceGuid.Data1, 3u);
    EXPECT_FALSE(second->canRenderWindowed);  // only the primary driver renders windowed
    EXPECT_TRUE(deviceAt(0)->canRenderWindowed);
    EXPECT_FALSE(deviceAt(0)->hasDriverGuid);
}

TEST_F(Enumeration, LongNamesAreCutToThirtyEightCharactersAndStereoIsNoted) {
    ReportedDriver d = primaryDriver({device(std::string(60, 'n'), true)});
    d.modes.push_back(mode(1280, 1024, 32, true));
    ASSERT_EQ(enumerateDevicesFrom({d}), S_OK);
    EXPECT_EQ(std::string(deviceAt(0)->name), std::string(38, 'n'));
    EXPECT_TRUE(deviceAt(0)->canStereo);
    ASSERT_EQ(enumerateDevicesFrom({primaryDriver({device("NoStereo", true, DDBD_16)})}), S_OK);
    EXPECT_FALSE(deviceAt(1)->canStereo);
}

TEST_F(Enumeration, HardwareDevicesMoveAheadKeepingTheirMutualOrder) {
    g_injected = {primaryDriver({device("SoftA", false), device("SoftB", false), device("HalA", true), device("SoftC", false),
                                 device("HalB", true)})};
    setDriverSource(injected);
    ASSERT_EQ(enumerateAndSort(), S_OK);
    EXPECT_EQ(namesInList(), "HalA;HalB;SoftA;SoftB;SoftC;");
}

TEST_F(Enumeration, EnumerateAndSortFailsWithEFailWithoutSorting) {
    g_injected = {primaryDriver({device("NoDepth", true, DDBD_8)})};
    setDriverSource(injected);
    EXPECT_EQ(enumerateAndSort(), E_FAIL);
    g_injected = {};
    EXPECT_EQ(enumerateAndSort(), E_FAIL);
}

TEST_F(Enumeration, DesktopChoicePrefers32BitsOverTheDesktopsOwnDepth) {
    ASSERT_EQ(enumerateDevicesFrom({primaryDriver({device("Soft", false), device("Hal", true)})}), S_OK);
    sortHardwareFirst();
    Settings s;
    s.deviceIndex = 5;
    s.modeIndex = 5;
    chooseDesktopMode(s, 1024, 768);
    EXPECT_EQ(s.deviceIndex, 0);
    EXPECT_EQ(s.modeIndex, 5);  // 1024x768x32, the last of six
    EXPECT_EQ(deviceAt(0)->mode(5)->bits(), 32);
}

TEST_F(Enumeration, DesktopChoiceFallsBackThroughItsPasses) {
    ReportedDriver d = primaryDriver({device("Soft", false), device("Hal16", true, DDBD_16), device("Hal", true)});
    ASSERT_EQ(enumerateDevicesFrom({d}), S_OK);
    Settings s;
    // 1024x768 exists at 16 bits only on Hal16 and at 32 bits on Hal: the 32-bit pass finds Hal first.
    chooseDesktopMode(s, 1024, 768);
    EXPECT_EQ(s.deviceIndex, 2);
    EXPECT_EQ(s.modeIndex, 5);
    // A desktop that no mode matches: 800x600x32 on the first hardware device that has it.
    chooseDesktopMode(s, 1920, 1080);
    EXPECT_EQ(s.deviceIndex, 2);
    EXPECT_EQ(s.modeIndex, 3);
    // Only 16-bit hardware: the exact 16-bit pass wins over 800x600.
    clearDeviceList();
    ASSERT_EQ(enumerateDevicesFrom({primaryDriver({device("Hal16", true, DDBD_16)})}), S_OK);
    chooseDesktopMode(s, 800, 600);
    EXPECT_EQ(s.deviceIndex, 0);
    EXPECT_EQ(s.modeIndex, 1);
    // Nothing exact and no 800x600x32: the first mode of at least 640x480.
    chooseDesktopMode(s, 1920, 1080);
    EXPECT_EQ(s.modeIndex, 0);
}

TEST_F(Enumeration, WithoutHardwareTheDesktopChoiceChangesNothing) {
    ASSERT_EQ(enumerateDevicesFrom({primaryDriver({device("Soft", false)})}), S_OK);
    Settings s;
    s.deviceIndex = 3;
    s.modeIndex = -1;
    chooseDesktopMode(s, 1024, 768);
    EXPECT_EQ(s.deviceIndex, 3);
    EXPECT_EQ(s.modeIndex, -1);
}

TEST_F(Enumeration, TheRealLayerReportsOnePrimaryDriverWithTheDesktopsModes) {
    platform::bridge::reset();
    const std::vector<ReportedDriver> drivers = gatherDisplayDrivers();
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_FALSE(drivers[0].hasGuid);
    EXPECT_TRUE(drivers[0].directDrawCreated);
    EXPECT_TRUE(drivers[0].driverCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);
    int w = 0, h = 0;
    platform::bridge::desktopSize(&w, &h);
    const auto expected = platform::ddraw::displayModesFor(w, h);
    ASSERT_EQ(drivers[0].modes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(drivers[0].modes[i].dwWidth, static_cast<DWORD>(expected[i].width));
        EXPECT_EQ(drivers[0].modes[i].ddpfPixelFormat.dwRGBBitCount, static_cast<DWORD>(expected[i].bits));
    }
    // Whatever 3D devices the layer offers, the real enumeration lists a device only with modes.
    const HRESULT hr = enumerateAndSort();
    if (drivers[0].direct3DCreated && !drivers[0].devices.empty()) {
        ASSERT_EQ(hr, S_OK);
        ASSERT_GT(deviceList.count, 0);
        EXPECT_GT(deviceAt(0)->modeCount, 0);
    } else {
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_EQ(deviceList.count, 0);
    }
}

}  // namespace
