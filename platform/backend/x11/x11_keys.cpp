#include "platform/backend/x11/x11_keys.h"

#include <X11/keysym.h>

namespace platform::x11 {
namespace {

struct KeyPair {
    unsigned long keysym;
    int vk;
};

constexpr KeyPair kNamed[] = {
    {XK_BackSpace, 0x08}, {XK_Tab, 0x09},        {XK_Return, 0x0D},    {XK_KP_Enter, 0x0D},
    {XK_Shift_L, 0x10},   {XK_Shift_R, 0x10},    {XK_Control_L, 0x11}, {XK_Control_R, 0x11},
    {XK_Alt_L, 0x12},     {XK_Alt_R, 0x12},      {XK_Meta_L, 0x12},    {XK_Meta_R, 0x12},
    {XK_Pause, 0x13},     {XK_Caps_Lock, 0x14},  {XK_Escape, 0x1B},    {XK_space, 0x20},
    {XK_Prior, 0x21},     {XK_Next, 0x22},       {XK_End, 0x23},       {XK_Home, 0x24},
    {XK_Left, 0x25},      {XK_Up, 0x26},         {XK_Right, 0x27},     {XK_Down, 0x28},
    {XK_Print, 0x2C},     {XK_Insert, 0x2D},     {XK_Delete, 0x2E},    {XK_Super_L, 0x5B},
    {XK_Super_R, 0x5C},   {XK_Menu, 0x5D},       {XK_KP_Multiply, 0x6A}, {XK_KP_Add, 0x6B},
    {XK_KP_Subtract, 0x6D}, {XK_KP_Decimal, 0x6E}, {XK_KP_Divide, 0x6F}, {XK_Num_Lock, 0x90},
    {XK_Scroll_Lock, 0x91},
};

}  // namespace

int virtualKeyFromKeysym(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return static_cast<int>('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z) return static_cast<int>('A' + (keysym - XK_A));
    if (keysym >= XK_0 && keysym <= XK_9) return static_cast<int>('0' + (keysym - XK_0));
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) return static_cast<int>(0x60 + (keysym - XK_KP_0));
    if (keysym >= XK_F1 && keysym <= XK_F24) return static_cast<int>(0x70 + (keysym - XK_F1));
    for (const KeyPair& k : kNamed)
        if (k.keysym == keysym) return k.vk;
    return 0xFE;
}

}  // namespace platform::x11
