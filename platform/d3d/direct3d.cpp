// The Direct3D object of a DirectDraw object: one software device, its z-buffer formats, and
// device creation on a back buffer. It keeps no reference to the DirectDraw object.
#include <cstring>
#include <new>

#include "platform/d3d/counted.h"
#include "platform/d3d/software_device.h"
#include "platform/d3d/standard_formats.h"
#include "platform/ddraw/ddraw.h"

namespace platform::d3d {

namespace {

class Direct3D final : public Counted<IDirect3D7> {
public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IDirect3D7) {
            AddRef();
            *out = static_cast<IDirect3D7*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) override {
        if (!callback) return DDERR_INVALIDPARAMS;
        char description[64];
        char name[64];
        std::strncpy(description, kSoftwareDeviceDescription, sizeof description - 1);
        description[sizeof description - 1] = 0;
        std::strncpy(name, kSoftwareDeviceName, sizeof name - 1);
        name[sizeof name - 1] = 0;
        D3DDEVICEDESC7 desc = softwareDeviceDesc();
        callback(description, name, &desc, context);
        return D3D_OK;
    }

    HRESULT CreateDevice(REFCLSID guid, IDirectDrawSurface7* target, IDirect3DDevice7** out) override {
        if (out) *out = nullptr;
        if (!(guid == IID_IDirect3DRGBDevice)) return DDERR_INVALIDPARAMS;
        return createSoftwareDevice(target, out);
    }

    HRESULT EnumZBufferFormats(REFCLSID guid, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override {
        if (!callback || !(guid == IID_IDirect3DRGBDevice)) return DDERR_INVALIDPARAMS;
        for (DDPIXELFORMAT f : zBufferFormats())
            if (callback(&f, context) == D3DENUMRET_CANCEL) break;
        return D3D_OK;
    }

private:
    ~Direct3D() override = default;
};

}  // namespace

}  // namespace platform::d3d

HRESULT CreateDirect3DForDirectDraw(IDirectDraw7*, IDirect3D7** out) {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) platform::d3d::Direct3D();
    return *out ? S_OK : E_OUTOFMEMORY;
}
