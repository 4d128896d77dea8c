// The DirectDraw object the stores use for lazy loads.
#include "saver/scene/store_directdraw.h"

namespace {
IDirectDraw7* g_directDraw = nullptr;
}

IDirectDraw7* storeDirectDraw() { return g_directDraw; }

void setStoreDirectDraw(IDirectDraw7* directDraw) { g_directDraw = directDraw; }
