// The arithmetic of a scroll track shared by the scroll bar and the memo: where the thumb sits for
// a position, and which position a thumb offset stands for.
//
// A track is `trackLength` pixels long and its thumb `thumbLength` pixels; positions run from 0 to
// `lastPosition` (a range of n values has lastPosition n - 1). The thumb's offset from the track's
// start moves linearly from 0 (position 0) to trackLength - thumbLength (the last position). A
// track too short for its thumb, or a range of one position, keeps the thumb at offset 0 and every
// offset at position 0. Results never leave their ranges; sums are computed in 64 bits.
#pragma once

#include <cstdint>

int32_t thumbOffsetFor(int32_t trackLength, int32_t thumbLength, int32_t position, int32_t lastPosition);
// The position whose thumb offset lies nearest to `offset`.
int32_t positionForThumb(int32_t trackLength, int32_t thumbLength, int32_t offset, int32_t lastPosition);
