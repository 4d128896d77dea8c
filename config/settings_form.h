// SettingsForm: the logic of the settings window, without any toolkit.
//
// The form holds the state of the window's controls (device list ComboBox1, mode list ComboBox2,
// detail list ComboBox3, check boxes CheckBox9 "FPS On/Off" and CheckBox10 "Nucleotide transparency
// On/Off") and runs the window's events under their form names. A view (settings_window_fltk.cpp)
// draws the controls, forwards what the user does through the user* calls and mirrors the state
// back after each call. Setting a selection from code never raises an event.
//
// The form reads and writes the settings record it is given and the device list (`deviceList`),
// which FormCreate fills once through services.enumerate; the list's records stay owned by the
// device list. Everything the form needs of the platform comes through FormServices, so tests
// substitute the enumeration, the desktop size, the Windows directory and the shell.
//
// Failures are silent: a failed enumeration leaves the lists empty and disabled; a settings file
// that cannot be written or a preview that cannot start shows nothing.
#pragma once

#include <functional>
#include <string>

#include "common/settings.h"
#include "config/list_box.h"
#include "platform/win/wintypes.h"

struct FormServices {
    std::function<HRESULT()> enumerate;                            // fills deviceList
    std::function<void(Settings&, int, int)> chooseDesktopMode;    // settings, desktop width, height
    std::function<void(int& width, int& height)> desktopSize;
    std::function<std::string()> windowsDirectory;                 // without a trailing separator
    std::function<void(const std::string& path)> shellOpen;        // a path with '\' separators
    std::string settingsPath;

    // The real platform: enumerateAndSort, chooseDesktopMode, GetSystemMetrics,
    // GetWindowsDirectoryA, ShellExecuteA "open" with SW_SHOW, settingsFilePath().
    static FormServices platform();
};

class SettingsForm : public SettingsControls {
public:
    static constexpr const char* kCaption = "Vorel Saver setup";
    static constexpr const char* kPreviewFile = "\\Vorel_Saver.scr";

    SettingsForm(Settings& settings, FormServices services);

    // The window's events.
    void FormCreate();
    void ComboBox1Click();   // a device was selected: refill the mode list
    void ComboBox1Change();  // the device or the mode changed
    void BitBtn1Click();     // "Use desktop settings"
    void BitBtn7Click();     // "Preview"
    void BitBtn8Click();     // "Save and Exit"
    void FormClose();        // the window closes, however that happens: saves

    // What the user does; each raises the events the control would raise.
    void userPicksDevice(int position);
    void userPicksMode(int position);
    void userPicksDetail(int position);
    void userSetsFps(bool on) { fps_ = on; }
    void userSetsTransparency(bool on) { transparency_ = on; }

    const ListBox& deviceBox() const { return deviceBox_; }
    const ListBox& modeBox() const { return modeBox_; }
    const ListBox& detailBox() const { return detailBox_; }
    bool closed() const { return closed_; }

    // SettingsControls: what loading and saving the settings file read and set.
    bool fpsChecked() const override { return fps_; }
    void setFpsChecked(bool on) override { fps_ = on; }
    bool transparencyChecked() const override { return transparency_; }
    void setTransparencyChecked(bool on) override { transparency_ = on; }
    int detailSelection() const override { return detailBox_.selected(); }
    void setDetailSelection(int index) override { detailBox_.select(index); }
    int deviceSelection() const override { return deviceBox_.selected(); }
    int modeSelection() const override { return modeBox_.selected(); }
    bool selectionChanged() const override { return selectionChanged_; }

private:
    void runDesktopChoice();
    void selectStoredDevice();
    void save();

    Settings& settings_;
    FormServices services_;
    ListBox deviceBox_;  // ComboBox1
    ListBox modeBox_;    // ComboBox2
    ListBox detailBox_;  // ComboBox3
    bool fps_ = false;           // CheckBox9
    bool transparency_ = false;  // CheckBox10
    bool selectionChanged_ = false;
    bool closed_ = false;
};
