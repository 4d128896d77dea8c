// Test scaffolding for the 3D device.
#include "tests/d3d/render_fixture.h"

#include <gtest/gtest.h>

#include "platform/d3d/pixel_format.h"
#include "platform/d3d/standard_formats.h"
#include "tests/d3d/png_file.h"

using namespace platform::d3d;

namespace d3dtest {

RenderTarget::RenderTarget(int width, int height, const DDPIXELFORMAT& color, bool withZ)
    : width_(width), height_(height) {
    target_ = createMemorySurface(DWORD(width), DWORD(height), color, DDSCAPS_BACKBUFFER | DDSCAPS_3DDEVICE);
    if (withZ) {
        z_ = createMemorySurface(DWORD(width), DWORD(height), formatZ32(), DDSCAPS_ZBUFFER);
        target_->AddAttachedSurface(z_);
    }
    IDirect3D7* d3d = nullptr;
    EXPECT_EQ(CreateDirect3DForDirectDraw(nullptr, &d3d), S_OK);
    EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, target_, &device_), D3D_OK);
    d3d->Release();
}

RenderTarget::~RenderTarget() {
    if (device_) device_->Release();
    if (z_) z_->Release();
    if (target_) target_->Release();
}

uint32_t RenderTarget::raw(int x, int y) const {
    DDPIXELFORMAT f;
    target_->GetPixelFormat(&f);
    int bytes = int(f.dwRGBBitCount / 8);
    return readRaw(target_->pixels() + y * target_->pitch() + x * bytes, bytes);
}

Rgb RenderTarget::rgb(int x, int y) const {
    DDPIXELFORMAT f;
    target_->GetPixelFormat(&f);
    PixelLayout l;
    makeLayout(f, &l);
    uint32_t c = decodeArgb(l, raw(x, y));
    return {int((c >> 16) & 0xFF), int((c >> 8) & 0xFF), int(c & 0xFF)};
}

uint32_t RenderTarget::depth(int x, int y) const { return readRaw(z_->pixels() + y * z_->pitch() + x * 4, 4); }

D3DVERTEX RenderTarget::screen(float sx, float sy, float z, float u, float v) const {
    float hw = float(width_) / 2, hh = float(height_) / 2;
    return {sx / hw - 1.0f, 1.0f - sy / hh, z, 0, 0, -1, u, v};
}

void RenderTarget::useScreenSpace() {
    device_->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device_->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
}

void RenderTarget::clear(D3DCOLOR color, float z) {
    ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | (z_ ? D3DCLEAR_ZBUFFER : 0), color, z, 0), D3D_OK);
}

void RenderTarget::draw(D3DPRIMITIVETYPE type, std::vector<D3DVERTEX> vertices) {
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(device_->DrawPrimitive(type, D3DFVF_VERTEX, vertices.data(), DWORD(vertices.size()), 0), D3D_OK);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
}

void RenderTarget::drawRect(float x0, float y0, float x1, float y1, float z, float u, float v) {
    draw(D3DPT_TRIANGLELIST, {screen(x0, y0, z, u, v), screen(x1, y0, z, u, v), screen(x1, y1, z, u, v),
                              screen(x0, y0, z, u, v), screen(x1, y1, z, u, v), screen(x0, y1, z, u, v)});
}

void RenderTarget::writePng(const std::string& path) const {
    Picture p;
    p.width = width_;
    p.height = height_;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            Rgb c = rgb(x, y);
            p.rgb.push_back(uint8_t(c.r));
            p.rgb.push_back(uint8_t(c.g));
            p.rgb.push_back(uint8_t(c.b));
        }
    writePngFile(path, p);
}

MemorySurface* makeTexture(int width, int height, const std::vector<uint32_t>& argb, const DDPIXELFORMAT& format) {
    MemorySurface* t = createMemorySurface(DWORD(width), DWORD(height), format, DDSCAPS_TEXTURE);
    PixelLayout l;
    makeLayout(format, &l);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            writeRaw(t->pixels() + y * t->pitch() + x * l.bytesPerPixel, l.bytesPerPixel,
                     encodeArgb(l, argb[size_t(y * width + x)]));
    return t;
}

D3DMATERIAL7 emissiveMaterial(float r, float g, float b) {
    D3DMATERIAL7 m{};
    m.diffuse = {0, 0, 0, 1};
    m.emissive = {r, g, b, 1};
    return m;
}


}  // namespace d3dtest
