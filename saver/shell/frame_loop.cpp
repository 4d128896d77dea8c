// The frame loop: nothing to draw until the display exists.
#include "saver/shell/lifecycle.h"

LRESULT onTimerTick(HWND) { return 0; }
