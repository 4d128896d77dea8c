// ModelObject: construction, ownership, tree passes, drawing and bounds. Loading lives in
// model_loader.cpp.
#include "saver/engine/model_object.h"

#include "saver/engine/model_material.h"
#include "saver/engine/model_textures.h"

ModelObject::ModelObject() : worldMatrix(identity()), localMatrix(identity()), parentMatrix(identity()) {}

ModelObject::~ModelObject() {
    releaseMesh();
    deleteChildren();
}

void ModelObject::addChild(ModelObject* child) {
    if (child && children.add(child) < 0) delete child;  // a full list cannot own it: do not leak it
}

void ModelObject::releaseMesh() {
    delete mesh;
    mesh = nullptr;
}

void ModelObject::attachMesh(ModelMesh* newMesh) {
    releaseMesh();
    mesh = newMesh;
}

void ModelObject::deleteChildren() {
    for (int32_t i = 0; i < children.count; ++i) delete childAt(i);
    children.clear();
}

void ModelObject::frame(DWORD, IDirect3DDevice7*) {}

void ModelObject::drawSelfTextured(IDirect3DDevice7* device, int32_t textureOverride) {
    if (!mesh || !device) return;
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &worldMatrix);
    ModelTextureSource* textures = modelTextureSource();
    for (int32_t i = 0; i < mesh->groups.count; ++i) {
        MeshGroup* group = mesh->groupAt(i);
        ModelMaterial* material = materialAt(group->materialIndex);
        if (!material) continue;
        device->SetMaterial(&material->d3dMaterial);
        const int32_t texture = textureOverride >= 0 ? textureOverride : material->textureIndex;
        IDirectDrawSurface7* surface = textures && texture >= 0 ? textures->textureSurfaceAt(texture) : nullptr;
        device->SetTexture(0, surface);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, group->vertices.data(),
                              static_cast<DWORD>(group->vertexCount), 0);
    }
}

void ModelObject::drawSelf(IDirect3DDevice7* device) { drawSelfTextured(device, -1); }

void ModelObject::renderTreeTextured(DWORD time, const Matrix4& parent, IDirect3DDevice7* device,
                                     int32_t textureOverride) {
    parentMatrix = parent;
    worldMatrix = multiply(localMatrix, parentMatrix);
    drawSelfTextured(device, textureOverride);
    for (int32_t i = 0; i < children.count; ++i)
        childAt(i)->renderTreeTextured(time, worldMatrix, device, textureOverride);
}

void ModelObject::renderTree(DWORD time, const Matrix4& parent, IDirect3DDevice7* device) {
    parentMatrix = parent;
    worldMatrix = multiply(localMatrix, parentMatrix);
    drawSelf(device);
    for (int32_t i = 0; i < children.count; ++i) childAt(i)->renderTree(time, worldMatrix, device);
}

Vector3 ModelObject::computeBounds() {
    Vector3 farthest;
    float farthestLength = 0.0f;
    radius = 0.0f;
    for (int32_t i = 0; i < children.count; ++i) {
        const Vector3 p = childAt(i)->computeBounds();
        if (length(p) > farthestLength) farthest = p, farthestLength = length(p);
    }
    if (mesh) {
        for (const Vector3& position : mesh->positions) {
            Vector3 p;
            if (transformPoint(position, localMatrix, &p) != 0) continue;
            if (length(p) > farthestLength) farthest = p, farthestLength = length(p);
        }
    }
    radius = farthestLength;
    return farthest;
}
