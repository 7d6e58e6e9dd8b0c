// Views: hit testing and overlap with their inclusive edges, the redraw mark of setBounds,
// reference counting and the owner editor.
#include <gtest/gtest.h>

#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/view.h"

namespace melp::toolkit::test {
namespace {

TEST(ViewHitTest, RightAndBottomEdgesBelongToTheView) {
    View view(Rect{10, 20, 30, 40});
    EXPECT_TRUE(view.containsPoint(Point{10, 20}, -1));
    EXPECT_TRUE(view.containsPoint(Point{30, 40}, mouseLeft));
    EXPECT_TRUE(view.containsPoint(Point{30, 20}, 0));
    EXPECT_FALSE(view.containsPoint(Point{31, 30}, -1));
    EXPECT_FALSE(view.containsPoint(Point{20, 41}, -1));
    EXPECT_FALSE(view.containsPoint(Point{9, 30}, -1));
    EXPECT_FALSE(view.containsPoint(Point{20, 19}, -1));
}

TEST(ViewOverlap, TouchingEdgesOverlap) {
    View view(Rect{10, 10, 20, 20});
    EXPECT_TRUE(view.overlapsRect(Rect{20, 20, 25, 25}));  // corner to corner
    EXPECT_TRUE(view.overlapsRect(Rect{0, 0, 10, 10}));
    EXPECT_TRUE(view.overlapsRect(Rect{12, 12, 14, 14}));  // inside
    EXPECT_TRUE(view.overlapsRect(Rect{0, 0, 100, 100}));  // around
    EXPECT_FALSE(view.overlapsRect(Rect{21, 10, 30, 20}));
    EXPECT_FALSE(view.overlapsRect(Rect{0, 10, 9, 20}));
    EXPECT_FALSE(view.overlapsRect(Rect{10, 0, 20, 9}));
    EXPECT_FALSE(view.overlapsRect(Rect{10, 21, 20, 30}));
}

TEST(ViewBounds, SetBoundsMarksForRedrawButKeepsTheMouseArea) {
    View view(Rect{0, 0, 10, 10});
    EXPECT_FALSE(view.needsRedraw());
    view.setMouseArea(Rect{1, 2, 3, 4});
    view.setBounds(Rect{5, 6, 7, 8});
    EXPECT_TRUE(view.needsRedraw());
    Rect area;
    Rect& returned = view.getMouseArea(area);
    EXPECT_EQ(&returned, &area);
    EXPECT_EQ(area, (Rect{1, 2, 3, 4}));
    Rect bounds;
    EXPECT_EQ(&view.getBounds(bounds), &bounds);
    EXPECT_EQ(bounds, (Rect{5, 6, 7, 8}));
}

TEST(ViewBounds, MouseAreaStartsEqualToBoundsAndDrawClearsTheMark) {
    View view(Rect{3, 4, 5, 6});
    Rect area;
    EXPECT_EQ(view.getMouseArea(area), (Rect{3, 4, 5, 6}));
    view.setNeedsRedraw(true);
    view.draw(nullptr);
    EXPECT_FALSE(view.needsRedraw());
}

TEST(ViewDefaults, AnswerNothingHandled) {
    View view(Rect{0, 0, 10, 10});
    KeyCode key;
    EXPECT_EQ(view.keyDown(key), -1);
    EXPECT_EQ(view.keyUp(key), -1);
    EXPECT_EQ(view.handleMessage(nullptr, "message"), 0);
    EXPECT_FALSE(view.dropItems(nullptr, 0, dropFiles, Point{}));
    EXPECT_FALSE(view.wheel(nullptr, Point{}, 1.0f));
    EXPECT_TRUE(view.isMouseEnabled());
    EXPECT_FALSE(view.isTransparent());
    EXPECT_EQ(view.ownerEditor(), nullptr);
}

TEST(ViewReferences, SecondReleaseOfARetainedViewDestroysIt) {
    bool destroyed = false;
    std::vector<std::string> log;
    auto* view = new RecordingView(Rect{0, 0, 1, 1}, &log, "v");
    view->destroyed = &destroyed;
    EXPECT_EQ(view->referenceCount(), 1);
    view->retain();
    EXPECT_EQ(view->referenceCount(), 2);
    view->release();
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(view->referenceCount(), 1);
    view->release();
    EXPECT_TRUE(destroyed);
}

// A view whose count was driven to 0 without destruction (a subclass that keeps itself
// alive) must not be destroyed, nor counted below 0, by a further release.
class ImmortalView : public View {
public:
    ImmortalView() : View(Rect{}) { referenceCount_ = 0; }
};

TEST(ViewReferences, ReleaseAtZeroDoesNothing) {
    ImmortalView view;
    view.release();
    EXPECT_EQ(view.referenceCount(), 0);
}

}  // namespace
}  // namespace melp::toolkit::test
