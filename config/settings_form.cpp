#include "config/settings_form.h"

#include <algorithm>
#include <utility>

#include "common/device_list.h"
#include "config/entry_labels.h"

SettingsForm::SettingsForm(Settings& settings, FormServices services)
    : settings_(settings), services_(std::move(services)) {
    detailBox_.add("Low");
    detailBox_.add("Medium");
    detailBox_.add("High");
}

void SettingsForm::FormCreate() {
    // A failed enumeration leaves the device list empty; the window still opens.
    services_.enumerate();
    detailBox_.select(1);
    selectionChanged_ = false;
    loadConfigSettings(settings_, *this, services_.settingsPath);
    if (settings_.modeChosen == 0) runDesktopChoice();

    deviceBox_.clear();
    if (deviceList.count == 0) {
        // Nothing to choose from: both lists stay empty and cannot be opened.
        deviceBox_.setEnabled(false);
        modeBox_.clear();
        modeBox_.setEnabled(false);
        return;
    }
    for (int i = 0; i < deviceList.count; ++i) {
        const DeviceInfo* device = deviceAt(i);
        deviceBox_.add(device ? deviceEntryLabel(*device) : std::string());
    }
    selectStoredDevice();
}

void SettingsForm::ComboBox1Click() {
    modeBox_.setEnabled(true);
    modeBox_.clear();
    const DeviceInfo* device = deviceAt(deviceBox_.selected());
    if (!device || device->modeCount <= 0) {
        modeBox_.setEnabled(false);
        return;
    }
    int count = std::min(device->modeCount, device->modes.count);
    for (int i = 0; i < count; ++i) {
        const DisplayMode* mode = device->mode(i);
        modeBox_.add(mode ? modeEntryLabel(*mode) : std::string());
    }
    // The stored mode position is kept when this device has that many modes; it is the stored one,
    // not the one picked on the previous device.
    if (settings_.modeIndex >= modeBox_.count()) settings_.modeIndex = 0;
    modeBox_.select(settings_.modeIndex);
}

void SettingsForm::ComboBox1Change() { selectionChanged_ = true; }

void SettingsForm::BitBtn1Click() {
    runDesktopChoice();
    selectionChanged_ = true;
    // When the choice finds nothing the boxes return to the stored positions.
    if (deviceList.count == 0) return;
    selectStoredDevice();
}

void SettingsForm::BitBtn7Click() {
    // The file is closed before the screensaver starts, so the preview shows the window's options.
    save();
    services_.shellOpen(services_.windowsDirectory() + kPreviewFile);
}

void SettingsForm::BitBtn8Click() { FormClose(); }

void SettingsForm::FormClose() {
    if (closed_) return;
    save();
    closed_ = true;
}

void SettingsForm::userPicksDevice(int position) {
    if (!deviceBox_.enabled() || position < 0 || position >= deviceBox_.count()) return;
    if (position == deviceBox_.selected()) return;
    deviceBox_.select(position);
    ComboBox1Click();
    ComboBox1Change();
}

void SettingsForm::userPicksMode(int position) {
    if (!modeBox_.enabled() || position < 0 || position >= modeBox_.count()) return;
    if (position == modeBox_.selected()) return;
    modeBox_.select(position);
    ComboBox1Change();
}

void SettingsForm::userPicksDetail(int position) {
    if (position < 0 || position >= detailBox_.count()) return;
    detailBox_.select(position);
}

void SettingsForm::runDesktopChoice() {
    int width = 0, height = 0;
    services_.desktopSize(width, height);
    services_.chooseDesktopMode(settings_, width, height);
}

void SettingsForm::selectStoredDevice() {
    if (settings_.deviceIndex < 0 || settings_.deviceIndex >= deviceList.count) {
        // The stored device is no longer listed (an adapter was removed, or the file was written
        // when no device could be listed): choose as on a first start, and take the first device
        // when the desktop matches none. The screensaver makes the same repair for a bad mode.
        runDesktopChoice();
        if (settings_.deviceIndex < 0 || settings_.deviceIndex >= deviceList.count) {
            settings_.deviceIndex = 0;
            if (settings_.modeIndex < 0) settings_.modeIndex = 0;
        }
    }
    deviceBox_.select(settings_.deviceIndex);
    ComboBox1Click();
}

void SettingsForm::save() { saveConfigSettings(settings_, *this, services_.settingsPath); }
