// 16-bit textures widened once into 32-bit ARGB copies, so the span routines read them through
// their 32-bit texel path (both texels of a bilinear pair in one 64-bit read, no channel unpacking
// per texel). Every copy holds exactly the colours decodeArgb gives the 16-bit texels, so pictures
// are unchanged.
//
// Copies are kept per surface and its write stamp (ddraw::Surface::writeStamp): a texture written
// since (a lock for writing, a blit, a loss) is widened again; surfaces without a stamp (memory
// surfaces) are never copied. At most kWideTextureBytes are kept; the least recently used copies
// go first. A returned copy stays alive while the caller holds it (the device keeps the copies of
// queued draws until they are drawn).
// The cache is process-wide and guarded for use from several devices' threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d/surface_lock.h"

namespace platform::d3d {

constexpr size_t kWideTextureBytes = size_t(64) << 20;

// The widened copy (rows of width 32-bit texels, tightly packed) of the locked 16-bit texture, or
// null when it cannot be kept (no stamp, not 16-bit, too large).
std::shared_ptr<const std::vector<uint32_t>> wideTexture(const SurfaceLock& texture);

// Drops every copy (tests; a device going away keeps them, they are keyed by stamp).
void forgetWideTextures();

}  // namespace platform::d3d
