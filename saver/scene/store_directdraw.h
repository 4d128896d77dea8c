// The DirectDraw object the stores use for lazy loads. The display set-up sets it when the
// DirectDraw object is made and clears it when the display is released; null means "no display
// yet", and surfaceAt then loads nothing. Not owned (no reference is held).
#pragma once

#include "platform/ddraw/ddraw.h"

IDirectDraw7* storeDirectDraw();
void setStoreDirectDraw(IDirectDraw7* directDraw);
