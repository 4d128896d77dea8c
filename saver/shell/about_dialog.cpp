#include "saver/shell/about_dialog.h"

#include <string>

#include "platform/backend/backend.h"
#include "platform/win/clock.h"
#include "platform/win/directories.h"
#include "platform/win/scripted_input.h"
#include "platform/win/shell_open.h"
#include "platform/win/window.h"

HWND chooseDialogOwner(const RunMode& mode) {
    if (mode.noSwitch) return nullptr;
    HWND given = handleFromNumber(mode.handle);
    if (mode.hasHandle && IsWindow(given)) return given;
    return GetForegroundWindow();
}

bool startConfigurationProgram(HWND owner) {
    char folder[MAX_PATH];
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return false;
    std::string path = std::string(folder) + "\\vorel_config.exe";
    HINSTANCE started = ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<uintptr_t>(started) > 32;
}

int showAboutDialog(HWND owner, AboutDialogView displayView) {
    if (platform::backend::current().headless() || !displayView) return runScriptedAboutDialog(owner);
    return displayView(owner);
}

int runScriptedAboutDialog(HWND owner) {
    uint64_t when = 0;
    while (platform::nextScriptedTimeMs(&when)) {
        uint64_t nowMs = platform::clockMicros() / 1000;
        if (when > nowMs) {
            if (platform::virtualClock())
                platform::advanceVirtualClockTo(when * 1000);
            else
                Sleep(static_cast<DWORD>(when - nowMs));
        }
        for (const platform::ScriptedEvent& e : platform::takeScriptedEvents(platform::clockMicros() / 1000)) {
            if (e.kind != platform::ScriptedKind::Key) continue;
            if (e.a == 'C') startConfigurationProgram(owner);
            if (e.a == 13 || e.a == 27) return kAboutClosed;
        }
    }
    return kAboutClosed;
}
