// The side-by-side with llvmpipe: each measurement runs in a fresh process, ours and llvmpipe
// taking turns, so neither gains from the other's warm caches or threads.
//
// For every scene, resolution and thread count: `runs` pairs of worker processes (this program
// with --worker ours|llvmpipe), our device with VOREL_THREADS=t and llvmpipe with LP_NUM_THREADS
// 0 for one thread (Mesa draws on the calling thread) or t otherwise. Each worker prints its
// median frame time and leaves its last picture in a scratch file; the row keeps the median of
// the medians, ratio = llvmpipe ms / ours ms, and the PSNR of the two pictures.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct CompareRow {
    std::string scene;
    int width = 0, height = 0, threads = 1, runs = 0;
    double oursMs = 0, llvmpipeMs = 0, ratio = 0, psnr = 0;
    double oursP95 = 0, llvmpipeP95 = 0, mpixPerSecond = 0, trianglesPerSecond = 0;
};

struct CompareJob {
    std::vector<std::string> scenes;
    std::vector<std::pair<int, int>> resolutions;
    std::vector<int> threads;
    int runs = 5, frames = 10;
};

bool runComparison(const CompareJob& job, std::vector<CompareRow>* rows, std::string* error);

// Peak signal-to-noise ratio of two RGB pictures of the same size, in dB (99 when identical).
double psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b);

// The worker's side: runs one measurement and prints "median p95 mpix tris" on one line; writes
// the last picture (raw RGB) to picturePath. Returns the process exit code.
int runWorker(const std::string& side, const std::string& scene, int width, int height, int threads, int frames,
              const std::string& picturePath);

}  // namespace bench
