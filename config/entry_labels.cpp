#include "config/entry_labels.h"

#include <cstring>

std::string deviceEntryLabel(const DeviceInfo& device) {
    // The name is a fixed array filled by the enumeration; never read past it, even unterminated.
    std::string label(device.name, strnlen(device.name, sizeof device.name));
    label += device.isHardware ? " (Hardware 3D acceleration)" : " (Software 3D acceleration)";
    return label;
}

std::string modeEntryLabel(const DisplayMode& mode) {
    return std::to_string(mode.width()) + "x" + std::to_string(mode.height()) + " (" +
           std::to_string(mode.bits()) + " bits)";
}
