// The vertex stage eight vertices at a time.
#include "platform/d3d/vertex_simd.h"

#include "platform/d3d/raster_options.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

#include "platform/d3d/vertex_avx2.h"

namespace platform::d3d {

namespace {

using namespace avx2;

VOREL_AVX2 void processBlocks(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out, uint32_t begin,
                              uint32_t end, const ProjectionTarget* p) {
    const bool bounded = p && guardBandBounded(*p);
    for (uint32_t i = begin; i < end; i += 8) {
        int count = int(std::min<uint32_t>(8, end - i));
        uint32_t idx[8];
        consecutive(i, idx);
        __m256 soa[8];
        Block b = positionsAt(s, in, idx, count, soa);
        completeClip(s, soa, b, out, idx, count);
        if (!p) continue;
        const Projected8 projected = project8(b, *p, bounded);  // straight from the registers
        storeScreenPositions(projected, *p, idx, count);
        storeScreenAttributes(b, qOf(projected), *p, idx, count);
    }
}

}  // namespace

bool vertexStageCovered(const VertexStage& s) {
    if (!haveAvx2()) return false;
    if (s.fog.enabled && (s.fog.perPixel || s.fog.rangeBased || s.fog.mode != D3DFOG_LINEAR)) return false;
    if (!s.lit) return true;
    if (s.lighting.normalize) return false;
    for (const EyeLight& l : s.lighting.lights)
        if (l.type != D3DLIGHT_DIRECTIONAL && l.type != D3DLIGHT_POINT) return false;
    return true;
}

void processVerticesAvx2(const VertexStage& s, const D3DVERTEX* in, ClipVertex* out, uint32_t begin, uint32_t end,
                         const ProjectionTarget* p) {
    processBlocks(s, in, out, begin, end, p);
}

}  // namespace platform::d3d

#else

namespace platform::d3d {
bool vertexStageCovered(const VertexStage&) { return false; }
void processVerticesAvx2(const VertexStage&, const D3DVERTEX*, ClipVertex*, uint32_t, uint32_t,
                         const ProjectionTarget*) {}
}  // namespace platform::d3d

#endif
