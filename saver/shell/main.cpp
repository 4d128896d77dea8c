// Vorel_Saver.scr: the screensaver program.
#include "saver/shell/about_dialog_fltk.h"
#include "saver/shell/run_saver.h"

int main(int argc, char** argv) { return runSaver(argc, argv, showAboutDialogFltk); }
