// Device and video-mode enumeration shared by both programs: fills `deviceList`
// (common/device_list.h) from the platform's display drivers and 3D devices, sorts hardware
// devices first, and chooses the desktop-matching device and mode.
//
// Status codes: 0 success; 0x81000002 no 3D device reported at all; 0x81000003 devices reported
// but none usable; enumerateAndSort turns either failure into E_FAIL. Runs once per process on the
// UI thread before any surface exists.
#pragma once

#include "common/device_list.h"
#include "common/settings.h"

constexpr HRESULT kEnumNoDevices = static_cast<HRESULT>(0x81000002u);
constexpr HRESULT kEnumNoUsableDevices = static_cast<HRESULT>(0x81000003u);

HRESULT enumerateDevices();
void sortHardwareFirst();
HRESULT enumerateAndSort();
// Sets settings.deviceIndex/modeIndex to the desktop-matching choice for a desktop of
// desktopWidth x desktopHeight, or leaves them unchanged when nothing matches.
void chooseDesktopMode(Settings& settings, int desktopWidth, int desktopHeight);
