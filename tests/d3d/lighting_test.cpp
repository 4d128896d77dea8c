// Lit colours of flat triangles under each light type, worked out by hand.
#include <gtest/gtest.h>

#include "platform/d3d/standard_formats.h"
#include "tests/d3d/render_fixture.h"

using namespace d3dtest;
using platform::d3d::formatX8R8G8B8;

namespace {

// Equilateral triangle of circumradius 0.8 around the z axis in the plane z = 0.5, facing the
// camera (normal (0, 0, -1)); drawn with identity transforms it covers the target's centre.
void drawFacingTriangle(RenderTarget& t, D3DVECTOR normal = {0, 0, -1}) {
    auto v = [&](float x, float y) { return D3DVERTEX{x, y, 0.5f, normal.x, normal.y, normal.z, 0, 0}; };
    t.draw(D3DPT_TRIANGLELIST, {v(0, 0.8f), v(0.69282f, -0.4f), v(-0.69282f, -0.4f)});
}

D3DMATERIAL7 material(float dr, float dg, float db, float ambient) {
    D3DMATERIAL7 m{};
    m.diffuse = {dr, dg, db, 1};
    m.ambient = {ambient, ambient, ambient, 1};
    return m;
}

void expectCentre(const RenderTarget& t, int r, int g, int b) {
    Rgb c = t.rgb(t.width() / 2, t.height() / 2);
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

D3DLIGHT7 pointLight(float range, float a0, float a1, float a2) {
    D3DLIGHT7 l{};
    l.dltType = D3DLIGHT_POINT;
    l.dcvDiffuse = {1, 1, 1, 1};
    l.dcvAmbient = {0.2f, 0.2f, 0.2f, 1};
    l.dvPosition = {0, 0, -0.1f};  // 1.0 from every vertex, N.L = 0.6
    l.dvRange = range;
    l.dvAttenuation0 = a0;
    l.dvAttenuation1 = a1;
    l.dvAttenuation2 = a2;
    return l;
}

class Lighting : public ::testing::Test {
protected:
    Lighting() : t(16, 16, formatX8R8G8B8()) {
        t.device()->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
        t.clear(0);
    }
    void light(const D3DLIGHT7& l) {
        D3DLIGHT7 copy = l;
        ASSERT_EQ(t.device()->SetLight(0, &copy), D3D_OK);
        ASSERT_EQ(t.device()->LightEnable(0, TRUE), D3D_OK);
    }
    RenderTarget t;
};

D3DLIGHT7 directional(float intensity, D3DVECTOR direction) {
    D3DLIGHT7 l{};
    l.dltType = D3DLIGHT_DIRECTIONAL;
    l.dcvDiffuse = {intensity, intensity, intensity, 1};
    l.dvDirection = direction;
    l.dvRange = 1e30f;
    return l;
}

}  // namespace

TEST_F(Lighting, DirectionalLightAddsDiffuseToGlobalAmbient) {
    // ambient 32/255 + diffuse (1, .5, .2) x 0.4 x N.L 1: 32 + (102, 51, 20.4)
    t.device()->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00202020);
    D3DMATERIAL7 m = material(1, 0.5f, 0.2f, 1);
    t.device()->SetMaterial(&m);
    light(directional(0.4f, {0, 0, 2}));  // not normalised: L is still (0, 0, -1)
    drawFacingTriangle(t);
    expectCentre(t, 134, 83, 52);
}

TEST_F(Lighting, DirectionalLightFollowsTheCosineOfTheAngle) {
    t.device()->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00202020);
    D3DMATERIAL7 m = material(1, 0.5f, 0.2f, 1);
    t.device()->SetMaterial(&m);
    light(directional(0.4f, {0, 0, 1}));
    drawFacingTriangle(t, {0, 0.6f, -0.8f});  // N.L = 0.8: 32 + (81.6, 40.8, 16.32)
    expectCentre(t, 114, 73, 48);
}

TEST_F(Lighting, NormalsAreNotRenormalisedUnlessAsked) {
    t.device()->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00202020);
    D3DMATERIAL7 m = material(1, 0.5f, 0.2f, 1);
    t.device()->SetMaterial(&m);
    light(directional(0.4f, {0, 0, 1}));
    drawFacingTriangle(t, {0, 0, -2});  // N.L = 2: 32 + (204, 102, 40.8)
    expectCentre(t, 236, 134, 73);
    t.device()->SetRenderState(D3DRENDERSTATE_NORMALIZENORMALS, TRUE);
    t.clear(0);
    drawFacingTriangle(t, {0, 0, -2});
    expectCentre(t, 134, 83, 52);
}

TEST_F(Lighting, PointLightAttenuatesWithDistance) {
    // atten = 1 / (1 + 1 x d) = 0.5 at d = 1; ambient 0.5 x 0.2 = 0.1; diffuse 0.6 x 0.5 = 0.3
    D3DMATERIAL7 m = material(1, 0.5f, 0.25f, 1);
    t.device()->SetMaterial(&m);
    light(pointLight(10, 1, 1, 0));
    drawFacingTriangle(t);
    expectCentre(t, 102, 64, 45);  // (0.4, 0.25, 0.175) x 255
}

TEST_F(Lighting, PointLightQuadraticAttenuation) {
    // atten = 1 / (4 d^2) = 0.25: ambient 0.05, diffuse 0.15 x material
    D3DMATERIAL7 m = material(1, 0.5f, 0.25f, 1);
    t.device()->SetMaterial(&m);
    light(pointLight(10, 0, 0, 4));
    drawFacingTriangle(t);
    expectCentre(t, 51, 32, 22);  // (0.2, 0.125, 0.0875) x 255
}

TEST_F(Lighting, PointLightBeyondItsRangeAddsNothing) {
    D3DMATERIAL7 m = material(1, 0.5f, 0.25f, 1);
    t.device()->SetMaterial(&m);
    light(pointLight(0.99f, 1, 1, 0));
    drawFacingTriangle(t);
    expectCentre(t, 0, 0, 0);
    light(pointLight(1.01f, 1, 1, 0));
    drawFacingTriangle(t);
    expectCentre(t, 102, 64, 45);
}

TEST_F(Lighting, SpotLightLightsInsideItsConeOnly) {
    D3DMATERIAL7 m = material(1, 0.5f, 0.25f, 1);
    t.device()->SetMaterial(&m);
    D3DLIGHT7 spot = pointLight(10, 1, 1, 0);
    spot.dltType = D3DLIGHT_SPOT;
    spot.dvDirection = {0, 0, 1};
    spot.dvTheta = 2.0f;  // vertices lie 53 degrees off the axis: inside a 57-degree half cone
    spot.dvPhi = 2.2f;
    spot.dvFalloff = 1;
    light(spot);
    drawFacingTriangle(t);
    expectCentre(t, 102, 64, 45);
    spot.dvDirection = {0, 0, -1};  // pointing away
    light(spot);
    t.clear(0);
    drawFacingTriangle(t);
    expectCentre(t, 0, 0, 0);
}

TEST_F(Lighting, EmissiveAndClampingAndLightingOff) {
    D3DMATERIAL7 m = material(1, 1, 1, 1);
    m.emissive = {0.8f, 0.1f, 0, 1};
    t.device()->SetMaterial(&m);
    light(directional(0.5f, {0, 0, 1}));
    drawFacingTriangle(t);
    expectCentre(t, 255, 153, 128);  // 0.8 + 0.5 clamps; 0.1 + 0.5 = 0.6; 0 + 0.5
    t.device()->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    drawFacingTriangle(t);
    expectCentre(t, 255, 255, 255);
}

TEST_F(Lighting, LightsMoveIntoCameraSpaceWithTheView) {
    // View turned half round the y axis: the camera looks along -z. A light shining along -z in
    // the world shines along +z in camera space, onto the camera-facing triangle.
    D3DMATRIX view{};
    view.m[0][0] = -1;
    view.m[1][1] = 1;
    view.m[2][2] = -1;
    view.m[3][3] = 1;
    t.device()->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
    D3DMATRIX world = view;  // undo the turn for the geometry
    t.device()->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    D3DMATERIAL7 m = material(1, 1, 1, 0);
    t.device()->SetMaterial(&m);
    light(directional(0.4f, {0, 0, -1}));
    // World x View is the identity, so the normal stays (0, 0, -1); only a light moved by the view
    // reaches it.
    drawFacingTriangle(t);
    expectCentre(t, 102, 102, 102);
}
