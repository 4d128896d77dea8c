// HelixSlot: one place of a helix strand. `empty` 1 means the place is open (a dispatched
// nucleotide marks it 0 while it flies there and becomes `nucleotide` on arrival). Positions are
// world coordinates refreshed by the controller every frame, also for empty places.
#pragma once

#include <cstdint>

#include "saver/engine/math3d.h"

class NucleotideObject;

struct HelixSlot {
    NucleotideObject* nucleotide = nullptr;  // not owned
    int32_t kind = 0;
    int32_t empty = 1;
    float height = 0.0f;
    float t = 0.0f;
    Vector3 offset;
    Vector3 axisPoint;
    Vector3 position;
    Vector3 direction;
};
