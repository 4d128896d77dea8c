// The texts the settings window shows for a 3D device and for a video mode.
//
// Device: its name followed by " (Hardware 3D acceleration)" or " (Software 3D acceleration)".
// Mode: "<width>x<height> (<bits> bits)" in plain decimal, e.g. "800x600 (32 bits)".
#pragma once

#include <string>

#include "common/device_list.h"

std::string deviceEntryLabel(const DeviceInfo& device);
std::string modeEntryLabel(const DisplayMode& mode);
