// 16-bit rows widened to 0x00RRGGBB by arithmetic instead of a table, for layouts whose red, green
// and blue channels are each 4 to 8 bits wide within the 16 bits (565, 555, 4444 and the like).
// The values are rawToArgb's without alpha: a channel of w bits becomes its bits once from the top
// of the byte and its top bits again below them.
//
// Two ways, the faster one the processor has picked at run time:
// - AVX-512 (BW): 32 pixels a step in 16-bit lanes. Each channel is moved to the top of its word
//   and repeated by one high multiply (565 red: mulhi(v & 0xF800, 0x108) = r << 3 | r >> 2); green
//   and blue share the low word of a pixel, red is the high one, and one unpack each way makes
//   the 32-bit pixels. The last part of a row is a masked step.
// - AVX2: 8 pixels a step in 32-bit lanes by shifts, the last pixels one at a time.
// Both write exactly `width` pixels and read exactly `width` raw values, from any alignment.
#pragma once

#include <cstdint>

#include "platform/ddraw/pixel_formats.h"

namespace platform::ddraw {

enum class WideningWay { Fastest, Avx2, Avx512 };
// Streamed: where the way allows (AVX-512, a 4-byte aligned `out`), the row's whole 64-byte lines
// are written by streaming stores that do not keep them in the cache, for a picture no one here
// reads soon; the writer calls platform::backend::fenceStreamedCopies before another thread reads.
enum class WideningStores { Cached, Streamed };

// Whether `layout` can be widened by arithmetic: 16 bits, each colour channel 4 to 8 bits wide.
bool widensByArithmetic(const PixelLayout& layout);
// Whether this processor has what `way` needs (Fastest: either of the two).
bool processorWidens(WideningWay way);
// Widens `width` pixels of a 16-bit row into out the given way: false (nothing written) when the
// layout or the processor does not allow it.
bool widenRowByArithmetic(const PixelLayout& layout, const uint8_t* row, int width, uint32_t* out,
                          WideningWay way = WideningWay::Fastest, WideningStores stores = WideningStores::Cached);

}  // namespace platform::ddraw
