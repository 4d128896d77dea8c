// GDI of the platform layer: bitmaps loaded from BMP files, device contexts, block transfers,
// single pixels, rectangles filled with brushes, fonts and text.
//
// Calls offered: LoadImageA (IMAGE_BITMAP with LR_LOADFROMFILE; LR_CREATEDIBSECTION is accepted and
// always in effect), GetObjectA (BITMAP for bitmaps, LOGFONTA for fonts), CreateCompatibleDC,
// CreateCompatibleBitmap, DeleteDC, SelectObject, DeleteObject, GetStockObject, CreateSolidBrush,
// BitBlt and StretchBlt (SRCCOPY, BLACKNESS, WHITENESS), GetPixel, SetPixel, FillRect,
// GetDeviceCaps, GetClipBox, GetDC/ReleaseDC (windows through platform/win/window_pixels.h, the
// null window gives a screen context without pixels), SetBkMode, SetBkColor, SetTextColor,
// TextOutA, GetTextExtentPoint32A, CreateFontIndirectA.
//
// Conventions: COLORREF is 0x00BBGGRR. Bitmaps are kept as 32-bit X8R8G8B8, rows top to bottom;
// GetObjectA reports them so (bmBitsPixel 32, positive bmHeight). Device contexts draw onto memory
// with a pitch in bytes in a 16-, 24- or 32-bit RGB format given by masks; colours are stored by
// keeping the high bits of each channel and read back by replicating them, so pure colours
// round-trip exactly (pure green on R5G6B5 is 0x07E0). Bits outside the colour masks are written
// as 0. Coordinates are pixels, y down; rectangles exclude right and bottom. Every call is clipped
// to the target; nothing is drawn outside it.
//
// Text: the default font is a built-in 8x16 bitmap font (ASCII 32-126; other bytes draw a box),
// black on an opaque white background until changed. Fonts from CreateFontIndirectA are looked up
// by face name through fontconfig and drawn with FreeType (anti-aliased unless lfQuality asks for
// NONANTIALIASED_QUALITY); when no face can be had the built-in font stands in. TextOutA draws at
// (x, y) as the top-left corner of the text; GetTextExtentPoint32A measures exactly what it draws.
//
// Handles: every object handle is checked against the live objects, so a stale or foreign handle
// fails cleanly (0, FALSE or CLR_INVALID) instead of being dereferenced. Deleting a bitmap or a
// font that is still selected into a context puts the context's default back first. Stock objects
// are never deleted. Single-threaded: every call comes from the user-interface thread.
#pragma once

#include "platform/win/wintypes.h"

// ---- LoadImageA ---------------------------------------------------------------------------------
constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT LR_DEFAULTCOLOR = 0x00000000;
constexpr UINT LR_LOADFROMFILE = 0x00000010;
constexpr UINT LR_CREATEDIBSECTION = 0x00002000;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

// ---- raster operations, device capabilities, background modes -------------------------------------
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// ---- stock objects ---------------------------------------------------------------------------------
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

// ---- fonts -----------------------------------------------------------------------------------------
constexpr int LF_FACESIZE = 32;
constexpr LONG FW_DONTCARE = 0;
constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE NONANTIALIASED_QUALITY = 3;
constexpr BYTE ANTIALIASED_QUALITY = 4;

struct LOGFONTA {
    LONG lfHeight;  // < 0: character height in pixels; > 0: cell height; 0: default size
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;  // >= 600 draws bold
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE];
};

// ---- the calls ---------------------------------------------------------------------------------------
HGDIOBJ LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags);
int GetObjectA(HGDIOBJ object, int size, void* out);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
HBRUSH CreateSolidBrush(COLORREF colour);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HFONT CreateFontIndirectA(const LOGFONTA* font);

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
int GetDeviceCaps(HDC dc, int index);
int GetClipBox(HDC dc, RECT* out);  // SIMPLEREGION (2) on success, ERROR (0) otherwise

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);

int SetBkMode(HDC dc, int mode);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF SetTextColor(HDC dc, COLORREF colour);
BOOL TextOutA(HDC dc, int x, int y, const char* text, int length);
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int length, SIZE* out);
