// What the display layer reports to the device and mode enumeration, and where it comes from.
//
// The enumeration's rules (common/enumeration.h) work on a plain description of the machine: the
// display drivers, whether their DirectDraw object and Direct3D interface could be made, their
// capabilities, full-screen modes and 3D devices, in the platform's order. gatherDisplayDrivers
// asks the real layer (DirectDrawEnumerateExA, DirectDrawCreateEx, IDirectDraw7::GetCaps and
// EnumDisplayModes, IDirect3D7::EnumDevices); tests put their own description in with
// setDriverSource. Single-threaded; the gathered records own all their data.
#pragma once

#include <string>
#include <vector>

#include "platform/ddraw/ddraw.h"

struct ReportedDevice {
    std::string name;  // the 3D device's own name
    GUID guid{};
    D3DDEVICEDESC7 desc{};
};

struct ReportedDriver {
    bool hasGuid = false;  // false: the primary display driver
    GUID guid{};
    std::string description;
    bool directDrawCreated = true;
    bool direct3DCreated = true;
    DDCAPS driverCaps{};
    DDCAPS emulationCaps{};
    std::vector<DDSURFACEDESC2> modes;  // as the driver listed them
    std::vector<ReportedDevice> devices;
};

std::vector<ReportedDriver> gatherDisplayDrivers();

using DriverSource = std::vector<ReportedDriver> (*)();
// Replaces where enumerateDevices gets its description; null goes back to gatherDisplayDrivers.
void setDriverSource(DriverSource source);

// The rules of enumerateDevices applied to a given description (appends to deviceList).
HRESULT enumerateDevicesFrom(const std::vector<ReportedDriver>& drivers);
