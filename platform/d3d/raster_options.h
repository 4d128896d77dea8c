// Which rasterization path the 3D device takes, and on how many threads.
//
// Paths: Automatic uses the fastest span path this processor runs (AVX2 when present, else the
// portable one) for every draw whose render states it supports and the reference pipeline for the
// rest; Portable does the same without SIMD; Reference always takes the reference pipeline.
// The environment sets the starting values, read once: VOREL_DEVICE=reference|portable|auto,
// VOREL_SIMD=avx512|avx2 (the widest instructions the automatic path may use; default avx512,
// which falls back to AVX2 where the processor or the OS lacks AVX-512) and VOREL_THREADS=N
// (1..16; default: the processor count, at most 16). The setters override them for the whole
// process (tests and the benchmark compare paths in one run); they are not meant to be called
// while a device is drawing. The environment's or default thread count is paced: a device leaves
// its helpers out of scenes while the process keeps little of a core busy (helper_pacing.h). A
// count given to setRasterThreads is used for every scene unless `paced`.
#pragma once

namespace platform::d3d {

enum class RasterPath { Automatic, Portable, Reference };

RasterPath rasterPath();
void setRasterPath(RasterPath path);

int rasterThreads();  // >= 1
void setRasterThreads(int threads, bool paced = false);  // clamped to 1..16
bool rasterThreadsPaced();

// True when the processor and the build can run the AVX2 routines.
bool haveAvx2();

// The widest span routines the automatic path takes: Avx512 (sixteen pixels a group, where
// haveAvx512) or Avx2 (eight, even where AVX-512 is present: both stay testable on one machine).
enum class SimdLevel { Avx512, Avx2 };
SimdLevel simdLevel();
void setSimdLevel(SimdLevel level);

// True when the processor has AVX-512 F, BW, DQ and VL (and BMI2, which the wide routines also take)
// and the OS saves the registers they use.
bool haveAvx512();

// A level as VOREL_SIMD spells it ("avx512", "avx2"); false when unknown.
bool parseSimdLevel(const char* name, SimdLevel* out);

// Triangles drawn by the span path since the process started (tests check that it was taken).
unsigned long long spanPathTriangles();
void countSpanPathTriangles(unsigned long long n);

// Where the drawing time went since the process started, in nanoseconds of the drawing thread:
// vertex work (transform, lighting, fog), triangle work (assembly, clipping, set-up, and on the
// reference path the pixels too) and the span path's pixel work (all threads, wall time).
struct RasterTimes {
    unsigned long long vertexNs = 0, setupNs = 0, rasterNs = 0;
};
RasterTimes rasterTimes();
void addRasterTimes(const RasterTimes& t);
// Whether the drawing times above are kept at all. Off by default: they take several clock reads
// a draw call and two a chunk of a list, about a hundredth of a paced real run's processor time.
// The benchmark turns them on; the other figures (triangles, pixels) are kept either way.
bool rasterTimesWanted();
void wantRasterTimes(bool wanted);

// A path name as VOREL_DEVICE spells it ("auto", "portable", "reference"); false when unknown.
bool parseRasterPath(const char* name, RasterPath* out);

}  // namespace platform::d3d
