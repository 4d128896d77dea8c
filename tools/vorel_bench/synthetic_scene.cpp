// Synthetic benchmark scenes: meshes, textures and the per-frame calls.
#include "tools/vorel_bench/synthetic_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "platform/d3d/memory_surface.h"
#include "platform/d3d/standard_formats.h"
#include "saver/engine/math3d.h"

namespace bench {

namespace {

constexpr float kPi = 3.14159265f;

D3DVERTEX spherePoint(float radius, float theta, float phi, float u, float v, bool insideOut) {
    float nx = std::sin(theta) * std::cos(phi), ny = std::cos(theta), nz = std::sin(theta) * std::sin(phi);
    float s = insideOut ? -1.0f : 1.0f;
    return {radius * nx, radius * ny, radius * nz, s * nx, s * ny, s * nz, u, v};
}

Mesh sphereMesh(float radius, int rings, int segments, bool insideOut, bool lattice) {
    Mesh m;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            if (lattice && ((i / 2 + j / 2) % 2) != 0) continue;
            auto at = [&](int ii, int jj) {
                float u = float(jj) / float(segments), v = float(ii) / float(rings);
                return spherePoint(radius, kPi * v, 2 * kPi * u, u * 4, v * 2, insideOut);
            };
            D3DVERTEX a = at(i, j), b = at(i, j + 1), c = at(i + 1, j + 1), d = at(i + 1, j);
            // Seen from outside, a b c d run clockwise on the screen.
            if (insideOut) m.vertices.insert(m.vertices.end(), {a, c, b, a, d, c});
            else m.vertices.insert(m.vertices.end(), {a, b, c, a, c, d});
        }
    return m;
}

D3DMATRIX translation(float x, float y, float z) {
    D3DMATRIX m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1;
    m.m[3][0] = x;
    m.m[3][1] = y;
    m.m[3][2] = z;
    return m;
}

D3DVECTOR sub(D3DVECTOR a, D3DVECTOR b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
D3DVECTOR cross(D3DVECTOR a, D3DVECTOR b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(D3DVECTOR a, D3DVECTOR b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3DVECTOR unit(D3DVECTOR a) {
    float l = std::sqrt(dot(a, a));
    return {a.x / l, a.y / l, a.z / l};
}

// Caustic-like pattern: bright ridges where two sine fields cross, tinted.
IDirectDrawSurface7* makePatternTexture(int size, float tintR, float tintG, float tintB, float frequency) {
    platform::d3d::MemorySurface* t =
        platform::d3d::createMemorySurface(DWORD(size), DWORD(size), platform::d3d::formatA8R8G8B8(), DDSCAPS_TEXTURE);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float fx = 2 * kPi * float(x) / float(size), fy = 2 * kPi * float(y) / float(size);
            float w = std::sin(frequency * fx + std::sin(2 * fy)) + std::sin(frequency * fy + std::sin(3 * fx));
            float k = std::pow(std::fabs(w) / 2.0f, 3.0f);
            auto channel = [&](float tint) { return uint32_t(std::fmin(255.0f, 40 * tint + 215 * k * tint)); };
            uint32_t argb = 0xFF000000u | (channel(tintR) << 16) | (channel(tintG) << 8) | channel(tintB);
            std::memcpy(t->pixels() + y * t->pitch() + x * 4, &argb, 4);
        }
    return t;
}

void setLight(IDirect3DDevice7* d, DWORD index, D3DVECTOR position) {
    D3DLIGHT7 l{};
    l.dltType = D3DLIGHT_DIRECTIONAL;
    l.dcvDiffuse = {1, 1, 1, 0};
    l.dcvSpecular = {1, 1, 1, 0};
    l.dvDirection = {-400, -200, 400};
    l.dvPosition = position;
    l.dvAttenuation0 = 1;
    l.dvRange = std::sqrt(3.402823466e38f);
    d->SetLight(index, &l);
    d->LightEnable(index, TRUE);
}

}  // namespace

Mesh makeSphere(float radius, int rings, int segments, bool insideOut) {
    return sphereMesh(radius, rings, segments, insideOut, false);
}

Mesh makeLatticeShell(float radius, int rings, int segments, bool insideOut) {
    return sphereMesh(radius, rings, segments, insideOut, true);
}

D3DMATRIX lookAtLH(D3DVECTOR eye, D3DVECTOR at, D3DVECTOR up) {
    D3DVECTOR z = unit(sub(at, eye));
    D3DVECTOR x = unit(cross(up, z));
    D3DVECTOR y = cross(z, x);
    D3DMATRIX m{};
    m.m[0][0] = x.x, m.m[1][0] = x.y, m.m[2][0] = x.z;
    m.m[0][1] = y.x, m.m[1][1] = y.y, m.m[2][1] = y.z;
    m.m[0][2] = z.x, m.m[1][2] = z.y, m.m[2][2] = z.z;
    m.m[3][0] = -dot(x, eye), m.m[3][1] = -dot(y, eye), m.m[3][2] = -dot(z, eye);
    m.m[3][3] = 1;
    return m;
}

// The saver's own projection builder (the arguments used here are always valid).
D3DMATRIX perspectiveFov(float fov, float aspect, float zn, float zf) {
    Matrix4 m;
    perspective(fov, aspect, zn, zf, &m);
    return m;
}

SyntheticScene::~SyntheticScene() {
    for (IDirectDrawSurface7* t : textures_) t->Release();
}

const std::vector<std::string>& syntheticSceneNames() {
    static const std::vector<std::string> names{"fill",    "fill-nofog", "fill-nearest", "fill-flat", "objects",
                                                "shells",  "world",      "inside",       "outside"};
    return names;
}

bool SyntheticScene::build(const std::string& name) {
    const auto& names = syntheticSceneNames();
    if (std::find(names.begin(), names.end(), name) == names.end()) return false;
    makeTextures();
    if (name == "inside") buildInside(true, true);
    else if (name == "objects") buildInside(true, false);
    else if (name == "shells") buildInside(false, true);
    else if (name.rfind("fill", 0) == 0) buildFill(name);
    else buildOutside();
    return true;
}

void SyntheticScene::buildFill(const std::string& variant) {
    // A quad larger than the view, from depth 10 on the left to 12 on the right.
    Mesh quad;
    auto corner = [](float x, float y, float u, float v) {
        return D3DVERTEX{x, y, 11.0f + x / 9.0f, 0, 0, -1, u, v};
    };
    D3DVERTEX a = corner(-9, 6, 0, 0), b = corner(9, 6, 4, 0), c = corner(9, -6, 4, 3), d = corner(-9, -6, 0, 3);
    quad.vertices = {a, b, c, a, c, d};
    meshes_.push_back(quad);
    bool textured = variant != "fill-flat";
    for (int i = 0; i < 8; ++i)
        objects_.push_back({0, translation(0, 0, 0.25f * float(i)), textured ? 1 + i % 2 : -1, true});
    view_ = lookAtLH({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    projection_ = perspectiveFov(0.75f, 0.75f, 1, 100);
    fog_ = variant == "fill" || variant == "fill-nearest";
    brightness_ = 0.12f;  // eight layers add up without saturating
    fogStart_ = 5;
    fogEnd_ = 30;
    pointSampling_ = variant == "fill-nearest";
}

void SyntheticScene::makeTextures() {
    textures_.push_back(makePatternTexture(64, 1.0f, 0.35f, 0.3f, 3));   // sphere skin
    textures_.push_back(makePatternTexture(128, 0.3f, 0.5f, 1.0f, 5));   // shell lattice
    textures_.push_back(makePatternTexture(128, 0.4f, 1.0f, 0.6f, 4));   // second shell
}

void SyntheticScene::buildInside(bool spheres, bool shells) {
    meshes_.push_back(makeSphere(60, 15, 20));
    meshes_.push_back(makeLatticeShell(3000, 50, 100, true));
    meshes_.push_back(makeLatticeShell(2950, 50, 100, true));
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> coord(-1, 1);
    for (int i = 0; i < 80 && spheres; ++i) {
        D3DVECTOR p;
        do p = {coord(random), coord(random), coord(random)};
        while (dot(p, p) > 1);
        objects_.push_back({0, translation(800 * p.x, 800 * p.y, 800 * p.z), 0, true});
    }
    if (shells) {
        objects_.push_back({1, translation(0, 0, 0), 1, true});
        objects_.push_back({2, translation(0, 0, 0), 2, true});
    }
    view_ = lookAtLH({0, 0, -0.95f * 3000}, {0, 0, 0}, {0, 1, 0});
    projection_ = perspectiveFov(0.75f, 0.75f, 100, 10000);
    fog_ = false;
}

void SyntheticScene::buildOutside() {
    meshes_.push_back(makeLatticeShell(3000, 50, 100, false));
    std::mt19937 random(777);
    std::uniform_real_distribution<float> unitRange(0, 1);
    for (int i = 0; i < 20; ++i) {
        float z = 5000 + 45000 * float(i) / 19.0f;
        float x = (unitRange(random) - 0.5f) * z * 0.6f, y = (unitRange(random) - 0.5f) * z * 0.4f;
        objects_.push_back({0, translation(x, y, z), 1 + i % 2, true});
    }
    view_ = lookAtLH({0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    projection_ = perspectiveFov(0.75f, 0.75f, 100, 50000);
    fog_ = true;
}

void SyntheticScene::applyStates(IDirect3DDevice7* d) const {
    d->SetRenderState(D3DRENDERSTATE_AMBIENT, fog_ ? 0x99999999 : 0x22222222);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    d->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, pointSampling_ ? D3DTFG_POINT : D3DTFG_LINEAR);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, pointSampling_ ? D3DTFN_POINT : D3DTFN_LINEAR);
    d->SetTransform(D3DTRANSFORMSTATE_PROJECTION, const_cast<D3DMATRIX*>(&projection_));
    d->SetTransform(D3DTRANSFORMSTATE_VIEW, const_cast<D3DMATRIX*>(&view_));
    setLight(d, 0, {-400, -200, 400});
    setLight(d, 1, {0, 0, -0.95f * 3000});
    if (fog_) d->LightEnable(1, FALSE);
    d->SetRenderState(D3DRENDERSTATE_FOGENABLE, fog_ ? TRUE : FALSE);
    d->SetRenderState(D3DRENDERSTATE_FOGCOLOR, 0);
    d->SetRenderState(D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE);
    d->SetRenderState(D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRENDERSTATE_FOGSTART, d3dFloatToState(fogStart_));
    d->SetRenderState(D3DRENDERSTATE_FOGEND, d3dFloatToState(fogEnd_));
}

void SyntheticScene::render(IDirect3DDevice7* d) const {
    D3DMATERIAL7 material{};
    material.diffuse = {brightness_, brightness_, brightness_, 1};
    material.ambient = {brightness_, brightness_, brightness_, 1};
    d->SetMaterial(&material);
    for (const SceneObject& o : objects_) {
        d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, o.additive ? FALSE : TRUE);
        d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, o.additive ? TRUE : FALSE);
        d->SetTransform(D3DTRANSFORMSTATE_WORLD, const_cast<D3DMATRIX*>(&o.world));
        d->SetTexture(0, o.texture >= 0 ? textures_[size_t(o.texture)] : nullptr);
        const Mesh& m = meshes_[size_t(o.mesh)];
        d->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, const_cast<D3DVERTEX*>(m.vertices.data()),
                         DWORD(m.vertices.size()), 0);
    }
    d->SetTexture(0, nullptr);
    d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    d->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
}

uint64_t SyntheticScene::trianglesPerFrame() const {
    uint64_t n = 0;
    for (const SceneObject& o : objects_) n += meshes_[size_t(o.mesh)].triangles();
    return n;
}

}  // namespace bench
