// Which of the target's bands of 64 rows the filling thread of the span queue draws itself while
// helpers draw the others, chosen filling by filling from how the last one went.
//
// The filling thread also runs the geometry, so it takes a smaller share of the bands than a
// helper: the bands whose number is a multiple of every() (every() 0: none). It draws them from
// the records it has just written, still in its caches; the helpers read the rest from it. After
// each filling the share moves one step: towards the filling thread when it spent more time
// drawing the helpers' bands (or waiting for them) than the helpers spent without work, away from
// it in the opposite case; differences under a sixteenth of the filling's time change nothing.
// Steps: 1/2, 1/3, 1/4, 1/6, 1/8 of the bands, none; a new queue starts at 1/3. The picture never
// depends on the share (every band is drawn by one thread at a time, in order), only the speed.
// Times are nanoseconds of real time; negative or odd figures are taken as they come (they only
// move the share by one step). Not thread-safe: the filling thread alone uses it.
#pragma once

#include <cstdint>

namespace platform::d3d {

class BandShare {
public:
    // The filling thread draws band b when every() > 0 and b % every() == 0.
    int every() const;

    // A filling ended: the filling thread spent fillerOverNs drawing helpers' bands or waiting for
    // them, the helpers were without work for helperIdleNs while work was still to come, and the
    // filling took fillingNs.
    void fillingEnded(int64_t fillerOverNs, int64_t helperIdleNs, int64_t fillingNs);

    // A fixed share from now on (the filling thread draws bands that are multiples of `every`,
    // none for 0; fillings change nothing meanwhile); a negative value returns to choosing it.
    void fix(int every) { fixed_ = every; }

private:
    int step_ = 1;
    int fixed_ = -1;
};

}  // namespace platform::d3d
