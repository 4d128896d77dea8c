#include "saver/shell/run_saver.h"

#include "common/settings.h"
#include "platform/win/window.h"
#include "saver/shell/run_mode.h"
#include "saver/shell/saver_window.h"

int runSaver(int argc, char** argv, AboutDialogView displayView) {
    loadSaverSettings(g_settings);
    RunMode mode = parseRunMode(joinArguments(argc, argv));
    switch (mode.kind) {
        case RunKind::FullScreen: return runFullScreen();
        case RunKind::Preview: {
            HWND parent = handleFromNumber(mode.handle);
            if (mode.handle == 0 || !IsWindow(parent)) return -1;
            return runPreview(parent);
        }
        case RunKind::Configure:
            showAboutDialog(chooseDialogOwner(mode), displayView);
            return 0;
        case RunKind::ChangePassword:
        case RunKind::Malformed: return -1;
    }
    return -1;
}
