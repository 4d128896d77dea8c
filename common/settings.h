// The settings record and the file "vorel_settings.dat" shared by both programs.
//
// File: exactly 24 bytes, six signed 32-bit little-endian integers in the order of the record's
// fields, in the Windows directory (GetWindowsDirectoryA). The screensaver only reads it; the
// configuration program reads it when its window opens and writes it on Preview and on close.
// Failures are silent: a missing or short file leaves defaults; an unwritable folder writes nothing.
// The configuration program's save is atomic (a temporary file in the same folder, then rename), so
// an interrupted write never leaves a truncated file behind.
#pragma once

#include <cstdint>
#include <string>

struct Settings {
    int32_t fpsOn = 0;
    int32_t detailLevel = 0;
    int32_t transparencyOn = 0;
    int32_t modeChosen = 0;
    int32_t deviceIndex = 0;
    int32_t modeIndex = 0;
};

// The one process-wide record of each program.
extern Settings g_settings;

constexpr const char* kSettingsFileName = "vorel_settings.dat";

// Windows directory + "\vorel_settings.dat", as a native path.
std::string settingsFilePath();

// The screensaver's load: options and modeChosen to 0, then the file's fields in order; a field the
// file does not hold whole keeps its value.
void loadSaverSettings(Settings& settings, const std::string& path = settingsFilePath());

// What the configuration program's load and save need of its window: two check boxes, the detail
// list, the device and mode lists, and the selection-changed flag. Positions are -1 for "none".
class SettingsControls {
public:
    virtual ~SettingsControls() = default;
    virtual bool fpsChecked() const = 0;
    virtual void setFpsChecked(bool on) = 0;
    virtual bool transparencyChecked() const = 0;
    virtual void setTransparencyChecked(bool on) = 0;
    virtual int detailSelection() const = 0;         // 0..2 or -1
    virtual void setDetailSelection(int index) = 0;  // outside 0..2: no selection
    virtual int deviceSelection() const = 0;
    virtual int modeSelection() const = 0;
    virtual bool selectionChanged() const = 0;
};

// The configuration program's load: modeChosen := 0, then the options into the controls and the
// display fields into the record. A file shorter than 12 bytes keeps the defaults (the controls as
// they stand) for the option fields it lacks.
void loadConfigSettings(Settings& settings, SettingsControls& controls, const std::string& path = settingsFilePath());

// The configuration program's save. Returns true when the file was written. When the folder is not
// writable nothing changes (neither the file nor the record).
bool saveConfigSettings(Settings& settings, const SettingsControls& controls, const std::string& path = settingsFilePath());
