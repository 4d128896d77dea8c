// The configure dialog as an FLTK window (linked only into the program): modal, captioned
// "About Vorel Saver", a picture drawn by the program, "Configure screensaver" and "Close".
// Made transient for the owner window when there is one. Answers kAboutClosed.
#pragma once

#include "platform/win/wintypes.h"

int showAboutDialogFltk(HWND owner);
