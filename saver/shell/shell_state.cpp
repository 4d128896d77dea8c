#include "saver/shell/shell_state.h"

ShellState g_shell;

void resetShellState() { g_shell = ShellState{}; }
