// A model template stand-in for story tests: it records every tree pass it is given (the parent
// matrix, the texture override) instead of drawing, so a test can see which template was drawn
// where and with which caustic frame.
#pragma once

#include <vector>

#include "saver/engine/model_object.h"

struct RecordedPass {
    Matrix4 parent;
    int32_t textureOverride;  // -1 for renderTree
    DWORD zWrite = 0, alphaBlend = 0, fog = 0, ambient = 0;  // device states at the pass
};

class RecordingModel : public ModelObject {
public:
    std::vector<RecordedPass> passes;
    void renderTree(DWORD, const Matrix4& parent, IDirect3DDevice7* device) override { record(parent, -1, device); }
    void renderTreeTextured(DWORD, const Matrix4& parent, IDirect3DDevice7* device, int32_t textureOverride) override {
        record(parent, textureOverride, device);
    }

private:
    void record(const Matrix4& parent, int32_t textureOverride, IDirect3DDevice7* device) {
        RecordedPass pass{parent, textureOverride};
        if (device) {
            device->GetRenderState(D3DRENDERSTATE_ZWRITEENABLE, &pass.zWrite);
            device->GetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, &pass.alphaBlend);
            device->GetRenderState(D3DRENDERSTATE_FOGENABLE, &pass.fog);
            device->GetRenderState(D3DRENDERSTATE_AMBIENT, &pass.ambient);
        }
        passes.push_back(pass);
    }
};
