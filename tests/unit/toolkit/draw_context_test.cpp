// The drawing context: outline and fill pixels, line ends, the font table, text alignment,
// the mouse state it reads, and the device objects it gives back.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/testing/input.h"
#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/draw_context.h"

namespace melp::toolkit::test {
namespace {

class DrawContextTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        paintWindow(host, black, hostWidth, hostHeight);
    }

    // Columns of `row` between from and to (inclusive) whose pixel is not black.
    std::int32_t firstLitColumn(std::int32_t top, std::int32_t bottom, std::int32_t from,
                                std::int32_t to) {
        for (std::int32_t x = from; x <= to; ++x) {
            for (std::int32_t y = top; y <= bottom; ++y) {
                if (pixel(host, x, y) != black) {
                    return x;
                }
            }
        }
        return -1;
    }
    std::int32_t lastLitColumn(std::int32_t top, std::int32_t bottom, std::int32_t from,
                               std::int32_t to) {
        for (std::int32_t x = to; x >= from; --x) {
            for (std::int32_t y = top; y <= bottom; ++y) {
                if (pixel(host, x, y) != black) {
                    return x;
                }
            }
        }
        return -1;
    }
};

TEST_F(DrawContextTest, OutlineAndFillCoverTheRectangleWithoutOverlap) {
    {
        WindowContext context(host);
        context->setLineColor(toColor(green));
        context->outlineRect(Rect{5, 5, 15, 15});
        context->setFillColor(toColor(red));
        context->fillRect(Rect{5, 5, 15, 15});
    }
    for (std::int32_t i = 5; i <= 15; ++i) {
        EXPECT_EQ(pixel(host, i, 5), green) << "top " << i;
        EXPECT_EQ(pixel(host, i, 15), green) << "bottom " << i;
        EXPECT_EQ(pixel(host, 5, i), green) << "left " << i;
        EXPECT_EQ(pixel(host, 15, i), green) << "right " << i;
    }
    for (std::int32_t y = 6; y <= 14; ++y) {
        for (std::int32_t x = 6; x <= 14; ++x) {
            ASSERT_EQ(pixel(host, x, y), red) << x << "," << y;
        }
    }
    EXPECT_EQ(pixel(host, 16, 10), black);
    EXPECT_EQ(pixel(host, 10, 16), black);
    EXPECT_EQ(pixel(host, 4, 4), black);
}

// Nothing lies strictly inside a rectangle without width or height, reversed ones included:
// such a fill paints nothing at all.
TEST_F(DrawContextTest, FillOfARectangleWithoutInsidePaintsNothing) {
    {
        WindowContext context(host);
        context->setFillColor(toColor(red));
        for (const Rect& rect : {Rect{5, 5, 5, 15}, Rect{5, 5, 15, 5}, Rect{5, 5, 6, 15},
                                 Rect{5, 5, 15, 6}, Rect{9, 5, 5, 15}, Rect{5, 9, 15, 5}}) {
            context->fillRect(rect);
        }
    }
    EXPECT_EQ(firstLitColumn(0, 20, 0, 20), -1);
}

TEST_F(DrawContextTest, LineStopsOnePixelShortOfItsEnd) {
    {
        WindowContext context(host);
        context->moveTo(Point{2, 5});
        context->lineTo(Point{6, 5});
    }
    for (std::int32_t x = 2; x <= 5; ++x) {
        EXPECT_EQ(pixel(host, x, 5), white) << x;
    }
    EXPECT_EQ(pixel(host, 6, 5), black);
    EXPECT_EQ(pixel(host, 1, 5), black);
}

TEST_F(DrawContextTest, DefaultColoursAreWhiteLinesOnBlackFill) {
    WindowContext context(host);
    EXPECT_EQ(context->lineColor(), colorWhite);
    EXPECT_EQ(context->fontColor(), colorWhite);
    EXPECT_EQ(context->fillColor(), colorBlack);
    context->fillRect(Rect{0, 0, 4, 4});
    context->outlineRect(Rect{10, 10, 12, 12});
    EXPECT_EQ(pixel(host, 2, 2), black);
    EXPECT_EQ(pixel(host, 10, 10), white);
}

TEST_F(DrawContextTest, FontIdsAndSizesResolveThroughTheTable) {
    WindowContext context(host);
    context->setFont(9, 0, 0);
    EXPECT_EQ(context->fontId(), 0);
    EXPECT_EQ(context->fontSize(), 12);
    context->setFont(-1, 0, 0);
    EXPECT_EQ(context->fontId(), 0);
    context->setFont(6, 0, 0);
    EXPECT_EQ(context->fontId(), 6);
    EXPECT_EQ(context->fontSize(), 9);
    context->setFont(3, 20, 6);
    EXPECT_EQ(context->fontSize(), 20);
    context->setFont(7, 0, 0);
    EXPECT_EQ(context->fontSize(), 13);
    EXPECT_STREQ(fontTable[7].faceName, "Symbol");
}

// Font 0 is bold whatever the style: at the same height it lays more ink than font 3.
TEST_F(DrawContextTest, FontZeroIsAlwaysBold) {
    const auto ink = [this](std::int32_t top) {
        std::int32_t lit = 0;
        for (std::int32_t y = top; y < top + 20; ++y) {
            for (std::int32_t x = 0; x < 120; ++x) {
                lit += pixel(host, x, y) != black ? 1 : 0;
            }
        }
        return lit;
    };
    {
        WindowContext context(host);
        context->setFont(3, 0, 0);
        context->drawText("MMMM", Rect{0, 0, 120, 20}, 0, alignLeft);
        context->setFont(0, 0, 0);
        context->drawText("MMMM", Rect{0, 30, 120, 50}, 0, alignLeft);
        context->setFont(3, 0, fontBold);
        context->drawText("MMMM", Rect{0, 60, 120, 80}, 0, alignLeft);
    }
    const std::int32_t regular = ink(0);
    EXPECT_GT(regular, 20);
    EXPECT_GT(ink(30), regular * 11 / 10);
    EXPECT_GT(ink(60), regular * 11 / 10);
}

TEST_F(DrawContextTest, TextAlignmentPlacesTheTextInItsRectangle) {
    const Rect left{10, 10, 90, 30};
    const Rect centre{10, 40, 90, 60};
    const Rect right{10, 70, 90, 90};
    {
        WindowContext context(host);
        context->setFont(2, 0, 0);
        context->drawText("MMM", left, 0, alignLeft);
        context->drawText("MMM", centre, 0, alignCenter);
        context->drawText("MMM", right, 0, alignRight);
    }
    const std::int32_t leftInk = firstLitColumn(10, 29, 0, 120);
    EXPECT_GE(leftInk, 11);  // the left edge moves one pixel in
    EXPECT_LE(leftInk, 13);
    const std::int32_t rightInk = lastLitColumn(70, 89, 0, 120);
    EXPECT_LE(rightInk, 89);
    EXPECT_GE(rightInk, 83);  // within the last glyph's side bearing
    const std::int32_t centreLeft = firstLitColumn(40, 59, 0, 120);
    const std::int32_t centreRight = lastLitColumn(40, 59, 0, 120);
    EXPECT_NEAR((centreLeft + centreRight) / 2.0, 50.0, 2.0);
    // Clipped to the rectangle: nothing above, below or beside it.
    EXPECT_EQ(firstLitColumn(0, 9, 0, 120), -1);
    EXPECT_EQ(firstLitColumn(10, 89, 91, 120), -1);
}

TEST_F(DrawContextTest, NullTextDrawsNothing) {
    {
        WindowContext context(host);
        context->drawText(nullptr, Rect{0, 0, 50, 20}, 1, alignLeft);
    }
    EXPECT_EQ(firstLitColumn(0, 20, 0, 50), -1);
}

TEST_F(DrawContextTest, DestructionGivesTheDeviceItsObjectsBack) {
    const platform::LiveObjects before = platform::liveObjects();
    platform::Device device = platform::windowDevice(host);
    const platform::Object pen = platform::currentObject(device, platform::ObjectKind::pen);
    const platform::Object brush = platform::currentObject(device, platform::ObjectKind::brush);
    const platform::Object font = platform::currentObject(device, platform::ObjectKind::font);
    {
        DrawContext context(nullptr, device, host);
        context.setLineColor(toColor(red));
        context.setFillColor(toColor(green));
        context.setFont(1, 0, 1);
        context.setFont(2, 0, 0);
        EXPECT_NE(platform::currentObject(device, platform::ObjectKind::pen), pen);
    }
    EXPECT_EQ(platform::currentObject(device, platform::ObjectKind::pen), pen);
    EXPECT_EQ(platform::currentObject(device, platform::ObjectKind::brush), brush);
    EXPECT_EQ(platform::currentObject(device, platform::ObjectKind::font), font);
    platform::releaseWindowDevice(host, device);
    const platform::LiveObjects after = platform::liveObjects();
    EXPECT_EQ(after.pens, before.pens);
    EXPECT_EQ(after.brushes, before.brushes);
    EXPECT_EQ(after.fonts, before.fonts);
    EXPECT_EQ(after.devices, before.devices);
}

TEST_F(DrawContextTest, MouseLocationIsRelativeToTheWindowRectangle) {
    platform::testing::moveCursor(150, 100);
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    ASSERT_TRUE(platform::windowRect(host, &left, &top, &right, &bottom));
    Point location;
    {
        WindowContext context(host);
        EXPECT_EQ(context->windowOrigin(), (Point{left, top}));
        context->mouseLocation(location);
    }
    EXPECT_EQ(location, (Point{150 - left, 100 - top}));

    DrawContext screen(nullptr, nullptr, nullptr);
    screen.mouseLocation(location);
    EXPECT_EQ(location, (Point{150, 100}));
}

#if MELP_TOOLKIT_HEADLESS

namespace headless = platform::headless;

TEST_F(DrawContextTest, FontDescriptionsFollowTheTableAndStyleBits) {
    struct Case {
        std::int32_t id, size, style;
        const char* face;
        std::int32_t height, weight;
        std::uint8_t italic, underline, pitch;
    };
    const Case cases[] = {
        {9, 0, 0, "Arial", -12, 700, 0, 0, 0x22},   // out of range: font 0, always bold
        {0, 0, 2, "Arial", -12, 700, 1, 0, 0x22},
        {6, 0, 0, "Arial", -9, 400, 0, 0, 0x22},
        {3, 20, 6, "Arial", -20, 400, 1, 1, 0x22},
        {1, 0, 1, "Arial", -18, 700, 0, 0, 0x22},
        {7, 0, 8, "Symbol", -13, 400, 0, 0, 0x50},  // bit 8 is ignored
    };
    for (const Case& c : cases) {
        headless::clearTextLog();
        {
            WindowContext context(host);
            context->setFont(c.id, c.size, c.style);
            context->drawText("x", Rect{0, 0, 50, 20}, 0, alignLeft);
        }
        ASSERT_EQ(headless::textLog().size(), 1u);
        const platform::FontDescription& font = headless::textLog()[0].font;
        EXPECT_STREQ(font.faceName, c.face) << c.id;
        EXPECT_EQ(font.height, c.height) << c.id;
        EXPECT_EQ(font.weight, c.weight) << c.id;
        EXPECT_EQ(font.italic, c.italic) << c.id;
        EXPECT_EQ(font.underline, c.underline) << c.id;
        EXPECT_EQ(font.strikeOut, 0) << c.id;
        EXPECT_EQ(font.pitchAndFamily, c.pitch) << c.id;
        EXPECT_EQ(font.charSet, 0);
        EXPECT_EQ(font.outPrecision, 1);
        EXPECT_EQ(font.clipPrecision, 2);
        EXPECT_EQ(font.quality, 0);
    }
}

TEST_F(DrawContextTest, TextFormatsAndOpaqueBackground) {
    {
        WindowContext context(host);
        context->setFillColor(toColor(blue));
        context->setFontColor(toColor(yellow));
        context->drawText("a&b", Rect{10, 10, 60, 30}, 0, 5);
        context->drawText("a", Rect{10, 10, 60, 30}, 1, alignCenter);
        context->drawText("a", Rect{10, 10, 60, 30}, 0, alignRight);
    }
    const auto& texts = headless::textLog();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].format, 0x824u);
    EXPECT_EQ(texts[0].left, 11);  // any other alignment is left, one pixel in
    EXPECT_EQ(texts[0].text, "a&b");
    EXPECT_EQ(texts[0].backgroundMode, platform::backgroundTransparent);
    EXPECT_EQ(texts[0].textColor, yellow);
    EXPECT_EQ(texts[1].format, 0x825u);
    EXPECT_EQ(texts[1].left, 10);
    EXPECT_EQ(texts[1].backgroundMode, platform::backgroundOpaque);
    EXPECT_EQ(texts[1].backgroundColor, blue);
    EXPECT_EQ(texts[2].format, 0x826u);
    EXPECT_EQ(texts[2].backgroundMode, platform::backgroundTransparent);
}

TEST_F(DrawContextTest, MouseButtonsFollowTheSwapSetting) {
    headless::scheduleKeyDown(0, platform::keyRightButton);
    headless::scheduleKeyDown(0, platform::keyShift);
    headless::endScriptAt(1000);
    WindowContext context(host);
    EXPECT_EQ(context->mouseButtons(), mouseRight | mouseShift);
    setSwappedMouseButtons(true);
    EXPECT_EQ(context->mouseButtons(), mouseLeft | mouseShift);
}

TEST_F(DrawContextTest, EveryButtonAndModifierHasItsBit) {
    for (std::int32_t key : {platform::keyLeftButton, platform::keyMiddleButton,
                             platform::keyControl, platform::keyAlt}) {
        headless::scheduleKeyDown(0, key);
    }
    headless::endScriptAt(1000);
    WindowContext context(host);
    EXPECT_EQ(context->mouseButtons(), mouseLeft | mouseMiddle | mouseControl | mouseAlt);
}

TEST_F(DrawContextTest, FailedObjectCreationKeepsThePreviousObjects) {
    const std::int32_t invalidBefore = headless::counters().invalidHandles;
    const platform::LiveObjects before = platform::liveObjects();
    {
        WindowContext context(host);
        context->setLineColor(toColor(green));
        context->setFillColor(toColor(red));
        headless::switches().penCreationFails = true;
        headless::switches().brushCreationFails = true;
        context->setLineColor(toColor(blue));
        context->setFillColor(toColor(yellow));
        EXPECT_EQ(context->fillColor(), toColor(yellow));
        context->moveTo(Point{0, 50});
        context->lineTo(Point{10, 50});
        context->fillRect(Rect{20, 40, 30, 50});
    }
    headless::switches().penCreationFails = false;
    headless::switches().brushCreationFails = false;
    EXPECT_EQ(pixel(host, 5, 50), green);
    EXPECT_EQ(pixel(host, 25, 45), red);
    EXPECT_EQ(platform::liveObjects().pens, before.pens);
    EXPECT_EQ(platform::liveObjects().brushes, before.brushes);
    EXPECT_EQ(headless::counters().invalidHandles, invalidBefore);
}

#endif

}  // namespace
}  // namespace melp::toolkit::test
