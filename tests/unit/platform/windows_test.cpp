// Checks the window side of the contract on either backend: a class whose procedure hears
// the messages of its windows, the child window's place and size, user data, the paint
// message pump and the destruction of a child with its parent.
#include "platform/platform.h"
#include "platform/testing/test_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace melp::platform::test {
namespace {

struct Heard {
    Window window;
    std::uint32_t message;
};
std::vector<Heard> heard;

std::intptr_t listeningProcedure(Window window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) noexcept {
    heard.push_back({window, message});
    if (message == messagePaint) {
        PaintRecord paint;
        Device device = beginPaint(window, &paint);
        Object brush = createSolidBrush(0x00204060);
        fillRect(device, paint.left, paint.top, paint.right, paint.bottom, brush);
        deleteObject(brush);
        endPaint(window, &paint);
        return 0;
    }
    return defaultWindowProcedure(window, message, wParam, lParam);
}

constexpr char className[] = "MelpPlatformWindowsTest";

class WindowContract : public ::testing::Test {
protected:
    void SetUp() override {
        heard.clear();
        ASSERT_TRUE(registerWindowClass(className, moduleInstance(), listeningProcedure));
        host = testing::createTopLevelWindow(60, 40, 200, 120);
        ASSERT_NE(host, nullptr);
        windowsBefore = liveObjects().windows;
        child = createChildWindow(className, "Window", host, 90, 50, moduleInstance());
        ASSERT_NE(child, nullptr);
    }
    void TearDown() override {
        if (host != nullptr) {
            testing::destroyTopLevelWindow(host);
        }
        EXPECT_TRUE(unregisterWindowClass(className, moduleInstance()));
    }
    bool childHeard(std::uint32_t message) const {
        return std::any_of(heard.begin(), heard.end(), [this, message](const Heard& h) {
            return h.window == child && h.message == message;
        });
    }
    Window host = nullptr;
    Window child = nullptr;
    std::int32_t windowsBefore = 0;
};

TEST_F(WindowContract, ChildLiesAtTheParentsCornerWithItsSize) {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(windowRect(child, &left, &top, &right, &bottom));
    EXPECT_EQ(left, 60);
    EXPECT_EQ(top, 40);
    EXPECT_EQ(right - left, 90);
    EXPECT_EQ(bottom - top, 50);
    EXPECT_EQ(liveObjects().windows, windowsBefore + 1);
}

TEST_F(WindowContract, UserDataRoundTrips) {
    int marker = 0;
    setWindowUserData(child, &marker);
    EXPECT_EQ(windowUserData(child), &marker);
}

TEST_F(WindowContract, PaintPumpPaintsTheNewChild) {
    EXPECT_TRUE(hasUpdateRect(child));
    std::int32_t dispatched = 0;
    while (dispatchOnePaintMessage() && dispatched < 100) {
        ++dispatched;
    }
    EXPECT_TRUE(childHeard(messagePaint));
    EXPECT_FALSE(hasUpdateRect(child));
    EXPECT_EQ(testing::readWindowPixel(child, 0, 0), 0x00204060u);
    EXPECT_EQ(testing::readWindowPixel(child, 89, 49), 0x00204060u);
}

TEST_F(WindowContract, DevicesOfTheWindowAreCountedUntilReleased) {
    const std::int32_t devicesBefore = liveObjects().devices;
    Device device = windowDevice(child);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(liveObjects().devices, devicesBefore + 1);
    releaseWindowDevice(child, device);
    EXPECT_EQ(liveObjects().devices, devicesBefore);
}

TEST_F(WindowContract, DestroyingTheParentDestroysTheChild) {
    testing::destroyTopLevelWindow(host);
    host = nullptr;
    EXPECT_TRUE(childHeard(messageDestroy));
    EXPECT_EQ(liveObjects().windows, windowsBefore);
    EXPECT_FALSE(destroyWindow(child));
}

TEST_F(WindowContract, ClassCannotGoWhileItsWindowsLive) {
    EXPECT_FALSE(unregisterWindowClass(className, moduleInstance()));
    EXPECT_TRUE(destroyWindow(child));
    EXPECT_TRUE(childHeard(messageDestroy));
    EXPECT_EQ(liveObjects().windows, windowsBefore);
}

}  // namespace
}  // namespace melp::platform::test
