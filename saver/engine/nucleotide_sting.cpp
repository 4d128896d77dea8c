// The nucleotide's sting: a cone fan from the nucleotide towards its target, drawn in the scene's
// blended pass after every body.
#include "saver/engine/nucleotide.h"

void NucleotideObject::drawSelf(IDirect3DDevice7* device) {
    if (!device || !active || stingState == 0) return;
    const Vector3 dir = target - position;
    const float L = length(dir);
    const NucleotideLinks& links = nucleotideLinks();
    if (L < links.size) return;
    if (sphereOutside(device, position, L)) return;
    const Vector3 at = cross(dir + Vector3{0.0f, 1000.0f, 0.0f}, dir) + position;
    Matrix4 view = identity();
    Matrix4 world = identity();
    if (lookAt(position, at, dir, &view) < 0) return;
    invertAffine(view, &world);
    D3DMATERIAL7 material = links.stingMaterial;
    device->SetMaterial(&material);
    device->SetTexture(0, links.textureSurface ? links.textureSurface(links.stingTextureIndex) : nullptr);
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_VERTEX, stingVertices, 13, 0);
}
