// The four controls the editor uses: on/off and momentary buttons (with their tracking loop
// driven by scripted input on the headless backend), the strip display's frame choice, and
// the parameter display with its style bits.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/testing/input.h"
#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/bitmap_strip_display.h"
#include "toolkit/control_listener.h"
#include "toolkit/momentary_button.h"
#include "toolkit/on_off_button.h"
#include "toolkit/param_display.h"

namespace melp::toolkit::test {
namespace {

namespace input = platform::testing;

class RecordingListener : public ControlListener {
public:
    virtual ~RecordingListener() = default;
    void controlChanged(DrawContext*, Control* control) noexcept override {
        values.push_back(control->value());
        tags.push_back(control->tag());
    }
    std::vector<float> values;
    std::vector<std::int32_t> tags;
};

class ControlsTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        frame = openFrame(100, 80, &editor);
        paintWindow(frame->window(), grey, 100, 80);
    }
    void TearDown() override {
        delete frame;
        ToolkitTest::TearDown();
    }
    // The control, added to the frame, after its first draw.
    template <typename T> T* settle(T* control) {
        frame->addChild(control);
        frame->redrawDirtyViews();
        return control;
    }

    RecordingEditor editor;
    RecordingListener listener;
    Frame* frame = nullptr;
};

// --- on/off button ---------------------------------------------------------------------------

TEST_F(ControlsTest, OnOffButtonShowsTheHalfOfItsValue) {
    auto* bitmap = new Bitmap(pictureOnOff);
    auto* button = settle(new OnOffButton(Rect{10, 10, 16, 14}, &listener, 4, bitmap));
    bitmap->release();
    EXPECT_EQ(pixel(frame->window(), 12, 12), red);
    button->setValue(1.0f);
    frame->redrawDirtyViews();
    EXPECT_EQ(pixel(frame->window(), 12, 12), green);
    EXPECT_EQ(pixel(frame->window(), 16, 12), grey);
    button->setValue(0.0f);
    button->setTransparent(true);  // no white in the picture: the same pixels
    frame->redrawDirtyViews();
    EXPECT_EQ(pixel(frame->window(), 12, 12), red);
}

TEST_F(ControlsTest, OnOffButtonWithoutBitmapDrawsNothingButSettles) {
    auto* button = settle(new OnOffButton(Rect{10, 10, 16, 14}, &listener, 4, nullptr));
    button->setValue(1.0f);
    EXPECT_TRUE(button->needsRedraw());
    frame->redrawDirtyViews();
    EXPECT_FALSE(button->needsRedraw());
    EXPECT_EQ(pixel(frame->window(), 12, 12), grey);
}

TEST_F(ControlsTest, MomentaryButtonShowsThePressedImageBelowTheSource) {
    auto* bitmap = new Bitmap(pictureMomentary);
    auto* button =
        settle(new MomentaryButton(Rect{10, 10, 15, 15}, &listener, 2, 5, bitmap, Point{0, 0}));
    bitmap->release();
    EXPECT_EQ(pixel(frame->window(), 12, 12), blue);
    button->setValue(3.0f);  // clamped by the draw
    frame->redrawDirtyViews();
    EXPECT_EQ(button->value(), 1.0f);
    EXPECT_EQ(pixel(frame->window(), 12, 12), yellow);
}

// --- strip display ---------------------------------------------------------------------------

TEST_F(ControlsTest, StripDisplayPicksItsFrameByRounding) {
    auto* strip = new BitmapStripDisplay(Rect{10, 10, 14, 13}, nullptr, 0, 6, 3, nullptr,
                                         Point{0, 0});
    const std::pair<float, std::int32_t> cases[] = {
        {-1.0f, 0}, {0.0f, 0}, {0.0999f, 0}, {0.1f, 1}, {0.6f, 3}, {0.95f, 5}, {1.0f, 5},
        {1.5f, 5},
        // 0.7f is 0.69999999 and 0.9f 0.89999998: 5 x value + 0.5 lies just under 4 and 5.
        {0.7f, 3}, {0.9f, 4}};
    for (const auto& c : cases) {
        strip->setValue(c.first);
        EXPECT_EQ(strip->frameIndex(), c.second) << c.first;
    }
    strip->release();
}

TEST_F(ControlsTest, StripDisplayDrawsTheFrameAndStoresBackValuesAboveOne) {
    auto* bitmap = new Bitmap(pictureStrip);
    auto* strip = settle(new BitmapStripDisplay(Rect{10, 10, 14, 13}, nullptr, 0, 6, 3, bitmap,
                                                Point{0, 0}));
    bitmap->release();
    EXPECT_EQ(pixel(frame->window(), 11, 11), 0xC80A00u);  // frame 0: (0, 10, 200)
    strip->setValue(0.6f);
    frame->redrawDirtyViews();
    EXPECT_EQ(pixel(frame->window(), 11, 11), 0x6E0A78u);  // frame 3: (120, 10, 110)
    EXPECT_EQ(pixel(frame->window(), 13, 12), 0x6E0A78u);
    EXPECT_EQ(pixel(frame->window(), 11, 13), grey);
    strip->setValue(1.5f);
    frame->redrawDirtyViews();
    EXPECT_EQ(strip->value(), 1.0f);
    EXPECT_FALSE(strip->needsRedraw());
    EXPECT_EQ(pixel(frame->window(), 11, 11), 0x320AC8u);  // frame 5: (200, 10, 50)
}

// --- parameter display -----------------------------------------------------------------------

TEST_F(ControlsTest, ParamDisplayBoxWithPlainBorder) {
    auto* display = new ParamDisplay(Rect{10, 10, 30, 20}, nullptr, ParamDisplay::NoText);
    display->setBackgroundColor(toColor(red));
    display->setBorderColor(toColor(green));
    settle(display);
    EXPECT_EQ(pixel(frame->window(), 20, 15), red);
    for (const Point p : {Point{10, 10}, Point{30, 10}, Point{10, 20}, Point{30, 20},
                          Point{20, 10}, Point{20, 20}, Point{10, 15}, Point{30, 15}}) {
        EXPECT_EQ(pixel(frame->window(), p.x, p.y), green) << p.x << "," << p.y;
    }
    EXPECT_EQ(pixel(frame->window(), 31, 15), grey);
}

TEST_F(ControlsTest, ParamDisplayBevels) {
    struct Case {
        std::int32_t style;
        ColorRef topLeft, bottomRight;
    };
    for (const Case c : {Case{ParamDisplay::BevelBackgroundTopLeft, red, green},
                         Case{ParamDisplay::BevelBorderTopLeft, green, red},
                         Case{ParamDisplay::BevelBackgroundTopLeft |
                                  ParamDisplay::BevelBorderTopLeft,
                              red, green}}) {
        paintWindow(frame->window(), grey, 100, 80);
        auto* display =
            new ParamDisplay(Rect{10, 10, 30, 20}, nullptr, c.style | ParamDisplay::NoText);
        display->setBackgroundColor(toColor(red));
        display->setBorderColor(toColor(green));
        settle(display);
        const platform::Window w = frame->window();
        EXPECT_EQ(pixel(w, 10, 15), c.topLeft) << c.style;
        EXPECT_EQ(pixel(w, 20, 10), c.topLeft) << c.style;
        EXPECT_EQ(pixel(w, 30, 10), c.topLeft) << c.style;  // the top line reaches right
        EXPECT_EQ(pixel(w, 10, 20), c.topLeft) << c.style;  // where the left line started
        EXPECT_EQ(pixel(w, 30, 15), c.bottomRight) << c.style;
        EXPECT_EQ(pixel(w, 30, 20), c.bottomRight) << c.style;
        EXPECT_EQ(pixel(w, 20, 20), c.bottomRight) << c.style;
        EXPECT_EQ(pixel(w, 20, 15), red) << c.style;  // the fill
        EXPECT_EQ(pixel(w, 31, 10), grey) << c.style;
        frame->removeChild(display, true);
    }
}

TEST_F(ControlsTest, TransparentParamDisplayWithoutBitmapDrawsNoBox) {
    auto* display = new ParamDisplay(Rect{10, 10, 30, 20}, nullptr, ParamDisplay::NoText);
    display->setTransparent(true);
    display->setBackgroundColor(toColor(red));
    settle(display);
    EXPECT_EQ(pixel(frame->window(), 20, 15), grey);
    EXPECT_EQ(pixel(frame->window(), 10, 10), grey);
}

TEST_F(ControlsTest, ParamDisplayOverItsBitmap) {
    auto* bitmap = new Bitmap(pictureBackground);
    auto* display = new ParamDisplay(Rect{10, 10, 30, 20}, bitmap, ParamDisplay::NoText);
    bitmap->release();
    display->setBitmapOffset(Point{10, 0});
    settle(display);
    EXPECT_EQ(pixel(frame->window(), 12, 12), 0x646464u);  // column band 1 of the picture
    EXPECT_EQ(pixel(frame->window(), 25, 12), 0x8C8C8Cu);  // band 2
}

TEST_F(ControlsTest, NoDrawDisplayStartsDrawnAndPaintsNothing) {
    auto* display = new ParamDisplay(Rect{10, 10, 30, 20}, nullptr, ParamDisplay::NoDraw);
    EXPECT_FALSE(display->needsRedraw());
    display->setBackgroundColor(toColor(red));
    frame->addChild(display);
    frame->redrawView(display);
    EXPECT_EQ(pixel(frame->window(), 20, 15), grey);
    EXPECT_EQ(pixel(frame->window(), 10, 10), grey);
    display->setValue(0.3f);
    EXPECT_TRUE(display->needsRedraw());
    frame->redrawDirtyViews();
    EXPECT_FALSE(display->needsRedraw());
    EXPECT_EQ(pixel(frame->window(), 20, 15), grey);
}

TEST_F(ControlsTest, ParamDisplaySettersMarkOnlyRealChanges) {
    auto* display = settle(new ParamDisplay(Rect{10, 10, 30, 20}, nullptr, 2));
    EXPECT_FALSE(display->needsRedraw());
    display->setTextColor(Color{255, 255, 255, 9});
    EXPECT_FALSE(display->needsRedraw());
    EXPECT_EQ(display->textColor().fourth, 9);
    display->setShadowColor(Color{255, 0, 0, 1});
    display->setBorderColor(Color{0, 0, 0, 3});
    display->setBackgroundColor(Color{0, 0, 0, 4});
    display->setFontId(3);
    display->setFontStyle(0);
    display->setAlignment(1);
    display->setDisplayStyle(2);
    display->setTextTransparent(false);
    display->setConverter(nullptr);
    EXPECT_FALSE(display->needsRedraw());
    EXPECT_EQ(display->borderColor().fourth, 3);

    display->setShadowColor(Color{255, 0, 1, 0});
    EXPECT_TRUE(display->needsRedraw());
    frame->redrawDirtyViews();
    display->setFontId(5);
    EXPECT_TRUE(display->needsRedraw());
    frame->redrawDirtyViews();
    display->setAlignment(2);
    EXPECT_TRUE(display->needsRedraw());
    frame->redrawDirtyViews();
    display->setDisplayStyle(ParamDisplay::NoText);
    EXPECT_TRUE(display->needsRedraw());
    frame->redrawDirtyViews();
    display->setFontStyle(1);
    EXPECT_TRUE(display->needsRedraw());
}

#if MELP_TOOLKIT_HEADLESS

namespace headless = platform::headless;

void halfValue(float value, char* text) {
    std::snprintf(text, 256, "half %.1f", static_cast<double>(value / 2));
}
void taggedValue(float value, char* text, void* data) {
    std::snprintf(text, 256, "%s %.1f", static_cast<const char*>(data),
                  static_cast<double>(value));
}

TEST_F(ControlsTest, ParamDisplayTextComesFromTheConverters) {
    auto* display = settle(new ParamDisplay(Rect{10, 10, 60, 30}, nullptr, 2));
    display->setValue(0.5f);
    headless::clearTextLog();
    frame->redrawDirtyViews();
    ASSERT_EQ(headless::textLog().size(), 1u);
    EXPECT_EQ(headless::textLog()[0].text, "0.50");
    EXPECT_EQ(headless::textLog()[0].format, 0x825u);  // centred by default
    EXPECT_EQ(headless::textLog()[0].font.height, -12);  // font 3 at its table size
    EXPECT_EQ(headless::textLog()[0].backgroundMode, platform::backgroundTransparent);

    display->setConverter(&halfValue);
    display->setNeedsRedraw(true);
    frame->redrawDirtyViews();
    EXPECT_EQ(headless::textLog().back().text, "half 0.2");

    static char tag[] = "dB";
    display->setConverterWithData(&taggedValue, tag);
    display->setTextTransparent(false);
    display->setNeedsRedraw(true);
    frame->redrawDirtyViews();
    EXPECT_EQ(headless::textLog().back().text, "dB 0.5");
    EXPECT_EQ(headless::textLog().back().backgroundMode, platform::backgroundOpaque);
}

TEST_F(ControlsTest, ShadowTextIsDrawnFirstOnePixelDownRight) {
    auto* display = new ParamDisplay(Rect{10, 10, 60, 30}, nullptr, ParamDisplay::ShadowText);
    display->setTextColor(toColor(yellow));
    headless::clearTextLog();
    settle(display);
    ASSERT_EQ(headless::textLog().size(), 2u);
    const auto& shadow = headless::textLog()[0];
    const auto& text = headless::textLog()[1];
    EXPECT_EQ(shadow.textColor, red);
    EXPECT_EQ(shadow.top, 11);
    EXPECT_EQ(shadow.right, 61);
    EXPECT_EQ(shadow.bottom, 31);
    EXPECT_EQ(text.textColor, yellow);
    EXPECT_EQ(text.left, 10);
    EXPECT_EQ(text.top, 10);
}

TEST_F(ControlsTest, NoTextDisplayDrawsNoText) {
    headless::clearTextLog();
    settle(new ParamDisplay(Rect{10, 10, 60, 30}, nullptr, ParamDisplay::NoText));
    settle(new ParamDisplay(Rect{10, 40, 60, 60}, nullptr, ParamDisplay::NoDraw));
    frame->redrawView(nullptr);
    EXPECT_TRUE(headless::textLog().empty());
}

#endif

// Input as a user gives it (platform/testing/input.h): real SendInput on Win32. The
// recording editor's idle, which the tracking loop calls on every pass, runs the idle
// redraw as the editor's idle pump would, notes what the button shows and plays the next
// step of the test's gesture.
class ButtonInput : public ControlsTest {
protected:
    struct Step {
        std::int32_t atIdle;
        void (*action)(ButtonInput*);
    };

    void SetUp() override {
        ControlsTest::SetUp();
        std::int32_t right = 0, bottom = 0;
        ASSERT_TRUE(platform::windowRect(frame->window(), &originX, &originY, &right, &bottom));
        input::releaseAllKeys();
        editor.user = this;
        editor.onIdle = [](RecordingEditor* e) {
            auto* self = static_cast<ButtonInput*>(e->user);
            if (self->redrawAtIdle) {
                self->frame->redrawDirtyViews();
            }
            const ColorRef shown = pixel(self->frame->window(), 12, 12);
            if (self->shown.empty() || self->shown.back() != shown) {
                self->shown.push_back(shown);
            }
            for (const Step& step : self->steps) {
                if (step.atIdle == e->idles) {
                    step.action(self);
                }
            }
            if (e->idles > 1000) {
                input::releaseAllKeys();  // a loop that does not end fails, not hangs
            }
        };
    }
    void TearDown() override {
        input::releaseAllKeys();
        pump();  // button-down messages of the presses find the buttons released
        ControlsTest::TearDown();
    }

public:
    void moveTo(std::int32_t x, std::int32_t y) { input::moveCursor(originX + x, originY + y); }

protected:
    void click(Control* control, std::int32_t x = 12, std::int32_t y = 12) {
        WindowContext context(frame->window(), frame);
        control->mouseDown(context.get(), Point{x, y});
    }

    std::int32_t originX = 0;
    std::int32_t originY = 0;
    bool redrawAtIdle = true;
    std::vector<ColorRef> shown;
    std::vector<Step> steps;
};

TEST_F(ButtonInput, OnOffButtonFlipsOnTheIntegerPart) {
    auto* button = settle(new OnOffButton(Rect{10, 10, 16, 14}, &listener, 4, nullptr));
    moveTo(12, 12);
    input::pressKey(platform::keyLeftButton);
    for (const auto& c : {std::pair<float, float>{0.5f, 1.0f}, {1.0f, 0.0f}, {2.0f, 0.0f},
                          {-0.5f, 1.0f}, {0.0f, 1.0f}}) {
        button->setValue(c.first);
        click(button);
        EXPECT_EQ(button->value(), c.second) << c.first;
    }
    EXPECT_EQ(listener.values.size(), 5u);
    EXPECT_EQ(listener.tags.front(), 4);
    EXPECT_EQ(editor.idles, 5);
    EXPECT_TRUE(editor.begins.empty());
}

TEST_F(ButtonInput, RightButtonDoesNothingUnlessButtonsAreSwapped) {
    auto* onOff = settle(new OnOffButton(Rect{10, 10, 16, 14}, &listener, 4, nullptr));
    auto* momentary = settle(
        new MomentaryButton(Rect{20, 10, 25, 15}, &listener, 2, 5, nullptr, Point{}));
    moveTo(60, 60);
    input::pressKey(platform::keyRightButton);
    click(onOff);
    click(momentary, 22, 12);
    EXPECT_EQ(onOff->value(), 0.0f);
    EXPECT_TRUE(listener.values.empty());
    EXPECT_EQ(editor.idles, 0);

    // The physical right button reads as the left one.
    setSwappedMouseButtons(true);
    click(onOff);
    EXPECT_EQ(onOff->value(), 1.0f);
    EXPECT_EQ(listener.values.size(), 1u);
}

TEST_F(ButtonInput, DisabledButtonIgnoresTheClick) {
    auto* button = settle(new OnOffButton(Rect{10, 10, 16, 14}, &listener, 4, nullptr));
    button->enableMouse(false);
    input::pressKey(platform::keyLeftButton);
    click(button);
    EXPECT_EQ(button->value(), 0.0f);
    EXPECT_TRUE(listener.values.empty());
}

TEST_F(ButtonInput, MomentaryButtonFollowsThePointerUntilRelease) {
    auto* bitmap = new Bitmap(pictureMomentary);
    auto* button =
        settle(new MomentaryButton(Rect{10, 10, 15, 15}, &listener, 6, 5, bitmap, Point{}));
    bitmap->release();
    moveTo(12, 12);
    input::pressKey(platform::keyLeftButton);
    steps = {{5, [](ButtonInput* t) { t->moveTo(40, 40); }},   // out
             {10, [](ButtonInput* t) { t->moveTo(15, 15); }},  // back in, on the edge
             {15, [](ButtonInput* t) {
                  t->moveTo(40, 40);
                  input::releaseKey(platform::keyLeftButton);
              }}};
    click(button);

    EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(editor.begins, (std::vector<std::int32_t>{6}));
    EXPECT_EQ(editor.ends, (std::vector<std::int32_t>{6}));
    EXPECT_EQ(shown, (std::vector<ColorRef>{yellow, blue, yellow}));
    EXPECT_EQ(editor.idles, 15);
    EXPECT_EQ(button->value(), 0.0f);
    frame->redrawDirtyViews();
    EXPECT_EQ(pixel(frame->window(), 12, 12), blue);
}

TEST_F(ButtonInput, MomentaryButtonReportsEveryPassUntilRedrawn) {
    auto* button =
        settle(new MomentaryButton(Rect{10, 10, 15, 15}, &listener, 6, 5, nullptr, Point{}));
    redrawAtIdle = false;
    moveTo(12, 12);
    input::pressKey(platform::keyLeftButton);
    steps = {{5, [](ButtonInput*) { input::releaseKey(platform::keyLeftButton); }}};
    click(button);
    // Five passes held inside without a redraw, then the release.
    ASSERT_EQ(listener.values.size(), 6u);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(listener.values[i], 1.0f) << i;
    }
    EXPECT_EQ(listener.values.back(), 0.0f);
}

// Left with a second button or a modifier: one flip and back, without tracking. (Under Wine
// a modifier pressed through SendInput may be reset to the X keyboard's state at any moment,
// so Win32 checks the second button only.)
TEST_F(ButtonInput, MomentaryButtonWithAnotherButtonOrModifierFlipsOnce) {
    std::vector<std::int32_t> extras = {platform::keyMiddleButton};
#if MELP_TOOLKIT_HEADLESS
    extras.push_back(platform::keyShift);
    extras.push_back(platform::keyControl);
#endif
    auto* button =
        settle(new MomentaryButton(Rect{10, 10, 15, 15}, &listener, 6, 5, nullptr, Point{}));
    moveTo(60, 60);
    for (const std::int32_t extra : extras) {
        listener.values.clear();
        input::pressKey(extra);
        input::pressKey(platform::keyLeftButton);
        click(button);
        input::releaseAllKeys();
        EXPECT_EQ(listener.values, (std::vector<float>{1.0f, 0.0f})) << extra;
        EXPECT_TRUE(editor.begins.empty()) << extra;
        EXPECT_TRUE(editor.ends.empty()) << extra;
        EXPECT_EQ(editor.idles, 0) << extra;
        EXPECT_EQ(button->value(), 0.0f) << extra;
    }
}

TEST_F(ButtonInput, ClickOnTheFrameWindowReachesTheButton) {
    auto* button = settle(new OnOffButton(Rect{10, 10, 16, 14}, &listener, 4, nullptr));
    moveTo(12, 12);
    input::pressKey(platform::keyLeftButton);
    pump();
    input::releaseKey(platform::keyLeftButton);
    EXPECT_EQ(button->value(), 1.0f);
    EXPECT_EQ(listener.values, (std::vector<float>{1.0f}));
}


}  // namespace
}  // namespace melp::toolkit::test
