// A stand-in 3D device for tests of the story objects: it keeps every state it is given (render
// states, transforms, lights, material, texture) and records the calls that draw, so a test can
// ask what was drawn with which states. ComputeSphereVisibility answers from a fixed status the
// test chooses (0: visible). Nothing is rasterised. Not counted: AddRef/Release do nothing, the
// test owns the object on its stack.
#pragma once

#include <cstring>
#include <map>
#include <vector>

#include "platform/ddraw/ddraw.h"

struct RecordedDraw {
    D3DPRIMITIVETYPE type;
    DWORD vertexFormat;
    DWORD vertexCount;
    D3DMATRIX world;
    D3DMATERIAL7 material;
    IDirectDrawSurface7* texture;
    DWORD zWrite;
    DWORD alphaBlend;
    DWORD fog;
    DWORD ambient;
    std::vector<D3DVERTEX> vertices;
};

struct RecordedSphereTest {
    D3DVECTOR centre;
    float radius;
};

class RecordingDevice : public IDirect3DDevice7 {
public:
    RecordingDevice() {
        renderStates[D3DRENDERSTATE_ZWRITEENABLE] = 1;
        lightEnabled[0] = lightEnabled[1] = TRUE;
    }

    std::vector<RecordedDraw> draws;
    std::vector<RecordedSphereTest> sphereTests;
    std::vector<std::pair<D3DRENDERSTATETYPE, DWORD>> renderStateLog;
    std::map<DWORD, DWORD> renderStates;
    std::map<DWORD, D3DMATRIX> transforms;
    std::map<DWORD, D3DLIGHT7> lights;
    std::map<DWORD, BOOL> lightEnabled;
    D3DMATERIAL7 material{};
    IDirectDrawSurface7* texture = nullptr;
    DWORD visibilityStatus = 0;  // what ComputeSphereVisibility reports for every sphere
    int setLightCalls = 0;

    DWORD state(D3DRENDERSTATETYPE s) const {
        auto it = renderStates.find(s);
        return it == renderStates.end() ? 0 : it->second;
    }
    void clearLog() {
        draws.clear();
        sphereTests.clear();
        renderStateLog.clear();
    }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT GetCaps(D3DDEVICEDESC7*) override { return E_FAIL; }
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK, void*) override { return E_FAIL; }
    HRESULT BeginScene() override { return S_OK; }
    HRESULT EndScene() override { return S_OK; }
    HRESULT Clear(DWORD, D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override { return S_OK; }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* m) override {
        if (!m) return E_INVALIDARG;
        transforms[type] = *m;
        return S_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* m) override {
        if (!m || !transforms.count(type)) return E_FAIL;
        *m = transforms[type];
        return S_OK;
    }
    HRESULT SetViewport(D3DVIEWPORT7*) override { return S_OK; }
    HRESULT GetViewport(D3DVIEWPORT7*) override { return E_FAIL; }
    HRESULT SetMaterial(D3DMATERIAL7* m) override {
        if (!m) return E_INVALIDARG;
        material = *m;
        return S_OK;
    }
    HRESULT GetMaterial(D3DMATERIAL7* m) override {
        if (!m) return E_INVALIDARG;
        *m = material;
        return S_OK;
    }
    HRESULT SetLight(DWORD index, D3DLIGHT7* light) override {
        if (!light) return E_INVALIDARG;
        lights[index] = *light;
        ++setLightCalls;
        return S_OK;
    }
    HRESULT GetLight(DWORD index, D3DLIGHT7* light) override {
        if (!light || !lights.count(index)) return E_FAIL;
        *light = lights[index];
        return S_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD value) override {
        renderStates[s] = value;
        renderStateLog.emplace_back(s, value);
        return S_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* value) override {
        if (!value) return E_INVALIDARG;
        *value = state(s);
        return S_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, void* vertices, DWORD count, DWORD) override {
        RecordedDraw d{type, fvf, count, transforms[D3DTRANSFORMSTATE_WORLD], material, texture,
                       state(D3DRENDERSTATE_ZWRITEENABLE), state(D3DRENDERSTATE_ALPHABLENDENABLE),
                       state(D3DRENDERSTATE_FOGENABLE), state(D3DRENDERSTATE_AMBIENT), {}};
        if (vertices && fvf == D3DFVF_VERTEX) {
            const auto* v = static_cast<const D3DVERTEX*>(vertices);
            d.vertices.assign(v, v + count);
        }
        draws.push_back(std::move(d));
        return S_OK;
    }
    HRESULT ComputeSphereVisibility(D3DVECTOR* centres, float* radii, DWORD count, DWORD, DWORD* results) override {
        for (DWORD i = 0; i < count; ++i) {
            sphereTests.push_back({centres[i], radii[i]});
            results[i] = visibilityStatus;
        }
        return S_OK;
    }
    HRESULT GetTexture(DWORD, IDirectDrawSurface7** out) override {
        if (!out) return E_INVALIDARG;
        *out = texture;
        return S_OK;
    }
    HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* surface) override {
        if (stage == 0) texture = surface;
        return S_OK;
    }
    HRESULT GetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*) override { return E_FAIL; }
    HRESULT SetTextureStageState(DWORD, D3DTEXTURESTAGESTATETYPE, DWORD) override { return S_OK; }
    HRESULT LightEnable(DWORD index, BOOL enable) override {
        lightEnabled[index] = enable;
        return S_OK;
    }
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override {
        if (!enable) return E_INVALIDARG;
        *enable = lightEnabled[index];
        return S_OK;
    }
};
