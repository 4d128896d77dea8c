// CursorLayer: the animated mouse pointer drawn over the scene, and its shapes.
//
// A shape is a sheet of equal frames in rows (left to right, top to bottom) on pure green, kept in
// the interface bitmap store. Frame 0 rests for a second (steps after more than 1000 ms), the other
// frames play at about 20 a second (more than 50 ms each) and the last returns to frame 0; elapsed
// times are unsigned differences of the millisecond tick count, so the count may wrap. The pointer's
// hot spot sits at the mouse position; the frame is clipped to the screen in use and copied with the
// source colour key. The screensaver selects no shape, so nothing is drawn.
// Ownership: the layer owns its CursorShape records; sheets belong to the store.
#pragma once

#include <cstdint>

#include "common/object_list.h"
#include "platform/ddraw/ddraw.h"
#include "saver/overlay/overlay_clip.h"

struct CursorShape {
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t framesPerRow = 0;  // sheet width / frame width, at least 1
    int32_t lastFrame = 0;     // 0: a still pointer
    int32_t hotX = 0;
    int32_t hotY = 0;
    int32_t sheet = -1;  // index in the interface bitmap store
};

// Where one frame lands: the destination corner and the part of the sheet to copy. `empty` when the
// frame lies wholly off the screen.
using PointerBlit = ClippedCopy;

// The frame `frame` of `shape` with its hot spot at (mouseX, mouseY), clipped to a screen of
// screenWidth x screenHeight.
PointerBlit clipPointerFrame(const CursorShape& shape, int32_t frame, int32_t mouseX, int32_t mouseY,
                             int32_t screenWidth, int32_t screenHeight);

class CursorLayer {
public:
    CursorLayer() = default;
    ~CursorLayer();
    CursorLayer(const CursorLayer&) = delete;
    CursorLayer& operator=(const CursorLayer&) = delete;

    // Selecting another shape starts it from frame 0 with no step taken; the same shape again
    // changes nothing.
    void select(int32_t shape);
    void draw(IDirectDrawSurface7* target, int32_t mouseX, int32_t mouseY, uint32_t nowMs);
    // Registers a shape whose sheet is added to the interface store and loaded at once. Returns its
    // index, or -1 when the sheet cannot be had or is narrower than one frame.
    int32_t addShape(IDirectDraw7* directDraw, const char* sheetName, int32_t frameWidth, int32_t frameHeight,
                     int32_t lastFrame, int32_t hotX, int32_t hotY);
    // Advances the animation of `shape` to the time nowMs (step 1 of drawing).
    void stepFrame(const CursorShape& shape, uint32_t nowMs);
    void deleteShapes();

    const CursorShape* shape(int32_t index) const { return shapes.at<CursorShape>(index); }

    int32_t selected = -1;
    int32_t frame = 0;
    uint32_t lastStep = 0;
    ObjectList shapes;  // CursorShape*, owned
};

extern CursorLayer cursorLayer;
