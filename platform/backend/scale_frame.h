// Fitting a presented frame into a window: the whole picture stays visible at the largest size that
// fits, centred, with black bars where the shapes differ; pixels are sampled from the nearest
// source pixel (pixel centres), so an integer enlargement repeats each pixel exactly.
// Pixels are 32-bit X8R8G8B8; pitches in bytes. Nothing is read or written outside the given
// areas; empty or negative sizes do nothing.
#pragma once

#include <cstdint>

#include "platform/backend/backend.h"

namespace platform::backend {

struct FitRect {
    int x = 0, y = 0, width = 0, height = 0;
};

FitRect fitPicture(int srcWidth, int srcHeight, int dstWidth, int dstHeight);

// paintBars false leaves the bars as they are: for a caller that painted them black for the same
// sizes before and has not written there since.
void scaleInto(const uint32_t* src, int srcWidth, int srcHeight, int srcPitchBytes, uint32_t* dst, int dstWidth,
               int dstHeight, int dstPitchBytes, bool paintBars = true);
// The same for a frame given row by row: the same pixels as scaleInto of the whole frame its rows
// make, each row asked for at most once, in rising order, and none of them written whole.
void scaleRowsInto(const FrameRows& src, uint32_t* dst, int dstWidth, int dstHeight, int dstPitchBytes,
                   bool paintBars = true);

}  // namespace platform::backend
