// The pixel format textures with alpha are created in.
//
// findTextureFormat walks the device's texture formats (IDirect3DDevice7::EnumTextureFormats) and
// takes the first that fits: luminance and bump formats never; with a palette wanted, the first
// 8-bit palettised format; otherwise not below 16 bits, no FourCC, not the 4-bit alpha layout
// (alpha mask 0xF000), alpha present exactly when wanted, and the wanted bit count. Returns false
// (out untouched) when none fits or the device is missing.
// chooseAlphaTextureFormat(device): g_display.textureFormat := the 32-bit format with alpha and
// without palette, or all zero when the device has none.
#pragma once

#include "platform/ddraw/ddraw.h"

bool findTextureFormat(IDirect3DDevice7* device, int bits, bool alpha, bool palette, DDPIXELFORMAT* out);
void chooseAlphaTextureFormat(IDirect3DDevice7* device);
