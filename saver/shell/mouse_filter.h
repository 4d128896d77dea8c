// The mouse filter in front of the screen-saver protocol (both run modes).
//
// A move of less than kMouseJumpPixels on both axes since the previous move is swallowed (slow
// movement never ends the run). A larger jump is swallowed too while the grace count is above 0,
// and uses one unit of it. Otherwise the move passes on to the protocol. Either way the position
// becomes the last position. Coordinates are client pixels.
#pragma once

#include "saver/shell/shell_state.h"

constexpr int kMouseJumpPixels = 50;

enum class MouseVerdict { Swallowed, PassOn };

MouseVerdict filterMouseMove(ShellState& state, int x, int y);
