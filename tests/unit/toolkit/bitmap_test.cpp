// Bitmaps: loading by resource id, reference counting, opaque copies and the transparent
// copy, which must give the same pixels with the system entry point and with the mask
// fallback.
#include <gtest/gtest.h>

#include "tests/unit/toolkit/toolkit_test.h"
#include "toolkit/bitmap.h"

namespace melp::toolkit::test {
namespace {

class BitmapTest : public ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        paintWindow(host, grey, hostWidth, hostHeight);
    }
};

TEST_F(BitmapTest, LoadsTheSizeOfItsPicture) {
    auto* bitmap = new Bitmap(pictureKeyed);
    EXPECT_EQ(bitmap->width(), 4);
    EXPECT_EQ(bitmap->height(), 2);
    EXPECT_EQ(bitmap->resourceId(), pictureKeyed);
    EXPECT_EQ(bitmap->transparentColor(), colorTransparent);
    EXPECT_NE(bitmap->handle(), nullptr);
    bitmap->release();

    // Only the low 16 bits of the id select the resource.
    auto* wide = new Bitmap(0x10000 + pictureStrip);
    EXPECT_EQ(wide->width(), 4);
    EXPECT_EQ(wide->height(), 18);
    wide->release();
}

TEST_F(BitmapTest, MissingResourceIsEmptyAndDrawsNothing) {
    auto* bitmap = new Bitmap(999);
    EXPECT_EQ(bitmap->width(), 0);
    EXPECT_EQ(bitmap->height(), 0);
    EXPECT_EQ(bitmap->handle(), nullptr);
    {
        WindowContext context(host);
        bitmap->draw(context.get(), Rect{0, 0, 10, 10}, Point{});
        bitmap->drawTransparent(context.get(), Rect{0, 0, 10, 10}, Point{});
    }
    EXPECT_EQ(pixel(host, 5, 5), grey);
    bitmap->release();
}

TEST_F(BitmapTest, SecondReleaseDestroysARetainedBitmap) {
    const std::int32_t before = platform::liveObjects().bitmaps;
    auto* bitmap = new Bitmap(pictureKeyed);
    EXPECT_EQ(bitmap->refCount(), 1);
    EXPECT_EQ(platform::liveObjects().bitmaps, before + 1);
    bitmap->retain();
    EXPECT_EQ(bitmap->refCount(), 2);
    bitmap->release();
    EXPECT_EQ(bitmap->refCount(), 1);
    EXPECT_EQ(platform::liveObjects().bitmaps, before + 1);
    bitmap->release();
    EXPECT_EQ(platform::liveObjects().bitmaps, before);
}

TEST_F(BitmapTest, OpaqueCopyTakesEveryPixelFromTheSourceOffset) {
    auto* bitmap = new Bitmap(pictureKeyed);
    {
        WindowContext context(host);
        bitmap->draw(context.get(), Rect{10, 10, 14, 12}, Point{0, 0});
        bitmap->draw(context.get(), Rect{20, 20, 22, 21}, Point{2, 1});
    }
    const ColorRef expected[2][4] = {{white, 0xFEFFFF, red, green},
                                     {blue, white, 0x1E140A, white}};
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(pixel(host, 10 + x, 10 + y), expected[y][x]) << x << "," << y;
        }
    }
    EXPECT_EQ(pixel(host, 14, 10), grey);
    EXPECT_EQ(pixel(host, 10, 12), grey);
    EXPECT_EQ(pixel(host, 20, 20), 0x1E140A);
    EXPECT_EQ(pixel(host, 21, 20), white);
    EXPECT_EQ(pixel(host, 22, 20), grey);
    bitmap->release();
}

TEST_F(BitmapTest, AllKeyColourPictureIsInvisibleOnlyWhenDrawnTransparently) {
    auto* bitmap = new Bitmap(pictureWhite);
    {
        WindowContext context(host);
        bitmap->drawTransparent(context.get(), Rect{10, 10, 13, 13}, Point{});
        bitmap->draw(context.get(), Rect{20, 10, 23, 13}, Point{});
    }
    EXPECT_EQ(pixel(host, 11, 11), grey);
    EXPECT_EQ(pixel(host, 21, 11), white);
    bitmap->release();
}

// With the system's transparent copy (true) or with the mask method (false).
class TransparentCopy : public BitmapTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        BitmapTest::SetUp();
        if (GetParam()) {
            library = platform::loadLibrary("msimg32.dll");
            ASSERT_NE(library, nullptr);
            setTransparentCopyEntry(platform::resolveTransparentCopy(library));
            ASSERT_NE(transparentCopyEntry(), nullptr);
        }
    }
    void TearDown() override {
        setTransparentCopyEntry(nullptr);
        if (library) {
            platform::freeLibrary(library);
        }
        BitmapTest::TearDown();
    }
    platform::Module library = nullptr;
};

TEST_P(TransparentCopy, SkipsExactlyTheKeyColour) {
    const platform::LiveObjects before = platform::liveObjects();
    auto* bitmap = new Bitmap(pictureKeyed);
    {
        WindowContext context(host);
        bitmap->drawTransparent(context.get(), Rect{10, 10, 14, 12}, Point{0, 0});
        bitmap->drawTransparent(context.get(), Rect{30, 30, 32, 31}, Point{2, 1});
    }
    bitmap->release();
    const ColorRef expected[2][4] = {{grey, 0xFEFFFF, red, green},
                                     {blue, grey, 0x1E140A, grey}};
    for (std::int32_t y = 0; y < 2; ++y) {
        for (std::int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(pixel(host, 10 + x, 10 + y), expected[y][x]) << x << "," << y;
        }
    }
    EXPECT_EQ(pixel(host, 14, 10), grey);
    EXPECT_EQ(pixel(host, 30, 30), 0x1E140A);
    EXPECT_EQ(pixel(host, 31, 30), grey);
    // The destination's colours and every temporary object are given back.
    const platform::LiveObjects after = platform::liveObjects();
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.devices, before.devices);
}

TEST_P(TransparentCopy, LeavesTheDestinationColoursAsTheyWere) {
    auto* bitmap = new Bitmap(pictureKeyed);
    platform::Device device = platform::windowDevice(host);
    {
        DrawContext context(nullptr, device, host);
        context.setFillColor(toColor(blue));
        context.setFontColor(toColor(yellow));
        bitmap->drawTransparent(&context, Rect{10, 10, 14, 12}, Point{});
        EXPECT_EQ(platform::setBackgroundColor(device, 0), blue);
        EXPECT_EQ(platform::setTextColor(device, 0), yellow);
    }
    platform::releaseWindowDevice(host, device);
    bitmap->release();
}

std::string copyMethodName(const ::testing::TestParamInfo<bool>& method) {
    return method.param ? "SystemEntry" : "MaskFallback";
}

INSTANTIATE_TEST_SUITE_P(Bitmap, TransparentCopy, ::testing::Values(true, false),
                         copyMethodName);

#if MELP_TOOLKIT_HEADLESS
TEST_F(BitmapTest, MaskFallbackWithoutAMaskBitmapDrawsNothing) {
    auto* bitmap = new Bitmap(pictureKeyed);
    platform::headless::switches().bitmapCreationFails = true;
    {
        WindowContext context(host);
        bitmap->drawTransparent(context.get(), Rect{10, 10, 14, 12}, Point{});
    }
    platform::headless::switches().bitmapCreationFails = false;
    for (std::int32_t x = 10; x < 14; ++x) {
        EXPECT_EQ(pixel(host, x, 10), grey) << x;
    }
    bitmap->release();
}
#endif

}  // namespace
}  // namespace melp::toolkit::test
