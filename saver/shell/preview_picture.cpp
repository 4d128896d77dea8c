#include "saver/shell/preview_picture.h"

#include "platform/gdi/gdi.h"
#include "saver/shell/shell_state.h"

void paintPreviewPicture(HWND window) {
    if (!g_shell.previewLogo) return;
    BITMAP info{};
    if (!GetObjectA(g_shell.previewLogo, sizeof info, &info)) return;
    HDC target = GetDC(window);
    if (!target) return;
    HDC source = CreateCompatibleDC(target);
    HGDIOBJ old = SelectObject(source, g_shell.previewLogo);
    const int x = (g_shell.screenWidth - info.bmWidth) / 2;
    const int y = (g_shell.screenHeight - info.bmHeight) / 2;
    BitBlt(target, x, y, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    ReleaseDC(window, target);
}
