// DirectDraw 7 and Direct3D 7 interfaces of the platform layer: the structures, flags, result
// codes and the abstract interfaces IDirectDraw7, IDirectDrawSurface7, IDirect3D7 and
// IDirect3DDevice7 that the programs call.
//
// Conventions: surfaces are memory with a pitch in bytes; pixel formats are described by
// DDPIXELFORMAT masks (R5G6B5 and X8R8G8B8 for displays, A8R8G8B8 and A4R4G4B4 for textures,
// 16/32-bit and 24+8 z formats). Result codes are the Windows values (DDERR_SURFACELOST
// 0x887601C2, DDERR_WASSTILLDRAWING 0x8876021C). Objects are counted (AddRef/Release); an object
// handed out through an out-parameter carries one reference for the caller.
// The DirectDraw objects are implemented in platform/ddraw, the 3D device in platform/d3d.
#pragma once

#include "platform/d3d/d3dtypes.h"
#include "platform/gdi/gdi.h"
#include "platform/win/wintypes.h"

// ---- result codes ------------------------------------------------------------------------------
constexpr HRESULT DD_OK = 0;
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
constexpr HRESULT DDERR_CANNOTATTACHSURFACE = static_cast<HRESULT>(0x8876006Eu);
constexpr HRESULT DDERR_CANNOTDETACHSURFACE = static_cast<HRESULT>(0x88760070u);
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x88760078u);
constexpr HRESULT DDERR_INVALIDOBJECT = static_cast<HRESULT>(0x88760082u);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091u);
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096u);
constexpr HRESULT DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x887600B4u);
constexpr HRESULT DDERR_NOCOLORKEY = static_cast<HRESULT>(0x887600D7u);
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT DDERR_SURFACEALREADYATTACHED = static_cast<HRESULT>(0x8876019Au);
constexpr HRESULT DDERR_SURFACENOTATTACHED = static_cast<HRESULT>(0x887601A4u);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AEu);
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT DDERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);
constexpr HRESULT DDERR_CANTCREATEDC = static_cast<HRESULT>(0x8876023Au);
constexpr HRESULT DDERR_EXCLUSIVEMODEALREADYSET = static_cast<HRESULT>(0x88760245u);
constexpr HRESULT DDERR_WRONGMODE = static_cast<HRESULT>(0x8876024Bu);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = static_cast<HRESULT>(0x887602E1u);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x887602E6u);
constexpr HRESULT DDERR_NODC = static_cast<HRESULT>(0x8876023Bu);
constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x887602F4u);  // used by the 3D device
constexpr HRESULT D3DERR_SCENE_IN_SCENE = static_cast<HRESULT>(0x88760BB4u);
constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = static_cast<HRESULT>(0x88760BB5u);

// ---- pixel formats and capabilities ------------------------------------------------------------
constexpr DWORD DDPF_ALPHAPIXELS = 0x00000001;
constexpr DWORD DDPF_ALPHA = 0x00000002;
constexpr DWORD DDPF_FOURCC = 0x00000004;
constexpr DWORD DDPF_PALETTEINDEXED8 = 0x00000020;
constexpr DWORD DDPF_RGB = 0x00000040;
constexpr DWORD DDPF_ZBUFFER = 0x00000400;
constexpr DWORD DDPF_STENCILBUFFER = 0x00004000;
constexpr DWORD DDPF_LUMINANCE = 0x00020000;
constexpr DWORD DDPF_BUMPLUMINANCE = 0x00040000;
constexpr DWORD DDPF_BUMPDUDV = 0x00080000;

struct DDPIXELFORMAT {
    DWORD dwSize;  // 32
    DWORD dwFlags;
    DWORD dwFourCC;
    union {
        DWORD dwRGBBitCount;
        DWORD dwZBufferBitDepth;
    };
    union {
        DWORD dwRBitMask;
        DWORD dwStencilBitDepth;
    };
    union {
        DWORD dwGBitMask;
        DWORD dwZBitMask;
    };
    union {
        DWORD dwBBitMask;
        DWORD dwStencilBitMask;
    };
    union {
        DWORD dwRGBAlphaBitMask;
        DWORD dwRGBZBitMask;
    };
};
static_assert(sizeof(DDPIXELFORMAT) == 32);

constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
constexpr DWORD DDSCAPS_FLIP = 0x00000010;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_TEXTURE = 0x00001000;
constexpr DWORD DDSCAPS_3DDEVICE = 0x00002000;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;
constexpr DWORD DDSCAPS_ZBUFFER = 0x00020000;
constexpr DWORD DDSCAPS2_STEREOSURFACELEFT = 0x00080000;

struct DDSCAPS2 {
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCaps3;
    DWORD dwCaps4;
};

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
constexpr DWORD DDSD_ZBUFFERBITDEPTH = 0x00000040;
constexpr DWORD DDSD_LPSURFACE = 0x00000800;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;
constexpr DWORD DDSD_CKSRCBLT = 0x00010000;
constexpr DWORD DDSD_REFRESHRATE = 0x00040000;

struct DDSURFACEDESC2 {
    DWORD dwSize;  // set to sizeof(DDSURFACEDESC2); the programs' 124 is accepted too
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;  // bytes per row
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    void* lpSurface;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS2 ddsCaps;
    DWORD dwTextureStage;
};

constexpr DWORD DDCAPS2_CANRENDERWINDOWED = 0x00080000;
struct DDCAPS {
    DWORD dwSize;  // 380 on Windows; any value is accepted
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCKeyCaps;
    DWORD dwFXCaps;
    DWORD dwVidMemTotal;
    DWORD dwVidMemFree;
    DDSCAPS2 ddsCaps;
};

// ---- flags of the calls ------------------------------------------------------------------------
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x00000002;
constexpr DWORD DDSCL_NOWINDOWCHANGES = 0x00000004;
constexpr DWORD DDSCL_NORMAL = 0x00000008;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;

constexpr DWORD DDBLT_COLORFILL = 0x00000400;
constexpr DWORD DDBLT_KEYSRC = 0x00008000;
constexpr DWORD DDBLT_KEYSRCOVERRIDE = 0x00010000;
constexpr DWORD DDBLT_ROP = 0x00020000;
constexpr DWORD DDBLT_WAIT = 0x01000000;

constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x00000000;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x00000001;
constexpr DWORD DDBLTFAST_DESTCOLORKEY = 0x00000002;
constexpr DWORD DDBLTFAST_WAIT = 0x00000010;

constexpr DWORD DDFLIP_WAIT = 0x00000001;
constexpr DWORD DDLOCK_SURFACEMEMORYPTR = 0x00000000;
constexpr DWORD DDLOCK_WAIT = 0x00000001;
constexpr DWORD DDLOCK_READONLY = 0x00000010;
constexpr DWORD DDLOCK_WRITEONLY = 0x00000020;

constexpr DWORD DDCKEY_DESTBLT = 0x00000002;
constexpr DWORD DDCKEY_SRCBLT = 0x00000008;

constexpr DWORD DDENUM_ATTACHEDSECONDARYDEVICES = 0x00000001;
constexpr DWORD DDENUM_DETACHEDSECONDARYDEVICES = 0x00000002;
constexpr DWORD DDENUM_NONDISPLAYDEVICES = 0x00000004;
constexpr HRESULT DDENUMRET_CANCEL = 0;
constexpr HRESULT DDENUMRET_OK = 1;

// Raster operations used with blits (SRCCOPY comes with the GDI declarations).
constexpr DWORD SRCPAINT = 0x00EE0086;  // OR

struct DDBLTFX {
    DWORD dwSize;
    DWORD dwROP;
    DWORD dwFillColor;
    DDCOLORKEY ddckSrcColorkey;
    DDCOLORKEY ddckDestColorkey;
};

// ---- interfaces --------------------------------------------------------------------------------
struct IDirectDrawSurface7;
struct IDirect3DDevice7;

inline constexpr GUID IID_IDirectDraw7 = {0x15E65EC0, 0x3B9C, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};
inline constexpr GUID IID_IDirectDrawSurface7 = {0x06675A80, 0x3B9B, 0x11D2, {0xB9, 0x2F, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

using LPDDENUMSURFACESCALLBACK7 = HRESULT (*)(IDirectDrawSurface7*, DDSURFACEDESC2*, void*);
using LPDDENUMMODESCALLBACK2 = HRESULT (*)(DDSURFACEDESC2*, void*);
using LPDDENUMCALLBACKEXA = BOOL (*)(GUID*, char* description, char* name, void* context, HMONITOR);
using LPD3DENUMDEVICESCALLBACK7 = HRESULT (*)(char* description, char* name, D3DDEVICEDESC7*, void*);
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(DDPIXELFORMAT*, void*);

struct IDirectDrawSurface7 : IUnknown {
    virtual HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) = 0;
    virtual HRESULT Blt(RECT* destRect, IDirectDrawSurface7* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) = 0;
    virtual HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* sourceRect, DWORD trans) = 0;
    virtual HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface7* surface) = 0;
    virtual HRESULT Flip(IDirectDrawSurface7* target, DWORD flags) = 0;
    virtual HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) = 0;
    virtual HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
    virtual HRESULT GetDC(HDC* dc) = 0;
    virtual HRESULT GetPixelFormat(DDPIXELFORMAT* format) = 0;
    virtual HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) = 0;
    virtual HRESULT IsLost() = 0;
    virtual HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) = 0;
    virtual HRESULT ReleaseDC(HDC dc) = 0;
    virtual HRESULT Restore() = 0;
    virtual HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
    virtual HRESULT Unlock(RECT* rect) = 0;
};

struct IDirectDraw7 : IUnknown {
    virtual HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer) = 0;
    virtual HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC2* filter, void* context, LPDDENUMMODESCALLBACK2 callback) = 0;
    virtual HRESULT FlipToGDISurface() = 0;
    virtual HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) = 0;
    virtual HRESULT GetDisplayMode(DDSURFACEDESC2* desc) = 0;
    virtual HRESULT RestoreDisplayMode() = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refreshRate, DWORD flags) = 0;
    virtual HRESULT RestoreAllSurfaces() = 0;
    virtual HRESULT TestCooperativeLevel() = 0;
};

struct IDirect3D7 : IUnknown {
    virtual HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) = 0;
    virtual HRESULT CreateDevice(REFCLSID deviceGuid, IDirectDrawSurface7* target, IDirect3DDevice7** out) = 0;
    virtual HRESULT EnumZBufferFormats(REFCLSID deviceGuid, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) = 0;
};

struct IDirect3DDevice7 : IUnknown {
    virtual HRESULT GetCaps(D3DDEVICEDESC7* desc) = 0;
    virtual HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) = 0;
    virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) = 0;
    virtual HRESULT SetViewport(D3DVIEWPORT7* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT7* viewport) = 0;
    virtual HRESULT SetMaterial(D3DMATERIAL7* material) = 0;
    virtual HRESULT GetMaterial(D3DMATERIAL7* material) = 0;
    virtual HRESULT SetLight(DWORD index, D3DLIGHT7* light) = 0;
    virtual HRESULT GetLight(DWORD index, D3DLIGHT7* light) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
    virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, void* vertices, DWORD vertexCount, DWORD flags) = 0;
    virtual HRESULT ComputeSphereVisibility(D3DVECTOR* centers, float* radii, DWORD count, DWORD flags, DWORD* results) = 0;
    virtual HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture) = 0;
    virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
    virtual HRESULT GetLightEnable(DWORD index, BOOL* enable) = 0;
};

// ---- entry points (platform/ddraw) -------------------------------------------------------------
// driverGuid null means the primary display driver. iid must be IID_IDirectDraw7.
HRESULT DirectDrawCreateEx(GUID* driverGuid, void** out, REFIID iid, IUnknown* outer);
HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, void* context, DWORD flags);

// ---- the hook between DirectDraw and the 3D device (platform/d3d) ------------------------------
// IDirectDraw7::QueryInterface(IID_IDirect3D7) calls this to make the Direct3D object of a
// DirectDraw object. Implemented by the 3D device; out gets one reference.
HRESULT CreateDirect3DForDirectDraw(IDirectDraw7* directDraw, IDirect3D7** out);
