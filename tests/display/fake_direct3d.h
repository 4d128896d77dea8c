// A Direct3D interface for the display set-up tests: it offers the depth and texture formats a test
// chooses and hands out one recording device (tests/support) whose calls the test inspects.
// Counted: the test keeps the objects alive on its stack and checks what was released.
#pragma once

#include <vector>

#include "platform/ddraw/ddraw.h"
#include "tests/support/recording_device.h"

class FakeDevice : public RecordingDevice {
public:
    std::vector<DDPIXELFORMAT> textureFormats;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
    D3DVIEWPORT7 viewport{};
    HRESULT viewportResult = S_OK;
    HRESULT beginSceneResult = S_OK;
    int clears = 0, begins = 0, ends = 0, releases = 0;
    DWORD lastClearFlags = 0;
    float lastClearZ = -1.0f;

    ULONG Release() override { return static_cast<ULONG>(++releases); }
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK cb, void* ctx) override {
        for (DDPIXELFORMAT f : textureFormats)
            if (cb(&f, ctx) == D3DENUMRET_CANCEL) break;
        return S_OK;
    }
    HRESULT SetViewport(D3DVIEWPORT7* v) override {
        if (v) viewport = *v;
        return viewportResult;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
        stageStates[{stage, type}] = value;
        return S_OK;
    }
    HRESULT BeginScene() override {
        ++begins;
        return beginSceneResult;
    }
    HRESULT EndScene() override {
        ++ends;
        return S_OK;
    }
    HRESULT Clear(DWORD, D3DRECT*, DWORD flags, D3DCOLOR, float z, DWORD) override {
        ++clears;
        lastClearFlags = flags;
        lastClearZ = z;
        return S_OK;
    }
};

class FakeDirect3D : public IDirect3D7 {
public:
    std::vector<DDPIXELFORMAT> zFormats;
    FakeDevice* device = nullptr;
    HRESULT createResult = S_OK;
    IDirectDrawSurface7* target = nullptr;
    GUID requested{};
    int releases = 0;

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return static_cast<ULONG>(++releases); }
    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7, void*) override { return S_OK; }
    HRESULT CreateDevice(REFCLSID guid, IDirectDrawSurface7* surface, IDirect3DDevice7** out) override {
        requested = guid;
        target = surface;
        if (FAILED(createResult)) return createResult;
        *out = device;
        return S_OK;
    }
    HRESULT EnumZBufferFormats(REFCLSID, LPD3DENUMPIXELFORMATSCALLBACK cb, void* ctx) override {
        for (DDPIXELFORMAT f : zFormats)
            if (cb(&f, ctx) == D3DENUMRET_CANCEL) break;
        return S_OK;
    }
};
