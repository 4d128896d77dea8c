#include "tools/lib/assets/plate_atlas.h"

#include <algorithm>
#include <cmath>

#include "tools/lib/assets/shading.h"

namespace assets {

namespace {

constexpr int kSlotSize = 256;     // texels per side of a slot
constexpr int kSlots = 2;          // hexagon, pentagon
constexpr float kMargin = 3.0f;    // texels between the polygon's corners and the slot's edge
constexpr int kSupersample = 4;    // shade samples per texel along each axis
// The inner rim's shade runs on this far (in texels) into the hole before the hole starts, so
// filtering keeps the rim's full light at the hole's edge.
constexpr float kHoleBorder = 0.5f;
constexpr float kTurn = 6.2831853f;
constexpr float kFirstCorner = 1.5707964f;

int slotOf(int corners) { return corners == 5 ? 1 : 0; }
int cornersOfSlot(int slot) { return slot == 1 ? 5 : 6; }

// Corner k of the unit polygon (circumradius 1) in slot coordinates, y pointing down the picture.
void unitCorner(int corners, int k, float* x, float* y) {
    const float angle = kFirstCorner + kTurn * static_cast<float>(k % corners) / static_cast<float>(corners);
    *x = std::cos(angle);
    *y = std::sin(angle);
}

// Texture coordinates of a point (x, y) of the unit polygon.
TexCoord slotPoint(int corners, float x, float y) {
    const float radius = 0.5f * kSlotSize - kMargin;
    const float width = static_cast<float>(kSlotSize * kSlots);
    const float centreX = (static_cast<float>(slotOf(corners)) + 0.5f) * kSlotSize;
    const float centreY = 0.5f * kSlotSize;
    return {(centreX + x * radius) / width, (centreY + y * radius) / static_cast<float>(kSlotSize)};
}

// The ring's shade at u (corner k at u = k) and v (0 the outer rim, 1 the inner rim).
float ringShade(float u, float v) {
    const float rim = 0.75f * gaussian(v - 0.06f, 0.065f);
    const float halo = 0.09f * std::exp(-std::max(v, 0.0f) / 0.2f);
    const float inner = 0.08f * gaussian(v - 0.96f, 0.05f);
    const float node = 0.5f * gaussian(periodicDistance(u), 0.05f) * gaussian(v - 0.06f, 0.12f);
    return 0.015f + rim + halo + inner + node;
}

// Shade of the point (x, y) of the unit polygon with `corners` corners: which side's sector it
// lies in, how far along that side (t) and at what shrunken copy of the polygon (s).
float plateShade(int corners, float x, float y, float holeBorder) {
    const float sector = kTurn / static_cast<float>(corners);
    float angle = std::atan2(y, x) - kFirstCorner;
    angle -= kTurn * std::floor(angle / kTurn);
    const int k = std::min(corners - 1, static_cast<int>(angle / sector));
    float ax, ay, bx, by;
    unitCorner(corners, k, &ax, &ay);
    unitCorner(corners, k + 1, &bx, &by);
    const float ex = bx - ax, ey = by - ay;
    const float det = ax * ey - ay * ex;
    const float s = (x * ey - y * ex) / det;
    if (s < kPlateHoleScale - holeBorder) return 0.0f;
    const float t = std::clamp((ax * y - ay * x) / det / s, 0.0f, 1.0f);
    const float v = std::clamp((1.0f - s) / (1.0f - kPlateHoleScale), 0.0f, 1.0f);
    return ringShade(static_cast<float>(k) + t, v);
}

}  // namespace

TexCoord plateCornerTexCoord(int corners, int k) {
    float x, y;
    unitCorner(corners, k, &x, &y);
    return slotPoint(corners, x, y);
}

TexCoord plateCentreTexCoord(int corners) { return slotPoint(corners, 0.0f, 0.0f); }

TexCoord plateTexCoord(int corners, float along, float scale) {
    const int k = static_cast<int>(std::floor(along));
    const float t = along - static_cast<float>(k);
    float ax, ay, bx, by;
    unitCorner(corners, ((k % corners) + corners) % corners, &ax, &ay);
    unitCorner(corners, ((k + 1) % corners + corners) % corners, &bx, &by);
    return slotPoint(corners, scale * (ax + (bx - ax) * t), scale * (ay + (by - ay) * t));
}

Picture capsidPlateAtlas() {
    Picture p(kSlotSize * kSlots, kSlotSize);
    const float radius = 0.5f * kSlotSize - kMargin;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const int slot = x / kSlotSize;
            float sum = 0.0f;
            for (int j = 0; j < kSupersample; ++j)
                for (int i = 0; i < kSupersample; ++i) {
                    const float px = static_cast<float>(x % kSlotSize) + (i + 0.5f) / kSupersample - 0.5f * kSlotSize;
                    const float py = static_cast<float>(y) + (j + 0.5f) / kSupersample - 0.5f * kSlotSize;
                    sum += plateShade(cornersOfSlot(slot), px / radius, py / radius, kHoleBorder / radius);
                }
            const float g = std::clamp(sum / (kSupersample * kSupersample), 0.0f, 1.0f);
            p.at(x, y) = {g, g, g};
        }
    return p;
}

}  // namespace assets
