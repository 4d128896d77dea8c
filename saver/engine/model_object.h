// ModelObject: a node of a model tree, loaded from a ".3d" entry of the data archive and drawn by
// tree passes through the 3D device.
//
// Ownership: an object owns its mesh and its children (deleted with it). Matrices are row-major
// with row vectors: worldMatrix = localMatrix x parentMatrix. Time is the tick count in ms.
// Virtual operations are declared in their fixed slot order (load, drawSelfTextured, drawSelf,
// renderTreeTextured, renderTree, frame, destructor); the animated kinds override drawSelf, frame
// and the destructor.
// Loading: the archive entry (current archive, else the name as a plain file) is read whole;
// invalid input (indices out of range, counts past the data, truncation) is rejected whole and
// leaves the object empty (no mesh, no children, radius 0). Loading appends the file's materials
// to the material table and registers its texture names with the scene's textures.
// Drawing: one SetMaterial, one SetTexture (stage 0) and one DrawPrimitive per mesh group;
// render states are the caller's. A null device draws nothing.
#pragma once

#include <cstdint>
#include <string>

#include "common/object_list.h"
#include "platform/ddraw/ddraw.h"
#include "saver/engine/math3d.h"
#include "saver/engine/model_mesh.h"

class ModelObject {
public:
    ModelObject();
    ModelObject(const ModelObject&) = delete;
    ModelObject& operator=(const ModelObject&) = delete;

    // 1. Fills this object from a model entry; the entry name becomes the object's name.
    virtual void load(const char* entryName);
    // 2. Draws the own mesh; textureOverride >= 0 replaces every group's texture.
    virtual void drawSelfTextured(IDirect3DDevice7* device, int32_t textureOverride);
    // 3. Draws the own mesh with its materials' textures.
    virtual void drawSelf(IDirect3DDevice7* device);
    // 4. Tree pass with drawSelfTextured; the override is passed down.
    virtual void renderTreeTextured(DWORD time, const Matrix4& parentMatrix, IDirect3DDevice7* device,
                                    int32_t textureOverride);
    // 5. Tree pass: store parentMatrix, worldMatrix = localMatrix x parentMatrix, drawSelf, then
    //    every child with worldMatrix.
    virtual void renderTree(DWORD time, const Matrix4& parentMatrix, IDirect3DDevice7* device);
    // 6. Per-frame work of a kind; nothing here.
    virtual void frame(DWORD time, IDirect3DDevice7* device);
    // 7. Releases the mesh, then destroys every child in list order.
    virtual ~ModelObject();

    // The loading steps after the entry's bytes were read; false (nothing changed) for invalid input.
    bool loadFromBytes(const uint8_t* data, size_t size);
    // Appends a child; this object owns it from then on.
    void addChild(ModelObject* child);
    // Recomputes radius for this subtree and returns the farthest point, in this object's space
    // (children's results are compared as returned; own positions go through localMatrix).
    Vector3 computeBounds();
    void releaseMesh();
    void deleteChildren();
    // Replaces the mesh (the old one is released); takes ownership.
    void attachMesh(ModelMesh* newMesh);
    ModelObject* childAt(int32_t index) const { return children.at<ModelObject>(index); }

    int32_t insideOut = 0;
    float radius = 0.0f;
    Matrix4 worldMatrix;
    Matrix4 localMatrix;
    Matrix4 parentMatrix;
    ModelMesh* mesh = nullptr;
    ObjectList children;  // ModelObject*, owned
    std::string name;     // empty when none was given
};
