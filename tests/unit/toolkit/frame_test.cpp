// The frame window: its child list, draw order and click routing, the idle redraw rules,
// the module-wide window class and image library state, and what it passes to its editor.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/control.h"
#include "toolkit/frame.h"

namespace melp::toolkit::test {
namespace {

class FrameTest : public ToolkitTest {};

// A control that logs its draws and paints its bounds.
class LoggingControl : public Control {
public:
    LoggingControl(const Rect& bounds, std::vector<std::string>* log, std::string name,
                   ColorRef color)
        : Control(bounds, nullptr, 0, nullptr), log_(log), name_(std::move(name)),
          color_(color) {}
    void draw(DrawContext* context) noexcept override {
        log_->push_back("draw " + name_);
        context->setFillColor(toColor(color_));
        context->fillRect(Rect{bounds_.left - 1, bounds_.top - 1, bounds_.right, bounds_.bottom});
        setNeedsRedraw(false);
    }

private:
    std::vector<std::string>* log_;
    std::string name_;
    ColorRef color_;
};

// On Win32 this hands the hand-made IDropTarget to the real RegisterDragDrop, which calls
// into it, and RevokeDragDrop releases it.
TEST_F(FrameTest, OpenFrameHasItsWindowAndDropTarget) {
    Frame* frame = openFrame(100, 80);
    ASSERT_NE(frame->window(), nullptr);
    EXPECT_EQ(frame->parentWindow(), host);
    EXPECT_TRUE(frame->windowOpen());
    EXPECT_FALSE(frame->awaitingFirstPaint());
#if MELP_TOOLKIT_X11
    // X11 has no drag and drop: enabling the target answers false and registers nothing.
    EXPECT_FALSE(frame->dropTargetRegistered());
    EXPECT_TRUE(frame->enableDropTarget(false));
    EXPECT_FALSE(frame->enableDropTarget(true));
    EXPECT_FALSE(frame->dropTargetRegistered());
#else
    EXPECT_TRUE(frame->dropTargetRegistered());
    EXPECT_TRUE(frame->enableDropTarget(false));
    EXPECT_FALSE(frame->dropTargetRegistered());
    EXPECT_TRUE(frame->enableDropTarget(true));
    EXPECT_TRUE(frame->dropTargetRegistered());
#endif
    delete frame;
}

TEST_F(FrameTest, ChildrenKeepInsertionOrderAndGrowPastTwentyEntries) {
    Frame* frame = openFrame(100, 80);
    std::vector<View*> views;
    for (std::int32_t i = 0; i < 45; ++i) {
        views.push_back(new View(Rect{i, 0, i + 1, 1}));
        ASSERT_TRUE(frame->addChild(views.back()));
    }
    EXPECT_EQ(frame->childCount(), 45);
    for (std::int32_t i = 0; i < 45; ++i) {
        EXPECT_EQ(frame->childAt(i), views[static_cast<std::size_t>(i)]);
        EXPECT_EQ(views[static_cast<std::size_t>(i)]->ownerFrame(), frame);
    }
    EXPECT_EQ(frame->childAt(-1), nullptr);
    EXPECT_EQ(frame->childAt(45), nullptr);
    EXPECT_EQ(views[0]->referenceCount(), 1);  // the creator's reference was taken over
    EXPECT_FALSE(frame->addChild(nullptr));
    EXPECT_FALSE(frame->addChild(views[3]));  // listed once, released once
    EXPECT_EQ(frame->childCount(), 45);
    delete frame;
}

TEST_F(FrameTest, RemovedChildStaysAliveAndCanComeBack) {
    Frame* frame = openFrame(100, 80);
    bool destroyed = false;
    auto* a = new RecordingView(Rect{0, 0, 10, 10}, &log, "a");
    auto* b = new RecordingView(Rect{0, 0, 10, 10}, &log, "b");
    auto* c = new RecordingView(Rect{0, 0, 10, 10}, &log, "c");
    b->destroyed = &destroyed;
    frame->addChild(a);
    frame->addChild(b);
    frame->addChild(c);
    EXPECT_TRUE(frame->removeChild(b, false));
    EXPECT_FALSE(destroyed);
    EXPECT_FALSE(frame->hasChild(b));
    ASSERT_EQ(frame->childCount(), 2);
    EXPECT_EQ(frame->childAt(0), a);
    EXPECT_EQ(frame->childAt(1), c);
    frame->addChild(b);
    EXPECT_EQ(frame->childAt(2), b);
    EXPECT_TRUE(frame->removeChild(b, true));
    EXPECT_TRUE(destroyed);
    delete frame;
}

TEST_F(FrameTest, RemovingAViewThatIsNotAChildChangesNothing) {
    Frame* frame = openFrame(100, 80);
    auto* child = new View(Rect{0, 0, 10, 10});
    frame->addChild(child);
    bool destroyed = false;
    auto* stranger = new RecordingView(Rect{0, 0, 10, 10}, &log, "s");
    stranger->destroyed = &destroyed;
    EXPECT_TRUE(frame->removeChild(stranger, true));
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(stranger->referenceCount(), 1);
    EXPECT_EQ(frame->childCount(), 1);
    EXPECT_TRUE(frame->removeChild(nullptr, true));
    stranger->release();
    delete frame;
}

TEST_F(FrameTest, DestructionReleasesEveryChild) {
    Frame* frame = openFrame(100, 80);
    bool first = false, second = false;
    auto* a = new RecordingView(Rect{0, 0, 10, 10}, &log, "a");
    auto* b = new RecordingView(Rect{0, 0, 10, 10}, &log, "b");
    a->destroyed = &first;
    b->destroyed = &second;
    b->retain();  // someone else still holds b
    frame->addChild(a);
    frame->addChild(b);
    delete frame;
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(b->referenceCount(), 1);
    b->release();
    EXPECT_TRUE(second);
}

TEST_F(FrameTest, LaterChildIsDrawnOnTopAndReceivesTheClick) {
    Frame* frame = openFrame(100, 80);
    auto* under = new RecordingView(Rect{10, 10, 40, 40}, &log, "under", red);
    auto* over = new RecordingView(Rect{20, 20, 50, 50}, &log, "over", green);
    frame->addChild(under);
    frame->addChild(over);
    frame->setNeedsRedraw(true);
    frame->redrawDirtyViews();
    EXPECT_EQ(pixel(frame->window(), 15, 15), red);
    EXPECT_EQ(pixel(frame->window(), 30, 30), green);
    EXPECT_EQ(pixel(frame->window(), 45, 45), green);
    log.clear();
    frame->mouseDown(nullptr, Point{30, 30});
    EXPECT_EQ(log, (std::vector<std::string>{"click over"}));
    log.clear();
    frame->mouseDown(nullptr, Point{15, 15});
    EXPECT_EQ(log, (std::vector<std::string>{"click under"}));
    log.clear();
    frame->mouseDown(nullptr, Point{70, 70});
    EXPECT_TRUE(log.empty());
    delete frame;
}

TEST_F(FrameTest, ChildThatIsNotMouseEnabledIsSkipped) {
    Frame* frame = openFrame(100, 80);
    auto* under = new RecordingView(Rect{10, 10, 40, 40}, &log, "under");
    auto* over = new RecordingView(Rect{10, 10, 40, 40}, &log, "over");
    over->enableMouse(false);
    over->takesDrops = true;
    under->takesDrops = true;
    frame->addChild(under);
    frame->addChild(over);
    frame->mouseDown(nullptr, Point{20, 20});
    const char* items[] = {"x"};
    EXPECT_TRUE(frame->dropItems(items, 1, dropFiles, Point{40, 40}));
    EXPECT_EQ(log, (std::vector<std::string>{"click under", "drop under"}));
    delete frame;
}

TEST_F(FrameTest, DropGoesToTheTopmostChildThatTakesIt) {
    Frame* frame = openFrame(100, 80);
    auto* a = new RecordingView(Rect{0, 0, 50, 50}, &log, "a");
    auto* b = new RecordingView(Rect{0, 0, 50, 50}, &log, "b");
    frame->addChild(a);
    frame->addChild(b);
    const char* items[] = {"one", "two"};
    EXPECT_FALSE(frame->dropItems(items, 2, dropFiles, Point{10, 10}));
    EXPECT_EQ(log, (std::vector<std::string>{"drop b", "drop a"}));
    log.clear();
    a->takesDrops = true;
    EXPECT_TRUE(frame->dropItems(items, 2, dropFiles, Point{50, 50}));
    EXPECT_EQ(log, (std::vector<std::string>{"drop b", "drop a"}));
    EXPECT_EQ(a->droppedItems, (std::vector<std::string>{"one", "two"}));
    log.clear();
    EXPECT_FALSE(frame->dropItems(items, 2, dropFiles, Point{51, 10}));
    EXPECT_TRUE(log.empty());
    delete frame;
}

TEST_F(FrameTest, KeysGoFromTheLastChildAndAnswerMinusOneUntaken) {
    Frame* frame = openFrame(100, 80);
    KeyCode key{'a', 0, 0};
    EXPECT_EQ(frame->keyDown(key), -1);
    auto* a = new RecordingView(Rect{}, &log, "a");
    auto* b = new RecordingView(Rect{}, &log, "b");
    frame->addChild(a);
    frame->addChild(b);
    EXPECT_EQ(frame->keyDown(key), -1);
    EXPECT_EQ(frame->keyUp(key), -1);
    a->keyResult = 1;
    EXPECT_EQ(frame->keyDown(key), 1);
    b->keyResult = 0;
    log.clear();
    EXPECT_EQ(frame->keyDown(key), 0);
    EXPECT_EQ(log, (std::vector<std::string>{"key b"}));
    delete frame;
}

TEST_F(FrameTest, IdleBeforeTheFirstPaintDrawsNothing) {
    auto* frame = new Frame(Rect{0, 0, 100, 80}, host, nullptr);
    auto* control = new LoggingControl(Rect{10, 10, 20, 20}, &log, "c", red);
    frame->addChild(control);
    ASSERT_TRUE(frame->awaitingFirstPaint());
    ASSERT_TRUE(frame->hasDirtyViews());
    frame->redrawDirtyViews();
    EXPECT_TRUE(log.empty());
    pump();  // the first paint draws every child that overlaps it
    EXPECT_FALSE(frame->awaitingFirstPaint());
    EXPECT_EQ(log, (std::vector<std::string>{"draw c"}));
    EXPECT_EQ(pixel(frame->window(), 15, 15), red);
    log.clear();
    frame->redrawDirtyViews();
    EXPECT_TRUE(log.empty());
    control->setValue(0.5f);
    frame->redrawDirtyViews();
    EXPECT_EQ(log, (std::vector<std::string>{"draw c"}));
    delete frame;
}

TEST_F(FrameTest, MarkedFrameRedrawsEverythingOnce) {
    Frame* frame = openFrame(100, 80);
    auto* a = new LoggingControl(Rect{0, 0, 10, 10}, &log, "a", red);
    auto* b = new LoggingControl(Rect{20, 0, 30, 10}, &log, "b", green);
    frame->addChild(a);
    frame->addChild(b);
    frame->redrawDirtyViews();
    log.clear();
    frame->redrawDirtyViews();
    EXPECT_TRUE(log.empty());
    frame->setNeedsRedraw(true);
    frame->redrawDirtyViews();
    EXPECT_EQ(log, (std::vector<std::string>{"draw a", "draw b"}));
    EXPECT_FALSE(frame->needsRedraw());
    log.clear();
    frame->redrawDirtyViews();
    EXPECT_TRUE(log.empty());
    delete frame;
}

TEST_F(FrameTest, BackgroundIsDrawnAtTheTopLeftCorner) {
    Frame* frame = openFrame(60, 40);
    auto* background = new Bitmap(pictureBackground);
    frame->setBackgroundBitmap(background);
    EXPECT_EQ(background->refCount(), 2);
    background->release();
    frame->redrawView(nullptr);
    EXPECT_EQ(pixel(frame->window(), 5, 5), 0x3C3C3Cu);
    EXPECT_EQ(pixel(frame->window(), 35, 29), 0xB4B4B4u);
    delete frame;
}

TEST_F(FrameTest, PaintDrawsOnlyChildrenOverlappingTheUpdate) {
    Frame* frame = openFrame(100, 80);
    frame->addChild(new RecordingView(Rect{0, 0, 10, 10}, &log, "a"));
    frame->addChild(new RecordingView(Rect{50, 50, 60, 60}, &log, "b"));
    platform::testing::processMessages();
    log.clear();
    {
        WindowContext context(frame->window(), frame);
        frame->drawInRect(context.get(), Rect{10, 10, 20, 20});
    }
    EXPECT_EQ(log, (std::vector<std::string>{"draw a"}));
    delete frame;
}

TEST_F(FrameTest, RedrawViewDrawsAChildOrEverything) {
    Frame* frame = openFrame(100, 80);
    auto* a = new RecordingView(Rect{0, 0, 10, 10}, &log, "a");
    frame->addChild(a);
    frame->addChild(new RecordingView(Rect{20, 0, 30, 10}, &log, "b"));
    log.clear();
    frame->redrawView(a);
    EXPECT_EQ(log, (std::vector<std::string>{"draw a"}));
    log.clear();
    View stranger(Rect{});
    frame->redrawView(&stranger);
    EXPECT_EQ(log, (std::vector<std::string>{"draw a", "draw b"}));
    delete frame;
}

TEST_F(FrameTest, AfterTheHostDestroysItsWindowIdleDrawsNothing) {
    Frame* frame = openFrame(100, 80);
    auto* control = new LoggingControl(Rect{10, 10, 20, 20}, &log, "c", red);
    frame->addChild(control);
#if MELP_TOOLKIT_HEADLESS
    const std::int32_t registrations = platform::headless::dropRegistrationCount();
#endif
    platform::testing::destroyTopLevelWindow(host);
    host = nullptr;
    EXPECT_FALSE(frame->windowOpen());
    EXPECT_EQ(frame->parentWindow(), nullptr);
    EXPECT_FALSE(frame->dropTargetRegistered());
    log.clear();
    control->setValue(0.7f);
    frame->redrawDirtyViews();
    frame->redrawView(nullptr);
    EXPECT_TRUE(log.empty());
    delete frame;
    EXPECT_EQ(windowClassUseCount(), 0);
#if MELP_TOOLKIT_HEADLESS
    // The dead window's handle was never used again, and its registration went with it.
    EXPECT_EQ(platform::headless::counters().invalidHandles, 0);
    EXPECT_EQ(platform::headless::dropRegistrationCount(), registrations - 1);
#endif
}

TEST_F(FrameTest, WindowClassIsSharedAndUnregisteredWithTheLastFrame) {
    ASSERT_EQ(windowClassUseCount(), 0);
    Frame* first = openFrame(50, 50);
    ASSERT_NE(first->window(), nullptr);
    EXPECT_EQ(windowClassUseCount(), 1);
    char expected[32];
    std::snprintf(expected, sizeof expected, "Plugin%08x",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(
                                            platform::moduleInstance()) &
                                        0xFFFFFFFFu));
    EXPECT_STREQ(windowClassName(), expected);
    Frame* second = openFrame(50, 50);
    ASSERT_NE(second->window(), nullptr);
    EXPECT_EQ(windowClassUseCount(), 2);
    delete first;
    EXPECT_EQ(windowClassUseCount(), 1);
    // The class is still registered: a third frame still gets a window.
    Frame* third = openFrame(50, 50);
    EXPECT_NE(third->window(), nullptr);
    delete third;
    delete second;
    EXPECT_EQ(windowClassUseCount(), 0);
    // And registered again when it is needed again.
    Frame* fourth = openFrame(50, 50);
    EXPECT_NE(fourth->window(), nullptr);
    delete fourth;
    EXPECT_EQ(windowClassUseCount(), 0);
}

TEST_F(FrameTest, WithoutParentWindowNothingIsCreated) {
    const std::int32_t windows = platform::liveObjects().windows;
    Frame frame(Rect{0, 0, 10, 10}, nullptr, nullptr);
    EXPECT_EQ(frame.window(), nullptr);
    EXPECT_TRUE(frame.awaitingFirstPaint());
    EXPECT_FALSE(frame.dropTargetRegistered());
    EXPECT_EQ(windowClassUseCount(), 0);
    EXPECT_EQ(platform::liveObjects().windows, windows);
    EXPECT_FALSE(frame.enableDropTarget(true));
    frame.redrawDirtyViews();
    frame.redrawView(nullptr);
}

TEST_F(FrameTest, ControlsReachTheEditorThroughTheFrame) {
    RecordingEditor editor;
    Frame* frame = openFrame(50, 50, &editor);
    auto* view = new View(Rect{});
    frame->addChild(view);
    EXPECT_EQ(view->ownerEditor(), &editor);
    EXPECT_EQ(frame->ownerEditor(), &editor);
    frame->idleWhileTracking();
    EXPECT_TRUE(frame->beginParameterEdit(5));
    EXPECT_TRUE(frame->endParameterEdit(6));
    EXPECT_EQ(editor.idles, 1);
    EXPECT_EQ(editor.begins, (std::vector<std::int32_t>{5}));
    EXPECT_EQ(editor.ends, (std::vector<std::int32_t>{6}));
    delete frame;

    Frame lonely(Rect{}, nullptr, nullptr);
    EXPECT_FALSE(lonely.beginParameterEdit(1));
    EXPECT_FALSE(lonely.endParameterEdit(1));
    lonely.idleWhileTracking();
}

TEST_F(FrameTest, TransparentCopyIsResolvedWhenTheLibraryHasIt) {
    Frame* frame = openFrame(10, 10);
    EXPECT_NE(transparentCopyEntry(), nullptr);
    delete frame;
    // Not left pointing into a library no frame holds any more.
    EXPECT_EQ(transparentCopyEntry(), nullptr);
}

#if MELP_TOOLKIT_HEADLESS

namespace headless = platform::headless;

TEST_F(FrameTest, TransparentCopyOnlyOnTheNtFamily) {
    headless::switches().platformId = 1;
    Frame* old = openFrame(10, 10);
    EXPECT_EQ(transparentCopyEntry(), nullptr);
    EXPECT_EQ(headless::counters().librariesLoaded, 1);
    delete old;
    EXPECT_EQ(headless::counters().librariesLoaded, 0);

    headless::switches().platformId = 2;
    headless::switches().versionQueryFails = true;
    Frame* unknown = openFrame(10, 10);
    EXPECT_EQ(transparentCopyEntry(), nullptr);
    delete unknown;

    headless::switches().versionQueryFails = false;
    headless::switches().imageLibraryPresent = false;
    Frame* without = openFrame(10, 10);
    EXPECT_EQ(transparentCopyEntry(), nullptr);
    delete without;

    headless::switches().imageLibraryPresent = true;
    headless::switches().transparentCopyPresent = false;
    Frame* missing = openFrame(10, 10);
    EXPECT_EQ(transparentCopyEntry(), nullptr);
    delete missing;
}

TEST_F(FrameTest, SwappedButtonsAreReadWhenTheClassIsRegistered) {
    headless::switches().swapButtonMetric = 1;
    Frame* first = openFrame(10, 10);
    EXPECT_TRUE(swappedMouseButtons());
    headless::switches().swapButtonMetric = 0;
    Frame* second = openFrame(10, 10);  // the class exists: not read again
    EXPECT_TRUE(swappedMouseButtons());
    delete second;
    delete first;
    Frame* third = openFrame(10, 10);
    EXPECT_FALSE(swappedMouseButtons());
    delete third;
}

TEST_F(FrameTest, ObjectLinkingIsStartedAndStoppedOnce) {
    const std::int32_t balance = headless::oleBalance();
    Frame* frame = openFrame(10, 10);
    EXPECT_EQ(headless::oleBalance(), balance + 1);
    delete frame;
    EXPECT_EQ(headless::oleBalance(), balance);
}

TEST_F(FrameTest, ClicksArriveThroughTheWindowProcedure) {
    Frame* frame = openFrame(100, 80);
    auto* target = new RecordingView(Rect{10, 10, 30, 30}, &log, "t");
    frame->addChild(target);
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(platform::windowRect(frame->window(), &left, &top, &right, &bottom));
    headless::scheduleClick(10, left + 20, top + 25, 20);
    headless::scheduleClick(100, left + 20, top + 25, 20, platform::keyRightButton);
    headless::scheduleClick(200, left + 60, top + 60, 20);
    headless::advanceTime(300);
    pump();
    EXPECT_EQ(log, (std::vector<std::string>{"click t", "click t"}));
    EXPECT_EQ(target->lastPoint, (Point{20, 25}));
    delete frame;
}

TEST_F(FrameTest, WheelGoesToTheChildUnderTheCursor) {
    Frame* frame = openFrame(100, 80);
    frame->addChild(new RecordingView(Rect{0, 0, 40, 40}, &log, "a"));
    auto* b = new RecordingView(Rect{30, 30, 60, 60}, &log, "b");
    frame->addChild(b);
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(platform::windowRect(frame->window(), &left, &top, &right, &bottom));
    headless::setCursorPosition(left + 35, top + 35);
    b->enableMouse(false);  // not consulted for the wheel
    EXPECT_TRUE(frame->wheel(nullptr, Point{0, 0}, 1.0f));
    EXPECT_EQ(log, (std::vector<std::string>{"wheel b"}));
    EXPECT_EQ(b->lastPoint, (Point{35, 35}));
    headless::setCursorPosition(left + 90, top + 10);
    EXPECT_FALSE(frame->wheel(nullptr, Point{35, 35}, 1.0f));
    delete frame;
}

TEST_F(FrameTest, FailedWindowCreationGivesTheClassBack) {
    headless::switches().windowCreationFails = true;
    Frame frame(Rect{0, 0, 10, 10}, host, nullptr);
    EXPECT_EQ(frame.window(), nullptr);
    EXPECT_EQ(windowClassUseCount(), 0);
    EXPECT_FALSE(frame.dropTargetRegistered());
}

TEST_F(FrameTest, DropTargetIsRegisteredWithTheWindowAndRevokedAtTheEnd) {
    const std::int32_t registrations = headless::dropRegistrationCount();
    Frame* frame = openFrame(10, 10);
    EXPECT_TRUE(frame->dropTargetRegistered());
    EXPECT_NE(headless::dropTarget(frame->window()), nullptr);
    EXPECT_EQ(headless::dropRegistrationCount(), registrations + 1);
    EXPECT_TRUE(frame->enableDropTarget(false));
    EXPECT_EQ(headless::dropTarget(frame->window()), nullptr);
    EXPECT_TRUE(frame->enableDropTarget(false));
    EXPECT_TRUE(frame->enableDropTarget(true));
    delete frame;
    EXPECT_EQ(headless::dropRegistrationCount(), registrations);

    headless::switches().dragDropRegistrationFails = true;
    Frame* refused = openFrame(10, 10);
    EXPECT_FALSE(refused->dropTargetRegistered());
    delete refused;
}

TEST_F(FrameTest, LeavesNoObjectsBehind) {
    const platform::LiveObjects before = platform::liveObjects();
    Frame* frame = openFrame(60, 40);
    auto* background = new Bitmap(pictureBackground);
    frame->setBackgroundBitmap(background);
    background->release();
    frame->addChild(new LoggingControl(Rect{0, 0, 10, 10}, &log, "c", red));
    frame->setNeedsRedraw(true);
    frame->redrawDirtyViews();
    delete frame;
    const platform::LiveObjects after = platform::liveObjects();
    EXPECT_EQ(after.pens, before.pens);
    EXPECT_EQ(after.brushes, before.brushes);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.devices, before.devices);
    EXPECT_EQ(after.windows, before.windows);
    EXPECT_EQ(headless::counters().invalidHandles, 0);
}

#endif

}  // namespace
}  // namespace melp::toolkit::test
