// What releasing and restoring the display asks of other parts of the screensaver, without
// depending on them: each owner sets its function once at start; an unset hook does nothing.
//
// Called by releaseDisplay in this order: releaseAnimatedTextures (always, first); then, only when
// a DirectDraw object exists, releaseModelTemplates (delete the templates and clear their list,
// before the device goes), releaseOverlay (after controlContainer released its surfaces: the fonts
// of the on-screen layer) and releaseStoreSurfaces (the interface bitmaps' and the texture
// store's surfaces). restoreAfterLoss calls reloadPictures (reload the interface bitmaps and the
// texture store into their restored surfaces).
#pragma once

struct DisplayHooks {
    using Hook = void (*)();
    Hook releaseAnimatedTextures = nullptr;
    Hook releaseModelTemplates = nullptr;
    Hook releaseOverlay = nullptr;
    Hook releaseStoreSurfaces = nullptr;
    Hook reloadPictures = nullptr;
};

DisplayHooks& displayHooks();
