// vorel_bench: measures the software 3D device on synthetic scenes shaped like the saver's views,
// and (--compare) sets it side by side with Mesa's llvmpipe drawing the same frames.
//
//   vorel_bench [--json] [--frames N] [--scene NAME]... [--resolution WxH]... [--threads 1,2]
//               [--device auto|portable|reference] [--pace MS] [--present] [--compare [--runs N]] [--ab]
//
// Scenes: fill, fill-nofog, fill-nearest, fill-flat, objects, shells, world, inside, outside
// (see synthetic_scene.h); all of them unless named. Resolutions 640x480, 800x600 and 1920x1080
// unless given; thread counts 1 and 2 unless given. A plain run renders each scene into a 32-bit
// target with a 32-bit z-buffer: two warm-up frames, then N timed frames (default 10), and prints
// the median and 95th-percentile milliseconds per frame, million pixel centres shaded per second,
// triangles submitted per second and the split of the time between vertex work, triangle set-up
// and rasterization, as a table or (--json) a JSON array. --compare runs ours and llvmpipe in
// alternating worker processes (--runs pairs, default 5) and adds llvmpipe's median, the ratio
// (llvmpipe ms / ours ms) and the PSNR of the two pictures. --pace MS sleeps MS between frames, as
// the saver's 64 Hz timer does (a frame then starts with the caches as the idle time left them);
// --present ends each story frame with the frame loop's flip. "cpu ms" is the drawing thread's
// processor time per frame (median). --ab runs every scene twice, its frames alternating the
// two settings of platform/d3d/trial_setting.h in both orders, and prints each setting's median
// in each order and the difference (ab_trial.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d/raster_options.h"
#include "tools/vorel_bench/ab_trial.h"
#include "tools/vorel_bench/bench_run.h"
#include "tools/vorel_bench/compare.h"
#include "tools/vorel_bench/synthetic_scene.h"

namespace {

struct Options {
    bool json = false, compare = false, ab = false;
    int frames = 10, runs = 5;
    bench::FramePacing pacing;
    std::vector<std::string> scenes;
    std::vector<std::pair<int, int>> resolutions;
    std::vector<int> threads;
    std::string worker, picture;
};

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: vorel_bench [--json] [--frames N] [--scene NAME]... [--resolution WxH]...\n"
                 "                   [--threads 1,2] [--device auto|portable|reference] [--pace MS] [--present]\n"
                 "                   [--compare [--runs N]] [--ab]\n"
                 "Renders synthetic scenes on the software 3D device and prints time per frame (median, 95th\n"
                 "percentile), million pixels shaded per second, triangles per second and where the time went;\n"
                 "--compare also draws the same frames with OpenGL on Mesa's llvmpipe in separate processes.\n"
                 "--pace MS sleeps MS between frames as the saver's timer does; --present ends each story frame\n"
                 "with the flip to the screen; cpu ms is the drawing thread's processor time per frame.\n"
                 "--ab weighs the device's trial setting B against A inside one process: every scene runs\n"
                 "twice, even frames A and odd ones B, then even B and odd A; it prints each setting's median\n"
                 "cpu ms in each order and (B - A) / 2 over the orders, and whether the pictures differ.\n"
                 "Scenes:");
    for (const std::string& s : bench::syntheticSceneNames()) std::fprintf(out, " %s", s.c_str());
    std::fprintf(out, "\n"
                 "        story-outside story-inside story@MS (the real story from vorel_screensaver.pak at\n"
                 "        that moment; asked by name only, not part of the default set)\n"
                 "        real-outside real-inside real@MS (the same story as a real run draws it with the\n"
                 "        configuration program's defaults: detail level 1, transparency off, 16-bit mode)\n"
                 "        low-outside low-inside low@MS (as the saver draws it without a settings file:\n"
                 "        detail level 0, transparency off, 16-bit mode)\n");
}

bool parseThreads(const char* text, std::vector<int>* out) {
    out->clear();
    for (const char* p = text; *p;) {
        char* end = nullptr;
        long n = std::strtol(p, &end, 10);
        if (end == p || n < 1 || n > 16) return false;
        out->push_back(int(n));
        p = *end == ',' ? end + 1 : end;
        if (*end && *end != ',') return false;
    }
    return !out->empty();
}

// 0: run; 1: done (help); 2: bad arguments.
int parse(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 1;
        } else if (a == "--json") {
            o->json = true;
        } else if (a == "--compare") {
            o->compare = true;
        } else if (a == "--ab") {
            o->ab = true;
        } else if (a == "--frames" && hasValue) {
            o->frames = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--runs" && hasValue) {
            o->runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--pace" && hasValue) {
            o->pacing.paceMs = std::atoi(argv[++i]);
            if (o->pacing.paceMs < 0 || o->pacing.paceMs > 1000) return 2;
        } else if (a == "--present") {
            o->pacing.present = true;
        } else if (a == "--scene" && hasValue) {
            o->scenes.push_back(argv[++i]);
        } else if (a == "--resolution" && hasValue) {
            int w = 0, h = 0;
            if (std::sscanf(argv[++i], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0 || w > 8192 || h > 8192) return 2;
            o->resolutions.push_back({w, h});
        } else if (a == "--threads" && hasValue) {
            if (!parseThreads(argv[++i], &o->threads)) return 2;
        } else if (a == "--device" && hasValue) {
            platform::d3d::RasterPath path;
            if (!platform::d3d::parseRasterPath(argv[++i], &path)) return 2;
            platform::d3d::setRasterPath(path);
        } else if (a == "--worker" && hasValue) {
            o->worker = argv[++i];
        } else if (a == "--picture" && hasValue) {
            o->picture = argv[++i];
        } else {
            return 2;
        }
    }
    // The comparison's worker processes neither pace nor present.
    if (o->compare && (o->pacing.paceMs > 0 || o->pacing.present)) {
        std::fprintf(stderr, "vorel_bench: --pace and --present do not go with --compare\n");
        return 2;
    }
    if (o->compare && o->ab) {
        std::fprintf(stderr, "vorel_bench: --ab does not go with --compare\n");
        return 2;
    }
    if (o->scenes.empty()) o->scenes = bench::syntheticSceneNames();
    if (o->resolutions.empty()) o->resolutions = {{640, 480}, {800, 600}, {1920, 1080}};
    if (o->threads.empty()) o->threads = {1, 2};
    return 0;
}

// Rows as a JSON array, one object a line; `object` prints one row's object without a separator.
template <class Row, class Print>
void printJsonArray(const std::vector<Row>& rows, Print object) {
    std::printf("[\n");
    for (size_t i = 0; i < rows.size(); ++i) {
        object(rows[i]);
        std::printf("%s\n", i + 1 < rows.size() ? "," : "");
    }
    std::printf("]\n");
}

void printRuns(const std::vector<bench::RunResult>& results, bool json) {
    if (json) {
        printJsonArray(results, [](const bench::RunResult& r) {
            std::printf("  {\"scene\": \"%s\", \"resolution\": \"%dx%d\", \"threads\": %d, \"frames\": %zu, "
                        "\"ms_per_frame\": %.3f, \"p95_ms\": %.3f, \"cpu_ms\": %.3f, \"mpix_per_s\": %.2f, \"tris_per_s\": %.0f, "
                        "\"vertex_ms\": %.3f, \"setup_ms\": %.3f, \"raster_ms\": %.3f, \"skipped_calls\": %.1f, "
                        "\"skipped_tris\": %.0f}",
                        r.scene.c_str(), r.width, r.height, r.threads, r.frameMs.size(), r.medianMs(),
                        r.percentileMs(95), r.medianCpuMs(), r.mpixPerSecond(), r.trianglesPerSecond(), r.vertexMs, r.setupMs,
                        r.rasterMs, r.skippedCalls, r.skippedTriangles);
        });
        return;
    }
    std::printf("%-13s %-10s %3s %9s %9s %9s %10s %12s %9s %9s %9s %9s\n", "scene", "resolution", "thr", "ms/frame",
                "p95 ms", "cpu ms", "Mpix/s", "tris/s", "vertex", "setup", "raster", "skipped");
    for (const bench::RunResult& r : results) {
        char res[32];
        std::snprintf(res, sizeof res, "%dx%d", r.width, r.height);
        std::printf("%-13s %-10s %3d %9.2f %9.2f %9.2f %10.1f %12.0f %9.2f %9.2f %9.2f %9.0f\n", r.scene.c_str(),
                    res, r.threads, r.medianMs(), r.percentileMs(95), r.medianCpuMs(), r.mpixPerSecond(), r.trianglesPerSecond(), r.vertexMs,
                    r.setupMs, r.rasterMs, r.skippedTriangles);
    }
}

void printComparison(const std::vector<bench::CompareRow>& rows, bool json) {
    if (json) {
        printJsonArray(rows, [](const bench::CompareRow& r) {
            std::printf("  {\"scene\": \"%s\", \"resolution\": \"%dx%d\", \"threads\": %d, \"runs\": %d, "
                        "\"ours_ms\": %.3f, \"llvmpipe_ms\": %.3f, \"ratio\": %.2f, \"psnr\": %.1f, "
                        "\"ours_p95_ms\": %.3f, \"llvmpipe_p95_ms\": %.3f, \"mpix_per_s\": %.2f, \"tris_per_s\": %.0f}",
                        r.scene.c_str(), r.width, r.height, r.threads, r.runs, r.oursMs, r.llvmpipeMs, r.ratio, r.psnr,
                        r.oursP95, r.llvmpipeP95, r.mpixPerSecond, r.trianglesPerSecond);
        });
        return;
    }
    std::printf("%-13s %-10s %3s %9s %12s %7s %8s %10s\n", "scene", "resolution", "thr", "ours ms", "llvmpipe ms",
                "ratio", "PSNR dB", "Mpix/s");
    for (const bench::CompareRow& r : rows) {
        char res[32];
        std::snprintf(res, sizeof res, "%dx%d", r.width, r.height);
        std::printf("%-13s %-10s %3d %9.2f %12.2f %7.2f %8.1f %10.1f\n", r.scene.c_str(), res, r.threads, r.oursMs,
                    r.llvmpipeMs, r.ratio, r.psnr, r.mpixPerSecond);
    }
}

// Each scene twice, in both orders of the trial settings; false (with the message printed) when
// a scene could not be drawn.
bool runAb(const Options& o, std::vector<bench::AbRow>* rows) {
    for (const std::string& scene : o.scenes)
        for (auto [w, h] : o.resolutions)
            for (int t : o.threads) {
                bench::AbRow row{scene, w, h, t, o.frames, {}, {}, false};
                std::vector<uint8_t> pictures[2];
                for (int order = 0; order < 2; ++order) {
                    bench::FramePacing pacing = o.pacing;
                    pacing.abOrder = order;
                    bench::setFramePacing(pacing);
                    bench::RunResult r;
                    if (!bench::runOurs(scene, w, h, t, o.frames, &r)) {
                        std::fprintf(stderr, "vorel_bench: scene \"%s\" is unknown or could not be drawn\n",
                                     scene.c_str());
                        return false;
                    }
                    row.threads = r.threads;
                    row.cpu.order[order] = bench::abMedians(r.frameCpuMs, 2, order);
                    row.wall.order[order] = bench::abMedians(r.frameMs, 2, order);
                    pictures[order] = std::move(r.rgb);
                }
                // The kept picture is one frame's, drawn with A in one order and B in the other.
                row.picturesDiffer = pictures[0] != pictures[1];
                rows->push_back(row);
            }
    return true;
}

void printAb(const std::vector<bench::AbRow>& rows, bool json) {
    if (json) {
        printJsonArray(rows, [](const bench::AbRow& r) {
            std::printf("  {\"scene\": \"%s\", \"resolution\": \"%dx%d\", \"threads\": %d, \"frames\": %d, "
                        "\"cpu_ms\": {\"a_first\": [%.3f, %.3f], \"b_first\": [%.3f, %.3f], \"delta\": %.4f, "
                        "\"delta_percent\": %.2f}, \"wall_ms\": {\"a_first\": [%.3f, %.3f], \"b_first\": [%.3f, %.3f], "
                        "\"delta\": %.4f, \"delta_percent\": %.2f}, \"pictures_differ\": %s}",
                        r.scene.c_str(), r.width, r.height, r.threads, r.frames, r.cpu.order[0].a, r.cpu.order[0].b,
                        r.cpu.order[1].a, r.cpu.order[1].b, r.cpu.deltaMs(), r.cpu.deltaPercent(), r.wall.order[0].a,
                        r.wall.order[0].b, r.wall.order[1].a, r.wall.order[1].b, r.wall.deltaMs(),
                        r.wall.deltaPercent(), r.picturesDiffer ? "true" : "false");
        });
        return;
    }
    std::printf("%-13s %-10s %3s %6s | %-25s %-25s | %-16s | %-16s |\n", "", "", "", "", "cpu ms, even A / odd B",
                "cpu ms, even B / odd A", "B-A cpu", "B-A wall");
    std::printf("%-13s %-10s %3s %6s | %12s %12s %12s %12s | %8s %7s | %8s %7s | %s\n", "scene", "resolution", "thr",
                "frames", "A", "B", "A", "B", "ms", "%", "ms", "%", "pictures");
    for (const bench::AbRow& r : rows) {
        char res[32];
        std::snprintf(res, sizeof res, "%dx%d", r.width, r.height);
        std::printf("%-13s %-10s %3d %6d | %12.3f %12.3f %12.3f %12.3f | %+8.3f %+6.2f%% | %+8.3f %+6.2f%% | %s\n",
                    r.scene.c_str(), res, r.threads, r.frames, r.cpu.order[0].a, r.cpu.order[0].b, r.cpu.order[1].a,
                    r.cpu.order[1].b, r.cpu.deltaMs(), r.cpu.deltaPercent(), r.wall.deltaMs(), r.wall.deltaPercent(),
                    r.picturesDiffer ? "differ" : "same");
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    int parsed = parse(argc, argv, &o);
    if (parsed == 1) return 0;
    if (parsed == 2) {
        usage(stderr);
        return 2;
    }
    if (!o.worker.empty()) {
        auto [w, h] = o.resolutions.front();
        return bench::runWorker(o.worker, o.scenes.front(), w, h, o.threads.front(), o.frames,
                                o.picture.empty() ? "/dev/null" : o.picture);
    }
    if (o.compare) {
        std::vector<bench::CompareRow> rows;
        std::string error;
        if (!bench::runComparison({o.scenes, o.resolutions, o.threads, o.runs, o.frames}, &rows, &error)) {
            std::fprintf(stderr, "vorel_bench: %s\n", error.c_str());
            return 1;
        }
        printComparison(rows, o.json);
        return 0;
    }
    if (o.ab) {
        std::vector<bench::AbRow> rows;
        if (!runAb(o, &rows)) return 2;
        printAb(rows, o.json);
        return 0;
    }
    bench::setFramePacing(o.pacing);
    std::vector<bench::RunResult> results;
    for (const std::string& scene : o.scenes)
        for (auto [w, h] : o.resolutions)
            for (int t : o.threads) {
                bench::RunResult r;
                if (!bench::runOurs(scene, w, h, t, o.frames, &r)) {
                    std::fprintf(stderr, "vorel_bench: scene \"%s\" is unknown or could not be drawn\n", scene.c_str());
                    return 2;
                }
                results.push_back(r);
            }
    printRuns(results, o.json);
    return 0;
}
