// Checks the headless backend's simulated windows: positions, update regions and paint
// messages, the message queue, destruction from outside, and class registration.
#include "platform/headless/headless.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace melp::platform::test {
namespace {

struct Received {
    Window window;
    std::uint32_t message;
    std::intptr_t lParam;
};
std::vector<Received> received;
PaintRecord lastPaint;

std::intptr_t recordingProcedure(Window window, std::uint32_t message, std::uintptr_t wParam,
                                 std::intptr_t lParam) noexcept {
    received.push_back({window, message, lParam});
    if (message == messagePaint) {
        Device device = beginPaint(window, &lastPaint);
        PaintRecord kept = lastPaint;
        Object brush = createSolidBrush(0x00000080);
        // Paints the whole window: only the update rectangle may change.
        fillRect(device, 0, 0, 1000, 1000, brush);
        deleteObject(brush);
        endPaint(window, &lastPaint);
        lastPaint = kept;
        return 0;
    }
    return defaultWindowProcedure(window, message, wParam, lParam);
}

constexpr char className[] = "PlatformTestClass";

class Windows : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        received.clear();
        ASSERT_TRUE(registerWindowClass(className, moduleInstance(), recordingProcedure));
        host = headless::createHostWindow(100, 50, 300, 200);
        ASSERT_NE(host, nullptr);
        child = createChildWindow(className, "Window", host, 40, 30, moduleInstance());
        ASSERT_NE(child, nullptr);
    }
    void TearDown() override {
        headless::destroyWindowFromOutside(host);
        EXPECT_TRUE(unregisterWindowClass(className, moduleInstance()));
    }
    std::vector<std::uint32_t> messagesFor(Window window) const {
        std::vector<std::uint32_t> messages;
        for (const Received& r : received) {
            if (r.window == window) {
                messages.push_back(r.message);
            }
        }
        return messages;
    }
    Window host = nullptr;
    Window child = nullptr;
};

TEST_F(Windows, ChildSitsAtTheParentsTopLeftInScreenCoordinates) {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(windowRect(child, &left, &top, &right, &bottom));
    EXPECT_EQ(left, 100);
    EXPECT_EQ(top, 50);
    EXPECT_EQ(right, 140);
    EXPECT_EQ(bottom, 80);
    EXPECT_EQ(headless::parentOf(child), host);
}

TEST_F(Windows, NewChildIsWhollyInvalidAndPaintsOnce) {
    EXPECT_TRUE(hasUpdateRect(child));
    EXPECT_TRUE(dispatchOnePaintMessage());
    // Host windows start valid: the child's paint is the only one.
    ASSERT_EQ(messagesFor(child), std::vector<std::uint32_t>{messagePaint});
    EXPECT_EQ(lastPaint.left, 0);
    EXPECT_EQ(lastPaint.top, 0);
    EXPECT_EQ(lastPaint.right, 40);
    EXPECT_EQ(lastPaint.bottom, 30);
    EXPECT_FALSE(hasUpdateRect(child));
    EXPECT_FALSE(dispatchOnePaintMessage());
    EXPECT_EQ(headless::pixel(child, 39, 29), 0x00000080u);
}

TEST_F(Windows, PaintIsClippedToTheUpdateRectangle) {
    dispatchOnePaintMessage();
    headless::clearWindow(child, 0);
    headless::invalidate(child, 5, 6, 10, 12, false);
    headless::invalidate(child, 8, 8, 12, 9, false);  // united into one rectangle
    ASSERT_TRUE(dispatchOnePaintMessage());
    EXPECT_EQ(lastPaint.left, 5);
    EXPECT_EQ(lastPaint.top, 6);
    EXPECT_EQ(lastPaint.right, 12);
    EXPECT_EQ(lastPaint.bottom, 12);
    EXPECT_EQ(headless::pixel(child, 5, 6), 0x00000080u);
    EXPECT_EQ(headless::pixel(child, 11, 11), 0x00000080u);
    EXPECT_EQ(headless::pixel(child, 4, 6), 0u);
    EXPECT_EQ(headless::pixel(child, 12, 11), 0u);
    EXPECT_EQ(headless::pixel(child, 5, 12), 0u);
}

// BeginPaint erases (with the class brush) only what was invalidated with erasing asked for:
// otherwise a paint that draws nothing leaves the old pixels.
TEST_F(Windows, PaintErasesOnlyWhenAsked) {
    dispatchOnePaintMessage();
    EXPECT_EQ(headless::pixel(host, 1, 1), 0u) << "a host window starts valid";
    headless::clearWindow(host, 0x00123456u);
    headless::invalidate(host, 0, 0, 10, 10, false);
    EXPECT_TRUE(dispatchOnePaintMessage());
    EXPECT_FALSE(hasUpdateRect(host));
    EXPECT_EQ(headless::pixel(host, 1, 1), 0x00123456u);
    headless::invalidate(host, 0, 0, 10, 10, false);
    headless::invalidate(host, 5, 5, 20, 20, true);  // one erase marks the whole region
    EXPECT_TRUE(dispatchOnePaintMessage());
    EXPECT_EQ(headless::pixel(host, 1, 1), 0x00F0F0F0u);
    EXPECT_EQ(headless::pixel(host, 19, 19), 0x00F0F0F0u);
    EXPECT_EQ(headless::pixel(host, 25, 25), 0x00123456u);
    headless::invalidateAll(host, false);
    EXPECT_TRUE(dispatchOnePaintMessage());
    EXPECT_EQ(headless::pixel(host, 1, 1), 0x00F0F0F0u) << "the erase was used up";
}

TEST_F(Windows, PaintPumpLeavesButtonMessagesQueued) {
    dispatchOnePaintMessage();
    headless::scheduleClick(10, 110, 60, 5);
    headless::setTime(10);
    EXPECT_EQ(headless::pendingPostedMessages(), 1);
    EXPECT_FALSE(dispatchOnePaintMessage());
    EXPECT_TRUE(messagesFor(child).size() == 1);
    EXPECT_EQ(headless::dispatchPendingMessages(), 1);
    EXPECT_EQ(messagesFor(child).back(), messageLeftButtonDown);
    EXPECT_EQ(headless::pendingPostedMessages(), 0);
}

TEST_F(Windows, DestroyingTheHostDestroysTheChildWithItsMessage) {
    const std::int32_t windowsBefore = liveObjects().windows;
    headless::destroyWindowFromOutside(host);
    EXPECT_EQ(messagesFor(child), std::vector<std::uint32_t>{messageDestroy});
    EXPECT_FALSE(headless::windowExists(child));
    EXPECT_FALSE(headless::windowExists(host));
    EXPECT_EQ(liveObjects().windows, windowsBefore - 1);
    // A paint pending for the dead child is gone, and calls on it fail.
    EXPECT_FALSE(dispatchOnePaintMessage());
    EXPECT_FALSE(destroyWindow(child));
    EXPECT_EQ(windowDevice(child), nullptr);
}

TEST_F(Windows, DestroyWindowSendsDestroyAndCountsDown) {
    const std::int32_t windowsBefore = liveObjects().windows;
    EXPECT_TRUE(destroyWindow(child));
    EXPECT_EQ(messagesFor(child), std::vector<std::uint32_t>{messageDestroy});
    EXPECT_EQ(liveObjects().windows, windowsBefore - 1);
    EXPECT_TRUE(headless::childrenOf(host).empty());
}

TEST_F(Windows, UserDataSlotKeepsItsPointer) {
    int marker = 0;
    EXPECT_EQ(windowUserData(child), nullptr);
    setWindowUserData(child, &marker);
    EXPECT_EQ(windowUserData(child), &marker);
    setWindowUserData(child, nullptr);
    EXPECT_EQ(windowUserData(child), nullptr);
}

TEST_F(Windows, ClassRulesFollowWin32) {
    EXPECT_FALSE(registerWindowClass(className, moduleInstance(), recordingProcedure));
    EXPECT_FALSE(unregisterWindowClass(className, moduleInstance()));  // a window still uses it
    EXPECT_EQ(createChildWindow("NoSuchClass", "Window", host, 10, 10, moduleInstance()),
              nullptr);
    EXPECT_EQ(createChildWindow(className, "Window", nullptr, 10, 10, moduleInstance()), nullptr);
}

TEST_F(Windows, WindowDevicesAreCountedUntilReleased) {
    const std::int32_t devicesBefore = liveObjects().devices;
    Device device = windowDevice(child);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(liveObjects().devices, devicesBefore + 1);
    releaseWindowDevice(child, device);
    EXPECT_EQ(liveObjects().devices, devicesBefore);
}

TEST_F(Windows, PngHoldsTheHostWithItsChildDrawnOver) {
    dispatchOnePaintMessage();
    headless::clearWindow(host, 0x00FFFFFF);
    const std::string path = ::testing::TempDir() + "platform_window.png";
    ASSERT_TRUE(headless::writePng(host, path));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    unsigned char header[24] = {};
    ASSERT_EQ(std::fread(header, 1, sizeof header, file), sizeof header);
    std::fclose(file);
    EXPECT_EQ(header[1], 'P');
    EXPECT_EQ(header[2], 'N');
    EXPECT_EQ(header[3], 'G');
    EXPECT_EQ((header[16] << 24) | (header[17] << 16) | (header[18] << 8) | header[19], 300);
    EXPECT_EQ((header[20] << 24) | (header[21] << 16) | (header[22] << 8) | header[23], 200);
    EXPECT_FALSE(headless::writePng(nullptr, path));
}

}  // namespace
}  // namespace melp::platform::test
