#include "platform/backend/stream_copy.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VOREL_STREAM_AVX2 1
#endif

namespace platform::backend {

namespace {

#ifdef VOREL_STREAM_AVX2
__attribute__((target("avx2"))) void streamCopyAvx2(unsigned char* to, const unsigned char* from, size_t bytes) {
    const size_t head = std::min(bytes, (32 - (reinterpret_cast<uintptr_t>(to) & 31)) & 31);
    std::memcpy(to, from, head);
    size_t i = head;
    for (; i + 32 <= bytes; i += 32)
        _mm256_stream_si256(reinterpret_cast<__m256i*>(to + i),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i)));
    std::memcpy(to + i, from + i, bytes - i);
}

bool hasAvx2() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}
#endif

}  // namespace

void streamCopy(void* to, const void* from, size_t bytes) {
#ifdef VOREL_STREAM_AVX2
    if (hasAvx2()) return streamCopyAvx2(static_cast<unsigned char*>(to), static_cast<const unsigned char*>(from), bytes);
#endif
    std::memcpy(to, from, bytes);
}

void fenceStreamedCopies() {
#ifdef VOREL_STREAM_AVX2
    _mm_sfence();
#endif
}

}  // namespace platform::backend
