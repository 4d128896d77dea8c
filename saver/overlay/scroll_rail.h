// ScrollRail: the track and thumb of a scroll bar or memo inside its owner's own surface, and what a
// press on it means.
//
// The rail is a rectangle of the owner's surface (owner coordinates, y down), vertical or
// horizontal. Its track picture is stretched over the whole rectangle; the thumb picture is drawn
// at its natural size, keyed on green, at the offset that the position gives (scroll_track.h); a
// rail without a thumb picture uses a square thumb as thick as the rail. Positions run from 0 to
// lastPosition. Pictures are indices into the interface store.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/ddraw/ddraw.h"

enum class RailPress { None, Back, Forward, Thumb };

struct ScrollRail {
    bool vertical = true;
    RECT area = {};
    int32_t trackImage = -1;
    int32_t thumbImage = -1;
    int32_t thumbWidth = 0, thumbHeight = 0;  // the thumb picture's size, 0 without one

    // Takes the thumb picture's size from the store.
    void measureThumb();
    int32_t length() const;       // along the rail
    int32_t thumbLength() const;  // along the rail
    // The thumb's rectangle in owner coordinates.
    RECT thumbRect(int32_t position, int32_t lastPosition) const;
    void paint(IDirectDrawSurface7* surface, int32_t position, int32_t lastPosition) const;
    // A press at (x, y) in owner coordinates: before or after the thumb, on it, or off the rail.
    RailPress press(int32_t x, int32_t y, int32_t position, int32_t lastPosition) const;
    // What a press at (x, y) does: before or after the thumb it calls page(-1) or page(1); on the
    // thumb it takes hold of it where it was pressed and answers true (the owner then holds the
    // mouse and follows it with dragPosition).
    bool pressAt(int32_t x, int32_t y, int32_t position, int32_t lastPosition, const std::function<void(int32_t)>& page);
    // The position for the pointer at (x, y) while the thumb is held.
    int32_t dragPosition(int64_t x, int64_t y, int32_t lastPosition) const;

    int32_t grab = 0;  // where the held thumb was pressed, from its leading edge along the rail
};
