#include "common/device_list.h"

ObjectList deviceList;

DeviceInfo::~DeviceInfo() {
    for (int i = 0; i < modes.count; ++i) delete modes.at<DisplayMode>(i);
    modes.clear();
}

void clearDeviceList() {
    for (int i = 0; i < deviceList.count; ++i) delete deviceList.at<DeviceInfo>(i);
    deviceList.clear();
}
