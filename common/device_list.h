// The enumerated 3D devices and their full-screen video modes, shared by both programs.
//
// deviceList: one process-wide ObjectList of DeviceInfo*, hardware devices first; its positions are
// the settings' deviceIndex. Each DeviceInfo owns its `modes` (DisplayMode*, sorted by width, then
// height, then bits per pixel; positions are the settings' modeIndex). The list is filled once by
// enumerateDevices (common/enumeration.h) and lives until the program ends; clearDeviceList
// deletes every record (tests, program exit).
#pragma once

#include "common/object_list.h"
#include "platform/ddraw/ddraw.h"

struct DisplayMode {
    DDSURFACEDESC2 desc;  // width, height, ddpfPixelFormat.dwRGBBitCount, ddsCaps (stereo)

    int width() const { return static_cast<int>(desc.dwWidth); }
    int height() const { return static_cast<int>(desc.dwHeight); }
    int bits() const { return static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount); }
};

struct DeviceInfo {
    char name[39] = {};  // at most 38 characters
    GUID deviceGuid = {};
    D3DDEVICEDESC7 deviceDesc = {};
    bool isHardware = false;
    bool hasDriverGuid = false;  // false for the primary display driver
    GUID driverGuid = {};
    DDCAPS driverCaps = {};
    DDCAPS emulationCaps = {};
    bool canRenderWindowed = false;
    bool canStereo = false;
    ObjectList modes;  // DisplayMode*, owned by this record
    int modeCount = 0;

    DisplayMode* mode(int index) const { return modes.at<DisplayMode>(index); }
    ~DeviceInfo();
};

extern ObjectList deviceList;

inline DeviceInfo* deviceAt(int index) { return deviceList.at<DeviceInfo>(index); }
void clearDeviceList();
