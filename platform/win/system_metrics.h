// GetSystemMetrics: the desktop size (SM_CXSCREEN, SM_CYSCREEN) from the backend: the X screen's
// size, or VOREL_SCREEN (default 1024x768) on the headless screen. Other indices answer 0.
#pragma once

#include "platform/win/wintypes.h"

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

int GetSystemMetrics(int index);
