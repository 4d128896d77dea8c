// The real story as a benchmark scene: the saver's own display set-up, archive, scene build, 3D
// device and textures, advanced without drawing to a moment of the story and then timed frame by
// frame exactly as the frame loop draws (clear, begin, the scene's frame, end; 16 ms of story per
// frame). Scenes: "story-outside" (8 s: the approach through the fogged field), "story-inside"
// (60 s: inside the cluster, helices and free nucleotides), "story@MS" (any moment in ms of story
// time). Detail level 2, transparency on, a 32-bit mode of the asked size on the headless screen.
// The same names with "real" in place of "story" ("real-outside", "real-inside", "real@MS") draw
// the story as a real run does with the configuration program's defaults: detail level 1,
// transparency off, a 16-bit (R5G6B5) mode; with "low" ("low-outside", "low-inside", "low@MS")
// as the saver draws it without a settings file: detail level 0, transparency off, 16 bits.
// The archive is vorel_screensaver.pak beside the program, or $VOREL_BENCH_ARCHIVE.
#pragma once

#include <string>

#include "tools/vorel_bench/bench_run.h"

namespace bench {

bool isStoryScene(const std::string& name);
// False when the name is not a story scene or the display cannot be set up.
bool runStory(const std::string& name, int width, int height, int threads, int frames, RunResult* out);
// The same frame (the story at the scene's moment) recorded and replayed on llvmpipe (gl_replay.h).
bool runStoryOnLlvmpipe(const std::string& name, int width, int height, int frames, RunResult* out,
                        std::string* error);

}  // namespace bench
