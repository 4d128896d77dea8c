#include "saver/shell/mouse_filter.h"

#include <cstdlib>

MouseVerdict filterMouseMove(ShellState& state, int x, int y) {
    bool small = std::abs(x - state.lastMouseX) < kMouseJumpPixels && std::abs(y - state.lastMouseY) < kMouseJumpPixels;
    state.lastMouseX = x;
    state.lastMouseY = y;
    if (small) return MouseVerdict::Swallowed;
    if (state.inputGrace != 0) {
        --state.inputGrace;
        return MouseVerdict::Swallowed;
    }
    return MouseVerdict::PassOn;
}
