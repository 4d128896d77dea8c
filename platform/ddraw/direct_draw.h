// The layer's IDirectDraw7: cooperative level, display mode, surface creation, the mode list and
// presentation of the front buffer.
//
// One primary display driver exists (the X display or the headless screen). The display modes
// are the standard sizes that fit the desktop plus the desktop's own size, each at 16 and 32 bits
// (display_modes.h). SetDisplayMode only records the mode: it becomes the size and format of the
// flipping chain, and presentation scales it to the window. Only one DirectDraw object at a time
// holds the exclusive level. The object lives while the caller or any of its surfaces holds a
// reference.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ddraw/ddraw.h"
#include "platform/ddraw/widening_table.h"

namespace platform::ddraw {

class Surface;

class DirectDraw final : public IDirectDraw7 {
public:
    DirectDraw();

    HRESULT QueryInterface(REFIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface7** out, IUnknown* outer) override;
    HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC2* filter, void* context, LPDDENUMMODESCALLBACK2 callback) override;
    HRESULT FlipToGDISurface() override;
    HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) override;
    HRESULT GetDisplayMode(DDSURFACEDESC2* desc) override;
    HRESULT RestoreDisplayMode() override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refreshRate, DWORD flags) override;
    HRESULT RestoreAllSurfaces() override;
    HRESULT TestCooperativeLevel() override;

    // ---- inside the layer ----
    void addSurface(Surface* surface) { surfaces_.push_back(surface); }
    void removeSurface(Surface* surface);
    void markSurfacesLost();
    bool exclusive() const { return exclusive_; }
    // Shows a picture of the front buffer's size and format (rows `pitch` bytes apart) in the
    // cooperative window, then captures and traces the frame. A 16-bit picture goes to a back-end
    // that fits frames into an image of its own (bridge::presentsRows: the X11 window) row by row,
    // widened on the way; with `copyTo` (rows `pitch` bytes apart) the picture is copied there too
    // as it goes by. Otherwise it is widened into a block of width * height pixels that `widened`
    // then holds and that a back-end keeping frames keeps without copying (the headless screen);
    // the block is written only while no one else holds it (a kept frame never changes), and
    // copyTo is left alone. Returns true when the picture was left in *widened.
    bool present(Surface* front, const uint8_t* picture, int pitch, std::shared_ptr<std::vector<uint32_t>>* widened,
                 uint8_t* copyTo = nullptr);

private:
    ~DirectDraw();
    HRESULT createFlippingChain(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out);
    HRESULT createZBuffer(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out);
    HRESULT createPlain(const DDSURFACEDESC2& desc, IDirectDrawSurface7** out);
    void currentMode(int* width, int* height, int* bits) const;
    void presentRows(Surface* front, const uint8_t* picture, int pitch, uint8_t* copyTo);
    void presentWidened(Surface* front, const uint8_t* picture, int pitch,
                        std::shared_ptr<std::vector<uint32_t>>* widened);

    ULONG refs_ = 1;
    HWND window_ = nullptr;
    bool exclusive_ = false;
    bool modeSet_ = false;
    int modeWidth_ = 0, modeHeight_ = 0, modeBits_ = 32;
    std::vector<Surface*> surfaces_;     // not counted: each surface removes itself
    WideningTable widening_;
    std::shared_ptr<std::vector<uint32_t>> spareFrame_;  // the block before `widened`'s, for reuse
};

// Every DirectDraw object alive (for display events).
const std::vector<DirectDraw*>& liveDirectDrawObjects();

}  // namespace platform::ddraw
