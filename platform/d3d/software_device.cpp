// The software 3D device: state calls, scenes, Clear and DrawPrimitive.
#include "platform/d3d/software_device.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "platform/d3d/clear.h"
#include "platform/d3d/counted.h"
#include "platform/d3d/device_state.h"
#include "platform/d3d/draw_pipeline.h"
#include "platform/d3d/far_depth.h"
#include "platform/d3d/helper_pacing.h"
#include "platform/d3d/memory_surface.h"
#include "platform/d3d/raster_options.h"
#include "platform/d3d/scene_figures.h"
#include "platform/d3d/sphere_visibility.h"
#include "platform/d3d/split_choice.h"
#include "platform/d3d/split_scene.h"
#include "platform/d3d/standard_formats.h"
#include "platform/d3d/transform.h"
#include "platform/ddraw/frame_trace.h"
#include "platform/ddraw/queued_drawing.h"
#include "platform/ddraw/surface.h"

namespace platform::d3d {

namespace {

constexpr DWORD kMaxVerticesPerDraw = 0xFFFF;

// A counted reference that releases itself.
struct SurfaceRef {
    IDirectDrawSurface7* p = nullptr;
    SurfaceRef() = default;
    explicit SurfaceRef(IDirectDrawSurface7* s) : p(s) {}
    SurfaceRef(const SurfaceRef&) = delete;
    SurfaceRef& operator=(const SurfaceRef&) = delete;
    ~SurfaceRef() { reset(nullptr); }
    void reset(IDirectDrawSurface7* s) {
        if (s) s->AddRef();
        if (p) p->Release();
        p = s;
    }
};

IDirectDrawSurface7* attachedZBuffer(IDirectDrawSurface7* target) {
    DDSCAPS2 caps{};
    caps.dwCaps = DDSCAPS_ZBUFFER;
    IDirectDrawSurface7* z = nullptr;
    if (FAILED(target->GetAttachedSurface(&caps, &z))) return nullptr;
    return z;
}

D3DLIGHT7 defaultLight() {
    D3DLIGHT7 l{};
    l.dltType = D3DLIGHT_DIRECTIONAL;
    l.dcvDiffuse = {1, 1, 1, 0};
    l.dvDirection = {0, 0, 1};
    return l;
}

// Surfaces whose memory stays put and whose pixel operations finish queued drawing first: the
// layer's own and memory surfaces. Draws into or from any other surface are drawn at once.
bool queueable(IDirectDrawSurface7* s) {
    return !s || ddraw::asSurface(s) != nullptr || dynamic_cast<MemorySurface*>(s) != nullptr;
}

class SoftwareDevice final : public Counted<IDirect3DDevice7>, private ddraw::QueuedDrawing {
public:
    SoftwareDevice(IDirectDrawSurface7* target, DWORD width, DWORD height, bool hasZ)
        : width_(width), height_(height), state_(defaultDeviceState(hasZ, width, height)) {
        target_.reset(target);
    }

    HRESULT GetCaps(D3DDEVICEDESC7* desc) override {
        if (!desc) return DDERR_INVALIDPARAMS;
        *desc = softwareDeviceDesc();
        return D3D_OK;
    }
    HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override {
        if (!callback) return DDERR_INVALIDPARAMS;
        for (DDPIXELFORMAT f : textureFormats())
            if (callback(&f, context) == D3DENUMRET_CANCEL) break;
        return D3D_OK;
    }

    HRESULT BeginScene() override {
        if (inScene_) return D3DERR_SCENE_IN_SCENE;
        HRESULT lost = target_.p->IsLost();
        if (FAILED(lost)) return lost;
        inScene_ = true;
        current_ = SceneFigures{};
        const bool paced = rasterThreadsPaced();
        const bool helpers = !paced || pacing_.sceneStarted(pacingWallNs(), pacingCpuNs());
        // Split by bands, each thread runs every call's geometry for its own bands; else the
        // helpers draw from the one queue this thread fills. A paced device pays in processor
        // time, which trials of real time do not see (the split runs the vertex stage on every
        // thread): left to itself it keeps to the queue.
        const ThreadSplit way = threadSplit();
        choosing_ = helpers && !paced && rasterThreads() > 1 && way == ThreadSplit::Automatic;
        splitting_ = helpers && rasterThreads() > 1 &&
                     (way == ThreadSplit::Bands || (choosing_ && splitChoice_.sceneStarted()));
        queue_.allowHelpers(helpers && !splitting_);
        sceneStartedNs_ = pacingWallNs();
        return D3D_OK;
    }
    HRESULT EndScene() override {
        if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
        drawQueue();
        inScene_ = false;
        if (choosing_) splitChoice_.sceneEnded(pacingWallNs() - sceneStartedNs_);
        current_.eye = eyeFromView(state_.view);
        current_.fog = state_.rs(D3DRENDERSTATE_FOGENABLE) != 0;
        for (DWORD i = 0; i < kMaxLights; ++i) current_.lights[i] = state_.lights[i].enabled;
        last_ = current_;
        publishTrace();
        return D3D_OK;
    }

    HRESULT Clear(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override {
        D3DMATRIX* slot = transformSlot(type);
        if (!slot || !matrix) return DDERR_INVALIDPARAMS;
        *slot = *matrix;
        return D3D_OK;
    }
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, D3DMATRIX* matrix) override {
        D3DMATRIX* slot = transformSlot(type);
        if (!slot || !matrix) return DDERR_INVALIDPARAMS;
        *matrix = *slot;
        return D3D_OK;
    }

    HRESULT SetViewport(D3DVIEWPORT7* vp) override {
        if (!vp || vp->dwWidth == 0 || vp->dwHeight == 0) return DDERR_INVALIDPARAMS;
        if (uint64_t(vp->dwX) + vp->dwWidth > width_ || uint64_t(vp->dwY) + vp->dwHeight > height_)
            return DDERR_INVALIDPARAMS;
        if (!(vp->dvMinZ >= 0.0f && vp->dvMaxZ <= 1.0f && vp->dvMinZ <= vp->dvMaxZ)) return DDERR_INVALIDPARAMS;
        state_.viewport = *vp;
        return D3D_OK;
    }
    HRESULT GetViewport(D3DVIEWPORT7* vp) override {
        if (!vp) return DDERR_INVALIDPARAMS;
        *vp = state_.viewport;
        return D3D_OK;
    }

    HRESULT SetMaterial(D3DMATERIAL7* m) override {
        if (!m) return DDERR_INVALIDPARAMS;
        state_.material = *m;
        return D3D_OK;
    }
    HRESULT GetMaterial(D3DMATERIAL7* m) override {
        if (!m) return DDERR_INVALIDPARAMS;
        *m = state_.material;
        return D3D_OK;
    }

    HRESULT SetLight(DWORD index, D3DLIGHT7* light) override {
        if (index >= kMaxLights || !light) return DDERR_INVALIDPARAMS;
        if (light->dltType < D3DLIGHT_POINT || light->dltType > D3DLIGHT_DIRECTIONAL) return DDERR_INVALIDPARAMS;
        state_.lights[index].light = *light;
        state_.lights[index].set = true;
        return D3D_OK;
    }
    HRESULT GetLight(DWORD index, D3DLIGHT7* light) override {
        if (index >= kMaxLights || !light || !state_.lights[index].set) return DDERR_INVALIDPARAMS;
        *light = state_.lights[index].light;
        return D3D_OK;
    }
    HRESULT LightEnable(DWORD index, BOOL enable) override {
        if (index >= kMaxLights) return DDERR_INVALIDPARAMS;
        LightSlot& slot = state_.lights[index];
        if (!slot.set) {  // enabling a light never set gives the default white directional light
            slot.light = defaultLight();
            slot.set = true;
        }
        slot.enabled = enable != FALSE;
        return D3D_OK;
    }
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override {
        if (index >= kMaxLights || !enable) return DDERR_INVALIDPARAMS;
        *enable = state_.lights[index].enabled ? TRUE : FALSE;
        return D3D_OK;
    }

    HRESULT SetRenderState(D3DRENDERSTATETYPE s, DWORD value) override {
        if (s >= D3DRENDERSTATE_COUNT) return DDERR_INVALIDPARAMS;
        state_.render[s] = value;
        return D3D_OK;
    }
    HRESULT GetRenderState(D3DRENDERSTATETYPE s, DWORD* value) override {
        if (s >= D3DRENDERSTATE_COUNT || !value) return DDERR_INVALIDPARAMS;
        *value = state_.render[s];
        return D3D_OK;
    }

    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD format, void* vertices, DWORD count, DWORD flags) override;

    HRESULT ComputeSphereVisibility(D3DVECTOR* centers, float* radii, DWORD count, DWORD, DWORD* results) override {
        return sphereVisibilities(state_.world, state_.view, state_.projection, centers, radii, count, results)
                   ? D3D_OK
                   : DDERR_INVALIDPARAMS;
    }

    HRESULT GetTexture(DWORD stage, IDirectDrawSurface7** texture) override {
        if (stage >= D3DMAX_TEXTURESTAGES || !texture) return DDERR_INVALIDPARAMS;
        *texture = textures_[stage].p;
        if (*texture) (*texture)->AddRef();
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD stage, IDirectDrawSurface7* texture) override {
        if (stage >= D3DMAX_TEXTURESTAGES) return DDERR_INVALIDPARAMS;
        textures_[stage].reset(texture);
        return D3D_OK;
    }
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
        if (stage >= D3DMAX_TEXTURESTAGES || type >= D3DTSS_COUNT || !value) return DDERR_INVALIDPARAMS;
        *value = state_.stage[stage][type];
        return D3D_OK;
    }
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
        if (stage >= D3DMAX_TEXTURESTAGES || type >= D3DTSS_COUNT) return DDERR_INVALIDPARAMS;
        state_.stage[stage][type] = value;
        if (type == D3DTSS_ADDRESS) state_.stage[stage][D3DTSS_ADDRESSU] = state_.stage[stage][D3DTSS_ADDRESSV] = value;
        return D3D_OK;
    }

    const SceneFigures& lastFigures() const { return last_; }

private:
    ~SoftwareDevice() override { drawQueue(); }

    // Draws what the span queue holds and lets go of the surfaces it needed.
    void finish() override { drawQueue(); }
    void drawQueue() {
        if (split_.running()) {
            current_.threads = std::max(current_.threads, split_.parts());
            current_.pixels += split_.finish(&queue_);
        } else if (!queue_.empty()) {
            current_.threads = std::max(current_.threads, queue_.threads());
            current_.pixels += queue_.draw();
        }
        // Withdrawn before the surfaces go: a release that finished queued drawing again would
        // find nothing of this device's left to draw or release.
        std::vector<IDirectDrawSurface7*> held;
        held.swap(queuedSurfaces_);
        ddraw::withdrawQueuedDrawing(this);
        for (IDirectDrawSurface7* s : held) s->Release();
        // The list's room is kept for the next scene (a release that drew again left it empty).
        held.clear();
        if (queuedSurfaces_.empty()) queuedSurfaces_.swap(held);
    }
    // Keeps `s` alive while draws against it are queued.
    void holdForQueue(IDirectDrawSurface7* s) {
        if (!s || std::find(queuedSurfaces_.begin(), queuedSurfaces_.end(), s) != queuedSurfaces_.end()) return;
        s->AddRef();
        queuedSurfaces_.push_back(s);
    }

    // The presentation trace writes these figures with the next presented frame.
    void publishTrace() const {
        ddraw::FrameTrace trace;
        trace.draws = last_.draws;
        trace.triangles = static_cast<uint32_t>(last_.triangles);
        trace.eye[0] = last_.eye.x;
        trace.eye[1] = last_.eye.y;
        trace.eye[2] = last_.eye.z;
        trace.fog = last_.fog;
        trace.threads = last_.threads;
        trace.lightCount = static_cast<int>(kMaxLights);
        for (DWORD i = 0; i < kMaxLights; ++i) trace.lights[i] = last_.lights[i];
        ddraw::setFrameTrace(trace);
    }

    D3DMATRIX* transformSlot(D3DTRANSFORMSTATETYPE type) {
        switch (type) {
            case D3DTRANSFORMSTATE_WORLD: return &state_.world;
            case D3DTRANSFORMSTATE_VIEW: return &state_.view;
            case D3DTRANSFORMSTATE_PROJECTION: return &state_.projection;
            default: return nullptr;
        }
    }

    HRESULT drawLocked(D3DPRIMITIVETYPE type, const D3DVERTEX* vertices, DWORD count);

    SurfaceRef target_;
    std::array<SurfaceRef, D3DMAX_TEXTURESTAGES> textures_;
    DWORD width_, height_;
    DeviceState state_;
    bool inScene_ = false;
    SceneFigures current_, last_;
    FarDepth farDepth_;
    HelperPacing pacing_;
    SpanQueue queue_;
    SplitScene split_;
    bool splitting_ = false;  // this scene's span-path calls go through split_
    bool choosing_ = false;   // this scene is timed for splitChoice_
    SplitChoice splitChoice_;
    int64_t sceneStartedNs_ = 0;
    std::vector<IDirectDrawSurface7*> queuedSurfaces_;  // one reference each while queue_ holds draws
};

HRESULT SoftwareDevice::Clear(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    if ((count > 0 && !rects) || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
        return DDERR_INVALIDPARAMS;
    drawQueue();
    SurfaceRef zbuffer;
    zbuffer.p = attachedZBuffer(target_.p);
    if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !zbuffer.p) return D3DERR_INVALIDCALL;
    SurfaceLock target(flags & D3DCLEAR_TARGET ? target_.p : nullptr, SurfaceLock::Kind::Color);
    if ((flags & D3DCLEAR_TARGET) && !target.ok()) return target.hr();
    std::optional<SurfaceLock> depth;
    const bool wasFar = farDepth_.isFar(zbuffer.p);
    // A z-buffer holding only the far value already has every byte a clear to the far value
    // writes: left alone, it also stays known far.
    if (wasFar && !(flags & D3DCLEAR_STENCIL) && !(z < 1.0f)) flags &= ~DWORD(D3DCLEAR_ZBUFFER);
    if (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) {
        depth.emplace(zbuffer.p, SurfaceLock::Kind::Depth);
        if (!depth->ok()) return depth->hr();
    }
    // A split scene's first thread draws the bands of its part (split_scene.h), chosen from the
    // rows a draw reaches: the viewport's, within the surfaces.
    const D3DVIEWPORT7& vp = state_.viewport;
    int64_t drawRows = int64_t(vp.dwY) + vp.dwHeight;
    if (target.ok()) drawRows = std::min<int64_t>(drawRows, target.height());
    if (depth) drawRows = std::min<int64_t>(drawRows, depth->height());
    const BandMask splitOwn =
        splitting_ ? split_.callerBands(rasterThreads(), int(std::max<int64_t>(drawRows, 1))) : kEveryBand;
    D3DRECT whole{LONG(vp.dwX), LONG(vp.dwY), LONG(vp.dwX + vp.dwWidth), LONG(vp.dwY + vp.dwHeight)};
    bool wholeDepth = false;
    for (DWORD i = 0; i < std::max<DWORD>(count, 1); ++i) {
        const D3DRECT& r = count > 0 ? rects[i] : whole;
        ClearRect c{std::max(r.x1, whole.x1), std::max(r.y1, whole.y1), std::min(r.x2, whole.x2),
                    std::min(r.y2, whole.y2)};
        if (target.ok()) c.right = std::min(c.right, target.width()), c.bottom = std::min(c.bottom, target.height());
        if (depth) c.right = std::min(c.right, depth->width()), c.bottom = std::min(c.bottom, depth->height());
        if (c.left >= c.right || c.top >= c.bottom) continue;
        // Each band cleared by the thread that draws there next.
        queue_.clearRows(c.top, c.bottom, splitting_ ? &splitOwn : nullptr, [&](int top, int bottom) {
            const ClearRect rows{c.left, top, c.right, bottom};
            if (flags & D3DCLEAR_TARGET) clearColor(target, rows, color);
            if (depth)
                clearDepthStencil(*depth, rows, flags & D3DCLEAR_ZBUFFER, z, flags & D3DCLEAR_STENCIL, stencil);
        });
        if (depth) wholeDepth = wholeDepth || (c.left == 0 && c.top == 0 && c.right == depth->width() &&
                                               c.bottom == depth->height());
    }
    if (depth) farDepth_.cleared(zbuffer.p, *depth, wholeDepth, flags & D3DCLEAR_ZBUFFER ? z : 0.0f, wasFar);
    return D3D_OK;
}

HRESULT SoftwareDevice::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD format, void* vertices, DWORD count, DWORD) {
    if (format != D3DFVF_VERTEX || count > kMaxVerticesPerDraw || (count > 0 && !vertices))
        return DDERR_INVALIDPARAMS;
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return DDERR_INVALIDPARAMS;
    if (type < D3DPT_TRIANGLELIST) return DDERR_UNSUPPORTED;
    if (!inScene_) return D3DERR_SCENE_NOT_IN_SCENE;
    ++current_.draws;
    return drawLocked(type, static_cast<const D3DVERTEX*>(vertices), count);
}

HRESULT SoftwareDevice::drawLocked(D3DPRIMITIVETYPE type, const D3DVERTEX* vertices, DWORD count) {
    if (triangleCount(type, count) == 0) return D3D_OK;
    ddraw::QueuedDrawingHold hold(this);  // the locks below leave this device's queue alone
    SurfaceLock color(target_.p, SurfaceLock::Kind::Color);
    if (!color.ok()) return color.hr();
    SurfaceRef zbuffer;
    zbuffer.p = attachedZBuffer(target_.p);
    std::optional<SurfaceLock> depth;
    // A z-buffer that holds only the far value passes every pixel of a draw that does not write it.
    if (zbuffer.p && !farDepth_.canSkip(zbuffer.p, state_, color.width(), color.height())) {
        const bool wasFar = farDepth_.isFar(zbuffer.p);
        depth.emplace(zbuffer.p, SurfaceLock::Kind::Depth);
        if (!depth->ok()) return depth->hr();
        farDepth_.drawing(zbuffer.p, state_, wasFar);
    }
    DrawTargets targets;
    targets.color = &color;
    targets.depth = depth ? &*depth : nullptr;
    std::optional<SurfaceLock> texture;
    if (IDirectDrawSurface7* t = textures_[0].p) {
        texture.emplace(t, SurfaceLock::Kind::Color, true);
        if (!texture->ok()) return texture->hr();
        targets.texture = &*texture;
        targets.textureHasKey = SUCCEEDED(t->GetColorKey(DDCKEY_SRCBLT, &targets.textureKey));
    }
    DrawFigures figures;
    IDirectDrawSurface7* z = depth ? zbuffer.p : nullptr;
    const bool queue = queueable(target_.p) && queueable(z) && queueable(textures_[0].p);
    drawPrimitives(state_, targets, type, vertices, count, &figures, &queue_, splitting_ ? &split_ : nullptr);
    current_.bands = current_.bands || split_.running();
    current_.triangles += figures.triangles;
    current_.pixels += figures.pixels;
    if (queue_.empty()) return D3D_OK;
    holdForQueue(target_.p);
    holdForQueue(z);
    holdForQueue(textures_[0].p);
    ddraw::announceQueuedDrawing(this);
    if (!queue) drawQueue();
    return D3D_OK;
}

}  // namespace

D3DDEVICEDESC7 softwareDeviceDesc() {
    D3DDEVICEDESC7 d{};
    d.dwDevCaps = 0;  // no hardware rasterization, no hardware transform and lighting
    d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_32;
    d.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
    d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
    d.dwMaxTextureWidth = d.dwMaxTextureHeight = 4096;
    d.dwMaxActiveLights = kMaxLights;
    d.deviceGUID = IID_IDirect3DRGBDevice;
    return d;
}

HRESULT createSoftwareDevice(IDirectDrawSurface7* target, IDirect3DDevice7** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!target) return DDERR_INVALIDPARAMS;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    HRESULT hr = target->GetSurfaceDesc(&desc);
    if (FAILED(hr)) return hr;
    PixelLayout layout;
    if (!makeLayout(desc.ddpfPixelFormat, &layout)) return DDERR_INVALIDPIXELFORMAT;
    if (desc.dwWidth == 0 || desc.dwHeight == 0) return DDERR_INVALIDPARAMS;
    SurfaceRef zbuffer;
    zbuffer.p = attachedZBuffer(target);
    auto* device = new (std::nothrow) SoftwareDevice(target, desc.dwWidth, desc.dwHeight, zbuffer.p != nullptr);
    if (!device) return DDERR_OUTOFMEMORY;
    *out = device;
    return D3D_OK;
}

bool lastSceneFigures(IDirect3DDevice7* device, SceneFigures* out) {
    auto* d = dynamic_cast<SoftwareDevice*>(device);
    if (!d || !out) return false;
    *out = d->lastFigures();
    return true;
}

}  // namespace platform::d3d
