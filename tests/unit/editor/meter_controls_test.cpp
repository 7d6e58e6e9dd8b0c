// The three meter controls' drawing rules, pixel by pixel, with the panel's own pictures:
// where the lit and unlit parts and the markers fall, clamping, missing pictures, and the
// references they hold.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/level_bar.h"
#include "editor/pin_indicator.h"
#include "editor/tick_indicator.h"
#include "platform/headless/headless.h"
#include "toolkit/bitmap.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame.h"

namespace melp::editor {
namespace {

namespace headless = platform::headless;
using toolkit::Bitmap;
using toolkit::Rect;

constexpr platform::ColorRef blue = platform::makeColorRef(20, 145, 210);
constexpr platform::ColorRef dark = platform::makeColorRef(20, 20, 30);
constexpr platform::ColorRef untouched = 0x00F0F0F0;  // the window's paint background

class MeterControls : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        hostWindow = headless::createHostWindow(0, 0, 427, 133);
        frame = new toolkit::Frame(Rect{0, 0, 427, 133}, hostWindow, nullptr);
        headless::dispatchPendingMessages();
        ASSERT_FALSE(frame->awaitingFirstPaint());
        for (int i = 0; i < 8; ++i) {
            pictures[i] = new Bitmap(ids[i]);
        }
    }
    void TearDown() override {
        delete frame;
        for (Bitmap* picture : pictures) {
            picture->release();
        }
        headless::destroyWindowFromOutside(hostWindow);
    }

    Bitmap* picture(int id) const {
        for (int i = 0; i < 8; ++i) {
            if (ids[i] == id) {
                return pictures[i];
            }
        }
        return nullptr;
    }
    // Adds the control and draws it through the idle pass.
    void show(toolkit::Control* control) {
        frame->addChild(control);
        redraw(control);
    }
    void redraw(toolkit::Control* control) {
        control->setNeedsRedraw(true);
        frame->redrawDirtyViews();
    }
    platform::ColorRef px(std::int32_t x, std::int32_t y) const {
        return headless::pixel(frame->window(), x, y);
    }

    static constexpr int ids[8] = {200, 201, 202, 203, 204, 205, 206, 207};
    platform::Window hostWindow = nullptr;
    toolkit::Frame* frame = nullptr;
    Bitmap* pictures[8] = {};
};

TEST_F(MeterControls, HorizontalBarSplitsAtItsLevel) {
    auto* bar = new LevelBar(Rect{81, 46, 281, 54}, picture(200), picture(201),
                             LevelBar::horizontal);
    bar->barLevel = 0.5f;
    bar->firstMark = 1.0f;
    bar->secondMark = 1.0f;
    show(bar);
    for (std::int32_t y = 46; y < 54; ++y) {
        EXPECT_EQ(px(81, y), blue);
        EXPECT_EQ(px(180, y), blue);
        EXPECT_EQ(px(181, y), dark);
        EXPECT_EQ(px(277, y), dark);
        EXPECT_EQ(px(279, y), blue);  // markers at the end
        EXPECT_EQ(px(280, y), blue);
    }
    EXPECT_EQ(px(150, 45), untouched);
    EXPECT_EQ(px(150, 54), untouched);

    bar->barLevel = 0.0f;
    redraw(bar);
    EXPECT_EQ(px(81, 50), dark);
    EXPECT_EQ(px(250, 50), dark);
    bar->barLevel = 1.0f;
    redraw(bar);
    EXPECT_EQ(px(81, 50), blue);
    EXPECT_EQ(px(280, 50), blue);
    EXPECT_EQ(px(281, 50), untouched);
}

TEST_F(MeterControls, HorizontalMarkerAtZeroLiesLeftOfTheBar) {
    auto* bar = new LevelBar(Rect{81, 46, 281, 54}, picture(200), picture(201),
                             LevelBar::horizontal);
    bar->barLevel = 0.0f;
    bar->firstMark = 0.0f;
    bar->secondMark = 0.5f;
    show(bar);
    EXPECT_EQ(px(78, 50), untouched);
    EXPECT_EQ(px(79, 50), blue);
    EXPECT_EQ(px(80, 50), blue);
    EXPECT_EQ(px(81, 50), dark);
    EXPECT_EQ(px(178, 50), dark);
    EXPECT_EQ(px(179, 50), blue);
    EXPECT_EQ(px(180, 50), blue);
    EXPECT_EQ(px(181, 50), dark);
}

TEST_F(MeterControls, VerticalBarGrowsUpwardsWithMarkersAboveTheirPosition) {
    auto* bar = new LevelBar(Rect{98, 36, 104, 92}, picture(204), picture(205),
                             LevelBar::vertical);
    bar->barLevel = 0.5f;
    bar->firstMark = 1.0f;   // the row above the bar
    bar->secondMark = 0.0f;  // the bar's bottom row
    show(bar);
    EXPECT_EQ(px(100, 35), blue);
    EXPECT_EQ(px(100, 36), dark);
    EXPECT_EQ(px(100, 63), dark);
    EXPECT_EQ(px(100, 64), blue);
    EXPECT_EQ(px(103, 91), blue);
    EXPECT_EQ(px(104, 80), untouched);

    bar->barLevel = 0.0f;
    bar->firstMark = 0.25f;  // 36 + 42 = 78: a line on row 77
    redraw(bar);
    EXPECT_EQ(px(100, 76), dark);
    EXPECT_EQ(px(100, 77), blue);
    EXPECT_EQ(px(100, 78), dark);
    EXPECT_EQ(px(100, 90), dark);
    EXPECT_EQ(px(100, 91), blue);
}

TEST_F(MeterControls, OutOfRangeLevelsAreClampedAndStoredBack) {
    auto* bar = new LevelBar(Rect{81, 46, 281, 54}, picture(200), picture(201),
                             LevelBar::horizontal);
    bar->barLevel = 1.7f;
    bar->firstMark = -0.3f;
    bar->secondMark = std::numeric_limits<float>::quiet_NaN();
    show(bar);
    EXPECT_EQ(bar->barLevel, 1.0f);
    EXPECT_EQ(bar->firstMark, 0.0f);
    EXPECT_EQ(bar->secondMark, 0.0f);
    EXPECT_EQ(px(280, 50), blue);

    auto* pin = new PinIndicator(Rect{113, 80, 294, 96}, picture(206), picture(207));
    pin->setValue(-2.0f);
    frame->addChild(pin);
    frame->redrawDirtyViews();
    EXPECT_EQ(pin->value(), 0.0f);
    EXPECT_EQ(px(113, 85), blue);
    EXPECT_EQ(px(122, 85), dark);
}

TEST_F(MeterControls, PinAndTickStandWhereTheirValuePutsThem) {
    auto* pin = new PinIndicator(Rect{113, 51, 294, 67}, picture(206), picture(207));
    pin->setValue(0.5f);
    frame->addChild(pin);
    auto* tick = new TickIndicator(Rect{305, 31, 334, 35}, picture(202), picture(203));
    tick->setValue(0.5f);
    frame->addChild(tick);
    frame->redrawDirtyViews();
    EXPECT_EQ(px(202, 60), dark);
    EXPECT_EQ(px(203, 60), blue);
    EXPECT_EQ(px(211, 60), blue);
    EXPECT_EQ(px(212, 60), dark);
    EXPECT_EQ(px(303, 60), dark) << "second track copy reaches R + 10";
    EXPECT_EQ(px(304, 60), untouched);
    EXPECT_EQ(px(319, 33), dark);
    EXPECT_EQ(px(320, 33), blue);
    EXPECT_EQ(px(321, 33), blue);
    EXPECT_EQ(px(322, 33), dark);
    EXPECT_EQ(px(335, 33), dark);
    EXPECT_EQ(px(336, 33), untouched);

    // At 1.0 both pointers move past the control's right edge onto the second track copy,
    // and moving back leaves no trace.
    pin->setValue(1.0f);
    tick->setValue(1.0f);
    frame->redrawDirtyViews();
    EXPECT_EQ(px(294, 60), blue);
    EXPECT_EQ(px(302, 60), blue);
    EXPECT_EQ(px(334, 33), blue);
    EXPECT_EQ(px(335, 33), blue);
    pin->setValue(0.0f);
    tick->setValue(0.0f);
    frame->redrawDirtyViews();
    EXPECT_EQ(px(113, 60), blue);
    EXPECT_EQ(px(302, 60), dark);
    EXPECT_EQ(px(305, 33), blue);
    EXPECT_EQ(px(335, 33), dark);
}

TEST_F(MeterControls, MissingPicturesDrawOnlyWhatIsThere) {
    auto* missing = new Bitmap(999);
    ASSERT_EQ(missing->width(), 0);
    auto* noLit = new LevelBar(Rect{81, 46, 281, 54}, nullptr, picture(201), LevelBar::horizontal);
    auto* noUnlit =
        new LevelBar(Rect{81, 71, 281, 79}, picture(200), missing, LevelBar::horizontal);
    noUnlit->barLevel = 0.25f;
    auto* noPointer = new TickIndicator(Rect{305, 31, 334, 35}, nullptr, picture(203));
    show(noLit);
    show(noUnlit);
    show(noPointer);
    EXPECT_EQ(px(150, 50), untouched);
    EXPECT_EQ(px(100, 75), blue);
    EXPECT_EQ(px(200, 75), untouched);
    EXPECT_EQ(px(320, 33), untouched);
    missing->release();
}

TEST_F(MeterControls, DrawLeavesTheRedrawNeedToTheFrame) {
    auto* bar = new LevelBar(Rect{81, 46, 281, 54}, picture(200), picture(201),
                             LevelBar::horizontal);
    frame->addChild(bar);
    platform::Device device = platform::windowDevice(frame->window());
    {
        toolkit::DrawContext context(frame, device, frame->window());
        bar->draw(&context);
    }
    platform::releaseWindowDevice(frame->window(), device);
    EXPECT_TRUE(bar->needsRedraw());
    frame->redrawDirtyViews();
    EXPECT_FALSE(bar->needsRedraw());
}

TEST_F(MeterControls, ControlsHoldOneReferenceOnEachPicture) {
    Bitmap* lit = picture(200);
    EXPECT_EQ(lit->refCount(), 1);
    auto* bar = new LevelBar(Rect{81, 46, 281, 54}, lit, picture(201), LevelBar::horizontal);
    auto* pin = new PinIndicator(Rect{113, 51, 294, 67}, picture(206), picture(207));
    EXPECT_EQ(lit->refCount(), 2);
    EXPECT_EQ(picture(207)->refCount(), 2);
    EXPECT_EQ(bar->tag(), 0);
    EXPECT_EQ(bar->listener(), nullptr);
    EXPECT_EQ(bar->bitmap(), nullptr);
    bar->release();
    pin->release();
    EXPECT_EQ(lit->refCount(), 1);
    EXPECT_EQ(picture(207)->refCount(), 1);
}

}  // namespace
}  // namespace melp::editor
