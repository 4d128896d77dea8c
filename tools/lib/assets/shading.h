// Small shading curves the picture generators share: a bell of a given width and the distance to
// the nearest whole number (for pictures that repeat). Pure functions of floats.
#pragma once

#include <cmath>

namespace assets {

inline float gaussian(float d, float width) { return std::exp(-(d * d) / (width * width)); }

// Distance from t to the nearest whole number.
inline float periodicDistance(float t) { return std::fabs(t - std::round(t)); }

}  // namespace assets
