// Parser of ".3d" model entries; see model_file.h.
#include "saver/engine/model_file.h"

#include <cstring>
#include <utility>

namespace modelfile {
namespace {

class Cursor {
public:
    Cursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool ok() const { return ok_; }
    // Whether n more bytes exist; a failed check marks the cursor failed.
    bool has(size_t n) {
        if (ok_ && size_ - pos_ >= n) return true;
        ok_ = false;
        return false;
    }
    int32_t i16() {
        if (!has(2)) return 0;
        const auto v = static_cast<int16_t>(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    uint8_t u8() { return has(1) ? data_[pos_++] : 0; }
    float f32() {
        if (!has(4)) return 0.0f;
        uint32_t bits = static_cast<uint32_t>(data_[pos_]) | static_cast<uint32_t>(data_[pos_ + 1]) << 8 |
                        static_cast<uint32_t>(data_[pos_ + 2]) << 16 | static_cast<uint32_t>(data_[pos_ + 3]) << 24;
        pos_ += 4;
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    Vector3 vec3() {
        const float x = f32(), y = f32();
        return {x, y, f32()};
    }
    // A string: the bytes up to the first zero within its stored length.
    std::string str() {
        const int32_t length = i16();
        if (length <= 0 || !has(static_cast<size_t>(length))) return {};
        const auto* start = reinterpret_cast<const char*>(data_ + pos_);
        pos_ += static_cast<size_t>(length);
        return std::string(start, strnlen(start, static_cast<size_t>(length)));
    }
    // A count, negative meaning none, that must leave room for `bytesEach` bytes per item.
    int32_t count(size_t bytesEach) {
        const int32_t n = i16();
        if (n <= 0) return 0;
        return has(static_cast<size_t>(n) * bytesEach) ? n : 0;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

void readIndices(Cursor& c, int32_t n, std::vector<int32_t>* out) {
    out->reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) out->push_back(c.i16());
}

void readVectors(Cursor& c, int32_t n, bool normalise, std::vector<Vector3>* out) {
    out->reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) out->push_back(normalise ? normalize(c.vec3()) : c.vec3());
}

void readMaterials(Cursor& c, std::vector<ParsedMaterial>* out) {
    const int32_t n = c.count(11);  // nine colour bytes and at least the name length
    for (int32_t i = 0; i < n && c.ok(); ++i) {
        ParsedMaterial m{};
        for (uint8_t& b : m.colourBytes) b = c.u8();
        m.texture = c.str();
        out->push_back(std::move(m));
    }
}

void readMatrix(Cursor& c, Matrix4* m) {
    *m = identity();
    for (auto& row : m->m)
        for (int col = 0; col < 3; ++col) row[col] = c.f32();
}

void readMesh(Cursor& c, ParsedMesh* m) {
    m->name = c.str();
    readIndices(c, c.count(2), &m->children);
    readMatrix(c, &m->localMatrix);
    const int32_t v = c.count(12);
    readVectors(c, v, false, &m->positions);
    if (c.has(static_cast<size_t>(v) * 12)) readVectors(c, v, true, &m->vertexNormals);
    const int32_t f = c.count(6);
    readIndices(c, 3 * f, &m->faceVertices);
    if (c.has(static_cast<size_t>(f) * 12)) readVectors(c, f, true, &m->faceNormals);
    c.i16();  // stored but not used
    if (c.has(static_cast<size_t>(f) * 2)) readIndices(c, f, &m->faceMaterials);
    const int32_t t = c.count(8);
    for (int32_t i = 0; i < t && c.ok(); ++i) {
        const float u = c.f32();
        m->texCoords.push_back({u, c.f32()});
    }
    const int32_t texFaces = c.i16();
    if (t > 0 && texFaces > 0 && c.has(static_cast<size_t>(texFaces) * 6)) readIndices(c, 3 * texFaces, &m->texFaceIndices);
}

void skipOther(Cursor& c, int32_t type) {
    if (type < 1 || type > 3) return;
    for (int32_t i = c.count(2); i > 0; --i) c.i16();
    c.str();
    const int floats = type == 3 ? 3 : 15;
    for (int i = 0; i < floats; ++i) c.f32();
}

bool allIn(const std::vector<int32_t>& indices, size_t limit) {
    for (int32_t i : indices)
        if (i < 0 || static_cast<size_t>(i) >= limit) return false;
    return true;
}

bool meshValid(const ParsedMesh& m, const std::vector<ParsedMaterial>& materials, size_t meshCount) {
    if (!allIn(m.faceVertices, m.positions.size()) || !allIn(m.faceMaterials, materials.size()) ||
        !allIn(m.texFaceIndices, m.texCoords.size()) || !allIn(m.children, meshCount))
        return false;
    if (m.texCoords.empty()) return true;
    // A face drawn with a texture takes its corners' coordinates from its texture face.
    const size_t texFaces = m.texFaceIndices.size() / 3;
    for (size_t f = 0; f < m.faceMaterials.size(); ++f)
        if (!materials[m.faceMaterials[f]].texture.empty() && f >= texFaces) return false;
    return true;
}

// Each mesh has at most one parent, every mesh is reachable from a root (no cycle), and no
// chain is deeper than the tree passes should recurse.
bool childLinksFormForest(const std::vector<ParsedMesh>& meshes) {
    std::vector<bool> hasParent(meshes.size(), false);
    for (const ParsedMesh& m : meshes)
        for (int32_t k : m.children) {
            if (hasParent[k]) return false;
            hasParent[k] = true;
        }
    std::vector<std::pair<int32_t, int32_t>> pending;  // mesh, depth
    for (size_t j = 0; j < meshes.size(); ++j)
        if (!hasParent[j]) pending.emplace_back(static_cast<int32_t>(j), 1);
    size_t reached = 0;
    while (!pending.empty()) {
        const auto [mesh, depth] = pending.back();
        pending.pop_back();
        if (depth > kMaxTreeDepth) return false;
        ++reached;
        for (int32_t k : meshes[mesh].children) pending.emplace_back(k, depth + 1);
    }
    return reached == meshes.size();
}

}  // namespace

bool parseModel(const uint8_t* data, size_t size, ParsedModel* out) {
    if (!data) return false;
    Cursor c(data, size);
    readMaterials(c, &out->materials);
    const int32_t records = c.count(2);
    for (int32_t r = 0; r < records && c.ok(); ++r) {
        const int32_t type = c.i16();
        if (type != 0) {
            skipOther(c, type);
            continue;
        }
        out->meshes.emplace_back();
        readMesh(c, &out->meshes.back());
    }
    if (!c.ok()) return false;
    for (const ParsedMesh& m : out->meshes)
        if (!meshValid(m, out->materials, out->meshes.size())) return false;
    return childLinksFormForest(out->meshes);
}

}  // namespace modelfile
