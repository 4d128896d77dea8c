// The platform virtual-key codes the interface controls act on.
#pragma once

#include <cstdint>

namespace overlay_keys {
constexpr uint16_t kBackSpace = 8;
constexpr uint16_t kEnter = 13;
constexpr uint16_t kEscape = 27;
constexpr uint16_t kEnd = 35;
constexpr uint16_t kHome = 36;
constexpr uint16_t kLeft = 37;
constexpr uint16_t kRight = 39;
constexpr uint16_t kDelete = 46;
}  // namespace overlay_keys
