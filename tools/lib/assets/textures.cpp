#include "tools/lib/assets/textures.h"

#include <algorithm>
#include <cmath>

#include "tools/lib/assets/shading.h"

namespace assets {

namespace {

Picture greyPicture(int width, int height, float (*shade)(float u, float v)) {
    Picture p(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(width);
            const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(height);
            const float g = std::clamp(shade(u, v), 0.0f, 1.0f);
            p.at(x, y) = {g, g, g};
        }
    return p;
}

float stingShade(float u, float v) {
    const float across = std::fabs(u - 0.5f);
    const float core = 0.95f * gaussian(across, 0.07f) + 0.35f * gaussian(across, 0.2f);
    // Faint streaks along the rung make it read as flowing light, not a painted cone.
    const float streaks = 0.85f + 0.15f * std::cos(6.2831853f * 9.0f * u) * std::cos(6.2831853f * 2.0f * v);
    return core * streaks * (0.75f + 0.25f * v);
}

float cageShade(float u, float v) {
    const float across = v - 0.5f;
    const float line = 0.7f * gaussian(across, 0.12f) + 0.15f * gaussian(across, 0.3f);
    const float bead = 0.8f * gaussian(periodicDistance(u - 0.5f), 0.04f) * gaussian(across, 0.22f);
    return line + bead;
}

}  // namespace

Picture stingTexture() { return greyPicture(64, 64, stingShade); }
Picture cageTexture() { return greyPicture(128, 32, cageShade); }

}  // namespace assets
