// Connects the display layer to the parts of the screensaver whose resources live and die with
// it: the caustic flip-books, the model templates, the on-screen interface layer and the picture
// stores. installDisplayWiring sets the display's release/restore hooks, the shell's desktop-surface
// hook and the interface layer's display record; it is idempotent and runs once at start-up,
// before the saver window exists.
//
// At release: the flip-book records and model templates are deleted; the interface layer's
// surfaces go first (the controls' own, then the interface stores'), then its controls, fonts and
// pointer shapes are deleted and the four interface bitmap stores emptied entirely; the scene's
// texture store only drops its surfaces (its names stay registered). After a restore the stores
// copy their pictures into the restored surfaces again. The layer's display record draws with the
// display's DirectDraw object, takes its images from interfaceBitmaps(0), its screen size from the
// shell and its dots per inch from the display objects.
#pragma once

void installDisplayWiring();
