#include "platform/win/system_metrics.h"

#include "platform/backend/bridge.h"

int GetSystemMetrics(int index) {
    int w = 0, h = 0;
    platform::bridge::desktopSize(&w, &h);
    if (index == SM_CXSCREEN) return w;
    if (index == SM_CYSCREEN) return h;
    return 0;
}
