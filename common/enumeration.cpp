// Device and mode enumeration: which 3D devices and modes are listed, in which order, and which one
// matches the desktop.
#include "common/enumeration.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <tuple>

#include "common/enumeration_source.h"

namespace {

DriverSource g_source = nullptr;

bool modeUsable(const DDSURFACEDESC2& m) {
    const DWORD bits = m.ddpfPixelFormat.dwRGBBitCount;
    return m.dwWidth >= 320 && m.dwHeight >= 200 && (bits == 16 || bits == 24 || bits == 32);
}

std::vector<DDSURFACEDESC2> usableModesInOrder(const std::vector<DDSURFACEDESC2>& modes) {
    std::vector<DDSURFACEDESC2> kept;
    for (const DDSURFACEDESC2& m : modes)
        if (modeUsable(m)) kept.push_back(m);
    std::stable_sort(kept.begin(), kept.end(), [](const DDSURFACEDESC2& a, const DDSURFACEDESC2& b) {
        return std::tie(a.dwWidth, a.dwHeight, a.ddpfPixelFormat.dwRGBBitCount) <
               std::tie(b.dwWidth, b.dwHeight, b.ddpfPixelFormat.dwRGBBitCount);
    });
    return kept;
}

bool deviceRendersDepth(const D3DDEVICEDESC7& desc, DWORD bits) {
    const DWORD flag = bits == 32 ? DDBD_32 : bits == 24 ? DDBD_24 : bits == 16 ? DDBD_16 : 0;
    return (desc.dwDeviceRenderBitDepth & flag) != 0;
}

DeviceInfo* makeRecord(const ReportedDriver& driver, const ReportedDevice& device) {
    auto* info = new DeviceInfo;
    const std::string& name = driver.hasGuid ? driver.description : device.name;
    std::strncpy(info->name, name.c_str(), sizeof info->name - 1);  // at most 38 characters
    info->deviceGuid = device.guid;
    info->deviceDesc = device.desc;
    info->isHardware = (device.desc.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) != 0;
    info->hasDriverGuid = driver.hasGuid;
    info->driverGuid = driver.guid;
    info->driverCaps = driver.driverCaps;
    info->emulationCaps = driver.emulationCaps;
    return info;
}

// Takes over the modes the device can render; false when none is left.
bool takeModes(DeviceInfo* info, const std::vector<DDSURFACEDESC2>& modes) {
    for (const DDSURFACEDESC2& m : modes) {
        if (!deviceRendersDepth(info->deviceDesc, m.ddpfPixelFormat.dwRGBBitCount)) continue;
        auto* mode = new DisplayMode{m};
        if (info->modes.add(mode) < 0) {
            delete mode;
            break;
        }
        if (m.ddsCaps.dwCaps2 & DDSCAPS2_STEREOSURFACELEFT) info->canStereo = true;
    }
    info->modeCount = info->modes.count;
    return info->modeCount > 0;
}

}  // namespace

HRESULT enumerateDevicesFrom(const std::vector<ReportedDriver>& drivers) {
    int reported = 0, usable = 0;
    for (const ReportedDriver& driver : drivers) {
        if (!driver.directDrawCreated || !driver.direct3DCreated) continue;
        const std::vector<DDSURFACEDESC2> modes = usableModesInOrder(driver.modes);
        for (const ReportedDevice& device : driver.devices) {
            ++reported;
            DeviceInfo* info = makeRecord(driver, device);
            const bool secondarySoftware = driver.hasGuid && !info->isHardware;
            if (secondarySoftware || !takeModes(info, modes)) {
                delete info;
                continue;
            }
            info->canRenderWindowed = !driver.hasGuid && (driver.driverCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED);
            if (deviceList.add(info) < 0) {
                delete info;
                continue;
            }
            ++usable;
        }
    }
    if (reported == 0) return kEnumNoDevices;
    return usable == 0 ? kEnumNoUsableDevices : S_OK;
}

void setDriverSource(DriverSource source) { g_source = source; }

HRESULT enumerateDevices() { return enumerateDevicesFrom(g_source ? g_source() : gatherDisplayDrivers()); }

void sortHardwareFirst() {
    for (int pass = 0; pass < deviceList.count - 1; ++pass)
        for (int i = 0; i + 1 < deviceList.count; ++i)
            if (!deviceAt(i)->isHardware && deviceAt(i + 1)->isHardware) deviceList.swap(i, i + 1);
}

HRESULT enumerateAndSort() {
    if (FAILED(enumerateDevices())) return E_FAIL;
    sortHardwareFirst();
    return S_OK;
}

void chooseDesktopMode(Settings& settings, int desktopWidth, int desktopHeight) {
    const auto exact = [&](int bits) {
        return [=](const DisplayMode& m) { return m.width() == desktopWidth && m.height() == desktopHeight && m.bits() == bits; };
    };
    using Test = std::function<bool(const DisplayMode&)>;
    const Test passes[] = {exact(32), exact(24), exact(16),
                           [](const DisplayMode& m) { return m.width() == 800 && m.height() == 600 && m.bits() == 32; },
                           [](const DisplayMode& m) { return m.width() >= 640 && m.height() >= 480; }};
    for (const Test& test : passes) {
        for (int d = 0; d < deviceList.count; ++d) {
            const DeviceInfo* device = deviceAt(d);
            if (!device->isHardware) continue;
            for (int m = 0; m < device->modeCount; ++m) {
                if (!test(*device->mode(m))) continue;
                settings.deviceIndex = d;
                settings.modeIndex = m;
                return;
            }
        }
    }
}
