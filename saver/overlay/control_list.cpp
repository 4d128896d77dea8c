#include "saver/overlay/control_list.h"

#include "saver/overlay/t3d_control.h"

#include <vector>

ControlList::~ControlList() { deleteAll(); }

void ControlList::drawAll(IDirectDrawSurface7* target) {
    for (int i = count - 1; i >= 0; --i)
        if (T3dControl* c = control(i)) c->draw(target);
}

void ControlList::releaseSurfaces() {
    for (int i = 0; i < count; ++i)
        if (T3dControl* c = control(i)) c->releaseSurfaces();
}

void ControlList::restoreSurfaces(IDirectDraw7* directDraw) {
    for (int i = 0; i < count; ++i)
        if (T3dControl* c = control(i)) c->restoreSurfaces(directDraw);
}

void ControlList::deleteAll() {
    // Detach first: a control's destructor may look at lists while it goes.
    std::vector<T3dControl*> items;
    for (int i = 0; i < count; ++i) items.push_back(control(i));
    clear();
    for (T3dControl* c : items) delete c;
}

void ControlList::setVisibleAll(int32_t visible) {
    for (int i = 0; i < count; ++i)
        if (T3dControl* c = control(i)) c->setVisible(visible);
}

T3dControl* ControlList::findByName(const std::string& name) const {
    if (name.empty()) return nullptr;
    for (int i = 0; i < count; ++i) {
        T3dControl* c = control(i);
        if (!c) continue;
        if (c->name == name) return c;
        if (T3dControl* inner = c->children.findByName(name)) return inner;
    }
    return nullptr;
}

T3dControl* ControlList::findById(int32_t id) const {
    for (int i = 0; i < count; ++i) {
        T3dControl* c = control(i);
        if (!c) continue;
        if (c->id == id) return c;
        if (T3dControl* inner = c->children.findById(id)) return inner;
    }
    return nullptr;
}

namespace {

template <class Offer>
int firstThatHandles(const ControlList& list, Offer offer) {
    for (int i = 0; i < list.count; ++i)
        if (T3dControl* c = list.control(i); c && offer(c)) return 1;
    return 0;
}

}  // namespace

int ControlList::dispatchMouseDown(int x, int y, int button) {
    return firstThatHandles(*this, [&](T3dControl* c) { return c->mouseDown(x, y, button); });
}
int ControlList::dispatchMouseUp(int x, int y, int button) {
    return firstThatHandles(*this, [&](T3dControl* c) { return c->mouseUp(x, y, button); });
}
int ControlList::dispatchMouseMove(int x, int y, int flag) {
    return firstThatHandles(*this, [&](T3dControl* c) { return c->mouseMove(x, y, flag); });
}
int ControlList::dispatchKeyDown(uint16_t key) {
    return firstThatHandles(*this, [&](T3dControl* c) { return c->keyDown(key); });
}
int ControlList::dispatchKeyUp(uint16_t key) {
    return firstThatHandles(*this, [&](T3dControl* c) { return c->keyUp(key); });
}
int ControlList::dispatchCharacter(uint8_t ch) {
    return firstThatHandles(*this, [&](T3dControl* c) { return c->character(ch); });
}
