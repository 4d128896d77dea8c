// DirectDrawCreateEx and DirectDrawEnumerateExA: the one primary display driver.
#include "platform/backend/bridge.h"
#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/direct_draw.h"
#include "platform/ddraw/display_control.h"

HRESULT DirectDrawCreateEx(GUID* driverGuid, void** out, REFIID iid, IUnknown* outer) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (driverGuid || outer || !(iid == IID_IDirectDraw7)) return DDERR_INVALIDPARAMS;
    // Display events reach the layer from the first DirectDraw object on.
    platform::bridge::setDisplayListener(platform::ddraw::onDisplayEvent);
    *out = static_cast<IDirectDraw7*>(new platform::ddraw::DirectDraw());
    return DD_OK;
}

HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, void* context, DWORD) {
    if (!callback) return DDERR_INVALIDPARAMS;
    char description[] = "Vorel display";
    char name[] = "display";
    callback(nullptr, description, name, context, nullptr);
    return DD_OK;
}
