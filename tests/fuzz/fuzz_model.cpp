// Fuzz target: ".3d" model bytes through the whole load path (parse, checks, materials, meshes,
// groups, linking, bounds) and one draw of the tree through a device that records nothing.
#include <cstdint>
#include <cstdlib>

#include "saver/engine/model_material.h"
#include "saver/engine/model_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        ModelObject object;
        const bool loaded = object.loadFromBytes(data, size);
        if (!loaded && (object.children.count != 0 || object.radius != 0.0f)) std::abort();
        object.renderTree(0, identity(), nullptr);
        object.computeBounds();
    }
    resetMaterialTable();
    return 0;
}
