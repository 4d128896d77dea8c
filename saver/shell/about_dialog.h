// The configure dialog ("About Vorel Saver"), toolkit-free part.
//
// The dialog is modal and has two buttons: "Configure screensaver" starts the configuration program
// (the Windows directory followed by "\vorel_config.exe", through ShellExecuteA "open", shown
// normally; the dialog stays open, and a program that cannot be started changes nothing visible),
// and "Close", which ends the dialog with kAboutClosed. On a real display the dialog is an FLTK
// window (about_dialog_fltk.h), passed in by the program; on the headless screen it is driven by
// VOREL_INPUT instead: key 67 ('C') presses "Configure screensaver", key 13 or 27 presses "Close",
// other events are ignored, and the dialog closes when the script has nothing more for it.
#pragma once

#include "platform/win/wintypes.h"
#include "saver/shell/run_mode.h"

constexpr const char* kAboutCaption = "About Vorel Saver";
constexpr const char* kConfigureButton = "Configure screensaver";
constexpr const char* kCloseButton = "Close";
constexpr int kAboutClosed = 1;

// The dialog's owner for a configure run: none for an empty command line; the given handle when it
// names a window; else the foreground window.
HWND chooseDialogOwner(const RunMode& mode);

// Starts the configuration program; true when it was started.
bool startConfigurationProgram(HWND owner);

using AboutDialogView = int (*)(HWND owner);
// Shows the dialog with the view for this screen and answers its result.
int showAboutDialog(HWND owner, AboutDialogView displayView);
int runScriptedAboutDialog(HWND owner);
