// Copying bytes past the caches: for memory written now and read only much later if at all (a
// front buffer's own copy of a flipped picture), where ordinary stores would first read every line
// into the caches and push out what the program is still using.
//
// streamCopy writes with streaming stores from the first 32-byte boundary of `to` on where the
// processor has AVX2, else copies plainly; the areas must not overlap. Streamed bytes become
// visible to other threads and processes only in some order: call fenceStreamedCopies before
// telling anyone that the memory is ready. The copying thread itself reads them back as usual.
#pragma once

#include <cstddef>

namespace platform::backend {

void streamCopy(void* to, const void* from, size_t bytes);
void fenceStreamedCopies();

}  // namespace platform::backend
