// Writer of ".3d" model entries; see model_writer.h for the layout.
#include "tools/lib/model_writer.h"

#include <cstdio>
#include <fstream>

#include "tools/lib/byte_writer.h"

namespace modelfile {
namespace {

constexpr size_t kMaxCount = 32767;

bool fits(size_t n) { return n <= kMaxCount; }

std::string checkLimits(const ModelSpec& model) {
    if (!fits(model.materials.size()) || !fits(model.records.size())) return "too many materials or records";
    for (const MaterialSpec& m : model.materials)
        if (!fits(m.texture.size() + 1)) return "texture name too long";
    for (const RecordSpec& r : model.records) {
        if (const auto* other = std::get_if<OtherRecord>(&r)) {
            if (!fits(other->children.size()) || !fits(other->name.size() + 1)) return "record too large";
            continue;
        }
        const MeshSpec& m = std::get<MeshSpec>(r);
        if (!fits(m.name.size() + 1) || !fits(m.children.size()) || !fits(m.positions.size()) ||
            !fits(m.faces.size()) || !fits(m.texCoords.size()) || !fits(m.texFaces.size()))
            return "mesh '" + m.name + "' too large for 16-bit counts";
    }
    return "";
}

bool indexIn(int32_t index, size_t count) { return index >= 0 && static_cast<size_t>(index) < count; }

std::string checkMesh(const MeshSpec& m, const std::vector<MaterialSpec>& materials, size_t meshCount) {
    const size_t materialCount = materials.size();
    const std::string where = "mesh '" + m.name + "': ";
    if (m.normals.size() != m.positions.size()) return where + "one normal per position needed";
    if (m.faceNormals.size() != m.faces.size()) return where + "one face normal per face needed";
    if (m.faceMaterials.size() != m.faces.size()) return where + "one material per face needed";
    for (const auto& f : m.faces)
        for (int16_t v : f)
            if (!indexIn(v, m.positions.size())) return where + "face vertex out of range";
    for (int16_t mat : m.faceMaterials)
        if (!indexIn(mat, materialCount)) return where + "face material out of range";
    // A textured face needs its texture face once the mesh has texture coordinates.
    for (size_t i = 0; i < m.faces.size() && !m.texCoords.empty(); ++i)
        if (!materials[m.faceMaterials[i]].texture.empty() && i >= m.texFaces.size())
            return where + "textured face without texture face";
    for (const auto& f : m.texFaces)  // stored only when the mesh has texture coordinates
        for (int16_t t : m.texCoords.empty() ? std::array<int16_t, 3>{0, 0, 0} : f)
            if (!m.texCoords.empty() && !indexIn(t, m.texCoords.size())) return where + "texture index out of range";
    for (int16_t c : m.children)
        if (!indexIn(c, meshCount)) return where + "child number out of range";
    return "";
}

void writeMaterials(ByteWriter& w, const std::vector<MaterialSpec>& materials) {
    w.i16(static_cast<int16_t>(materials.size()));
    for (const MaterialSpec& m : materials) {
        for (const auto* rgb : {&m.ambient, &m.diffuse, &m.specular})
            for (uint8_t c : *rgb) w.u8(c);
        w.string16(m.texture);
    }
}

void writeChildren(ByteWriter& w, const std::vector<int16_t>& children) {
    w.i16(static_cast<int16_t>(children.size()));
    for (int16_t c : children) w.i16(c);
}

void writeVectors(ByteWriter& w, const std::vector<Vector3>& vs) {
    for (const Vector3& v : vs) w.f32(v.x), w.f32(v.y), w.f32(v.z);
}

void writeMesh(ByteWriter& w, const MeshSpec& m) {
    w.i16(0);
    w.string16(m.name);
    writeChildren(w, m.children);
    for (const auto& row : m.matrix)
        for (float v : row) w.f32(v);
    w.i16(static_cast<int16_t>(m.positions.size()));
    writeVectors(w, m.positions);
    writeVectors(w, m.normals);
    w.i16(static_cast<int16_t>(m.faces.size()));
    for (const auto& f : m.faces) w.i16(f[0]), w.i16(f[1]), w.i16(f[2]);
    writeVectors(w, m.faceNormals);
    w.i16(0);  // unused by the reader
    for (int16_t mat : m.faceMaterials) w.i16(mat);
    w.i16(static_cast<int16_t>(m.texCoords.size()));
    for (const auto& uv : m.texCoords) w.f32(uv[0]), w.f32(uv[1]);
    w.i16(static_cast<int16_t>(m.texFaces.size()));
    if (m.texCoords.empty()) return;
    for (const auto& f : m.texFaces) w.i16(f[0]), w.i16(f[1]), w.i16(f[2]);
}

void writeOther(ByteWriter& w, const OtherRecord& r) {
    w.i16(r.type);
    if (r.type < 1 || r.type > 3) return;
    writeChildren(w, r.children);
    w.string16(r.name);
    const int floats = r.type == 3 ? 3 : 15;
    for (int i = 0; i < floats; ++i) w.f32(0.0f);
}

size_t meshCount(const ModelSpec& model) {
    size_t n = 0;
    for (const RecordSpec& r : model.records) n += std::holds_alternative<MeshSpec>(r) ? 1 : 0;
    return n;
}

}  // namespace

std::string checkModel(const ModelSpec& model) {
    std::string problem = checkLimits(model);
    if (!problem.empty()) return problem;
    const size_t meshes = meshCount(model);
    for (const RecordSpec& r : model.records) {
        if (const auto* m = std::get_if<MeshSpec>(&r)) problem = checkMesh(*m, model.materials, meshes);
        if (!problem.empty()) return problem;
    }
    return "";
}

bool encodeModel(const ModelSpec& model, std::vector<uint8_t>* out, std::string* error, bool allowInvalid) {
    std::string problem = allowInvalid ? checkLimits(model) : checkModel(model);
    if (!problem.empty()) {
        if (error) *error = problem;
        return false;
    }
    out->clear();
    ByteWriter w(out);
    writeMaterials(w, model.materials);
    w.i16(static_cast<int16_t>(model.records.size()));
    for (const RecordSpec& r : model.records) {
        if (const auto* m = std::get_if<MeshSpec>(&r))
            writeMesh(w, *m);
        else
            writeOther(w, std::get<OtherRecord>(r));
    }
    return true;
}

bool writeModelFile(const std::string& path, const ModelSpec& model, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!encodeModel(model, &bytes, error)) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        if (error) *error = "cannot write " + path;
        std::remove(path.c_str());
        return false;
    }
    return true;
}

void computeNormals(MeshSpec* mesh) {
    mesh->faceNormals.assign(mesh->faces.size(), Vector3());
    mesh->normals.assign(mesh->positions.size(), Vector3());
    for (size_t i = 0; i < mesh->faces.size(); ++i) {
        const auto& f = mesh->faces[i];
        if (!indexIn(f[0], mesh->positions.size()) || !indexIn(f[1], mesh->positions.size()) ||
            !indexIn(f[2], mesh->positions.size()))
            continue;
        const Vector3& a = mesh->positions[f[0]];
        // Clockwise on screen is the front face; the cross product of the edges points out of it
        // for the device's left-handed view space.
        const Vector3 n = cross(mesh->positions[f[1]] - a, mesh->positions[f[2]] - a);
        mesh->faceNormals[i] = normalize(n);
        for (int16_t v : f) mesh->normals[v] += n;
    }
    for (Vector3& n : mesh->normals) n = normalize(n);
}

}  // namespace modelfile
