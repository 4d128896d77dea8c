#include "tools/lib/assets/geodesic.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace assets {

namespace {

struct Icosahedron {
    std::vector<Vector3> vertices;
    std::vector<std::array<int, 3>> faces;
};

Icosahedron makeIcosahedron() {
    const float p = (1.0f + std::sqrt(5.0f)) * 0.5f;
    Icosahedron ico;
    for (const auto& v : {Vector3(-1, p, 0), Vector3(1, p, 0), Vector3(-1, -p, 0), Vector3(1, -p, 0),
                          Vector3(0, -1, p), Vector3(0, 1, p), Vector3(0, -1, -p), Vector3(0, 1, -p),
                          Vector3(p, 0, -1), Vector3(p, 0, 1), Vector3(-p, 0, -1), Vector3(-p, 0, 1)})
        ico.vertices.push_back(normalize(v));
    ico.faces = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                 {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                 {3, 8, 9},  {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    return ico;
}

// One representative per opposite pair: the first non-zero coordinate is positive.
bool isRepresentative(const Vector3& a) {
    const float eps = 1e-5f;
    if (std::fabs(a.x) > eps) return a.x > 0;
    if (std::fabs(a.y) > eps) return a.y > 0;
    return a.z > 0;
}

class PointSet {
public:
    explicit PointSet(std::vector<Vector3>* points) : points_(points) {}
    int indexOf(const Vector3& p) {
        const auto key = std::make_tuple(std::lround(p.x * 1e4f), std::lround(p.y * 1e4f), std::lround(p.z * 1e4f));
        auto it = index_.find(key);
        if (it != index_.end()) return it->second;
        points_->push_back(p);
        return index_[key] = static_cast<int>(points_->size()) - 1;
    }

private:
    std::vector<Vector3>* points_;
    std::map<std::tuple<long, long, long>, int> index_;
};

void orderFacesAround(Geodesic* g) {
    g->facesAround.assign(g->points.size(), {});
    for (int f = 0; f < static_cast<int>(g->faces.size()); ++f)
        for (int c : g->faces[f]) g->facesAround[c].push_back(f);
    for (size_t p = 0; p < g->points.size(); ++p) {
        const Vector3 n = g->points[p];
        const Vector3 e1 = normalize(cross(n, std::fabs(n.y) < 0.9f ? Vector3(0, 1, 0) : Vector3(1, 0, 0)));
        const Vector3 e2 = cross(n, e1);
        auto angle = [&](int f) {
            const auto& t = g->faces[f];
            const Vector3 c = g->points[t[0]] + g->points[t[1]] + g->points[t[2]];
            return std::atan2(dot(c, e2), dot(c, e1));
        };
        std::sort(g->facesAround[p].begin(), g->facesAround[p].end(),
                  [&](int a, int b) { return angle(a) < angle(b); });
    }
}

}  // namespace

Geodesic makeGeodesic(int frequency) {
    const int f = std::max(1, frequency);
    const Icosahedron ico = makeIcosahedron();
    Geodesic g;
    PointSet set(&g.points);
    for (const auto& face : ico.faces) {
        const Vector3 a = ico.vertices[face[0]], b = ico.vertices[face[1]], c = ico.vertices[face[2]];
        auto at = [&](int i, int j) {  // i steps towards b, j towards c
            const float fi = static_cast<float>(i) / f, fj = static_cast<float>(j) / f;
            return set.indexOf(normalize(a * (1 - fi - fj) + b * fi + c * fj));
        };
        for (int i = 0; i < f; ++i) {
            for (int j = 0; j + i < f; ++j) {
                g.faces.push_back({at(i, j), at(i + 1, j), at(i, j + 1)});
                if (i + j + 2 <= f) g.faces.push_back({at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)});
            }
        }
    }
    orderFacesAround(&g);
    return g;
}

std::vector<Vector3> icosahedralAxes(int fold) {
    const Icosahedron ico = makeIcosahedron();
    std::vector<Vector3> candidates;
    if (fold == 5) candidates = ico.vertices;
    if (fold == 3)
        for (const auto& t : ico.faces)
            candidates.push_back(normalize(ico.vertices[t[0]] + ico.vertices[t[1]] + ico.vertices[t[2]]));
    if (fold == 2)
        for (const auto& t : ico.faces)
            for (int k = 0; k < 3; ++k) candidates.push_back(normalize(ico.vertices[t[k]] + ico.vertices[t[(k + 1) % 3]]));
    std::vector<Vector3> axes;
    for (const auto& a : candidates) {
        if (!isRepresentative(a)) continue;
        const bool known = std::any_of(axes.begin(), axes.end(), [&](const Vector3& b) { return dot(a, b) > 0.9999f; });
        if (!known) axes.push_back(a);
    }
    return axes;
}

}  // namespace assets
