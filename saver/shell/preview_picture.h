// The preview's picture: g_shell.previewLogo drawn centred in the host's small preview window,
// once per tick. Nothing is drawn without a picture or when the window gives no device context.
#pragma once

#include "platform/win/wintypes.h"

void paintPreviewPicture(HWND window);
