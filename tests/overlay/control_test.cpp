#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/overlay/overlay_fixture.h"

namespace {

// A control that notes what happens to it.
struct Probe : T3dControl {
    std::vector<std::string>* log;
    std::string tag;
    int handles = 0;  // what its input operations answer
    int changes = 0;
    Probe(std::vector<std::string>* l, std::string t, int x = 0, int y = 0, int w = 0, int h = 0) : log(l), tag(std::move(t)) {
        left = x, top = y, width = w, height = h;
    }
    ~Probe() override { log->push_back("delete " + tag); }
    void draw(IDirectDrawSurface7* target) override {
        log->push_back("draw " + tag);
        T3dControl::draw(target);
    }
    void changed() override { ++changes; }
    int mouseDown(int x, int y, int b) override {
        log->push_back("down " + tag);
        return T3dControl::mouseDown(x, y, b) | handles;
    }
    int keyDown(uint16_t) override {
        log->push_back("key " + tag);
        return handles;
    }
};

// The log outlives the controls: the fixture deletes the container before its members go.
struct OverlayControls : OverlayLayer {
    std::vector<std::string> log;
};

TEST_F(OverlayControls, EmptyContainerHooksDoNothing) {
    FakeSurface target(800, 600);
    controlContainer.drawAll(&target);
    controlContainer.releaseSurfaces();
    controlContainer.restoreSurfaces(fakeDirectDraw());
    EXPECT_TRUE(target.copies.empty());
    EXPECT_EQ(controlContainer.dispatchMouseDown(1, 1, 0), 0);
    EXPECT_EQ(controlContainer.dispatchMouseMove(1, 1, 1), 0);
    EXPECT_EQ(controlContainer.dispatchCharacter('a'), 0);
    EXPECT_EQ(controlContainer.findByName("x"), nullptr);
    EXPECT_FALSE(redrawNeeded);
    EXPECT_TRUE(made.empty());
}

TEST_F(OverlayControls, FirstControlIsDrawnLastAndSeesInputFirst) {
    auto* a = new Probe(&log, "a");
    auto* b = new Probe(&log, "b");
    auto* c = new Probe(&log, "c");
    controlContainer.add(a);
    controlContainer.add(b);
    controlContainer.add(c);
    b->addChild(new Probe(&log, "b1"));
    b->addChild(new Probe(&log, "b2"));
    FakeSurface target;
    controlContainer.drawAll(&target);
    EXPECT_EQ(log, (std::vector<std::string>{"draw c", "draw b", "draw b2", "draw b1", "draw a"}));

    log.clear();
    b->children.control(1)->setVisible(1);
    static_cast<Probe*>(b->children.control(1))->handles = 1;
    EXPECT_EQ(controlContainer.dispatchMouseDown(0, 0, 0), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"down a", "down b", "down b1", "down b2"})) << "c is not asked";

    log.clear();
    c->handles = 1;
    EXPECT_EQ(controlContainer.dispatchKeyDown(13), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"key a", "key b", "key c"}));
}

TEST_F(OverlayControls, IdentifiersCountUpAndSearchesGoDepthFirst) {
    auto* a = new Probe(&log, "a");
    auto* inner = new Probe(&log, "inner");
    auto* b = new Probe(&log, "b");
    EXPECT_EQ(inner->id, a->id + 1);
    EXPECT_EQ(b->id, a->id + 2);
    a->name = "twin";
    inner->name = "deep";
    b->name = "twin";
    a->addChild(inner);
    controlContainer.add(a);
    controlContainer.add(b);
    EXPECT_EQ(controlContainer.findByName("twin"), a);
    EXPECT_EQ(controlContainer.findByName("deep"), inner);
    EXPECT_EQ(controlContainer.findByName("Twin"), nullptr);
    EXPECT_EQ(controlContainer.findByName(""), nullptr);
    EXPECT_EQ(controlContainer.findById(inner->id), inner);
    EXPECT_EQ(controlContainer.findById(b->id + 100), nullptr);
}

TEST_F(OverlayControls, HidingAParentHidesItsChildrenAndAHiddenParentKeepsThemHidden) {
    auto* parent = new Probe(&log, "p", 0, 0, 10, 10);
    auto* child = new Probe(&log, "c", 0, 0, 4, 4);
    parent->addChild(child);
    controlContainer.add(parent);
    child->setFocus(1);
    parent->setVisible(0);
    EXPECT_EQ(child->visible, 0);
    EXPECT_EQ(child->focused, 0) << "hiding clears the focus";
    child->setVisible(1);
    EXPECT_EQ(child->visible, 0) << "showing inside a hidden parent is refused";
    parent->setVisible(1);
    EXPECT_EQ(child->visible, 1);
    EXPECT_TRUE(redrawNeeded);
}

TEST_F(OverlayControls, DisablingClearsFocusOfTheWholeSubtree) {
    auto* parent = new Probe(&log, "p");
    auto* child = new Probe(&log, "c");
    auto* grandchild = new Probe(&log, "g");
    child->addChild(grandchild);
    parent->addChild(child);
    controlContainer.add(parent);
    grandchild->setFocus(1);
    parent->setEnabled(0);
    EXPECT_EQ(grandchild->enabled, 0);
    EXPECT_EQ(grandchild->focused, 0);
    child->setEnabled(1);
    EXPECT_EQ(child->enabled, 0) << "enabling inside a disabled parent is refused";
    parent->setEnabled(1);
    EXPECT_EQ(grandchild->enabled, 1);
}

TEST_F(OverlayControls, FocusGoesToOneControlAtATime) {
    auto* a = new Probe(&log, "a");
    auto* b = new Probe(&log, "b");
    auto* bChild = new Probe(&log, "b1");
    b->addChild(bChild);
    controlContainer.add(a);
    controlContainer.add(b);
    bChild->setFocus(1);
    a->setFocus(1);
    EXPECT_EQ(bChild->focused, 0);
    EXPECT_EQ(a->focused, 1);
    bChild->setFocus(1);
    b->setFocus(0);
    EXPECT_EQ(bChild->focused, 0) << "unfocusing a control clears its children's focus";
}

TEST_F(OverlayControls, EveryPropertyChangeMarksARedrawAndRepaints) {
    Probe p(&log, "p", 10, 20, 5, 5);
    auto* child = new Probe(&log, "c", 12, 22, 1, 1);
    p.addChild(child);
    int before = p.changes;
    p.setCaption("Go");
    p.setState(1);
    p.setTextColour(0xFFFFFF);
    p.setFont(2);
    p.setAdditive(1);
    p.moveTo(100, 200);
    EXPECT_TRUE(redrawNeeded);
    EXPECT_EQ(p.changes - before, 6);
    EXPECT_EQ(p.caption, "Go");
    EXPECT_EQ(child->left, 102);
    EXPECT_EQ(child->top, 202);
    EXPECT_EQ(p.hitTest(100, 200), 1);
    EXPECT_EQ(p.hitTest(105, 200), 0) << "the right edge is outside";
}

TEST_F(OverlayControls, ShowingMakesTheOwnSurfaceAgainAndHidingReleasesIt) {
    haveDirectDraw = true;
    auto* parent = new Probe(&log, "p", 0, 0, 30, 20);
    auto* child = new Probe(&log, "c", 5, 5, 8, 6);
    child->bitmap = 4;
    parent->addChild(child);
    controlContainer.add(parent);
    controlContainer.restoreSurfaces(fakeDirectDraw());
    ASSERT_EQ(made.size(), 2u);
    EXPECT_EQ(made[1]->width, 8u);
    EXPECT_EQ(child->surface, made[1].get());
    EXPECT_EQ(child->colourKey.dwColorSpaceLowValue, 0x07E0u) << "the key is read back from the surface";

    parent->setVisible(0);
    EXPECT_EQ(child->surface, nullptr);
    EXPECT_EQ(made[1]->references, 0u);
    EXPECT_EQ(released, (std::vector<int>{4}));

    fetched.clear();
    parent->setVisible(1);
    ASSERT_EQ(made.size(), 4u);
    EXPECT_EQ(made[0]->references, 0u) << "the old surface is released when a new one is made";
    EXPECT_EQ(child->surface, made[2].get()) << "children are shown before their parent";
    EXPECT_EQ(parent->surface, made[3].get());
    EXPECT_EQ(fetched, (std::vector<int>{4})) << "the image is loaded again";

    controlContainer.releaseSurfaces();
    EXPECT_EQ(parent->surface, nullptr);
    EXPECT_EQ(child->surface, nullptr);
    EXPECT_EQ(made[2]->references, 0u);
    EXPECT_EQ(made[3]->references, 0u);
}

TEST_F(OverlayControls, WithoutDirectDrawShowingMakesNoSurface) {
    auto* p = new Probe(&log, "p", 0, 0, 30, 20);
    controlContainer.add(p);
    p->setVisible(0);
    p->setVisible(1);
    EXPECT_TRUE(made.empty());
    EXPECT_EQ(p->surface, nullptr);
}

TEST_F(OverlayControls, PointerShapeFollowsTheControlUnderTheMouseOrTheCapturedOne) {
    auto* a = new Probe(&log, "a", 0, 0, 10, 10);
    auto* b = new Probe(&log, "b", 20, 0, 10, 10);
    a->cursorShape = 3;
    b->cursorShape = 5;
    controlContainer.add(a);
    controlContainer.add(b);
    EXPECT_EQ(controlContainer.dispatchMouseMove(25, 5, 1), 1);
    EXPECT_EQ(cursorLayer.selected, 5);
    EXPECT_EQ(controlContainer.dispatchMouseMove(50, 50, 1), 0);
    EXPECT_EQ(cursorLayer.selected, 5);
    b->captured = 1;
    a->setEnabled(0);
    EXPECT_EQ(controlContainer.dispatchMouseMove(5, 5, 0), 1);
    EXPECT_EQ(cursorLayer.selected, 5) << "with the flag 0 only the captured control counts";
}

TEST_F(OverlayControls, DeletingTheContainerDeletesEveryControlOnce) {
    auto* a = new Probe(&log, "a");
    a->addChild(new Probe(&log, "a1"));
    controlContainer.add(a);
    controlContainer.add(new Probe(&log, "b"));
    controlContainer.deleteAll();
    EXPECT_EQ(controlContainer.count, 0);
    std::sort(log.begin(), log.end());
    EXPECT_EQ(log, (std::vector<std::string>{"delete a", "delete a1", "delete b"}));
}

}  // namespace
