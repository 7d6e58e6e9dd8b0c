#include "tests/unit/toolkit/toolkit_test.h"

#include <utility>

namespace melp::toolkit::test {

void paintWindow(platform::Window window, ColorRef color, std::int32_t width,
                 std::int32_t height) {
    WindowContext context(window);
    context->setFillColor(toColor(color));
    // fillRect leaves out the top row and left column of its rectangle.
    context->fillRect(Rect{-1, -1, width, height});
}

ColorRef pixel(platform::Window window, std::int32_t x, std::int32_t y) {
    return platform::testing::readWindowPixel(window, x, y);
}

WindowContext::WindowContext(platform::Window window, Frame* frame)
    : device_{window, platform::windowDevice(window)}, context_(frame, device_.device, window) {}

void RecordingEditor::frameIdleWhileTracking() noexcept {
    ++idles;
    if (onIdle) {
        onIdle(this);
    }
}

bool RecordingEditor::frameBeginParameterEdit(std::int32_t index) noexcept {
    begins.push_back(index);
    return true;
}

bool RecordingEditor::frameEndParameterEdit(std::int32_t index) noexcept {
    ends.push_back(index);
    return true;
}

RecordingView::RecordingView(const Rect& bounds, std::vector<std::string>* log,
                             std::string name, ColorRef color)
    : View(bounds), log(log), name(std::move(name)), color(color) {}

RecordingView::~RecordingView() {
    if (destroyed) {
        *destroyed = true;
    }
}

void RecordingView::draw(DrawContext* context) noexcept {
    log->push_back("draw " + name);
    if (context) {
        context->setFillColor(toColor(color));
        context->fillRect(Rect{bounds_.left - 1, bounds_.top - 1, bounds_.right, bounds_.bottom});
    }
    View::draw(context);
}

void RecordingView::mouseDown(DrawContext*, Point where) noexcept {
    lastPoint = where;
    log->push_back("click " + name);
}

std::int32_t RecordingView::keyDown(const KeyCode&) noexcept {
    log->push_back("key " + name);
    return keyResult;
}

bool RecordingView::dropItems(const char* const* items, std::int32_t count, std::int32_t kind,
                              Point where) noexcept {
    log->push_back("drop " + name);
    droppedItems.clear();
    const std::int32_t itemCount = kind == dropText ? 1 : count;
    for (std::int32_t i = 0; i < itemCount; ++i) {
        droppedItems.emplace_back(items[i]);
    }
    droppedCount = count;
    droppedKind = kind;
    lastPoint = where;
    return takesDrops;
}

bool RecordingView::wheel(DrawContext* context, Point where, float) noexcept {
    log->push_back(std::string("wheel ") + name + (context ? "" : " without context"));
    lastPoint = where;
    return true;
}

void ToolkitTest::SetUp() {
#if MELP_TOOLKIT_HEADLESS
    platform::headless::reset();
#endif
    useToolkitTestResources();
    setTransparentCopyEntry(nullptr);
    setSwappedMouseButtons(false);
    // One host window serves the tests one after another: a real window costs seconds
    // under Wine. A test that destroys it sets `host` to null and the next one makes another.
    if (!sharedHost) {
        sharedHost =
            platform::testing::createTopLevelWindow(hostX, hostY, hostWidth, hostHeight);
    }
    host = sharedHost;
    ASSERT_NE(host, nullptr);
    pump();
}

void ToolkitTest::TearDown() {
    if (!host) {
        sharedHost = nullptr;
    }
    pump();
    setTransparentCopyEntry(nullptr);
    setSwappedMouseButtons(false);
}

platform::Window ToolkitTest::sharedHost = nullptr;

Frame* ToolkitTest::openFrame(std::int32_t width, std::int32_t height, FrameEditor* editor) {
    auto* frame = new Frame(Rect{0, 0, width, height}, host, editor);
    pump();
    return frame;
}

void ToolkitTest::pump() {
    platform::testing::processMessages();
}

}  // namespace melp::toolkit::test
