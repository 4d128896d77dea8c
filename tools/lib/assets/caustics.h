// Caustic light frames: how light gathers on a floor under an animated, periodic water surface.
//
// The surface is a sum of travelling waves whose wave vectors are whole numbers of cycles across
// the tile and whose phases advance a whole number of cycles over the 16 frames, so the frames
// tile in both directions and frame 16 leads back into frame 1 exactly as any frame leads into the
// next. Parallel light falls straight down, is refracted at the surface (water, index 1.33) and is
// gathered on a floor one tile deep: every ray lands somewhere on the (wrapped) floor and adds its
// share there, so light piles up into bright filaments where the surface focuses it.
//
// Intensity fields are relative: 1 is the light the floor gets without the surface. Frames are
// `size` x `size` pictures (any size >= 8; the archive uses 128).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/lib/assets/picture.h"

namespace assets {

constexpr int kCausticFrames = 16;
constexpr int kCausticSize = 128;

struct CausticVariant {
    const char* baseName;  // "caust", "causty", "caustb", "caustg"
    Rgb tint;              // colour of the filaments
    uint64_t seed;         // the variant's own water surface
};

// The four variants in nucleotide-kind order: red, yellow, blue, green.
const std::array<CausticVariant, 4>& causticVariants();

// Entry name of frame `number` (1-based): baseName, two digits, ".bmp" ("caust01.bmp").
std::string causticFrameName(const char* baseName, int number);

// Light gathered on the floor for frame `frame` (0-based, 0..15): size*size values, row-major.
std::vector<float> causticIntensity(uint64_t seed, int frame, int size);

// The coloured frame: a dim ground of the tint (under a third of it), tinted filaments whose
// brightest cores run towards white.
Picture causticFrame(const CausticVariant& variant, int frame, int size);

}  // namespace assets
