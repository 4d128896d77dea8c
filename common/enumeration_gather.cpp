// The machine's display drivers, modes and 3D devices as the real display layer reports them.
#include "common/enumeration_source.h"

namespace {

BOOL onDriver(GUID* guid, char* description, char*, void* context, HMONITOR) {
    auto* drivers = static_cast<std::vector<ReportedDriver>*>(context);
    ReportedDriver d;
    d.hasGuid = guid != nullptr;
    if (guid) d.guid = *guid;
    d.description = description ? description : "";
    drivers->push_back(d);
    return TRUE;
}

HRESULT onMode(DDSURFACEDESC2* desc, void* context) {
    if (desc) static_cast<ReportedDriver*>(context)->modes.push_back(*desc);
    return DDENUMRET_OK;
}

HRESULT onDevice(char*, char* name, D3DDEVICEDESC7* desc, void* context) {
    if (!desc) return D3DENUMRET_OK;
    ReportedDevice d;
    d.name = name ? name : "";
    d.guid = desc->deviceGUID;
    d.desc = *desc;
    static_cast<ReportedDriver*>(context)->devices.push_back(d);
    return D3DENUMRET_OK;
}

// Fills one driver's capabilities, modes and devices; marks what could not be made.
void gatherDriver(ReportedDriver& driver) {
    void* out = nullptr;
    if (FAILED(DirectDrawCreateEx(driver.hasGuid ? &driver.guid : nullptr, &out, IID_IDirectDraw7, nullptr)) || !out) {
        driver.directDrawCreated = false;
        driver.direct3DCreated = false;
        return;
    }
    auto* dd = static_cast<IDirectDraw7*>(out);
    driver.driverCaps.dwSize = 380;
    driver.emulationCaps.dwSize = 380;
    dd->GetCaps(&driver.driverCaps, &driver.emulationCaps);
    dd->EnumDisplayModes(0, nullptr, &driver, onMode);
    void* d3dOut = nullptr;
    if (FAILED(dd->QueryInterface(IID_IDirect3D7, &d3dOut)) || !d3dOut) {
        driver.direct3DCreated = false;
    } else {
        auto* d3d = static_cast<IDirect3D7*>(d3dOut);
        d3d->EnumDevices(onDevice, &driver);
        d3d->Release();
    }
    dd->Release();
}

}  // namespace

std::vector<ReportedDriver> gatherDisplayDrivers() {
    std::vector<ReportedDriver> drivers;
    DirectDrawEnumerateExA(onDriver, &drivers,
                           DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES | DDENUM_NONDISPLAYDEVICES);
    for (ReportedDriver& d : drivers) gatherDriver(d);
    return drivers;
}
