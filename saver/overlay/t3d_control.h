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
    // Finds the named image in the interface store or adds and loads it there; its index or -1.
    static int32_t imageIndexFor(const char* imageName);
    // Copies the own surface onto the target at (left, top), cut to the target: OR-ed when
    // `additive` is set, else with the source colour key.
    void copySurfaceTo(IDirectDrawSurface7* target);
};

// The top-level controls; the shell draws them after the scene every frame.
extern ControlList controlContainer;
// Set by every property change; cleared by the frame loop after it has drawn the container.
extern bool redrawNeeded;
// Gives every new control its identifier, then counts up.
extern int32_t controlCounter;
