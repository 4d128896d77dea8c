// Steps shared by the surface makers (inside saver/scene only).
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

namespace surface_loading {

// Writes the name to the missing-entry log, replacing what it held.
void logMissing(const char* name);
void discardTemporaryFiles();
// The entry's bitmap (null when missing, logged; or unreadable) and its size. The caller deletes
// the bitmap and discards the temporary files.
HBITMAP loadEntryBitmap(const char* name, int* width, int* height);
// A surface with the given caps and size, in `format` when given; null when refused.
IDirectDrawSurface7* createSurface(IDirectDraw7* directDraw, DWORD caps, int32_t width, int32_t height,
                                   const DDPIXELFORMAT* format);

}  // namespace surface_loading
