// Defaults of the device's state tables.
#include "platform/d3d/device_state.h"

namespace platform::d3d {

D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
    return m;
}

namespace {

void setRenderDefaults(DeviceState& s, bool hasZBuffer) {
    auto& r = s.render;
    r[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
    r[D3DRENDERSTATE_ZENABLE] = hasZBuffer ? D3DZB_TRUE : D3DZB_FALSE;
    r[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
    r[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    r[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    r[D3DRENDERSTATE_ALPHATESTENABLE] = FALSE;
    r[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    r[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    r[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    r[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    r[D3DRENDERSTATE_ALPHAREF] = 0;
    r[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
    r[D3DRENDERSTATE_DITHERENABLE] = FALSE;
    r[D3DRENDERSTATE_ALPHABLENDENABLE] = FALSE;
    r[D3DRENDERSTATE_FOGENABLE] = FALSE;
    r[D3DRENDERSTATE_SPECULARENABLE] = FALSE;
    r[D3DRENDERSTATE_FOGCOLOR] = 0;
    r[D3DRENDERSTATE_FOGTABLEMODE] = D3DFOG_NONE;
    r[D3DRENDERSTATE_FOGSTART] = d3dFloatToState(0.0f);
    r[D3DRENDERSTATE_FOGEND] = d3dFloatToState(1.0f);
    r[D3DRENDERSTATE_FOGDENSITY] = d3dFloatToState(1.0f);
    r[D3DRENDERSTATE_COLORKEYENABLE] = FALSE;
    r[D3DRENDERSTATE_RANGEFOGENABLE] = FALSE;
    r[D3DRENDERSTATE_CLIPPING] = TRUE;
    r[D3DRENDERSTATE_LIGHTING] = TRUE;
    r[D3DRENDERSTATE_EXTENTS] = FALSE;
    r[D3DRENDERSTATE_AMBIENT] = 0;
    r[D3DRENDERSTATE_FOGVERTEXMODE] = D3DFOG_NONE;
    r[D3DRENDERSTATE_COLORVERTEX] = TRUE;
    r[D3DRENDERSTATE_LOCALVIEWER] = TRUE;
    r[D3DRENDERSTATE_NORMALIZENORMALS] = FALSE;
}

void setStageDefaults(DeviceState& s) {
    for (DWORD i = 0; i < D3DMAX_TEXTURESTAGES; ++i) {
        auto& t = s.stage[i];
        t[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        t[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = i;
        t[D3DTSS_ADDRESS] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        t[D3DTSS_BORDERCOLOR] = 0;
        t[D3DTSS_MAGFILTER] = D3DTFG_POINT;
        t[D3DTSS_MINFILTER] = D3DTFN_POINT;
        t[D3DTSS_MIPFILTER] = D3DTFP_NONE;
    }
}

}  // namespace

DeviceState defaultDeviceState(bool hasZBuffer, DWORD targetWidth, DWORD targetHeight) {
    DeviceState s;
    setRenderDefaults(s, hasZBuffer);
    setStageDefaults(s);
    s.world = s.view = s.projection = identityMatrix();
    s.material.diffuse = {1, 1, 1, 1};
    s.material.ambient = {1, 1, 1, 1};
    s.viewport = {0, 0, targetWidth, targetHeight, 0.0f, 1.0f};
    return s;
}

}  // namespace platform::d3d
