// Direct3D 7 fixed-function state carried out with OpenGL 1.x fixed function, on a headless
// EGL context (no window, no display server: Mesa's surfaceless platform) rendering into an
// off-screen framebuffer.
//
// The methods take the Direct3D names and values, so the class can sit behind an
// IDirect3DDevice7 later (a hardware device where a GPU exists); the benchmark drives it from
// recorded frames. Conventions carried over: row-vector matrices (loaded as they are, which is
// their column-vector transpose), clip z in [0, w] (remapped to [-w, w]), pixel centres on
// integer screen coordinates (GL's half-pixel offset is taken out of the projection), y down
// (pictures are read back top row first), counter-clockwise culling in y-down screen space.
// Vertex data and textures are uploaded once (uploadVertices, uploadTexture) before drawing.
// Without EGL/GL in the build, open() fails with a message and nothing else does anything.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/ddraw/ddraw.h"

namespace bench {

class GlFixedFunction {
public:
    GlFixedFunction();
    ~GlFixedFunction();
    GlFixedFunction(const GlFixedFunction&) = delete;
    GlFixedFunction& operator=(const GlFixedFunction&) = delete;

    // Makes the context and a width x height colour (RGBA8) and depth framebuffer.
    bool open(int width, int height, std::string* error);
    std::string renderer() const;

    void uploadVertices(const std::vector<D3DVERTEX>& vertices);
    // Copies a surface of a layout the device samples (32-bit, 565, 1555, 4444) into an 8-bit
    // BGRA GL texture, decoded as the device decodes it; false for other formats.
    bool uploadTexture(IDirectDrawSurface7* surface);

    void setRenderState(D3DRENDERSTATETYPE state, DWORD value);
    void setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    void setTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& m);
    void setMaterial(const D3DMATERIAL7& m);
    void setLight(DWORD index, const D3DLIGHT7& light);
    void lightEnable(DWORD index, bool enable);
    void setTexture(IDirectDrawSurface7* surface);  // must have been uploaded (else: untextured)
    void clear(DWORD flags, D3DCOLOR color, float z);
    // Draws vertices [first, first + count) of the uploaded buffer.
    void draw(D3DPRIMITIVETYPE type, size_t first, size_t count);

    void finish();
    // The framebuffer as 0xAARRGGBB-ordered bytes (B, G, R, A), bottom row first.
    void readBgra(std::vector<uint8_t>* out);
    // The framebuffer as RGB, top row first.
    void readRgb(std::vector<uint8_t>* out);

private:
    void applyTransforms();
    void applyLights();
    void applySampler();

    struct Impl;
    Impl* impl_;
};

}  // namespace bench
