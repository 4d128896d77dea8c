// The display set-up on the real DirectDraw layer (headless bridge, frames kept by the ddraw
// fixture's presenter) with a fake Direct3D interface and one device list entry of the desktop's
// modes.
#pragma once

#include <gtest/gtest.h>

#include "common/device_list.h"
#include "common/settings.h"
#include "platform/ddraw/display_control.h"
#include "platform/ddraw/frame_output.h"
#include "platform/ddraw/pixel_formats.h"
#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/display/release_hooks.h"
#include "tests/ddraw/ddraw_fixture.h"
#include "tests/display/fake_direct3d.h"

namespace display_test {

inline FakeDirect3D* g_fake = nullptr;

inline HRESULT fakeSource(IDirectDraw7*, IDirect3D7** out) {
    *out = g_fake;
    return g_fake ? S_OK : E_NOINTERFACE;
}

// Device 0 renders 16 and 32 bits; modes 640x480x16, 640x480x32, 800x600x16, 800x600x32.
inline void listOneDevice() {
    clearDeviceList();
    auto* info = new DeviceInfo;
    std::snprintf(info->name, sizeof info->name, "%s", "Fake");
    info->deviceGuid = IID_IDirect3DRGBDevice;
    info->isHardware = true;
    for (int w : {640, 800})
        for (int bits : {16, 32}) {
            auto* m = new DisplayMode{};
            m->desc.dwWidth = w;
            m->desc.dwHeight = w == 640 ? 480 : 600;
            m->desc.ddpfPixelFormat.dwRGBBitCount = bits;
            info->modes.add(m);
        }
    info->modeCount = info->modes.count;
    deviceList.add(info);
}

class DisplaySetup : public ::testing::Test {
protected:
    void SetUp() override {
        platform::bridge::reset();
        platform::bridge::setPresent(ddraw_test::keepPresented);
        platform::bridge::setDesktopSize(ddraw_test::fixedDesktop);
        platform::ddraw::resetDisplayControl();
        platform::ddraw::resetFrameOutput();
        ddraw_test::g_presented = ddraw_test::PresentedFrame{};
        resetDisplayObjects();
        displayHooks() = DisplayHooks{};
        g_settings = Settings{};
        listOneDevice();
        fake.device = &device;
        fake.zFormats = {platform::ddraw::formatZ24S8(), platform::ddraw::formatZ16(), platform::ddraw::formatZ32()};
        device.textureFormats = {platform::ddraw::formatA4R4G4B4(), platform::ddraw::formatA8R8G8B8()};
        g_fake = &fake;
        setDirect3DSource(fakeSource);
        setPresentationSettleMs(0);
    }
    void TearDown() override {
        releaseDisplay(nullptr);
        setDirect3DSource(nullptr);
        setPresentationSettleMs(1000);
        displayHooks() = DisplayHooks{};
        g_fake = nullptr;
        clearDeviceList();
        g_settings = Settings{};
        platform::ddraw::resetDisplayControl();
        platform::bridge::reset();
    }
    // Presentation on the given mode and, when asked, the device.
    void makeDisplay(int width, int height, int bits) {
        void* out = nullptr;
        ASSERT_EQ(DirectDrawCreateEx(nullptr, &out, IID_IDirectDraw7, nullptr), DD_OK);
        g_display.directDraw = static_cast<IDirectDraw7*>(out);
        ASSERT_EQ(createPresentation(ddraw_test::kWindow, width, height, bits), S_OK);
    }

    FakeDirect3D fake;
    FakeDevice device;
};

}  // namespace display_test
