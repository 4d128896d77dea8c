// The caustic flip-books: four sequences of 16 bitmaps ("caust", "causty", "caustb", "caustg"),
// one per nucleotide kind, shown 50 ms a frame as the nucleotides' texture.
//
// The animated texture list holds AnimatedTexture records in kind order (record k is used by
// kind k). It owns its records: clearAnimatedTextures deletes them (the end of the run does).
// Frames are registered in the scene's texture store at consecutive indices; firstEntry is the
// index of frame one. A frame missing from the archive leaves that texture empty; the sequence
// still runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/object_list.h"
#include "saver/engine/nucleotide.h"

struct AnimatedTexture {
    std::string baseName;
    int32_t firstNumber = 1;
    int32_t frameCount = 16;
    int32_t spare = 1;
    int32_t firstEntry = -1;
    int32_t alphaMasked = 0;
};

// The process-wide list of AnimatedTexture records.
ObjectList& animatedTextures();

// Deletes every record and empties the list.
void clearAnimatedTextures();

// Empties the list and appends the four records of the caustic variants in kind order.
void appendCausticRecords();

// The entry name of frame n of a sequence: base, n as two digits when below 10, ".bmp".
std::string animatedFrameName(const std::string& baseName, int32_t n);

// Registers every frame of every record through `add` (name, alphaMasked) → store index, and
// fills each record's firstEntry with the index of its first frame.
using TextureRegistrar = std::function<int32_t(const std::string& name, bool alphaMasked)>;
void registerAnimatedTextures(const TextureRegistrar& add);

// The frame range of kind k: first store index and frame count; (-1, 0) when there is no record.
CausticFrames causticRangeOf(int32_t kind);
