// Synthetic scenes for measuring the 3D device, shaped like the saver's two views.
//
// "inside": 80 lit, textured, smooth spheres (600 triangles, radius 60) scattered within 800
// units of the origin, drawn with z-writes off and additive blending (transparency on), inside
// two open lattice shells (about 5000 triangles each, radius 3000 and 2950) seen from within and
// drawn additively without z-writes; the camera sits at 0.95 x 3000 looking at the origin.
// "outside" (also "world"): 20 open shells at 5000 to 50000 units ahead, fogged (linear, 30000
// to 49000), additive, with the far plane at 50000. "objects": the inside view's spheres alone;
// "shells": its two shells alone. "fill": eight slightly tilted full-screen quads in the full
// state (bilinear texture x lit colour, vertex fog, additive, z-test), for the fill rate;
// "fill-nofog" without fog, "fill-nearest" with point sampling, "fill-flat" untextured and
// unfogged. Geometry and textures are made once by build(); render()
// issues one frame's calls on a device that is already in a scene. Deterministic (fixed seeds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ddraw/ddraw.h"

namespace bench {

struct Mesh {
    std::vector<D3DVERTEX> vertices;  // triangle list
    uint32_t triangles() const { return uint32_t(vertices.size() / 3); }
};

// A UV sphere whose outside faces run clockwise on the screen (drawn under counter-clockwise
// culling); insideOut reverses the winding and the normals so it is seen from within.
Mesh makeSphere(float radius, int rings, int segments, bool insideOut = false);
// The same sphere with every other 2 x 2 block of quads left out: an open lattice.
Mesh makeLatticeShell(float radius, int rings, int segments, bool insideOut);

struct SceneObject {
    int mesh;       // index into the scene's meshes
    D3DMATRIX world;
    int texture;    // index into the scene's textures; -1: none
    bool additive;  // blending on and z-writes off
};

class SyntheticScene {
public:
    ~SyntheticScene();
    // False for an unknown scene name.
    bool build(const std::string& name);
    // Default states of the saver's device set-up plus this scene's view, fog and lights.
    void applyStates(IDirect3DDevice7* device) const;
    // The frame's draw calls (the caller brackets them with BeginScene/EndScene).
    void render(IDirect3DDevice7* device) const;
    uint64_t trianglesPerFrame() const;

private:
    void buildInside(bool spheres, bool shells);
    void buildOutside();
    void buildFill(const std::string& variant);
    void makeTextures();

    std::vector<Mesh> meshes_;
    std::vector<SceneObject> objects_;
    std::vector<IDirectDrawSurface7*> textures_;
    D3DMATRIX view_{}, projection_{};
    bool fog_ = false;
    float fogStart_ = 30000, fogEnd_ = 49000;
    bool pointSampling_ = false;
    float brightness_ = 1;  // material diffuse and ambient
};

// The scene names build() knows.
const std::vector<std::string>& syntheticSceneNames();

D3DMATRIX lookAtLH(D3DVECTOR eye, D3DVECTOR at, D3DVECTOR up);
D3DMATRIX perspectiveFov(float fov, float aspect, float zn, float zf);

}  // namespace bench
