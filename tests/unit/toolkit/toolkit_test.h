// Shared pieces of the toolkit tests: a host window per test, the test pictures, recording
// views, an editor that counts what the frame asks of it, and pixel helpers. The same tests
// run on the headless backend, cross-built on Win32 with real windows, and on X11.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/testing/test_window.h"
#include "toolkit/bitmap.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame.h"
#include "toolkit/frame_editor.h"
#include "toolkit/view.h"

// The build says which backend the tests run on (headless, or real windows: Win32, X11).
#if !defined(MELP_TOOLKIT_X11)
#define MELP_TOOLKIT_X11 0
#endif
#if defined(_WIN32) || MELP_TOOLKIT_X11
#define MELP_TOOLKIT_HEADLESS 0
#else
#define MELP_TOOLKIT_HEADLESS 1
#include "platform/headless/headless.h"
#endif

namespace melp::toolkit::test {

using platform::ColorRef;

// Pictures of tests/unit/toolkit/data (make_test_bitmaps.py says what they hold).
constexpr std::int32_t pictureKeyed = 20;       // 4 x 2
constexpr std::int32_t pictureOnOff = 21;       // 6 x 8, red over green
constexpr std::int32_t pictureStrip = 22;       // 4 x 18, six frames of 3 rows
constexpr std::int32_t pictureMomentary = 23;   // 5 x 10, blue over yellow
constexpr std::int32_t pictureBackground = 24;  // 40 x 30, grey bands of 10 columns
constexpr std::int32_t pictureWhite = 25;       // 3 x 3, all white

constexpr ColorRef red = 0x0000FF;
constexpr ColorRef green = 0x00FF00;
constexpr ColorRef blue = 0xFF0000;
constexpr ColorRef yellow = 0x00FFFF;
constexpr ColorRef white = 0xFFFFFF;
constexpr ColorRef black = 0x000000;
constexpr ColorRef grey = 0x808080;

constexpr Color toColor(ColorRef value) {
    return Color{static_cast<std::uint8_t>(value & 0xFF),
                 static_cast<std::uint8_t>((value >> 8) & 0xFF),
                 static_cast<std::uint8_t>((value >> 16) & 0xFF), 0};
}

// Points the backend at the test pictures (headless: the embedded table).
void useToolkitTestResources() noexcept;

// Fills a window's client area with one colour through a draw context of its own.
void paintWindow(platform::Window window, ColorRef color, std::int32_t width,
                 std::int32_t height);

ColorRef pixel(platform::Window window, std::int32_t x, std::int32_t y);

// A draw context on a window's device for the length of a scope.
class WindowContext {
public:
    explicit WindowContext(platform::Window window, Frame* frame = nullptr);
    DrawContext* operator->() { return &context_; }
    DrawContext* get() { return &context_; }
    platform::Device device() const { return device_.device; }

private:
    // Declared first, so the context is destroyed before the device is released.
    struct Device {
        platform::Window window;
        platform::Device device;
        ~Device() { platform::releaseWindowDevice(window, device); }
    };
    Device device_;
    DrawContext context_;
};

// Records what the frame asks of its editor; `onIdle` runs at every tracking idle.
class RecordingEditor : public FrameEditor {
public:
    virtual ~RecordingEditor() = default;
    void frameIdleWhileTracking() noexcept override;
    bool frameBeginParameterEdit(std::int32_t index) noexcept override;
    bool frameEndParameterEdit(std::int32_t index) noexcept override;

    std::int32_t idles = 0;
    std::vector<std::int32_t> begins;
    std::vector<std::int32_t> ends;
    void (*onIdle)(RecordingEditor*) = nullptr;
    void* user = nullptr;
};

// A view that logs its draws, clicks, keys and drops, paints its bounds in one colour and
// says when it is destroyed.
class RecordingView : public View {
public:
    RecordingView(const Rect& bounds, std::vector<std::string>* log, std::string name,
                  ColorRef color = white);
    ~RecordingView() override;

    void draw(DrawContext* context) noexcept override;
    void mouseDown(DrawContext* context, Point where) noexcept override;
    std::int32_t keyDown(const KeyCode& key) noexcept override;
    bool dropItems(const char* const* items, std::int32_t count, std::int32_t kind,
                   Point where) noexcept override;
    bool wheel(DrawContext* context, Point where, float distance) noexcept override;

    std::vector<std::string>* log;
    std::string name;
    ColorRef color;
    std::int32_t keyResult = -1;
    bool takesDrops = false;
    bool* destroyed = nullptr;
    // The last drop offered.
    std::vector<std::string> droppedItems;
    std::int32_t droppedCount = -1;
    std::int32_t droppedKind = -1;
    Point lastPoint;
};

// Each test gets a fresh backend state and a host window at (100, 80), 200 x 150.
class ToolkitTest : public ::testing::Test {
protected:
    static constexpr std::int32_t hostX = 100;
    static constexpr std::int32_t hostY = 80;
    static constexpr std::int32_t hostWidth = 200;
    static constexpr std::int32_t hostHeight = 150;

    void SetUp() override;
    void TearDown() override;

    // A frame over the host window's top-left corner, painted once.
    Frame* openFrame(std::int32_t width, std::int32_t height, FrameEditor* editor = nullptr);
    // Lets the window system deliver what is pending (paint messages above all).
    void pump();

    platform::Window host = nullptr;
    std::vector<std::string> log;

private:
    static platform::Window sharedHost;
};

}  // namespace melp::toolkit::test
