#include "saver/display/display_objects.h"

#include "saver/display/release_hooks.h"

DisplayObjects g_display;

void resetDisplayObjects() { g_display = DisplayObjects{}; }

DisplayHooks& displayHooks() {
    static DisplayHooks hooks;
    return hooks;
}
