// Where a scene split between two threads (split_scene.h) divides the target: the helper's part
// takes the bands above the boundary, the calling thread's part the bands from it down. Bands
// interleaved between the parts cut every triangle taller than a band into pieces for both
// threads, each of which then sets it up, lights it and walks its rows; one boundary leaves only
// the triangles across it to both (the outside view's tall slivers: about a tenth less work for
// the two threads together at 800x600). What a band costs depends on the view, so the boundary
// follows the scenes: after each split scene the threads' ends are compared (how long after the
// calling thread had drawn its own bands the helper ended, negative when it had ended before),
// averaged with the scene before, and the boundary moves one band towards the part that ended
// first when the other ended later by more than a band's work (twice the calling thread's time
// over every band: wherever the boundary stands, each part takes about that thread's time; the
// helper ends a little later even when the parts weigh the same, as it starts each call only
// once posted, so a smaller threshold on its side drifts the boundary towards the calling thread).
// A scene in which the process used less than
// kRunning times its real time in processor time (two threads running through it use about
// twice: a helper without work looks on) is left out: another program held a processor, and who
// ended later then says who got one, not whose part was heavier (moving bands to the calling
// thread then makes the helper's share of the processors go unused). It starts where the calling
// thread takes half the bands (one more when they are odd: the lower parts of the story's views
// are the lighter), and stays two scenes
// after a move before it looks again. The picture never depends on the boundary, only the speed.
// Times are nanoseconds of real time. Not thread-safe: the calling thread alone uses it.
#pragma once

#include <cstdint>

#include "platform/d3d/span_walk.h"

namespace platform::d3d {

class SplitBoundary {
public:
    static constexpr double kRunning = 1.8;

    // The calling thread's first band on a target of `bands` bands (2 to kBandClasses; fewer or
    // more are clamped): it takes bands [boundary, bands), the helper [0, boundary).
    int boundary(int bands) const;
    // The two parts' bands as masks ([0]: the calling thread's) for a target of `bands` bands.
    void masks(int bands, BandMask out[2]) const;

    // A split scene on `bands` bands ended: the calling thread had drawn its own bands `callerNs`
    // after the scene's first call, and the helper ended `laterNs` after that (negative: before);
    // the scene took `sceneNs` from its first call to its end, the process `cpuNs` of processor
    // time meanwhile.
    void sceneEnded(int bands, int64_t callerNs, int64_t laterNs, int64_t sceneNs, int64_t cpuNs);

private:
    int bands_ = 0;     // the target's bands the boundary is for (0: none yet)
    int boundary_ = 0;  // the calling thread's first band
    int settle_ = 0;    // scenes still to wait after a move
    bool seen_ = false;        // lateNs_ holds a scene's figure
    int64_t lateNs_ = 0;       // the helper's lateness, the last scene's
};

}  // namespace platform::d3d
