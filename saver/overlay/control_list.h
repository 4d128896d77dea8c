// ControlList: an ObjectList of T3dControl pointers that owns its controls, and the operations the
// shell calls on the top-level container (and that a control uses on its children).
//
// Drawing runs from the last control to the first, so the first lies on top; input runs from the
// first, so the top-most control sees an event first, and stops at the first control that handles
// it (returns nonzero). Searches go depth first in list order. deleteAll deletes every control and
// empties the list; the destructor does the same.
#pragma once

#include <cstdint>
#include <string>

#include "common/object_list.h"
#include "platform/ddraw/ddraw.h"

class T3dControl;

class ControlList : public ObjectList {
public:
    ControlList() = default;
    ~ControlList() override;

    T3dControl* control(int index) const { return at<T3dControl>(index); }
    // Calls f on every control in list order (empty slots are passed over).
    template <class F>
    void forEach(F f) const {
        for (int i = 0; i < count; ++i)
            if (T3dControl* c = control(i)) f(c);
    }

    void drawAll(IDirectDrawSurface7* target);
    void releaseSurfaces();
    void restoreSurfaces(IDirectDraw7* directDraw);
    void deleteAll();
    void setVisibleAll(int32_t visible);
    T3dControl* findByName(const std::string& name) const;  // none for an empty name
    T3dControl* findById(int32_t id) const;

    int dispatchMouseDown(int x, int y, int button);
    int dispatchMouseUp(int x, int y, int button);
    int dispatchMouseMove(int x, int y, int flag);
    int dispatchKeyDown(uint16_t key);
    int dispatchKeyUp(uint16_t key);
    int dispatchCharacter(uint8_t ch);
};
