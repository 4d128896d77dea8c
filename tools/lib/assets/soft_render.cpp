#include "tools/lib/assets/soft_render.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace assets {

namespace {

constexpr float kNear = 1.0f;

float edge(float ax, float ay, float bx, float by, float px, float py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

}  // namespace

SoftRenderer::SoftRenderer(int width, int height, Rgb background)
    : picture_(width, height), depth_(size_t(width) * height, std::numeric_limits<float>::max()) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture_.at(x, y) = background;
    view_ = identity();
}

void SoftRenderer::setCamera(const Vector3& eye, const Vector3& target, const Vector3& up, float fieldOfViewY) {
    lookAt(eye, target, up, &view_);
    focal_ = 0.5f * static_cast<float>(picture_.height()) / std::tan(0.5f * fieldOfViewY);
}

bool SoftRenderer::project(const Vector3& world, float* x, float* y, float* depth) const {
    Vector3 c;
    transformPoint(world, view_, &c);
    if (c.z < kNear) return false;
    *x = 0.5f * static_cast<float>(picture_.width()) + focal_ * c.x / c.z;
    *y = 0.5f * static_cast<float>(picture_.height()) - focal_ * c.y / c.z;
    *depth = c.z;
    return true;
}

void SoftRenderer::draw(const AssetMesh& mesh, const Matrix4& world, const Picture* texture, Rgb tint, Blend blend) {
    Matrix4 normalMatrix = world;
    normalMatrix.m[3][0] = normalMatrix.m[3][1] = normalMatrix.m[3][2] = 0.0f;
    Matrix4 inverseView;
    invertAffine(view_, &inverseView);
    Vector3 eye;
    transformPoint(Vector3(), inverseView, &eye);
    for (const auto& t : mesh.triangles) {
        Projected p[3];
        bool visible = true;
        for (int k = 0; k < 3 && visible; ++k) {
            const AssetVertex& v = mesh.vertices[t[k]];
            Vector3 w, n;
            transformPoint(v.position, world, &w);
            transformPoint(v.normal, normalMatrix, &n);
            n = normalize(n);
            float depth = 1.0f;
            visible = project(w, &p[k].x, &p[k].y, &depth);
            p[k].invW = 1.0f / depth;
            p[k].uw = v.u * p[k].invW, p[k].vw = v.v * p[k].invW;
            const float diffuse = std::max(0.0f, -dot(n, light_));
            const float rim = std::pow(1.0f - std::fabs(dot(n, normalize(eye - w))), 3.0f);
            const float l = ambient_ + (1.0f - ambient_) * diffuse + 0.35f * rim;
            p[k].light = {l, l, l};
        }
        if (visible) fillTriangle(p, texture, tint, blend);
    }
}

void SoftRenderer::fillTriangle(const Projected (&p)[3], const Picture* texture, Rgb tint, Blend blend) {
    const float area = edge(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
    if (area <= 0.0f) return;  // counter-clockwise on screen: the back of the triangle
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({p[0].x, p[1].x, p[2].x}))));
    const int x1 = std::min(picture_.width() - 1, static_cast<int>(std::ceil(std::max({p[0].x, p[1].x, p[2].x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({p[0].y, p[1].y, p[2].y}))));
    const int y1 = std::min(picture_.height() - 1, static_cast<int>(std::ceil(std::max({p[0].y, p[1].y, p[2].y}))));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float b0 = edge(p[1].x, p[1].y, p[2].x, p[2].y, px, py) / area;
            const float b1 = edge(p[2].x, p[2].y, p[0].x, p[0].y, px, py) / area;
            const float b2 = 1.0f - b0 - b1;
            if (b0 < 0 || b1 < 0 || b2 < 0) continue;
            const float invW = b0 * p[0].invW + b1 * p[1].invW + b2 * p[2].invW;
            const float depth = 1.0f / invW;
            float& stored = depth_[size_t(y) * picture_.width() + x];
            if (depth > stored) continue;
            const float u = (b0 * p[0].uw + b1 * p[1].uw + b2 * p[2].uw) * depth;
            const float v = (b0 * p[0].vw + b1 * p[1].vw + b2 * p[2].vw) * depth;
            const Rgb light = p[0].light * b0 + p[1].light * b1 + p[2].light * b2;
            const Rgb texel = texture ? texture->sampleWrapped(u, v) : Rgb{1, 1, 1};
            const Rgb colour = texel * tint * light;
            Rgb& out = picture_.at(x, y);
            if (blend == Blend::Opaque) {
                out = colour;
                stored = depth;
            } else {
                out = out + colour;
            }
        }
    }
}

void SoftRenderer::addGlow(const Vector3& point, float radiusPixels, Rgb colour) {
    float cx, cy, depth;
    if (!project(point, &cx, &cy, &depth)) return;
    const int r = static_cast<int>(std::ceil(radiusPixels * 3));
    for (int y = std::max(0, int(cy) - r); y <= std::min(picture_.height() - 1, int(cy) + r); ++y) {
        for (int x = std::max(0, int(cx) - r); x <= std::min(picture_.width() - 1, int(cx) + r); ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - cx) / radiusPixels;
            const float dy = (static_cast<float>(y) + 0.5f - cy) / radiusPixels;
            picture_.at(x, y) = picture_.at(x, y) + colour * std::exp(-(dx * dx + dy * dy));
        }
    }
}

Picture downsample(const Picture& picture, int factor) {
    Picture out(picture.width() / factor, picture.height() / factor);
    const float weight = 1.0f / static_cast<float>(factor * factor);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            Rgb sum;
            for (int j = 0; j < factor; ++j)
                for (int i = 0; i < factor; ++i) sum = sum + picture.at(x * factor + i, y * factor + j);
            out.at(x, y) = sum * weight;
        }
    return out;
}

}  // namespace assets
