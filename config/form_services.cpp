#include "common/enumeration.h"
#include "common/settings.h"
#include "config/settings_form.h"
#include "platform/win/directories.h"
#include "platform/win/shell_open.h"
#include "platform/win/system_metrics.h"

namespace {

std::string platformWindowsDirectory() {
    char dir[200] = {};
    UINT n = GetWindowsDirectoryA(dir, sizeof dir);
    return (n > 0 && n < sizeof dir) ? std::string(dir) : std::string(".");
}

void platformShellOpen(const std::string& path) {
    // The result is not looked at: a missing screensaver simply shows nothing.
    ShellExecuteA(nullptr, "open", platform::nativePath(path.c_str()).c_str(), nullptr, nullptr, SW_SHOW);
}

void platformDesktopSize(int& width, int& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

}  // namespace

FormServices FormServices::platform() {
    FormServices s;
    s.enumerate = enumerateAndSort;
    s.chooseDesktopMode = ::chooseDesktopMode;
    s.desktopSize = platformDesktopSize;
    s.windowsDirectory = platformWindowsDirectory;
    s.shellOpen = platformShellOpen;
    s.settingsPath = settingsFilePath();
    return s;
}
