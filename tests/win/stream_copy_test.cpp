#include "platform/backend/stream_copy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using platform::backend::fenceStreamedCopies;
using platform::backend::streamCopy;

// Every start alignment of both areas and lengths around the 32-byte steps: exactly the bytes
// asked for are copied, nothing before or after them is touched.
TEST(StreamCopy, CopiesExactlyTheBytesAskedForAtEveryAlignment) {
    std::vector<unsigned char> from(400), to(400);
    for (size_t i = 0; i < from.size(); ++i) from[i] = static_cast<unsigned char>(i * 37 + 11);
    const size_t lengths[] = {0, 1, 5, 31, 32, 33, 63, 64, 65, 100, 257, 300};
    for (size_t toAt = 0; toAt < 40; ++toAt)
        for (size_t fromAt : {size_t(0), size_t(3), size_t(32), size_t(45)})
            for (size_t n : lengths) {
                std::fill(to.begin(), to.end(), 0xEE);
                streamCopy(to.data() + toAt, from.data() + fromAt, n);
                fenceStreamedCopies();
                for (size_t i = 0; i < to.size(); ++i) {
                    const bool inside = i >= toAt && i < toAt + n;
                    ASSERT_EQ(to[i], inside ? from[fromAt + i - toAt] : 0xEE)
                        << "byte " << i << ", to at " << toAt << ", from at " << fromAt << ", " << n << " bytes";
                }
            }
}

}  // namespace
