// The program's entry: settings, run mode, and the run it selects. Answers the exit code: -1 for a
// malformed command line (before any window exists), for a preview handle that is not a window and
// for the change-password mode (Linux keeps no screen-saver password); 0 when a full-screen saver
// already runs (it is brought to the front); 0 after the configure dialog; otherwise the code of
// the message loop's quit message.
#pragma once

#include "saver/shell/about_dialog.h"

int runSaver(int argc, char** argv, AboutDialogView displayView);
