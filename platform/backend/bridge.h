// The bridge between the window-system backend and the display layer (DirectDraw surfaces).
//
// Both sides live in platform/ but neither links against the other: frames are shown and the
// desktop is measured by the process's backend (platform/backend/backend.h), unless a test
// registered its own functions; the display layer registers a listener for display events
// (visibility lost, display taken by another program), which the backend and the window layer
// raise.
// Single-threaded: called from the program's one UI thread.
#pragma once

#include <cstdint>

#include "platform/backend/backend.h"
#include "platform/win/wintypes.h"

namespace platform::bridge {

// Shows a frame in a window: 32-bit X8R8G8B8 pixels, pitch in bytes. The backend scales the picture
// to the window keeping the whole picture visible. Returns false when nothing could be shown.
using PresentFn = bool (*)(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes);
void setPresent(PresentFn fn);
bool present(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes);
// The same for a frame (width * height pixels, rows packed) that its maker never changes while
// anyone else holds it: the backend may keep it instead of copying it (Backend::presentShared).
// A test's registered function sees it as plain pixels, or whole with setPresentShared.
using SharedFrame = backend::SharedFrame;
bool presentShared(HWND window, SharedFrame frame, int width, int height);
using PresentSharedFn = bool (*)(HWND window, SharedFrame frame, int width, int height);
void setPresentShared(PresentSharedFn fn);

// A frame given row by row (backend::FrameRows) for a backend that fits frames into an image of
// its own: presentsRows tells whether that is the cheaper way to show a frame that must be widened
// (false while a test's whole-frame functions are registered, unless it registered setPresentRows
// too); presentRows shows it as present would show the same pixels whole.
using FrameRows = backend::FrameRows;
bool presentsRows();
bool presentRows(HWND window, const FrameRows& frame);
using PresentRowsFn = bool (*)(HWND window, const FrameRows& frame);
void setPresentRows(PresentRowsFn fn);

// Desktop size in pixels.
using DesktopSizeFn = void (*)(int* width, int* height);
void setDesktopSize(DesktopSizeFn fn);
void desktopSize(int* width, int* height);

// Display events raised by the backend (or by tests) and observed by the display layer.
enum class DisplayEvent {
    Hidden,  // the window became invisible: surfaces are lost
    Shown,   // visible again (surfaces stay lost until restored)
    Taken,   // another program holds the display: the cooperative-level test fails
    Given,   // the display is back
};
using DisplayListener = void (*)(DisplayEvent);
void setDisplayListener(DisplayListener fn);
void raise(DisplayEvent event);

// Forgets every registration (tests).
void reset();

}  // namespace platform::bridge
