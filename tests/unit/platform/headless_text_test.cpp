// Checks text drawn by the headless backend: placement for each alignment, vertical
// centring, clipping to the rectangle, opaque backgrounds, and how the font description
// (height, weight, underline) changes what is drawn. Read through the text log.
#include "platform/headless/headless.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>

namespace melp::platform::test {
namespace {

constexpr std::uint32_t singleLine = textVerticalCenter | textSingleLine | textNoPrefix;

FontDescription arial(std::int32_t height, std::int32_t weight = 400) {
    FontDescription font;
    font.height = height;
    font.weight = weight;
    font.pitchAndFamily = 0x22;
    std::strcpy(font.faceName, "Arial");
    return font;
}

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        window = headless::createHostWindow(0, 0, 200, 60);
        ASSERT_NE(window, nullptr);
        headless::clearWindow(window, 0);
        device = windowDevice(window);
        ASSERT_NE(device, nullptr);
        setTextColor(device, 0x00FFFFFF);
        setBackgroundMode(device, backgroundTransparent);
        select(arial(-12));
    }
    void TearDown() override {
        selectObject(device, originalFont);
        for (Object font : fonts) {
            deleteObject(font);
        }
        releaseWindowDevice(window, device);
        headless::destroyWindowFromOutside(window);
    }
    void select(const FontDescription& description) {
        Object font = createFont(description);
        ASSERT_NE(font, nullptr);
        fonts.push_back(font);
        Object previous = selectObject(device, font);
        if (originalFont == nullptr) {
            originalFont = previous;
        }
    }
    const headless::TextDraw& draw(const char* text, std::int32_t left, std::int32_t top,
                                   std::int32_t right, std::int32_t bottom,
                                   std::uint32_t format) {
        drawText(device, text, -1, left, top, right, bottom, format);
        return headless::textLog().back();
    }

    Window window = nullptr;
    Device device = nullptr;
    Object originalFont = nullptr;
    std::vector<Object> fonts;
};

TEST_F(Text, LeftAlignedTextStartsAtTheLeftEdge) {
    const headless::TextDraw& d = draw("Level", 10, 0, 190, 20, singleLine | textLeft);
    EXPECT_EQ(d.textLeft, 10);
    ASSERT_TRUE(d.hasInk);
    EXPECT_GE(d.inkLeft, 10);
    EXPECT_LE(d.inkLeft, 12);
    EXPECT_LT(d.inkRight, 100);
}

TEST_F(Text, RightAlignedTextEndsAtTheRightEdge) {
    const headless::TextDraw& d = draw("-12.5", 10, 0, 190, 20, singleLine | textRight);
    EXPECT_EQ(d.textLeft + d.textWidth, 190);
    ASSERT_TRUE(d.hasInk);
    EXPECT_LE(d.inkRight, 190);
    EXPECT_GE(d.inkRight, 186);
}

TEST_F(Text, CentredTextIsCentredInTheRectangle) {
    const headless::TextDraw& d = draw("Phase", 0, 0, 200, 20, singleLine | textCenter);
    EXPECT_EQ(d.textLeft, (200 - d.textWidth) / 2);
    ASSERT_TRUE(d.hasInk);
    const std::int32_t inkCentre = (d.inkLeft + d.inkRight) / 2;
    EXPECT_NEAR(inkCentre, 100, 2);
}

TEST_F(Text, VerticalCentringAndItsResult) {
    const std::int32_t result = drawText(device, "Hg", -1, 0, 10, 100, 50, singleLine);
    const headless::TextDraw& d = headless::textLog().back();
    EXPECT_EQ(d.textTop, 10 + (40 - d.textHeight) / 2);
    EXPECT_EQ(result, d.textTop - 10 + d.textHeight);
    ASSERT_TRUE(d.hasInk);
    EXPECT_GE(d.inkTop, d.textTop);
    EXPECT_LE(d.inkBottom, d.textTop + d.textHeight);
}

TEST_F(Text, TextIsClippedToTheRectangle) {
    const headless::TextDraw& d =
        draw("A long text that does not fit", 20, 5, 50, 15, singleLine | textLeft);
    EXPECT_GT(d.textWidth, 30);
    ASSERT_TRUE(d.hasInk);
    EXPECT_GE(d.inkLeft, 20);
    EXPECT_LE(d.inkRight, 50);
    EXPECT_GE(d.inkTop, 5);
    EXPECT_LE(d.inkBottom, 15);
    for (std::int32_t y = 0; y < 60; ++y) {
        EXPECT_EQ(headless::pixel(window, 50, y), 0u) << y;
        EXPECT_EQ(headless::pixel(window, 19, y), 0u) << y;
    }
}

TEST_F(Text, OpaqueModeBacksTheTextCellWithTheBackgroundColour) {
    setBackgroundMode(device, backgroundOpaque);
    setBackgroundColor(device, 0x00003300);
    const headless::TextDraw& d = draw("Hold", 0, 0, 200, 20, singleLine | textLeft);
    EXPECT_EQ(d.backgroundMode, backgroundOpaque);
    EXPECT_EQ(d.backgroundColor, 0x00003300u);
    // Inside the cell but right of the ink: background; beyond the cell: untouched.
    EXPECT_EQ(headless::pixel(window, d.textLeft + d.textWidth - 1, d.textTop), 0x00003300u);
    EXPECT_EQ(headless::pixel(window, d.textLeft + d.textWidth + 1, d.textTop), 0u);
    EXPECT_EQ(headless::pixel(window, d.textLeft, d.textTop + d.textHeight), 0u);
}

TEST_F(Text, TransparentModeLeavesTheBackground) {
    headless::clearWindow(window, 0x00445566);
    const headless::TextDraw& d = draw("Hold", 0, 0, 200, 20, singleLine | textLeft);
    EXPECT_EQ(headless::pixel(window, d.textLeft + d.textWidth - 1, d.textTop), 0x00445566u);
}

TEST_F(Text, GlyphsTakeTheTextColour) {
    headless::switches().antialiasedText = false;
    setTextColor(device, 0x000000FF);
    const headless::TextDraw& d = draw("I", 0, 0, 200, 20, singleLine | textLeft);
    ASSERT_TRUE(d.hasInk);
    EXPECT_EQ(headless::pixel(window, d.inkLeft, (d.inkTop + d.inkBottom) / 2), 0x000000FFu);
    EXPECT_EQ(d.textColor, 0x000000FFu);
}

TEST_F(Text, FontDescriptionDrivesTheLayout) {
    const headless::TextDraw small = draw("Meter", 0, 0, 200, 60, singleLine);
    select(arial(-20));
    const headless::TextDraw large = draw("Meter", 0, 0, 200, 60, singleLine);
    select(arial(-20, 700));
    const headless::TextDraw bold = draw("Meter", 0, 0, 200, 60, singleLine);
    EXPECT_GT(large.textHeight, small.textHeight);
    EXPECT_GT(large.textWidth, small.textWidth);
    EXPECT_GT(bold.textWidth, large.textWidth);
    EXPECT_EQ(bold.font.weight, 700);
    // A positive height is the whole cell.
    select(arial(30));
    const headless::TextDraw cell = draw("Meter", 0, 0, 200, 60, singleLine);
    EXPECT_NEAR(cell.textHeight, 30, 1);
}

TEST_F(Text, UnderlineDrawsBelowTheBaseline) {
    const headless::TextDraw plain = draw("ace", 0, 0, 200, 40, singleLine);
    FontDescription underlined = arial(-12);
    underlined.underline = 1;
    select(underlined);
    const headless::TextDraw line = draw("ace", 0, 0, 200, 40, singleLine);
    ASSERT_TRUE(plain.hasInk && line.hasInk);
    EXPECT_GT(line.inkBottom, plain.inkBottom);
}

TEST_F(Text, PrefixAmpersandsAreDrawnOnlyWithNoPrefix) {
    const headless::TextDraw literal = draw("R&D", 0, 0, 200, 20, singleLine);
    const headless::TextDraw prefixed =
        draw("R&D", 0, 0, 200, 20, textVerticalCenter | textSingleLine);
    EXPECT_GT(literal.textWidth, prefixed.textWidth);
    EXPECT_EQ(literal.text, "R&D");
}

TEST_F(Text, LogRecordsTheCallAndCanBeCleared) {
    drawText(device, "abcdef", 3, 1, 2, 30, 40, singleLine | textCenter);
    ASSERT_EQ(headless::textLog().size(), 1u);
    const headless::TextDraw& d = headless::textLog().back();
    EXPECT_EQ(d.text, "abc");
    EXPECT_STREQ(d.font.faceName, "Arial");
    EXPECT_EQ(d.font.height, -12);
    EXPECT_EQ(d.left, 1);
    EXPECT_EQ(d.bottom, 40);
    EXPECT_EQ(d.format, singleLine | textCenter);
    EXPECT_EQ(d.window, window);
    EXPECT_EQ(drawText(device, nullptr, -1, 0, 0, 10, 10, singleLine), 0);
    EXPECT_EQ(headless::textLog().size(), 1u);
    headless::clearTextLog();
    EXPECT_TRUE(headless::textLog().empty());
}

TEST_F(Text, SymbolFaceDrawsWithItsOwnFont) {
    FontDescription symbol = arial(-13);
    std::strcpy(symbol.faceName, "Symbol");
    symbol.pitchAndFamily = 0x50;
    std::int32_t symbolWidth = 0, arialWidth = 0;
    ASSERT_TRUE(headless::measureText(symbol, "WWWW", &symbolWidth, nullptr));
    ASSERT_TRUE(headless::measureText(arial(-13), "WWWW", &arialWidth, nullptr));
    EXPECT_NE(symbolWidth, arialWidth);
}

// Extents GDI reports for "Arial" (Liberation Sans under Wine): GetTextExtentPoint32A and
// tmHeight, measured once with the Win32 build.
struct GdiExtent {
    std::int32_t height;
    std::int32_t weight;
    const char* text;
    std::int32_t width;
    std::int32_t lineHeight;
};
constexpr GdiExtent gdiExtents[] = {
    {-9, 400, "Level", 22, 10},  {-10, 400, "Phase", 30, 11}, {-11, 400, "Meter", 28, 12},
    {-12, 400, "-12.5", 28, 14}, {-12, 700, "Level", 31, 14}, {-13, 400, "WWWW", 48, 15},
    {-14, 700, "Phase", 42, 16}, {-18, 400, "Meter", 46, 20}, {-20, 700, "Hg", 26, 22},
    {30, 400, "Level", 65, 30},  {30, 700, "Phase", 80, 30},
};

TEST(TextMetrics, MatchTheExtentsGdiReports) {
    headless::reset();
    for (const GdiExtent& expected : gdiExtents) {
        std::int32_t width = 0, height = 0;
        ASSERT_TRUE(headless::measureText(arial(expected.height, expected.weight), expected.text,
                                          &width, &height));
        EXPECT_EQ(width, expected.width) << expected.text << " at " << expected.height;
        EXPECT_EQ(height, expected.lineHeight) << expected.text << " at " << expected.height;
    }
}

TEST_F(Text, UnsmoothedGlyphsLandOnTheSamePixelsAsGdi) {
    // "Level", Arial -12, drawn by DrawTextA into (1, 0, 64, 20) with format 0x824 under
    // Wine, which draws unsmoothed glyphs into memory bitmaps. (Not every text matches GDI
    // this closely: hinting differs in places; extents do match.)
    const char* const gdi[] = {
        "  #                         #",  // row 5
        "  #                         #",
        "  #       ###  #   #  ###   #",
        "  #      #   # #   # #   #  #",
        "  #      #   #  # #  #   #  #",
        "  #      #####  # #  #####  #",
        "  #      #      # #  #      #",
        "  #      #   #  # #  #   #  #",
        "  #####   ###    #    ###   #",  // row 13: the baseline
    };
    headless::switches().antialiasedText = false;
    draw("Level", 1, 0, 64, 20, singleLine | textLeft);
    for (std::int32_t row = 0; row < 20; ++row) {
        std::string drawn;
        for (std::int32_t x = 0; x < 29; ++x) {
            drawn.push_back(headless::pixel(window, x, row) != 0 ? '#' : ' ');
        }
        const std::string expected = row >= 5 && row <= 13 ? gdi[row - 5] : "";
        EXPECT_EQ(drawn, (expected + std::string(29 - expected.size(), ' '))) << "row " << row;
    }
}

TEST_F(Text, UnsmoothedUnderlineSpansTheMeasuredWidthOnTheBaselineRow) {
    // As DrawTextA draws it under Wine: the glyphs step by their own advances (29 pixels
    // for "Level"), the underline covers the measured extent (30) on the row below the ink.
    headless::switches().antialiasedText = false;
    FontDescription underlined = arial(-12);
    underlined.underline = 1;
    select(underlined);
    const headless::TextDraw& d = draw("Level", 1, 0, 64, 20, singleLine | textLeft);
    EXPECT_EQ(d.textWidth, 30);
    std::string row14;
    for (std::int32_t x = 0; x < 33; ++x) {
        row14.push_back(headless::pixel(window, x, 14) != 0 ? '#' : ' ');
    }
    EXPECT_EQ(row14, " " + std::string(30, '#') + "  ");
    EXPECT_EQ(headless::pixel(window, 5, 15), 0u);
}

}  // namespace
}  // namespace melp::platform::test
