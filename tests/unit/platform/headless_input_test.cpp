// Checks the headless clock and scripted input: key and cursor state over time, the
// button-down messages the script posts, swapped buttons, and that polling loops end.
#include "platform/headless/headless.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace melp::platform::test {
namespace {

struct Click {
    std::uint32_t message;
    std::intptr_t lParam;
};
std::vector<Click> clicks;

std::intptr_t clickProcedure(Window window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam) noexcept {
    if (message == messageLeftButtonDown || message == messageRightButtonDown ||
        message == messageMiddleButtonDown) {
        clicks.push_back({message, lParam});
        return 0;
    }
    return defaultWindowProcedure(window, message, wParam, lParam);
}

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        clicks.clear();
        ASSERT_TRUE(registerWindowClass("InputTestClass", moduleInstance(), clickProcedure));
        host = headless::createHostWindow(200, 100, 100, 100);
        lower = createChildWindow("InputTestClass", "", host, 50, 50, moduleInstance());
        upper = createChildWindow("InputTestClass", "", host, 20, 20, moduleInstance());
        ASSERT_NE(upper, nullptr);
        headless::dispatchPendingMessages();
    }
    void TearDown() override {
        headless::destroyWindowFromOutside(host);
        unregisterWindowClass("InputTestClass", moduleInstance());
        headless::reset();
    }
    Window host = nullptr;
    Window lower = nullptr;
    Window upper = nullptr;
};

TEST(Clock, TickCountFollowsTheInjectedTimeAndSleepAdvancesIt) {
    headless::reset();
    EXPECT_EQ(tickCount(), 0u);
    headless::setTime(5000);
    EXPECT_EQ(tickCount(), 5000u);
    sleepMilliseconds(4);
    EXPECT_EQ(tickCount(), 5004u);
    headless::setTime(0xFFFFFFFEu);
    sleepMilliseconds(5);
    EXPECT_EQ(tickCount(), 3u);  // 32 bits, wrapping
}

TEST(Clock, PollingWithoutSleepingStillSeesTimePass) {
    headless::reset();
    const std::uint32_t start = tickCount();
    std::uint32_t polls = 0;
    while (tickCount() == start) {
        ++polls;
    }
    EXPECT_GT(polls, 1000u);
}

TEST_F(Input, KeysFollowTheTimelineAndReleaseAtTheEnd) {
    headless::scheduleKeyDown(10, keyShift);
    headless::scheduleKeyDown(20, keyLeftButton);
    headless::scheduleKeyUp(30, keyShift);
    headless::endScriptAt(50);
    EXPECT_FALSE(asyncKeyDown(keyShift));
    headless::setTime(10);
    EXPECT_TRUE(asyncKeyDown(keyShift));
    EXPECT_FALSE(asyncKeyDown(keyLeftButton));
    headless::setTime(25);
    EXPECT_TRUE(asyncKeyDown(keyShift));
    EXPECT_TRUE(asyncKeyDown(keyLeftButton));
    headless::setTime(30);
    EXPECT_FALSE(asyncKeyDown(keyShift));
    EXPECT_TRUE(asyncKeyDown(keyLeftButton));  // held past its last event until the end
    headless::setTime(50);
    EXPECT_FALSE(asyncKeyDown(keyLeftButton));
}

TEST_F(Input, CursorMovesAtItsTimes) {
    headless::scheduleCursorMove(0, 1, 2);
    headless::scheduleCursorMove(40, 30, 40);
    std::int32_t x = 0, y = 0;
    ASSERT_TRUE(cursorPosition(&x, &y));
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
    headless::setTime(39);
    cursorPosition(&x, &y);
    EXPECT_EQ(x, 1);
    headless::setTime(40);
    cursorPosition(&x, &y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
}

TEST_F(Input, PressPostsButtonDownToTheTopmostWindowInClientCoordinates) {
    headless::scheduleClick(5, 210, 103, 10);   // over both children: the later one is on top
    headless::scheduleClick(30, 240, 140, 10);  // over the lower child only
    headless::scheduleClick(60, 290, 190, 10, keyMiddleButton);  // over the host only
    headless::setTime(100);
    EXPECT_EQ(headless::dispatchPendingMessages(), 3);
    ASSERT_EQ(clicks.size(), 2u);  // the host's own click went to default processing
    EXPECT_EQ(clicks[0].message, messageLeftButtonDown);
    EXPECT_EQ(clicks[0].lParam, 10 | (3 << 16));
    EXPECT_EQ(clicks[1].lParam, 40 | (40 << 16));
}

TEST_F(Input, SwappedButtonsExchangeTheMessagesButNotThePhysicalState) {
    headless::switches().swapButtonMetric = 1;
    EXPECT_EQ(swapButtonMetric(), 1);
    headless::scheduleClick(5, 205, 105, 10, keyLeftButton);
    headless::setTime(6);
    EXPECT_TRUE(asyncKeyDown(keyLeftButton));
    EXPECT_FALSE(asyncKeyDown(keyRightButton));
    headless::dispatchPendingMessages();
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].message, messageRightButtonDown);
}

TEST_F(Input, TrackingLoopThatSleepsEndsWhenTheButtonGoesUp) {
    headless::scheduleClick(0, 205, 105, 250);
    headless::setTime(0);
    std::uint32_t loops = 0;
    while (asyncKeyDown(keyLeftButton) && loops < 1000000) {
        sleepMilliseconds(4);
        ++loops;
    }
    EXPECT_EQ(loops, 63u);  // 0, 4, ... 248 ms: down; 252 ms: up
    EXPECT_EQ(tickCount(), 252u);
}

TEST_F(Input, PollingLoopWithoutSleepEndsAfterTheScript) {
    headless::scheduleClick(0, 205, 105, 3);
    headless::setTime(0);
    std::uint64_t loops = 0;
    while (asyncKeyDown(keyLeftButton)) {
        ++loops;
    }
    EXPECT_GE(headless::now(), 3u);
    EXPECT_GT(loops, 0u);
}

// The smallest COM object: only its reference count matters here.
class CountedUnknown {
public:
    virtual std::int32_t QueryInterface(const void*, void** object) noexcept {
        *object = nullptr;
        return static_cast<std::int32_t>(0x80004002u);
    }
    virtual std::uint32_t AddRef() noexcept { return ++references; }
    virtual std::uint32_t Release() noexcept { return --references; }
    virtual ~CountedUnknown() = default;
    std::uint32_t references = 0;
};

TEST(ObjectLinking, DropRegistrationNeedsOleAndIsExclusive) {
    headless::reset();
    Window window = headless::createHostWindow(0, 0, 10, 10);
    CountedUnknown target;
    const std::int32_t balance = headless::oleBalance();
    ASSERT_EQ(balance, 0);
    EXPECT_FALSE(registerDragDrop(window, &target));
    oleInitialize();
    EXPECT_EQ(headless::counters().oleInitializations, 1);
    EXPECT_EQ(target.references, 0u) << "a refused registration takes no reference";
    EXPECT_TRUE(registerDragDrop(window, &target));
    EXPECT_EQ(headless::dropTarget(window), &target);
    EXPECT_EQ(target.references, 1u) << "the registration holds a reference, as OLE's does";
    EXPECT_FALSE(registerDragDrop(window, &target));
    EXPECT_EQ(target.references, 1u);
    EXPECT_TRUE(revokeDragDrop(window));
    EXPECT_EQ(target.references, 0u) << "and gives it back when revoked";
    EXPECT_FALSE(revokeDragDrop(window));
    EXPECT_EQ(target.references, 0u);
    EXPECT_EQ(headless::dropTarget(window), nullptr);
    headless::switches().dragDropRegistrationFails = true;
    EXPECT_FALSE(registerDragDrop(window, &target));
    EXPECT_EQ(target.references, 0u);
    oleUninitialize();
    EXPECT_EQ(headless::oleBalance(), balance);
    headless::destroyWindowFromOutside(window);
    headless::reset();
}

}  // namespace
}  // namespace melp::platform::test
