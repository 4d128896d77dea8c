// Copies of the vertex arrays a scene draws more than once, for the threads that replay its calls.
//
// A program draws the same array many times in a scene (a model placed again and again), and may
// change it as soon as a call returns. Each call's replays must see the vertices as they were at
// the call. A fresh copy for every call is written by one core and read by the others, missing on
// every line. Here an array (its address and count) gets one copy the second time it is drawn in
// a scene, and later calls whose vertices equal that copy byte for byte read the copy too: it stays
// in every core's cache, and nothing is written. A copy is never changed until clear(), so a call
// that read it keeps its vertices whatever the program does afterwards; an array found changed
// gets a new copy when it is next drawn.
//
// Threads: find and clear belong to the calling thread; the copies are read by other threads
// between a find that returned them and the next clear (published with whatever hands them over).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/d3d/d3dtypes.h"

namespace platform::d3d {

class RepeatedVertices {
public:
    // Room for `capacity` vertices of copies a scene.
    explicit RepeatedVertices(uint32_t capacity);

    // A copy equal to vertices[0, count) made earlier in this scene (or now, the array's second
    // drawing), valid until clear(); nullptr when the array was not drawn before in this scene,
    // or the copies have no room left.
    const D3DVERTEX* find(const D3DVERTEX* vertices, uint32_t count);

    // Forgets every copy (no thread may read them any more).
    void clear();

    // Vertices of the copies made since the last clear. For tests.
    uint32_t used() const { return used_; }

private:
    struct Entry {
        const D3DVERTEX* vertices;  // the program's array
        uint32_t count;
        uint32_t at;  // its copy's place, kNone while drawn once only
    };
    static constexpr uint32_t kNone = ~uint32_t(0);

    uint32_t capacity_;
    uint32_t used_ = 0;
    std::unique_ptr<D3DVERTEX[]> copies_;
    std::vector<Entry> entries_;
};

}  // namespace platform::d3d
