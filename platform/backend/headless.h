// The headless screen: a desktop in memory (VOREL_SCREEN, default 1024x768), always available.
//
// Windows are records with a size; nothing is drawn anywhere but into memory. The screen has one
// window that no program made: the preview host, handle kHostWindow (decimal 65536), sized
// kHostWidth x kHostHeight at the screen's top-left corner, for the preview run mode
// ("Vorel_Saver.scr /p 65536"). Scripted input (VOREL_INPUT) comes through the window layer.
// Presented frames are kept (a shared frame by reference, others copied): tests read the last one
// with lastPresentedFrame.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/backend/backend.h"

namespace platform::headless {

constexpr backend::WindowId kHostWindow = 65536;
constexpr int kHostWidth = 152;
constexpr int kHostHeight = 112;

struct PresentedFrame {
    backend::WindowId window = 0;
    int width = 0, height = 0;     // of the picture as presented (before any scaling)
    std::vector<uint32_t> pixels;  // X8R8G8B8, width * height, no padding
};

// False when the headless backend is not the current one or nothing was presented yet.
bool lastPresentedFrame(PresentedFrame* out);
// Frames presented since the backend was made.
long presentedFrameCount();
// The host window goes away (what the "destroy-host" scripted event does).
void destroyHostWindow();

}  // namespace platform::headless
