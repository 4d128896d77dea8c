// Recorded frames: the state and draw calls a program makes on an IDirect3DDevice7, kept so
// that another renderer (the OpenGL replay) can draw exactly the same frame.
//
// makeRecordingDevice gives a device that draws nothing and appends every state call, Clear and
// DrawPrimitive (with a copy of its vertices) to a Recording; Get* calls answer from what was set
// (or the defaults of a fresh device). Textures are borrowed: the recording keeps the surface
// pointers, which must outlive every replay. Only the fixed-function state the saver uses matters
// to replays; everything is recorded anyway.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/ddraw/ddraw.h"

namespace bench {

struct RecordedCall {
    enum class Kind { RenderState, StageState, Transform, Material, Light, LightEnable, Texture, Clear, Draw };
    Kind kind;
    DWORD a = 0, b = 0, c = 0;  // state and value; stage, type, value; light index and enable; clear flags/colour
    float z = 1.0f;
    D3DMATRIX matrix{};
    D3DMATERIAL7 material{};
    D3DLIGHT7 light{};
    IDirectDrawSurface7* texture = nullptr;
    D3DPRIMITIVETYPE primitive = D3DPT_TRIANGLELIST;
    size_t firstVertex = 0, vertexCount = 0;  // into Recording::vertices
};

struct Recording {
    std::vector<RecordedCall> calls;
    std::vector<D3DVERTEX> vertices;
    std::vector<IDirectDrawSurface7*> textures() const;  // every distinct texture set, in order
};

// A device that records into *recording (which must outlive it). One reference for the caller.
IDirect3DDevice7* makeRecordingDevice(Recording* recording);

// Sets every state `from` holds (render and texture-stage states, transforms, viewport, material,
// lights and their switches, the stage-0 texture) on `to`: a recording that starts with it
// replays from the same state the device was in.
void copyDeviceState(IDirect3DDevice7* from, IDirect3DDevice7* to);

// Issues the recorded calls on another device (Clear and draws included).
void replay(const Recording& recording, IDirect3DDevice7* device);

}  // namespace bench
