// The control base: its redraw rule against the value last drawn, clamping, and the
// bitmap reference it holds.
#include <gtest/gtest.h>

#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/control.h"

namespace melp::toolkit::test {
namespace {

class PlainControl : public Control {
public:
    explicit PlainControl(Bitmap* bitmap = nullptr)
        : Control(Rect{0, 0, 10, 10}, nullptr, 7, bitmap) {}
    void draw(DrawContext*) noexcept override { setNeedsRedraw(false); }
};

TEST(ControlRedraw, NewControlNeedsRedrawAndDrawingSettlesIt) {
    PlainControl control;
    EXPECT_EQ(control.value(), 0.0f);
    EXPECT_EQ(control.drawnValue(), 1.0f);
    EXPECT_TRUE(control.needsRedraw());
    control.redrawIfDirty(nullptr);
    EXPECT_FALSE(control.needsRedraw());
    EXPECT_EQ(control.drawnValue(), 0.0f);
}

TEST(ControlRedraw, SettingTheDrawnValueAgainCausesNoRedraw) {
    PlainControl control;
    control.setValue(0.25f);
    control.draw(nullptr);
    control.setValue(0.25f);
    EXPECT_FALSE(control.needsRedraw());
    control.setValue(0.5f);
    EXPECT_TRUE(control.needsRedraw());
}

TEST(ControlRedraw, ForcedRedrawMakesTheDrawnValueDiffer) {
    PlainControl control;
    control.setValue(0.3f);
    control.setNeedsRedraw(true);
    EXPECT_EQ(control.drawnValue(), -1.0f);
    EXPECT_TRUE(control.needsRedraw());

    control.setValue(-1.0f);
    control.setNeedsRedraw(true);
    EXPECT_EQ(control.drawnValue(), 0.0f);
    EXPECT_TRUE(control.needsRedraw());

    control.setNeedsRedraw(false);
    EXPECT_EQ(control.drawnValue(), -1.0f);
    EXPECT_FALSE(control.needsRedraw());
}

TEST(ControlValue, StoredUnclampedUntilClampValue) {
    PlainControl control;
    control.setValue(2.0f);
    EXPECT_EQ(control.value(), 2.0f);
    control.clampValue();
    EXPECT_EQ(control.value(), 1.0f);

    control.setMinimum(0.2f);
    control.setValue(-3.0f);
    control.clampValue();
    EXPECT_EQ(control.value(), 0.2f);

    control.setValue(0.5f);
    control.clampValue();
    EXPECT_EQ(control.value(), 0.5f);
}

TEST(ControlValue, DefaultsAndTag) {
    PlainControl control;
    EXPECT_EQ(control.defaultValue(), 0.5f);
    EXPECT_EQ(control.wheelStep(), 0.1f);
    EXPECT_EQ(control.minimum(), 0.0f);
    EXPECT_EQ(control.maximum(), 1.0f);
    EXPECT_EQ(control.tag(), 7);
    control.setTag(4);
    EXPECT_EQ(control.tag(), 4);
    control.setBitmapOffset(Point{3, 4});
    EXPECT_EQ(control.bitmapOffset(), (Point{3, 4}));
    control.alignBitmapOffsetToBounds();
    EXPECT_EQ(control.bitmapOffset(), (Point{0, 0}));
}

class ControlBitmap : public ToolkitTest {};

TEST_F(ControlBitmap, HeldByReferenceAndGivenBackOnDestruction) {
    auto* bitmap = new Bitmap(pictureOnOff);
    {
        PlainControl control(bitmap);
        EXPECT_EQ(bitmap->refCount(), 2);
        control.setBitmap(bitmap);  // the one already held
        EXPECT_EQ(bitmap->refCount(), 2);
        EXPECT_EQ(control.bitmap(), bitmap);
        auto* other = new Bitmap(pictureStrip);
        control.setBitmap(other);
        other->release();
        EXPECT_EQ(bitmap->refCount(), 1);
        EXPECT_EQ(other->refCount(), 1);
        control.setBitmap(bitmap);
    }
    EXPECT_EQ(bitmap->refCount(), 1);
    bitmap->release();
}

TEST_F(ControlBitmap, SettingTheOnlyReferenceAgainKeepsTheBitmapAlive) {
    const std::int32_t before = platform::liveObjects().bitmaps;
    PlainControl control(nullptr);
    auto* bitmap = new Bitmap(pictureOnOff);
    control.setBitmap(bitmap);
    bitmap->release();  // the control now holds the only reference
    control.setBitmap(bitmap);
    EXPECT_EQ(bitmap->refCount(), 1);
    EXPECT_EQ(bitmap->width(), 6);
    control.setBitmap(nullptr);
    EXPECT_EQ(platform::liveObjects().bitmaps, before);
}

}  // namespace
}  // namespace melp::toolkit::test
