#include "saver/overlay/scroll_rail.h"

#include <algorithm>

#include "saver/overlay/overlay_clip.h"
#include "saver/overlay/overlay_display.h"
#include "saver/overlay/scroll_track.h"
#include "saver/overlay/surface_pixels.h"

namespace {

IDirectDrawSurface7* image(int32_t index) { return index >= 0 ? overlayDisplay().image(index) : nullptr; }

}  // namespace

void ScrollRail::measureThumb() {
    thumbWidth = thumbHeight = 0;
    surfaceSize(image(thumbImage), thumbWidth, thumbHeight);
}

int32_t ScrollRail::length() const {
    return std::max<int32_t>(0, vertical ? area.bottom - area.top : area.right - area.left);
}

int32_t ScrollRail::thumbLength() const {
    const int32_t thickness = vertical ? area.right - area.left : area.bottom - area.top;
    const int32_t natural = vertical ? thumbHeight : thumbWidth;
    return std::clamp(natural > 0 ? natural : thickness, 0, length());
}

RECT ScrollRail::thumbRect(int32_t position, int32_t lastPosition) const {
    const int32_t offset = thumbOffsetFor(length(), thumbLength(), position, lastPosition);
    if (vertical) return RECT{area.left, area.top + offset, area.right, area.top + offset + thumbLength()};
    return RECT{area.left + offset, area.top, area.left + offset + thumbLength(), area.bottom};
}

void ScrollRail::paint(IDirectDrawSurface7* surface, int32_t position, int32_t lastPosition) const {
    if (!surface || length() <= 0 || area.right <= area.left || area.bottom <= area.top) return;
    RECT whole = area;
    if (IDirectDrawSurface7* track = image(trackImage)) surface->Blt(&whole, track, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
    IDirectDrawSurface7* thumb = image(thumbImage);
    if (!thumb) return;
    // The picture at its own size, centred across the rail and cut to it.
    const RECT r = thumbRect(position, lastPosition);
    const int32_t x = vertical ? r.left + (r.right - r.left - thumbWidth) / 2 : r.left;
    const int32_t y = vertical ? r.top : r.top + (r.bottom - r.top - thumbHeight) / 2;
    RECT from = {std::max<LONG>(0, area.left - x), std::max<LONG>(0, area.top - y),
                 std::min<LONG>(thumbWidth, area.right - x), std::min<LONG>(thumbHeight, area.bottom - y)};
    if (from.right <= from.left || from.bottom <= from.top) return;
    surface->BltFast(static_cast<DWORD>(x + from.left), static_cast<DWORD>(y + from.top), thumb, &from,
                     DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
}

RailPress ScrollRail::press(int32_t x, int32_t y, int32_t position, int32_t lastPosition) const {
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return RailPress::None;
    const RECT thumb = thumbRect(position, lastPosition);
    const int32_t along = vertical ? y : x;
    const int32_t start = vertical ? thumb.top : thumb.left, end = vertical ? thumb.bottom : thumb.right;
    if (along < start) return RailPress::Back;
    if (along >= end) return RailPress::Forward;
    return RailPress::Thumb;
}

bool ScrollRail::pressAt(int32_t x, int32_t y, int32_t position, int32_t lastPosition,
                         const std::function<void(int32_t)>& page) {
    switch (press(x, y, position, lastPosition)) {
        case RailPress::Back: page(-1); return false;
        case RailPress::Forward: page(1); return false;
        case RailPress::Thumb: {
            const RECT thumb = thumbRect(position, lastPosition);
            grab = vertical ? y - thumb.top : x - thumb.left;
            return true;
        }
        case RailPress::None: break;
    }
    return false;
}

int32_t ScrollRail::dragPosition(int64_t x, int64_t y, int32_t lastPosition) const {
    const int64_t along = (vertical ? y - area.top : x - area.left) - grab;
    return positionForThumb(length(), thumbLength(), clampToInt32(along), lastPosition);
}
