// Recorded frames: the recording device and the replay onto another device.
#include "tools/vorel_bench/frame_recording.h"

#include <algorithm>
#include <array>

#include "platform/d3d/counted.h"
#include "platform/d3d/device_state.h"
#include "platform/d3d/sphere_visibility.h"

namespace bench {

namespace {

using Kind = RecordedCall::Kind;

class RecordingDevice final : public platform::d3d::Counted<IDirect3DDevice7> {
public:
    explicit RecordingDevice(Recording* r) : r_(r), state_(platform::d3d::defaultDeviceState(true, 1, 1)) {}

    HRESULT GetCaps(D3DDEVICEDESC7* desc) override { return desc ? (*desc = {}, D3D_OK) : DDERR_INVALIDPARAMS; }
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK, void*) override { return D3D_OK; }
    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT Clear(DWORD, D3DRECT*, DWORD flags, D3DCOLOR color, float z, DWORD) override {
        RecordedCall c{Kind::Clear};
        c.a = flags, c.b = color, c.z = z;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* m) override {
        D3DMATRIX* slot = transformSlot(type);
        if (!slot || !m) return DDERR_INVALIDPARAMS;
        *slot = *m;
        RecordedCall c{Kind::Transform};
        c.a = DWORD(type), c.matrix = *m;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* m) override {
        D3DMATRIX* slot = transformSlot(type);
        if (!slot || !m) return DDERR_INVALIDPARAMS;
        *m = *slot;
        return D3D_OK;
    }
    HRESULT SetViewport(D3DVIEWPORT7* vp) override { return vp ? (state_.viewport = *vp, D3D_OK) : DDERR_INVALIDPARAMS; }
    HRESULT GetViewport(D3DVIEWPORT7* vp) override { return vp ? (*vp = state_.viewport, D3D_OK) : DDERR_INVALIDPARAMS; }
    HRESULT SetMaterial(D3DMATERIAL7* m) override {
        if (!m) return DDERR_INVALIDPARAMS;
        state_.material = *m;
        RecordedCall c{Kind::Material};
        c.material = *m;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT GetMaterial(D3DMATERIAL7* m) override { return m ? (*m = state_.material, D3D_OK) : DDERR_INVALIDPARAMS; }
    HRESULT SetLight(DWORD index, D3DLIGHT7* l) override {
        if (index >= platform::d3d::kMaxLights || !l) return DDERR_INVALIDPARAMS;
        state_.lights[index].light = *l;
        state_.lights[index].set = true;
        RecordedCall c{Kind::Light};
        c.a = index, c.light = *l;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT GetLight(DWORD index, D3DLIGHT7* l) override {
        if (index >= platform::d3d::kMaxLights || !l) return DDERR_INVALIDPARAMS;
        *l = state_.lights[index].light;
        return D3D_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD v) override {
        if (s >= D3DRENDERSTATE_COUNT) return DDERR_INVALIDPARAMS;
        state_.render[s] = v;
        RecordedCall c{Kind::RenderState};
        c.a = DWORD(s), c.b = v;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* v) override {
        if (s >= D3DRENDERSTATE_COUNT || !v) return DDERR_INVALIDPARAMS;
        *v = state_.render[s];
        return D3D_OK;
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD format, void* vertices, DWORD count, DWORD) override {
        if (format != D3DFVF_VERTEX || (count > 0 && !vertices)) return DDERR_INVALIDPARAMS;
        RecordedCall c{Kind::Draw};
        c.primitive = type;
        c.firstVertex = r_->vertices.size();
        c.vertexCount = count;
        const auto* v = static_cast<const D3DVERTEX*>(vertices);
        r_->vertices.insert(r_->vertices.end(), v, v + count);
        r_->calls.push_back(c);
        return D3D_OK;
    }
    // Answered as the software device answers, so a recorded frame culls what the device's culls.
    HRESULT ComputeSphereVisibility(D3DVECTOR* centres, float* radii, DWORD count, DWORD, DWORD* results) override {
        return platform::d3d::sphereVisibilities(state_.world, state_.view, state_.projection, centres, radii, count,
                                                 results)
                   ? D3D_OK
                   : DDERR_INVALIDPARAMS;
    }
    HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** t) override {
        if (stage >= D3DMAX_TEXTURESTAGES || !t) return DDERR_INVALIDPARAMS;
        *t = textures_[stage];
        if (*t) (*t)->AddRef();
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* t) override {
        if (stage >= D3DMAX_TEXTURESTAGES) return DDERR_INVALIDPARAMS;
        textures_[stage] = t;
        RecordedCall c{Kind::Texture};
        c.a = stage, c.texture = t;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* v) override {
        if (stage >= D3DMAX_TEXTURESTAGES || type >= D3DTSS_COUNT || !v) return DDERR_INVALIDPARAMS;
        *v = state_.stage[stage][type];
        return D3D_OK;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD v) override {
        if (stage >= D3DMAX_TEXTURESTAGES || type >= D3DTSS_COUNT) return DDERR_INVALIDPARAMS;
        state_.stage[stage][type] = v;
        RecordedCall c{Kind::StageState};
        c.a = stage, c.b = DWORD(type), c.c = v;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT LightEnable(DWORD index, BOOL enable) override {
        if (index >= platform::d3d::kMaxLights) return DDERR_INVALIDPARAMS;
        state_.lights[index].enabled = enable != FALSE;
        RecordedCall c{Kind::LightEnable};
        c.a = index, c.b = enable ? 1 : 0;
        r_->calls.push_back(c);
        return D3D_OK;
    }
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override {
        if (index >= platform::d3d::kMaxLights || !enable) return DDERR_INVALIDPARAMS;
        *enable = state_.lights[index].enabled;
        return D3D_OK;
    }

private:
    ~RecordingDevice() override = default;
    D3DMATRIX* transformSlot(D3DTRANSFORMSTATETYPE type) {
        switch (type) {
            case D3DTRANSFORMSTATE_WORLD: return &state_.world;
            case D3DTRANSFORMSTATE_VIEW: return &state_.view;
            case D3DTRANSFORMSTATE_PROJECTION: return &state_.projection;
            default: return nullptr;
        }
    }

    Recording* r_;
    platform::d3d::DeviceState state_;
    std::array<IDirectDrawSurface7*, D3DMAX_TEXTURESTAGES> textures_{};
};

}  // namespace

std::vector<IDirectDrawSurface7*> Recording::textures() const {
    std::vector<IDirectDrawSurface7*> out;
    for (const RecordedCall& c : calls)
        if (c.kind == Kind::Texture && c.texture && std::find(out.begin(), out.end(), c.texture) == out.end())
            out.push_back(c.texture);
    return out;
}

IDirect3DDevice7* makeRecordingDevice(Recording* recording) { return new RecordingDevice(recording); }

void copyDeviceState(IDirect3DDevice7* from, IDirect3DDevice7* to) {
    for (DWORD rs = 0; rs < D3DRENDERSTATE_COUNT; ++rs) {
        DWORD v = 0;
        if (from->GetRenderState(D3DRENDERSTATETYPE(rs), &v) == D3D_OK) to->SetRenderState(D3DRENDERSTATETYPE(rs), v);
    }
    for (DWORD stage = 0; stage < D3DMAX_TEXTURESTAGES; ++stage)
        for (DWORD type = 1; type < D3DTSS_COUNT; ++type) {
            DWORD v = 0;
            const auto t = D3DTEXTURESTAGESTATETYPE(type);
            if (from->GetTextureStageState(stage, t, &v) == D3D_OK) to->SetTextureStageState(stage, t, v);
        }
    for (auto type : {D3DTRANSFORMSTATE_WORLD, D3DTRANSFORMSTATE_VIEW, D3DTRANSFORMSTATE_PROJECTION}) {
        D3DMATRIX m{};
        if (from->GetTransform(type, &m) == D3D_OK) to->SetTransform(type, &m);
    }
    D3DVIEWPORT7 vp{};
    if (from->GetViewport(&vp) == D3D_OK) to->SetViewport(&vp);
    D3DMATERIAL7 material{};
    if (from->GetMaterial(&material) == D3D_OK) to->SetMaterial(&material);
    for (DWORD i = 0; i < platform::d3d::kMaxLights; ++i) {
        D3DLIGHT7 light{};
        BOOL on = FALSE;
        if (from->GetLight(i, &light) == D3D_OK) to->SetLight(i, &light);
        if (from->GetLightEnable(i, &on) == D3D_OK) to->LightEnable(i, on);
    }
    IDirectDrawSurface7* texture = nullptr;
    if (from->GetTexture(0, &texture) == D3D_OK) {
        to->SetTexture(0, texture);
        if (texture) texture->Release();
    }
}

void replay(const Recording& r, IDirect3DDevice7* d) {
    for (const RecordedCall& c : r.calls) {
        switch (c.kind) {
            case Kind::RenderState: d->SetRenderState(D3DRENDERSTATETYPE(c.a), c.b); break;
            case Kind::StageState: d->SetTextureStageState(c.a, D3DTEXTURESTAGESTATETYPE(c.b), c.c); break;
            case Kind::Transform: d->SetTransform(D3DTRANSFORMSTATETYPE(c.a), const_cast<D3DMATRIX*>(&c.matrix)); break;
            case Kind::Material: d->SetMaterial(const_cast<D3DMATERIAL7*>(&c.material)); break;
            case Kind::Light: d->SetLight(c.a, const_cast<D3DLIGHT7*>(&c.light)); break;
            case Kind::LightEnable: d->LightEnable(c.a, c.b); break;
            case Kind::Texture: d->SetTexture(c.a, c.texture); break;
            case Kind::Clear: d->Clear(0, nullptr, c.a, c.b, c.z, 0); break;
            case Kind::Draw:
                d->DrawPrimitive(c.primitive, D3DFVF_VERTEX,
                                 c.vertexCount ? const_cast<D3DVERTEX*>(&r.vertices[c.firstVertex]) : nullptr,
                                 DWORD(c.vertexCount), 0);
                break;
        }
    }
}

}  // namespace bench
