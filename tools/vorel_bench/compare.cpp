// The side-by-side with llvmpipe: worker processes, medians, picture comparison.
#include "tools/vorel_bench/compare.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/vorel_bench/bench_run.h"
#include "tools/vorel_bench/gl_replay.h"

namespace bench {

double psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    double mse = sum / double(a.size());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

int runWorker(const std::string& side, const std::string& scene, int width, int height, int threads, int frames,
              const std::string& picturePath) {
    RunResult r;
    std::string error;
    bool ok = side == "ours" ? runOurs(scene, width, height, threads, frames, &r)
                             : runLlvmpipe(scene, width, height, frames, &r, &error);
    if (!ok) {
        std::fprintf(stderr, "vorel_bench worker: %s\n", error.empty() ? "unknown scene" : error.c_str());
        return 1;
    }
    std::ofstream(picturePath, std::ios::binary).write(reinterpret_cast<const char*>(r.rgb.data()),
                                                       std::streamsize(r.rgb.size()));
    std::printf("%.4f %.4f %.3f %.0f\n", r.medianMs(), r.percentileMs(95), r.mpixPerSecond(), r.trianglesPerSecond());
    return 0;
}

namespace {

struct WorkerOutput {
    double median = 0, p95 = 0, mpix = 0, tris = 0;
    std::vector<unsigned char> picture;
};

bool launch(const std::string& environment, const std::string& side, const std::string& scene, int w, int h,
            int threads, int frames, WorkerOutput* out, std::string* error) {
    std::string picture = "/tmp/vorel_bench_" + std::to_string(getpid()) + "_" + side + ".rgb";
    std::string command = environment + " '" + selfPath() + "' --worker " + side + " --scene " + scene +
                          " --resolution " + std::to_string(w) + "x" + std::to_string(h) + " --threads " +
                          std::to_string(threads) + " --frames " + std::to_string(frames) + " --picture " + picture;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return *error = "cannot start " + command, false;
    int fields = std::fscanf(p, "%lf %lf %lf %lf", &out->median, &out->p95, &out->mpix, &out->tris);
    int status = pclose(p);
    if (fields != 4 || status != 0) return *error = "worker failed: " + command, false;
    std::ifstream in(picture, std::ios::binary);
    out->picture.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::remove(picture.c_str());
    return true;
}

}  // namespace

bool runComparison(const CompareJob& job, std::vector<CompareRow>* rows, std::string* error) {
    for (const std::string& scene : job.scenes)
        for (auto [w, h] : job.resolutions)
            for (int t : job.threads) {
                std::string ours = "VOREL_THREADS=" + std::to_string(t);
                std::string mesa = "LP_NUM_THREADS=" + std::to_string(t == 1 ? 0 : t);
                std::vector<double> oursMs, glMs, oursP95, glP95;
                CompareRow row;
                WorkerOutput a, b;
                for (int run = 0; run < job.runs; ++run) {
                    if (!launch(ours, "ours", scene, w, h, t, job.frames, &a, error)) return false;
                    if (!launch(mesa, "llvmpipe", scene, w, h, t, job.frames, &b, error)) return false;
                    oursMs.push_back(a.median), glMs.push_back(b.median);
                    oursP95.push_back(a.p95), glP95.push_back(b.p95);
                    row.mpixPerSecond = a.mpix, row.trianglesPerSecond = a.tris;
                }
                row.scene = scene;
                row.width = w, row.height = h, row.threads = t, row.runs = job.runs;
                row.oursMs = medianOf(oursMs), row.llvmpipeMs = medianOf(glMs);
                row.oursP95 = medianOf(oursP95), row.llvmpipeP95 = medianOf(glP95);
                row.ratio = row.oursMs > 0 ? row.llvmpipeMs / row.oursMs : 0;
                row.psnr = psnr(a.picture, b.picture);
                rows->push_back(row);
            }
    return true;
}

}  // namespace bench
