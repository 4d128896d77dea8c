// Process-wide display conditions of the DirectDraw layer and the calls tests make to force them.
//
// The backend reports display events through platform::bridge (Hidden, Shown, Taken, Given); the
// layer listens from the first DirectDrawCreateEx on. Hidden and Taken mark every surface of every
// DirectDraw object lost: Flip, Blt, BltFast, Lock and GetDC then answer DDERR_SURFACELOST until
// the surface is restored (Restore, RestoreAllSurfaces). While the display is taken,
// TestCooperativeLevel answers DDERR_NOEXCLUSIVEMODE and restoring answers DDERR_WRONGMODE.
//
// DDERR_WASSTILLDRAWING is never produced on its own: injectStillDrawing(n) makes the next n calls
// of Flip, of Blt/BltFast without their wait flag and of Lock without DDLOCK_WAIT answer it.
// Single-threaded, like the programs' UI thread.
#pragma once

#include "platform/backend/bridge.h"

namespace platform::ddraw {

void markAllSurfacesLost();
void injectStillDrawing(int times);
bool displayTaken();
// The layer's reaction to a display event (what the bridge listener calls).
void onDisplayEvent(platform::bridge::DisplayEvent event);
// Inside the layer: true (and one injection used up) when a call is to answer still drawing.
bool consumeStillDrawing();
// Forgets taken state and pending injections (tests).
void resetDisplayControl();

}  // namespace platform::ddraw
