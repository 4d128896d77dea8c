#include "saver/overlay/keyed_text.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdlib>

namespace {

// One surface lock for the life of the object.
class Locked {
public:
    explicit Locked(IDirectDrawSurface7* surface) : surface_(surface) {
        desc_.dwSize = sizeof desc_;
        ok_ = surface_ && surface_->Lock(nullptr, &desc_, DDLOCK_WAIT, nullptr) == DD_OK && desc_.lpSurface &&
              (bits() == 16 || bits() == 32);
    }
    ~Locked() {
        if (surface_ && desc_.lpSurface) surface_->Unlock(nullptr);
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    bool ok() const { return ok_; }
    DWORD bits() const { return desc_.ddpfPixelFormat.dwRGBBitCount; }
    const DDPIXELFORMAT& format() const { return desc_.ddpfPixelFormat; }
    uint8_t* at(LONG x, LONG y) const {
        return static_cast<uint8_t*>(desc_.lpSurface) + static_cast<std::ptrdiff_t>(y) * desc_.lPitch +
               static_cast<std::ptrdiff_t>(x) * (bits() / 8);
    }
    DWORD read(LONG x, LONG y) const {
        return bits() == 16 ? *reinterpret_cast<const uint16_t*>(at(x, y)) : *reinterpret_cast<const uint32_t*>(at(x, y));
    }
    void write(LONG x, LONG y, DWORD value) const {
        if (bits() == 16)
            *reinterpret_cast<uint16_t*>(at(x, y)) = static_cast<uint16_t>(value);
        else
            *reinterpret_cast<uint32_t*>(at(x, y)) = value;
    }
    RECT clip(const RECT& r) const {
        return RECT{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0),
                    std::min<LONG>(r.right, static_cast<LONG>(desc_.dwWidth)),
                    std::min<LONG>(r.bottom, static_cast<LONG>(desc_.dwHeight))};
    }

private:
    IDirectDrawSurface7* surface_;
    DDSURFACEDESC2 desc_ = {};
    bool ok_ = false;
};

int channelOf(DWORD raw, DWORD mask) {
    if (!mask) return 0;
    const DWORD top = (1u << std::popcount(mask)) - 1;
    return static_cast<int>(((raw & mask) >> std::countr_zero(mask)) * 255 / top);
}

DWORD rawOf(int value, DWORD mask) {
    if (!mask) return 0;
    const int bits = std::popcount(mask);
    return (static_cast<DWORD>(value) >> (8 - std::min(bits, 8))) << std::countr_zero(mask);
}

}  // namespace

KeyedArea::KeyedArea(IDirectDrawSurface7* surface, const RECT& box) {
    DDCOLORKEY key = {};
    if (!surface || surface->GetColorKey(DDCKEY_SRCBLT, &key) != DD_OK) return;
    Locked pixels(surface);
    if (!pixels.ok()) return;
    box_ = pixels.clip(box);
    if (box_.right <= box_.left || box_.bottom <= box_.top) return;
    surface_ = surface;
    key_ = key.dwColorSpaceLowValue;
    for (LONG y = box_.top; y < box_.bottom; ++y)
        for (LONG x = box_.left; x < box_.right; ++x) wasKey_.push_back(pixels.read(x, y) == key_ ? 1 : 0);
}

void KeyedArea::harden(COLORREF textColour) {
    if (!surface_) return;
    Locked pixels(surface_);
    if (!pixels.ok()) return;
    const DDPIXELFORMAT& f = pixels.format();
    const int text[3] = {GetRValue(textColour), GetGValue(textColour), GetBValue(textColour)};
    const int key[3] = {channelOf(key_, f.dwRBitMask), channelOf(key_, f.dwGBitMask), channelOf(key_, f.dwBBitMask)};
    // Coverage is read on the channel where text and key differ most.
    int c = 0;
    for (int i = 1; i < 3; ++i)
        if (std::abs(text[i] - key[i]) > std::abs(text[c] - key[c])) c = i;
    const DWORD masks[3] = {f.dwRBitMask, f.dwGBitMask, f.dwBBitMask};
    const DWORD solid = rawOf(text[0], masks[0]) | rawOf(text[1], masks[1]) | rawOf(text[2], masks[2]);
    size_t i = 0;
    for (LONG y = box_.top; y < box_.bottom; ++y)
        for (LONG x = box_.left; x < box_.right; ++x, ++i) {
            const DWORD now = pixels.read(x, y);
            if (!wasKey_[i] || now == key_) continue;
            const int moved = channelOf(now, masks[c]) - key[c], span = text[c] - key[c];
            const bool covered = span == 0 || 2 * moved * (span > 0 ? 1 : -1) >= std::abs(span);
            pixels.write(x, y, covered ? solid : key_);
        }
}
