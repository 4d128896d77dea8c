#include "saver/display/device_defaults.h"

#include <cfloat>
#include <cmath>

D3DMATRIX defaultProjection() {
    const float c = std::cos(0.375f) / std::sin(0.375f);
    const float q = 10000.0f / (10000.0f - 100.0f);
    D3DMATRIX m{};
    m.m[0][0] = 0.75f * c;
    m.m[1][1] = c;
    m.m[2][2] = q;
    m.m[2][3] = 1.0f;
    m.m[3][2] = -q * 100.0f;
    return m;
}

D3DLIGHT7 defaultLight() {
    D3DLIGHT7 light{};
    light.dltType = D3DLIGHT_DIRECTIONAL;
    light.dcvDiffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.dcvSpecular = {1.0f, 1.0f, 1.0f, 0.0f};
    light.dcvAmbient = {0.0f, 0.0f, 0.0f, 0.0f};
    light.dvDirection = {-400.0f, -200.0f, 400.0f};
    light.dvPosition = light.dvDirection;
    light.dvAttenuation0 = 1.0f;
    light.dvRange = std::sqrt(FLT_MAX);
    return light;
}

namespace {

void applyStageDefaults(IDirect3DDevice7* device) {
    device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    for (DWORD stage = 1; stage <= 2; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTFN_LINEAR);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    }
}

}  // namespace

void applyDefaultStates(IDirect3DDevice7* device) {
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x22222222);
    D3DMATRIX identity{};
    for (int i = 0; i < 4; ++i) identity.m[i][i] = 1.0f;
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity);
    D3DMATRIX projection = defaultProjection();
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &projection);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
    applyStageDefaults(device);
    D3DLIGHT7 light = defaultLight();
    for (DWORD index = 0; index <= 1; ++index) {
        device->SetLight(index, &light);
        device->LightEnable(index, TRUE);
    }
}
