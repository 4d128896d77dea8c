// Rasterization path and thread count: environment defaults and process-wide overrides.
#include "platform/d3d/raster_options.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#endif

namespace platform::d3d {

namespace {

constexpr int kMaxThreads = 16;

RasterPath pathFromEnvironment() {
    RasterPath p = RasterPath::Automatic;
    const char* v = std::getenv("VOREL_DEVICE");
    if (v) parseRasterPath(v, &p);
    return p;
}

int threadsFromEnvironment() {
    const char* v = std::getenv("VOREL_THREADS");
    if (v && *v) {
        char* end = nullptr;
        long n = std::strtol(v, &end, 10);
        if (end && *end == '\0' && n >= 1) return int(std::min<long>(n, kMaxThreads));
    }
    unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(int(cores), 1, kMaxThreads);
}

std::atomic<int>& pathSlot() {
    static std::atomic<int> slot{int(pathFromEnvironment())};
    return slot;
}

std::atomic<int>& simdSlot() {
    static std::atomic<int> slot{[] {
        SimdLevel level = SimdLevel::Avx512;
        if (const char* v = std::getenv("VOREL_SIMD")) parseSimdLevel(v, &level);
        return int(level);
    }()};
    return slot;
}

std::atomic<int>& threadSlot() {
    static std::atomic<int> slot{threadsFromEnvironment()};
    return slot;
}

}  // namespace

bool parseRasterPath(const char* name, RasterPath* out) {
    if (!name) return false;
    if (std::strcmp(name, "reference") == 0) *out = RasterPath::Reference;
    else if (std::strcmp(name, "portable") == 0) *out = RasterPath::Portable;
    else if (std::strcmp(name, "auto") == 0 || std::strcmp(name, "fast") == 0) *out = RasterPath::Automatic;
    else return false;
    return true;
}

bool parseSimdLevel(const char* name, SimdLevel* out) {
    if (!name) return false;
    if (std::strcmp(name, "avx512") == 0) *out = SimdLevel::Avx512;
    else if (std::strcmp(name, "avx2") == 0) *out = SimdLevel::Avx2;
    else return false;
    return true;
}

SimdLevel simdLevel() { return SimdLevel(simdSlot().load(std::memory_order_relaxed)); }
void setSimdLevel(SimdLevel level) { simdSlot().store(int(level), std::memory_order_relaxed); }

RasterPath rasterPath() { return RasterPath(pathSlot().load(std::memory_order_relaxed)); }
void setRasterPath(RasterPath path) { pathSlot().store(int(path), std::memory_order_relaxed); }

namespace {
std::atomic<bool>& pacedSlot() {
    static std::atomic<bool> slot{true};
    return slot;
}
}  // namespace

int rasterThreads() { return threadSlot().load(std::memory_order_relaxed); }
void setRasterThreads(int threads, bool paced) {
    threadSlot().store(std::clamp(threads, 1, kMaxThreads), std::memory_order_relaxed);
    pacedSlot().store(paced, std::memory_order_relaxed);
}
bool rasterThreadsPaced() { return pacedSlot().load(std::memory_order_relaxed); }

namespace {
std::atomic<unsigned long long> spanTriangles{0};
std::atomic<unsigned long long> vertexNs{0}, setupNs{0}, rasterNs{0};
std::atomic<bool> timesWanted{false};
}  // namespace

bool rasterTimesWanted() { return timesWanted.load(std::memory_order_relaxed); }
void wantRasterTimes(bool wanted) { timesWanted.store(wanted, std::memory_order_relaxed); }

RasterTimes rasterTimes() { return {vertexNs.load(), setupNs.load(), rasterNs.load()}; }
void addRasterTimes(const RasterTimes& t) {
    vertexNs.fetch_add(t.vertexNs, std::memory_order_relaxed);
    setupNs.fetch_add(t.setupNs, std::memory_order_relaxed);
    rasterNs.fetch_add(t.rasterNs, std::memory_order_relaxed);
}

unsigned long long spanPathTriangles() { return spanTriangles.load(std::memory_order_relaxed); }
void countSpanPathTriangles(unsigned long long n) { spanTriangles.fetch_add(n, std::memory_order_relaxed); }

bool haveAvx2() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

bool haveAvx512() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool has = [] {
        if (!__builtin_cpu_supports("avx512f") || !__builtin_cpu_supports("avx512bw") ||
            !__builtin_cpu_supports("avx512dq") || !__builtin_cpu_supports("avx512vl") ||
            !__builtin_cpu_supports("bmi2"))  // the wide first pass also takes BMI2's bit instructions
            return false;
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_OSXSAVE)) return false;
        // XCR0: the OS must save the SSE, AVX, mask and both upper zmm states (bits 1, 2, 5, 6, 7).
        unsigned lo = 0, hi = 0;
        __asm__("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
        return (lo & 0xE6u) == 0xE6u;
    }();
    return has;
#else
    return false;
#endif
}

}  // namespace platform::d3d
