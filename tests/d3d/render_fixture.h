// Test scaffolding for the 3D device: a memory render target with an attached z-buffer, a device
// on it, vertex helpers in screen coordinates, pixel reads and PNG snapshots for looking.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/d3d/memory_surface.h"
#include "platform/ddraw/ddraw.h"

namespace d3dtest {

struct Rgb {
    int r, g, b;
};

class RenderTarget {
public:
    RenderTarget(int width, int height, const DDPIXELFORMAT& color, bool withZ = true);
    ~RenderTarget();
    RenderTarget(const RenderTarget&) = delete;
    RenderTarget& operator=(const RenderTarget&) = delete;

    IDirect3DDevice7* device() const { return device_; }
    platform::d3d::MemorySurface* surface() const { return target_; }
    platform::d3d::MemorySurface* zbuffer() const { return z_; }
    int width() const { return width_; }
    int height() const { return height_; }

    uint32_t raw(int x, int y) const;  // the stored pixel value
    Rgb rgb(int x, int y) const;       // decoded to 8-bit channels
    uint32_t depth(int x, int y) const;

    // Vertex at screen position (sx, sy) and depth z when world, view and projection are identity.
    D3DVERTEX screen(float sx, float sy, float z = 0.5f, float u = 0, float v = 0) const;
    // Lighting off, no culling, identity transforms: geometry in screen coordinates.
    void useScreenSpace();
    void clear(D3DCOLOR color, float z = 1.0f);
    void draw(D3DPRIMITIVETYPE type, std::vector<D3DVERTEX> vertices);
    // Axis-aligned rectangle [x0, x1) x [y0, y1) as two triangles, clockwise on screen.
    void drawRect(float x0, float y0, float x1, float y1, float z = 0.5f, float u = 0, float v = 0);
    void writePng(const std::string& path) const;

private:
    int width_, height_;
    platform::d3d::MemorySurface* target_ = nullptr;
    platform::d3d::MemorySurface* z_ = nullptr;
    IDirect3DDevice7* device_ = nullptr;
};

// A texture filled from 0xAARRGGBB values, row by row; one reference for the caller.
platform::d3d::MemorySurface* makeTexture(int width, int height, const std::vector<uint32_t>& argb,
                                          const DDPIXELFORMAT& format);

D3DMATERIAL7 emissiveMaterial(float r, float g, float b);

}  // namespace d3dtest
