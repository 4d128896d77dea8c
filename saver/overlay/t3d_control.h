// T3dControl: the base of every on-screen control, and the layer's process-wide records
// (controlContainer, redrawNeeded, the control counter).
//
// A control is a plain record (fields below, positions in screen pixels) with virtual operations in
// a fixed slot order. It paints itself into its own surface when it changes (`changed`) and copies
// that surface onto the back buffer when drawn; the base kind has no look of its own and only
// passes drawing and input on to its children. Every property change sets redrawNeeded and calls
// changed. Rules that keep the tree consistent:
//   - a child accepts being enabled or shown only while its parent is enabled or visible;
//   - disabling or hiding clears the focus (disabling: of the whole subtree);
//   - focusing a control first clears the focus of every top-level control and their children.
// Ownership: a control owns its children (ControlList) and its own surface; the destructor releases
// the surface and deletes the children. Images belong to the interface bitmap store.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ddraw/ddraw.h"
#include "saver/overlay/control_list.h"

// Pure green, the interface bitmaps' transparent colour, as a colour reference.
constexpr uint32_t kOverlayKeyGreen = 0x00FF00;
// The `button` of the mouse operations is the window message's button flag; the primary button is
// the left one (MK_LBUTTON).
constexpr int kPrimaryButton = 0x0001;

class T3dControl {
public:
    T3dControl();
    T3dControl(const T3dControl&) = delete;
    T3dControl& operator=(const T3dControl&) = delete;

    // Virtual operations, in slot order.
    virtual ~T3dControl();
    virtual void draw(IDirectDrawSurface7* target);
    virtual void changed();
    virtual int mouseDown(int x, int y, int button);
    virtual int mouseUp(int x, int y, int button);
    virtual int mouseMove(int x, int y, int flag);  // flag nonzero: the pointer is over the screen
    virtual int keyDown(uint16_t key);
    virtual int keyUp(uint16_t key);
    virtual int character(uint8_t ch);
    virtual void restoreSurfaces(IDirectDraw7* directDraw);
    virtual void releaseSurfaces();
    virtual int hitTest(int x, int y);
    virtual void setVisible(int32_t value);

    void setAdditive(int32_t value);
    void setFont(int32_t value);
    void setState(int32_t value);
    void setTextColour(uint32_t value);
    void setCaption(const std::string& value);
    void setEnabled(int32_t value);
    void setFocus(int32_t value);
    void moveBy(int dx, int dy);
    void moveTo(int x, int y);
    void addChild(T3dControl* child);  // takes ownership

    int32_t getAdditive() const { return additive; }
    int32_t getFont() const { return font; }
    int32_t getState() const { return state; }
    uint32_t getTextColour() const { return textColour; }
    const std::string& getCaption() const { return caption; }

    int32_t additive = 0;
    int32_t font = 0;
    int32_t state = 0;  // 0 normal, 1 pressed
    uint32_t textColour = 0x969696;
    std::string caption;  // empty: no caption
    int32_t enabled = 1;
    int32_t visible = 1;
    int32_t focused = 0;
    std::string name;  // empty: no name
    int32_t id;
    int32_t bitmap = -1;  // index in the interface bitmap store
    int32_t top = 0, left = 0;
    int32_t width = 0, height = 0;
    DDCOLORKEY colourKey = {};
    IDirectDrawSurface7* surface = nullptr;
    int32_t captured = 0;
    int32_t cursorShape = 0;
    T3dControl* parent = nullptr;
    ControlList children;

protected:
    void propertyChanged();
    // Makes the own surface again (blank, green key) and reads its key back; none without a
    // DirectDraw object or without a size.
    void remakeSurface(IDirectDraw7* directDraw);
    void releaseOwnSurface();
    void clearFocusOfTree();
    // Sets the position, size (negative sizes become 0) and name of a new control.
    void place(int32_t x, int32_t y, int32_t w, int32_t h, const char* controlName);
    // A press this control takes: the primary button, while visible and enabled, on the control.
    bool acceptsPress(int x, int y, int button);
    // mouseUp of a control that holds the mouse between press and release: the children first,
    // then the primary button's release ends the hold (1), anything else is not for it (0).
    int releaseCapture(int x, int y, int button);
    // draw of a kind that paints itself: the own surface while visible, then the children.
    void drawSelfAndChildren(IDirectDrawSurface7* target);
    // The end of a kind's constructor: the own surface made (when there is a DirectDraw object and
    // a size) and painted.
    void makeSurfaceAndPaint();
    // Fills the own surface with its transparent colour (the key read back into colourKey).
    void clearSurface();
    // Finds the named image in the interface store or adds and loads it there; its index or -1.
    static int32_t imageIndexFor(const char* imageName);
    // The store's image at `index` (loaded on first use), or none.
    static IDirectDrawSurface7* storeImage(int32_t index);
    // The size of the store's image at `index`; false (sizes untouched) without an image.
    static bool storeImageSize(int32_t index, int32_t& imageWidth, int32_t& imageHeight);
    // Copies `part` of `source` onto the target with its corner at (x, y), cut to the target:
    // OR-ed when `additive` is set, else with the source's colour key.
    void copyOnto(IDirectDrawSurface7* target, IDirectDrawSurface7* source, const RECT& part, int64_t x,
                  int64_t y) const;
    // copyOnto of the whole own surface at (left, top).
    void copySurfaceTo(IDirectDrawSurface7* target) const;
};

// The top-level controls; the shell draws them after the scene every frame.
extern ControlList controlContainer;
// Set by every property change; cleared by the frame loop after it has drawn the container.
extern bool redrawNeeded;
// Gives every new control its identifier, then counts up.
extern int32_t controlCounter;
