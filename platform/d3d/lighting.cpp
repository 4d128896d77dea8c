// Lighting stage: camera-space lights and the per-vertex colour.
#include "platform/d3d/lighting.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d/transform.h"

namespace platform::d3d {

D3DCOLORVALUE colorFromArgb(D3DCOLOR c) {
    return {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
            float(c >> 24) / 255.0f};
}

namespace {

EyeLight toEyeSpace(const D3DLIGHT7& l, const D3DMATRIX& view) {
    EyeLight e{};
    e.type = l.dltType;
    e.diffuse = l.dcvDiffuse;
    e.ambient = l.dcvAmbient;
    e.position = transformPoint3(l.dvPosition, view);
    D3DVECTOR dir = normalizeOrZero(transformDirection(l.dvDirection, view));
    e.toLight = {-dir.x, -dir.y, -dir.z};
    e.spotAxis = dir;
    e.range = l.dvRange;
    e.att0 = l.dvAttenuation0;
    e.att1 = l.dvAttenuation1;
    e.att2 = l.dvAttenuation2;
    e.cosHalfTheta = std::cos(l.dvTheta * 0.5f);
    e.cosHalfPhi = std::cos(l.dvPhi * 0.5f);
    e.falloff = l.dvFalloff;
    return e;
}

// Direction to the light and its attenuation (times the spot factor) at a vertex; false when the
// light does not reach it.
bool reach(const EyeLight& l, const D3DVECTOR& p, D3DVECTOR* toLight, float* atten) {
    if (l.type == D3DLIGHT_DIRECTIONAL) {
        *toLight = l.toLight;
        *atten = 1.0f;
        return true;
    }
    D3DVECTOR d{l.position.x - p.x, l.position.y - p.y, l.position.z - p.z};
    float dist = length(d);
    if (dist > l.range) return false;
    *toLight = normalizeOrZero(d);
    float denom = l.att0 + l.att1 * dist + l.att2 * dist * dist;
    *atten = denom > 0.0f ? 1.0f / denom : 1.0f;
    if (l.type == D3DLIGHT_SPOT) {
        float rho = -dot(*toLight, l.spotAxis);
        if (rho <= l.cosHalfPhi) return false;
        if (rho < l.cosHalfTheta) {
            float span = l.cosHalfTheta - l.cosHalfPhi;
            float t = span > 0.0f ? (rho - l.cosHalfPhi) / span : 1.0f;
            *atten *= l.falloff == 1.0f ? t : std::pow(t, l.falloff);
        }
    }
    return true;
}

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

}  // namespace

LightingSetup prepareLighting(const DeviceState& state) {
    LightingSetup s;
    s.material = state.material;
    s.globalAmbient = colorFromArgb(state.rs(D3DRENDERSTATE_AMBIENT));
    s.normalize = state.rs(D3DRENDERSTATE_NORMALIZENORMALS) != 0;
    for (const LightSlot& slot : state.lights)
        if (slot.set && slot.enabled) s.lights.push_back(toEyeSpace(slot.light, state.view));
    return s;
}

void lightVertex(const LightingSetup& s, const D3DVECTOR& position, const D3DVECTOR& normalIn, float rgba[4]) {
    D3DVECTOR n = s.normalize ? normalizeOrZero(normalIn) : normalIn;
    float ambient[3] = {s.globalAmbient.r, s.globalAmbient.g, s.globalAmbient.b};
    float diffuse[3] = {0, 0, 0};
    for (const EyeLight& l : s.lights) {
        D3DVECTOR toLight;
        float atten;
        if (!reach(l, position, &toLight, &atten)) continue;
        ambient[0] += atten * l.ambient.r;
        ambient[1] += atten * l.ambient.g;
        ambient[2] += atten * l.ambient.b;
        float nl = dot(n, toLight);
        if (nl <= 0.0f) continue;
        float k = nl * atten;
        diffuse[0] += k * l.diffuse.r;
        diffuse[1] += k * l.diffuse.g;
        diffuse[2] += k * l.diffuse.b;
    }
    const D3DMATERIAL7& m = s.material;
    rgba[0] = clamp01(m.emissive.r + m.ambient.r * ambient[0] + m.diffuse.r * diffuse[0]);
    rgba[1] = clamp01(m.emissive.g + m.ambient.g * ambient[1] + m.diffuse.g * diffuse[1]);
    rgba[2] = clamp01(m.emissive.b + m.ambient.b * ambient[2] + m.diffuse.b * diffuse[2]);
    rgba[3] = clamp01(m.diffuse.a);
}

}  // namespace platform::d3d
