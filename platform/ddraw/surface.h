// The layer's IDirectDrawSurface7: memory with a pitch, a pixel format, colour keys, attachments
// (the back buffer of a flipping chain, a z-buffer) and the lost flag.
//
// A surface holds one reference to the DirectDraw object that made it and one to every surface
// attached to it; releasing the primary releases its back buffer reference. Memory is allocated
// once, zeroed, and never moves for the life of the surface (Flip gives the front buffer the back
// buffer's picture instead of swapping memory), so the 3D device may keep the address it got from
// surfaceMemory (surface_access.h). Pitch is width × bytes per pixel rounded up to 4 bytes.
//
// A flipped picture that widens without loss (565) is presented straight from the back buffer and
// kept widened; it is narrowed into the front buffer's memory the first time that memory is used
// (memory(), Lock, GetDC, a blit), so what any of them sees is the flipped picture. Other formats
// are copied at the flip.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/pixel_formats.h"
#include "platform/ddraw/pixel_memory.h"

namespace platform::ddraw {

class DirectDraw;

struct SurfaceSpec {
    int width = 0;
    int height = 0;
    DDPIXELFORMAT format{};
    DWORD caps = 0;  // DDSCAPS_* as the surface reports them
};

class Surface final : public IDirectDrawSurface7 {
public:
    // Largest side and largest memory block a surface may have.
    static constexpr int kMaxSide = 16384;
    static constexpr uint64_t kMaxBytes = uint64_t{512} << 20;

    // Makes a surface with one reference; null when the size or format is refused.
    static Surface* make(DirectDraw* owner, const SurfaceSpec& desired);

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT AddAttachedSurface(IDirectDrawSurface7* surface) override;
    HRESULT Blt(RECT* destRect, IDirectDrawSurface7* source, RECT* sourceRect, DWORD flags, DDBLTFX* fx) override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface7* source, RECT* sourceRect, DWORD trans) override;
    HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface7* surface) override;
    HRESULT Flip(IDirectDrawSurface7* target, DWORD flags) override;
    HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface7** out) override;
    HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT GetPixelFormat(DDPIXELFORMAT* format) override;
    HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override;
    HRESULT IsLost() override;
    HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) override;
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT Restore() override;
    HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) override;
    HRESULT Unlock(RECT* rect) override;

    // ---- inside the layer ----
    int width() const { return width_; }
    int height() const { return height_; }
    int pitch() const { return pitch_; }
    uint8_t* memory() {
        if (pictureWidened_) narrowWidenedPicture();
        return memory_.data();
    }
    const DDPIXELFORMAT& format() const { return format_; }
    const PixelLayout& layout() const { return layout_; }
    DWORD caps() const { return caps_; }
    DirectDraw* owner() const { return owner_; }
    bool lost() const { return lost_; }
    bool busy() const { return locked_ || dc_ != nullptr; }
    void markLost();
    // Changes whenever the pixels may have changed (a lock, a blit or flip into the surface, a loss
    // or restore), to a value no surface of the process had before: an unchanged stamp means the
    // same surface with unchanged pixels, so a user can rely on what it knew of them (the 3D
    // device: a z-buffer that still holds only its clear value).
    uint64_t writeStamp() const { return writes_; }
    bool hasSourceKey() const { return hasSourceKey_; }
    const DDCOLORKEY& sourceKey() const { return sourceKey_; }
    // Attaches without checks (the back buffer of a new flipping chain); takes a reference.
    void attach(Surface* surface);

private:
    Surface(DirectDraw* owner, const SurfaceSpec& desired, const PixelLayout& layout, int pitch);
    ~Surface() override;
    Surface* findAttached(DWORD caps) const;
    void stampWrite();
    void narrowWidenedPicture();

    ULONG refs_ = 1;
    DirectDraw* owner_;
    int width_, height_, pitch_;
    DDPIXELFORMAT format_;
    PixelLayout layout_;
    DWORD caps_;
    PixelMemory memory_;
    // A front's last flipped picture, widened for presenting (shared with the window's backend).
    std::shared_ptr<std::vector<uint32_t>> widened_;
    bool pictureWidened_ = false;  // memory_ is behind: its picture is widened_, narrowed
    std::vector<Surface*> attached_;
    bool lost_ = false;
    uint64_t writes_ = 0;
    bool locked_ = false;
    HDC dc_ = nullptr;
    bool hasSourceKey_ = false;
    bool hasDestKey_ = false;
    DDCOLORKEY sourceKey_{};
    DDCOLORKEY destKey_{};
};

// The layer's own surface behind an interface pointer, or null for a foreign object.
Surface* asSurface(IDirectDrawSurface7* surface);

}  // namespace platform::ddraw
