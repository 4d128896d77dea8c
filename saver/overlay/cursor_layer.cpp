#include "saver/overlay/cursor_layer.h"

#include <cstdint>

#include "saver/overlay/overlay_display.h"

CursorLayer cursorLayer;

PointerBlit clipPointerFrame(const CursorShape& shape, int32_t frame, int32_t mouseX, int32_t mouseY,
                             int32_t screenWidth, int32_t screenHeight) {
    if (shape.framesPerRow <= 0 || shape.frameWidth <= 0 || shape.frameHeight <= 0) return {};
    const int32_t row = frame / shape.framesPerRow;
    const int32_t column = frame - row * shape.framesPerRow;
    const int64_t cellLeft = int64_t{column} * shape.frameWidth, cellTop = int64_t{row} * shape.frameHeight;
    if (frame < 0 || cellTop + shape.frameHeight > INT32_MAX || cellLeft + shape.frameWidth > INT32_MAX) return {};
    const RECT cell = {static_cast<LONG>(cellLeft), static_cast<LONG>(cellTop),
                       static_cast<LONG>(cellLeft + shape.frameWidth), static_cast<LONG>(cellTop + shape.frameHeight)};
    return clipCopy(int64_t{mouseX} - shape.hotX, int64_t{mouseY} - shape.hotY, cell, screenWidth, screenHeight);
}

CursorLayer::~CursorLayer() { deleteShapes(); }

void CursorLayer::select(int32_t index) {
    if (index == selected) return;
    selected = index;
    frame = 0;
    lastStep = 0;
}

void CursorLayer::stepFrame(const CursorShape& s, uint32_t nowMs) {
    if (s.lastFrame == 0) return;
    const uint32_t elapsed = nowMs - lastStep;
    if (frame == 0 ? elapsed > 1000 : elapsed > 50) {
        frame = frame >= s.lastFrame ? 0 : frame + 1;
        lastStep = nowMs;
    }
}

void CursorLayer::draw(IDirectDrawSurface7* target, int32_t mouseX, int32_t mouseY, uint32_t nowMs) {
    const CursorShape* s = shape(selected);
    if (!s || !target) return;
    stepFrame(*s, nowMs);
    int screenWidth = 0, screenHeight = 0;
    overlayDisplay().screenSize(screenWidth, screenHeight);
    PointerBlit blit = clipPointerFrame(*s, frame, mouseX, mouseY, screenWidth, screenHeight);
    IDirectDrawSurface7* sheet = overlayDisplay().image(s->sheet);
    if (blit.empty || !sheet) return;
    target->BltFast(static_cast<DWORD>(blit.x), static_cast<DWORD>(blit.y), sheet, &blit.source,
                    DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT);
}

int32_t CursorLayer::addShape(IDirectDraw7* directDraw, const char* sheetName, int32_t frameWidth,
                              int32_t frameHeight, int32_t lastFrame, int32_t hotX, int32_t hotY) {
    if (!sheetName || frameWidth <= 0 || frameHeight <= 0 || lastFrame < 0) return -1;
    OverlayDisplay& display = overlayDisplay();
    const int32_t sheet = display.addImage(directDraw, sheetName);
    IDirectDrawSurface7* surface = sheet >= 0 ? display.image(sheet) : nullptr;
    DDSURFACEDESC2 desc = {};
    desc.dwSize = sizeof desc;
    if (!surface || surface->GetSurfaceDesc(&desc) != DD_OK) return -1;
    const int32_t framesPerRow = static_cast<int32_t>(desc.dwWidth / static_cast<DWORD>(frameWidth));
    if (framesPerRow == 0) return -1;  // a sheet narrower than one frame has no place for frames
    auto* s = new CursorShape{frameWidth, frameHeight, framesPerRow, lastFrame, hotX, hotY, sheet};
    const int32_t index = shapes.add(s);
    if (index < 0) delete s;
    return index;
}

void CursorLayer::deleteShapes() {
    for (int i = 0; i < shapes.count; ++i) delete shapes.at<CursorShape>(i);
    shapes.clear();
    selected = -1;
    frame = 0;
    lastStep = 0;
}
