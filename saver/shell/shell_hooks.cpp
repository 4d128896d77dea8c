#include "saver/shell/shell_hooks.h"

namespace shell_hooks {
namespace {
Hook g_showDesktopSurface = nullptr;
}

void setShowDesktopSurface(Hook hook) { g_showDesktopSurface = hook; }

void showDesktopSurface() {
    if (g_showDesktopSurface) g_showDesktopSurface();
}

}  // namespace shell_hooks
