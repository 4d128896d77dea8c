// Surface makers: DirectDraw surfaces from bitmap entries of the current archive, blank
// surfaces, bitmap copies, colour matching and colour keys.
//
// Loading an entry: the archive's temporary copy is loaded with LoadImageA, a surface of the
// bitmap's size is created and the bitmap stretched onto it through device contexts; the
// archive's temporary files are discarded afterwards. A missing entry (or no current archive)
// writes the entry's name to the debug log kMissingLog in the working directory (each failure
// replaces the previous log) and gives null; so does a bitmap LoadImageA cannot read or a surface
// CreateSurface refuses. Returned surfaces carry one reference for the caller.
// Colours are COLORREF 0x00BBGGRR; results are HRESULTs (E_FAIL 0x80004005 for a missing
// surface, bitmap or entry).
#pragma once

#include <cstdint>

#include "platform/ddraw/ddraw.h"

constexpr const char* kMissingLog = "vorel_missing.log";
constexpr DWORD kNoColour = 0xFFFFFFFF;

IDirectDrawSurface7* loadBitmapSurface(IDirectDraw7* directDraw, const char* name);   // off-screen plain
IDirectDrawSurface7* loadTextureSurface(IDirectDraw7* directDraw, const char* name);  // display format
// A texture in the alpha texture format (display format when that is refused) whose alpha comes
// from the mask entry `name` + "1": alpha = 255 - the mask pixel's red. A missing mask is logged
// and leaves the texture opaque.
IDirectDrawSurface7* loadAlphaTextureSurface(IDirectDraw7* directDraw, const char* name);
IDirectDrawSurface7* createBlankTexture(IDirectDraw7* directDraw, int32_t width, int32_t height);
IDirectDrawSurface7* createBlankBitmap(IDirectDraw7* directDraw, int32_t width, int32_t height);

// Copies the named bitmap into an existing surface (stretched to it).
HRESULT reloadBitmapInto(IDirectDrawSurface7* surface, const char* name);
// Stretches the bitmap's rectangle (x, y, width, height; 0 width or height = the bitmap's own)
// onto the whole surface; the result of the surface's GetDC.
HRESULT copyBitmapToSurface(IDirectDrawSurface7* surface, HBITMAP bitmap, int x, int y, int width, int height);
// The raw pixel value `colour` has in the surface's format (kNoColour: read pixel (0, 0) as it is);
// kNoColour for a missing surface or a failed lock. The surface's pixel (0, 0) is left unchanged.
DWORD matchColor(IDirectDrawSurface7* surface, COLORREF colour);
HRESULT setSourceColorKey(IDirectDrawSurface7* surface, COLORREF colour);

// The alpha texture format (g_display.textureFormat, chosen by chooseAlphaTextureFormat of
// saver/display/texture_format.h when the 3D device is made; zero until then).
const DDPIXELFORMAT& alphaTextureFormat();
// Sets the format directly (what the choice would have set; tests pick 16-bit formats this way).
void setAlphaTextureFormat(const DDPIXELFORMAT& format);
void resetAlphaTextureFormat();
