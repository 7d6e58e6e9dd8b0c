// Checks the pixel rules of lines and rectangle fills, and the bookkeeping of drawing
// objects selected into devices, through the platform contract on either backend.
#include "tests/unit/platform/canvas.h"

namespace melp::platform::test {
namespace {

constexpr ColorRef red = 0x000000FF;

class Drawing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(canvas.ready());
        pen = createSolidPen(red);
        ASSERT_NE(pen, nullptr);
        previousPen = selectObject(canvas.device, pen);
    }
    void TearDown() override {
        selectObject(canvas.device, previousPen);
        deleteObject(pen);
    }
    Canvas canvas;
    Object pen = nullptr;
    Object previousPen = nullptr;
};

TEST_F(Drawing, HorizontalLineCoversStartAndStopsBeforeEnd) {
    moveTo(canvas.device, 2, 5);
    lineTo(canvas.device, 6, 5);
    EXPECT_EQ(canvas.row(5, 0, 8), "..####..");
    EXPECT_EQ(canvas.at(2, 5), red);
    EXPECT_EQ(canvas.row(4), std::string(16, '.'));
    EXPECT_EQ(canvas.row(6), std::string(16, '.'));
}

TEST_F(Drawing, LinesDrawnBackwardsAlsoLeaveOutTheirEnd) {
    moveTo(canvas.device, 6, 3);
    lineTo(canvas.device, 2, 3);
    EXPECT_EQ(canvas.row(3, 0, 8), "...####.");
    moveTo(canvas.device, 9, 10);
    lineTo(canvas.device, 9, 7);
    EXPECT_EQ(canvas.at(9, 10), red);
    EXPECT_EQ(canvas.at(9, 8), red);
    EXPECT_EQ(canvas.at(9, 7), grey);
}

TEST_F(Drawing, OutlineOfFourLinesClosesAllCorners) {
    // The four lines a rectangle outline is made of: each covers the end point of the last.
    moveTo(canvas.device, 0, 0);
    lineTo(canvas.device, 10, 0);
    lineTo(canvas.device, 10, 10);
    lineTo(canvas.device, 0, 10);
    lineTo(canvas.device, 0, 0);
    EXPECT_EQ(canvas.row(0, 0, 12), "###########.");
    EXPECT_EQ(canvas.row(10, 0, 12), "###########.");
    EXPECT_EQ(canvas.row(5, 0, 12), "#.........#.");
    EXPECT_EQ(canvas.row(11, 0, 12), "............");
}

TEST_F(Drawing, DiagonalLineStepsOnePixelPerRow) {
    moveTo(canvas.device, 1, 1);
    lineTo(canvas.device, 5, 5);
    for (std::int32_t i = 1; i < 5; ++i) {
        EXPECT_EQ(canvas.at(i, i), red) << i;
    }
    EXPECT_EQ(canvas.at(5, 5), grey);
    EXPECT_EQ(canvas.at(2, 1), grey);
}

TEST_F(Drawing, ShallowLinesTakeTheNearerRowAndHalvesGoUp) {
    moveTo(canvas.device, 14, 4);  // halfway at x = 7: stays on the upper row
    lineTo(canvas.device, 0, 5);
    EXPECT_EQ(canvas.row(4), ".......########.");
    EXPECT_EQ(canvas.row(5), ".######.........");
    moveTo(canvas.device, 2, 12);  // halfway at x = 7: moves to the upper row
    lineTo(canvas.device, 12, 11);
    EXPECT_EQ(canvas.row(12), "..#####.........");
    EXPECT_EQ(canvas.row(11), ".......#####....");
}

TEST_F(Drawing, SteepLinesPutHalvesInTheLeftColumn) {
    moveTo(canvas.device, 3, 0);
    lineTo(canvas.device, 5, 12);
    for (std::int32_t y = 0; y < 12; ++y) {
        const std::int32_t column = y <= 3 ? 3 : (y <= 9 ? 4 : 5);
        EXPECT_EQ(canvas.at(column, y), red) << y;
        EXPECT_EQ(canvas.at(column == 3 ? 4 : 3, y), grey) << y;
    }
    EXPECT_EQ(canvas.at(5, 12), grey);
}

TEST_F(Drawing, LineToMovesTheCurrentPosition) {
    moveTo(canvas.device, 0, 2);
    lineTo(canvas.device, 3, 2);
    lineTo(canvas.device, 3, 4);
    // The second line starts on the end point the first one left out.
    EXPECT_EQ(canvas.row(2, 0, 5), "####.");
    EXPECT_EQ(canvas.at(3, 3), red);
    EXPECT_EQ(canvas.at(3, 4), grey);
}

TEST_F(Drawing, LinesAreClippedToTheSurface) {
    moveTo(canvas.device, -5, 15);
    lineTo(canvas.device, 40, 15);
    EXPECT_EQ(canvas.row(15), std::string(16, '#'));
    EXPECT_EQ(canvas.row(14), std::string(16, '.'));
}

TEST_F(Drawing, FillCoversLeftTopButNotRightBottom) {
    Object brush = createSolidBrush(0x00123456);
    ASSERT_NE(brush, nullptr);
    fillRect(canvas.device, 1, 1, 10, 10, brush);
    EXPECT_EQ(canvas.at(1, 1), 0x00123456u);
    EXPECT_EQ(canvas.at(9, 9), 0x00123456u);
    EXPECT_EQ(canvas.row(1, 0, 12), ".#########..");
    EXPECT_EQ(canvas.row(0), std::string(16, '.'));
    EXPECT_EQ(canvas.row(10), std::string(16, '.'));
    EXPECT_TRUE(deleteObject(brush));
}

TEST_F(Drawing, EmptyFillDrawsNothingAndInvertedFillIsMirrored) {
    Object brush = createSolidBrush(0x00123456);
    fillRect(canvas.device, 5, 5, 5, 9, brush);
    fillRect(canvas.device, 9, 3, 3, 3, brush);
    for (std::int32_t y = 0; y < 16; ++y) {
        EXPECT_EQ(canvas.row(y), std::string(16, '.')) << y;
    }
    // From (8, 8) back to, but not including, (4, 4).
    fillRect(canvas.device, 8, 8, 4, 4, brush);
    EXPECT_EQ(canvas.row(4), std::string(16, '.'));
    EXPECT_EQ(canvas.row(5), ".....####.......");
    EXPECT_EQ(canvas.row(8), ".....####.......");
    EXPECT_EQ(canvas.row(9), std::string(16, '.'));
    deleteObject(brush);
}

TEST(DrawingObjects, SelectReturnsThePreviousObjectOfTheSameKind) {
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    Object first = createSolidBrush(0x00010203);
    Object second = createSolidBrush(0x00040506);
    Object pen = createSolidPen(0);
    Object stock = selectObject(canvas.device, first);
    EXPECT_NE(stock, nullptr);
    EXPECT_EQ(currentObject(canvas.device, ObjectKind::brush), first);
    const Object stockPen = selectObject(canvas.device, pen);
    EXPECT_EQ(selectObject(canvas.device, second), first);
    EXPECT_EQ(currentObject(canvas.device, ObjectKind::brush), second);
    EXPECT_EQ(currentObject(canvas.device, ObjectKind::pen), pen);
    EXPECT_EQ(currentObject(canvas.device, ObjectKind::bitmap), canvas.bitmap);
    selectObject(canvas.device, stock);
    selectObject(canvas.device, stockPen);
    EXPECT_TRUE(deleteObject(first));
    EXPECT_TRUE(deleteObject(second));
    EXPECT_TRUE(deleteObject(pen));
}

TEST(DrawingObjects, LiveCountsFollowCreationAndDeletion) {
    const LiveObjects before = liveObjects();
    Object pen = createSolidPen(0);
    Object brush = createSolidBrush(0);
    FontDescription description;
    description.height = -12;
    const char face[] = "Arial";
    std::copy(face, face + sizeof face, description.faceName);
    Object font = createFont(description);
    Object mask = createMonochromeBitmap(4, 4);
    Device device = createCompatibleDevice(nullptr);
    const LiveObjects during = liveObjects();
    EXPECT_EQ(during.pens, before.pens + 1);
    EXPECT_EQ(during.brushes, before.brushes + 1);
    EXPECT_EQ(during.fonts, before.fonts + 1);
    EXPECT_EQ(during.bitmaps, before.bitmaps + 1);
    EXPECT_EQ(during.devices, before.devices + 1);
    EXPECT_TRUE(deleteObject(pen));
    EXPECT_TRUE(deleteObject(brush));
    EXPECT_TRUE(deleteObject(font));
    EXPECT_TRUE(deleteObject(mask));
    deleteDevice(device);
    const LiveObjects after = liveObjects();
    EXPECT_EQ(after.pens, before.pens);
    EXPECT_EQ(after.brushes, before.brushes);
    EXPECT_EQ(after.fonts, before.fonts);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.devices, before.devices);
}

TEST(DrawingObjects, BackgroundAndTextSettersReturnThePreviousValue) {
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    setBackgroundColor(canvas.device, 0x00112233);
    EXPECT_EQ(setBackgroundColor(canvas.device, 0x00445566), 0x00112233u);
    setTextColor(canvas.device, 0x00010101);
    EXPECT_EQ(setTextColor(canvas.device, 0x00020202), 0x00010101u);
    setBackgroundMode(canvas.device, backgroundTransparent);
    EXPECT_EQ(setBackgroundMode(canvas.device, backgroundOpaque), backgroundTransparent);
}

}  // namespace
}  // namespace melp::platform::test
