// The 3D device on the back buffer: depth buffer, device, viewport, texture format, defaults.
#include "common/device_list.h"
#include "common/settings.h"
#include "saver/display/device_defaults.h"
#include "saver/display/display_objects.h"
#include "saver/display/display_setup.h"
#include "saver/display/texture_format.h"

namespace {

HRESULT queryDirect3D(IDirectDraw7* directDraw, IDirect3D7** out) {
    void* d3d = nullptr;
    const HRESULT hr = directDraw->QueryInterface(IID_IDirect3D7, &d3d);
    *out = static_cast<IDirect3D7*>(d3d);
    return hr;
}

Direct3DSource g_direct3DSource = queryDirect3D;

struct ZSearch {
    bool found = false;
    DDPIXELFORMAT format{};
};

// The first depth format without a stencil part.
HRESULT onZFormat(DDPIXELFORMAT* format, void* context) {
    auto* search = static_cast<ZSearch*>(context);
    if (!format || format->dwFlags != DDPF_ZBUFFER) return D3DENUMRET_OK;
    search->format = *format;
    search->found = true;
    return D3DENUMRET_CANCEL;
}

// The chosen device and mode, with out-of-range positions corrected to 0 in the settings.
bool chosenDeviceAndMode(const DeviceInfo** device, const DisplayMode** mode) {
    if (g_settings.deviceIndex < 0 || g_settings.deviceIndex >= deviceList.count) g_settings.deviceIndex = 0;
    *device = deviceAt(g_settings.deviceIndex);
    if (!*device) return false;
    if (g_settings.modeIndex < 0 || g_settings.modeIndex >= (*device)->modeCount) g_settings.modeIndex = 0;
    *mode = (*device)->mode(g_settings.modeIndex);
    return *mode != nullptr;
}

HRESULT makeDepthBuffer(const DeviceInfo& device, const DisplayMode& mode) {
    ZSearch search;
    g_display.direct3D->EnumZBufferFormats(device.deviceGuid, onZFormat, &search);
    if (!search.found) return E_FAIL;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(mode.width());
    desc.dwHeight = static_cast<DWORD>(mode.height());
    desc.ddpfPixelFormat = search.format;
    desc.ddsCaps.dwCaps = DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY;
    HRESULT hr = g_display.directDraw->CreateSurface(&desc, &g_display.zBuffer, nullptr);
    if (FAILED(hr)) return hr;
    return g_display.backBuffer->AddAttachedSurface(g_display.zBuffer);
}

}  // namespace

void setDirect3DSource(Direct3DSource source) { g_direct3DSource = source ? source : queryDirect3D; }

HRESULT create3DDevice() {
    if (!g_display.directDraw || !g_display.backBuffer) return E_FAIL;
    HRESULT hr = g_direct3DSource(g_display.directDraw, &g_display.direct3D);
    if (FAILED(hr) || !g_display.direct3D) return FAILED(hr) ? hr : E_FAIL;
    const DeviceInfo* device = nullptr;
    const DisplayMode* mode = nullptr;
    if (!chosenDeviceAndMode(&device, &mode)) return E_FAIL;
    hr = makeDepthBuffer(*device, *mode);
    if (FAILED(hr)) return hr;
    hr = g_display.direct3D->CreateDevice(device->deviceGuid, g_display.backBuffer, &g_display.device);
    if (FAILED(hr) || !g_display.device) return FAILED(hr) ? hr : E_FAIL;
    D3DVIEWPORT7 viewport{0, 0, static_cast<DWORD>(mode->width()), static_cast<DWORD>(mode->height()), 0.0f, 1.0f};
    const HRESULT viewportResult = g_display.device->SetViewport(&viewport);
    chooseAlphaTextureFormat(g_display.device);
    if (FAILED(viewportResult)) return viewportResult;
    applyDefaultStates(g_display.device);
    return S_OK;
}
