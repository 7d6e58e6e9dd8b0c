// The editor base: what it answers the host with and without a frame, its idle pass, the
// idle pump's timing on the headless clock, the re-entry guard, and OLE for its lifetime.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "host/gui_editor_base.h"
#include "tests/unit/editor/editor_fixture.h"
#include "toolkit/control.h"

namespace melp::editor::testing {
namespace {

class CountingControl : public toolkit::Control {
public:
    explicit CountingControl(const toolkit::Rect& bounds) noexcept
        : Control(bounds, nullptr, 0, nullptr) {}
    void draw(toolkit::DrawContext*) noexcept override {
        ++draws;
        setNeedsRedraw(false);
    }
    int draws = 0;
};

// The smallest derived editor: a frame with one counting control.
class TestEditor : public host::GuiEditorBase {
public:
    explicit TestEditor(host::ExtendedEffect* owner) noexcept : GuiEditorBase(owner) {
        rect.bottom = 50;
        rect.right = 80;
    }
    ~TestEditor() override { closeEditor(); }
    host::int32 openEditor(void* parent) noexcept override {
        GuiEditorBase::openEditor(parent);
        frame = new toolkit::Frame(toolkit::Rect{0, 0, 80, 50},
                                   static_cast<platform::Window>(parent), this);
        control = new CountingControl(toolkit::Rect{10, 10, 20, 20});
        frame->addChild(control);
        return 1;
    }
    void closeEditor() noexcept override {
        delete frame;
        frame = nullptr;
        control = nullptr;
    }
    void refresh() noexcept override { ++refreshes; }

    CountingControl* control = nullptr;
    int refreshes = 0;
};

class EditorBaseTest : public PanelTest {
protected:
    void SetUp() override {
        headless::reset();
        headless::setTime(1000);
        hostWindow = headless::createHostWindow(hostX, hostY, 200, 100);
        effect = std::make_unique<ScriptedEffect>(&melp::testing::FakeHost::callback);
        base = new TestEditor(effect.get());
        host.respond(3 /* audioMasterIdle */, [this](const melp::testing::HostRequest&) {
            idleTimes.push_back(headless::now());
            return host::intptr{0};
        });
    }
    void openBase() {
        ASSERT_EQ(dispatch(14, 0, 0, hostWindow), 1);
        headless::dispatchPendingMessages();
    }

    TestEditor* base = nullptr;
    std::vector<std::uint32_t> idleTimes;
};

TEST_F(EditorBaseTest, AnswersTheHostWithoutAFrame) {
    EXPECT_EQ(effect->editor, base);
    EXPECT_TRUE(effect->record.flags & 1);
    host::ERect* rect = nullptr;
    EXPECT_EQ(dispatch(13 /* effEditGetRect */, 0, 0, &rect), 1);
    EXPECT_EQ(rect, &base->rect);
    EXPECT_EQ(dispatch(13, 0, 0, nullptr), 1) << "a null pointer is not written through";
    EXPECT_EQ(dispatch(59 /* effEditKeyDown */, 'a', 0, nullptr, 0.0f), -1);
    EXPECT_EQ(dispatch(60 /* effEditKeyUp */, 'a', 0, nullptr, 0.0f), -1);
    EXPECT_EQ(dispatch(61 /* effSetEditKnobMode */, 0, 2), 1);
    EXPECT_EQ(host::knobMode, 2);
    EXPECT_FALSE(base->wheel(1.0f));
    base->pumpIdle();  // no frame: only the host idle
    EXPECT_EQ(idleTimes.size(), 1u);
}

TEST_F(EditorBaseTest, RedrawWithoutAFrameDrawsNothing) {
    // Once open and closed, so that a redraw through a stale frame or window would show.
    openBase();
    dispatch(15 /* effEditClose */);
    ASSERT_EQ(base->frame, nullptr);
    const platform::ColorRef before = headless::pixel(hostWindow, 20, 20);
    const std::int32_t invalidBefore = headless::counters().invalidHandles;
    const platform::LiveObjects objectsBefore = platform::liveObjects();
    base->redraw(nullptr);
    EXPECT_EQ(headless::pixel(hostWindow, 20, 20), before);
    EXPECT_EQ(headless::counters().invalidHandles, invalidBefore);
    EXPECT_EQ(platform::liveObjects().devices, objectsBefore.devices);
}

TEST_F(EditorBaseTest, KeysGoToTheFrameWhichTakesNone) {
    openBase();
    EXPECT_EQ(dispatch(59, 'a', 0, nullptr, 0.0f), -1);
    EXPECT_EQ(dispatch(60, 'a', 0, nullptr, 0.0f), -1);
    EXPECT_FALSE(base->wheel(1.0f));
}

TEST_F(EditorBaseTest, AParameterChangeOnAClosedEditorRefreshesOnceAtTheNextIdle) {
    base->parameterChanged(4, 1.0f);
    EXPECT_EQ(base->refreshPending.load(), 1);
    EXPECT_EQ(base->refreshes, 0);
    dispatch(19 /* effEditIdle */);
    EXPECT_EQ(base->refreshes, 1);
    EXPECT_EQ(base->refreshPending.load(), 0);
    dispatch(19);
    EXPECT_EQ(base->refreshes, 1);
}

TEST_F(EditorBaseTest, IdleRedrawsOnlyDirtyViewsAfterTheFirstPaint) {
    ASSERT_EQ(dispatch(14, 0, 0, hostWindow), 1);
    dispatch(19);
    EXPECT_EQ(base->control->draws, 0) << "nothing before the first paint";
    EXPECT_EQ(base->refreshes, 1) << "open requests a refresh";
    headless::dispatchPendingMessages();
    const int painted = base->control->draws;
    EXPECT_GE(painted, 1);
    dispatch(19);
    EXPECT_EQ(base->control->draws, painted);
    base->control->setValue(0.5f);
    dispatch(19);
    EXPECT_EQ(base->control->draws, painted + 1);
    base->redraw(nullptr);
    EXPECT_EQ(base->control->draws, painted + 2);
}

TEST_F(EditorBaseTest, PumpWorksAtOnceAfterAQuietSpellAndRateLimitsATightLoop) {
    openBase();
    // The first call (at the construction time) works without sleeping.
    base->pumpIdle();
    ASSERT_EQ(idleTimes.size(), 1u);
    EXPECT_EQ(idleTimes[0], 1000u);
    EXPECT_EQ(headless::now(), 1000u);

    // 10 ms later: a 4 ms sleep and no host call.
    headless::setTime(1010);
    base->pumpIdle();
    EXPECT_EQ(idleTimes.size(), 1u);
    EXPECT_EQ(headless::now(), 1014u);

    // A tight loop: work as soon as now, after its 4 ms, lies within 50 ms of the next
    // time (1100), then every 52 ms of 4 ms steps.
    while (headless::now() < 1300) {
        base->pumpIdle();
    }
    const std::vector<std::uint32_t> expected = {1000, 1050, 1102, 1154, 1206, 1258};
    EXPECT_EQ(idleTimes, expected);

    // More than 100 ms of quiet: no sleep at all.
    headless::setTime(headless::now() + 150);
    const std::uint32_t before = headless::now();
    base->pumpIdle();
    EXPECT_EQ(headless::now(), before);
    EXPECT_EQ(idleTimes.back(), before);
}

TEST_F(EditorBaseTest, PumpRunsTheIdleAndOnePaintMessage) {
    openBase();
    base->control->setValue(0.25f);
    headless::invalidate(base->frame->window(), 0, 0, 10, 10, false);
    headless::invalidate(hostWindow, 0, 0, 10, 10, true);
    const int paints = headless::counters().paintsDispatched;
    const int draws = base->control->draws;
    base->pumpIdle();
    EXPECT_EQ(base->control->draws, draws + 1) << "the idle redraw of the dirty control";
    EXPECT_EQ(headless::counters().paintsDispatched, paints + 1) << "one paint message only";
    EXPECT_FALSE(base->inIdlePump);
}

TEST_F(EditorBaseTest, AHostIdlingTheEditorFromInsideThePumpGetsNoRefreshNorRedraw) {
    openBase();
    base->pumpIdle();
    headless::setTime(2000);
    int reentered = 0;
    bool sawFlag = false;
    host.respond(3, [&](const melp::testing::HostRequest&) {
        ++reentered;
        sawFlag = base->inIdlePump;
        base->requestRefresh();
        base->control->setValue(base->control->value() + 1.0f);
        dispatch(19 /* effEditIdle */);
        return host::intptr{0};
    });
    const int refreshes = base->refreshes;
    const int draws = base->control->draws;
    base->pumpIdle();
    EXPECT_EQ(reentered, 1);
    EXPECT_TRUE(sawFlag);
    EXPECT_EQ(base->refreshes, refreshes);
    EXPECT_EQ(base->control->draws, draws);
    EXPECT_FALSE(base->inIdlePump);
    // The next ordinary idle catches up.
    dispatch(19);
    EXPECT_EQ(base->refreshes, refreshes + 1);
    EXPECT_EQ(base->control->draws, draws + 1);
}

TEST_F(EditorBaseTest, OleIsInitialisedForTheEditorsLifetime) {
    EXPECT_EQ(headless::oleBalance(), 1);
    openBase();
    EXPECT_EQ(headless::oleBalance(), 2) << "the frame's own";
    dispatch(15);
    EXPECT_EQ(headless::oleBalance(), 1);
    effect.reset();
    EXPECT_EQ(headless::oleBalance(), 0);
}

}  // namespace
}  // namespace melp::editor::testing
