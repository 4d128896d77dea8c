// The llvmpipe side of the benchmark: recording, upload and timed replays.
#include "tools/vorel_bench/gl_replay.h"

#include <chrono>
#include <cstdlib>

#include "tools/vorel_bench/frame_recording.h"
#include "tools/vorel_bench/gl_fixed_function.h"
#include "tools/vorel_bench/story_scene.h"
#include "tools/vorel_bench/synthetic_scene.h"

namespace bench {

namespace {

using Kind = RecordedCall::Kind;

void replayOnGl(const Recording& r, size_t from, GlFixedFunction& gl) {
    for (size_t i = from; i < r.calls.size(); ++i) {
        const RecordedCall& c = r.calls[i];
        switch (c.kind) {
            case Kind::RenderState: gl.setRenderState(D3DRENDERSTATETYPE(c.a), c.b); break;
            case Kind::StageState: gl.setTextureStageState(c.a, D3DTEXTURESTAGESTATETYPE(c.b), c.c); break;
            case Kind::Transform: gl.setTransform(D3DTRANSFORMSTATETYPE(c.a), c.matrix); break;
            case Kind::Material: gl.setMaterial(c.material); break;
            case Kind::Light: gl.setLight(c.a, c.light); break;
            case Kind::LightEnable: gl.lightEnable(c.a, c.b != 0); break;
            case Kind::Texture:
                if (c.a == 0) gl.setTexture(c.texture);
                break;
            case Kind::Clear: gl.clear(c.a, c.b, c.z); break;
            case Kind::Draw: gl.draw(c.primitive, c.firstVertex, c.vertexCount); break;
        }
    }
}

}  // namespace

bool replayTimed(const Recording& rec, size_t frameStart, int width, int height, int frames, RunResult* r,
                 std::string* error) {
    // Mesa's software rasterizer even where a GPU exists: this is the software comparison.
    setenv("GALLIUM_DRIVER", "llvmpipe", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    GlFixedFunction gl;
    if (!gl.open(width, height, error)) return false;
    gl.uploadVertices(rec.vertices);
    for (IDirectDrawSurface7* t : rec.textures()) gl.uploadTexture(t);
    replayOnGl(rec, 0, gl);  // the states before the frame (and the frame once, untimed)
    gl.finish();
    r->width = width, r->height = height;
    std::vector<uint8_t> picture;
    for (int f = 0; f < frames + 2; ++f) {
        auto start = std::chrono::steady_clock::now();
        replayOnGl(rec, frameStart, gl);
        gl.readBgra(&picture);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (f >= 2) r->frameMs.push_back(ms);
    }
    gl.readRgb(&r->rgb);
    return true;
}

bool runLlvmpipe(const std::string& name, int width, int height, int frames, RunResult* r, std::string* error) {
    if (isStoryScene(name)) return runStoryOnLlvmpipe(name, width, height, frames, r, error);
    SyntheticScene scene;
    if (!scene.build(name)) return *error = "unknown scene " + name, false;
    Recording rec;
    IDirect3DDevice7* recorder = makeRecordingDevice(&rec);
    scene.applyStates(recorder);
    size_t frameStart = rec.calls.size();
    recorder->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    scene.render(recorder);
    recorder->Release();
    *r = RunResult{};
    r->scene = name;
    return replayTimed(rec, frameStart, width, height, frames, r, error);
}

}  // namespace bench
