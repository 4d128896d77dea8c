// What happens to every presented frame besides being shown: PNG capture and the JSON trace.
//
// VOREL_CAPTURE=folder writes frame_NNNNNN.png (8-bit RGB, the front buffer's size, NNNNNN the
// frame number from 0) for every presented frame, or for every Nth with VOREL_CAPTURE_EVERY=N
// (frames 0, N, 2N, ...). VOREL_TRACE=file writes one JSON line per presented frame:
//   {"frame":N,"t":TICKS,"width":W,"height":H,"draws":D,"triangles":T,"eye":[x,y,z],"fog":B,"lights":[B,...]}
// with t from GetTickCount and the 3D figures of frame_trace.h. The variables are read at the first
// presented frame after start or after resetFrameOutput. Failures to write are silent (a capture
// folder that cannot be written gives no files; the run goes on).
#pragma once

#include <cstdint>

namespace platform::ddraw {

// pixels: X8R8G8B8, pitch in bytes; may be null when frameCapturedNext() said no.
void recordPresentedFrame(const uint32_t* pixels, int width, int height, int pitchBytes);
// Whether the next recorded frame is written as a picture (its pixels are needed).
bool frameCapturedNext();
// Number of frames presented since start or reset.
uint64_t presentedFrameCount();
// Closes the trace, forgets the settings and the frame count (tests).
void resetFrameOutput();

// Writes an X8R8G8B8 picture as an 8-bit RGB PNG; false when the file cannot be written.
bool writePng(const char* path, const uint32_t* pixels, int width, int height, int pitchBytes);

}  // namespace platform::ddraw
