// X keysyms to Windows virtual-key codes. Letters map to their capital ('A'..'Z'), digits to
// '0'..'9'; named keys to their VK_ codes; any other key to 0xFE (VK_OEM_CLEAR), so every key still
// arrives as a key press.
#pragma once

namespace platform::x11 {

int virtualKeyFromKeysym(unsigned long keysym);

}  // namespace platform::x11
