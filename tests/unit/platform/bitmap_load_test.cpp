// Checks loading bitmap resources by id: sizes, row order, the 16-bit id and missing
// resources.
#include "tests/unit/platform/canvas.h"

namespace melp::platform::test {
namespace {

class BitmapLoad : public ::testing::Test {
protected:
    void SetUp() override { useTestResources(); }
};

TEST_F(BitmapLoad, ReportsTheSizeOfTheResource) {
    Object bitmap = loadBitmap(moduleInstance(), pictureId);
    ASSERT_NE(bitmap, nullptr);
    std::int32_t width = 0;
    std::int32_t height = 0;
    ASSERT_TRUE(bitmapSize(bitmap, &width, &height));
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_TRUE(deleteObject(bitmap));
}

TEST_F(BitmapLoad, KeepsTheTopRowOfABottomUpFileOnTop) {
    Object bitmap = loadBitmap(moduleInstance(), pictureId);
    ASSERT_NE(bitmap, nullptr);
    Device device = createCompatibleDevice(nullptr);
    Object original = selectObject(device, bitmap);
    EXPECT_EQ(testing::readDevicePixel(device, 2, 0), 0x000000FFu);  // red, top right
    EXPECT_EQ(testing::readDevicePixel(device, 0, 1), 0x0000FF00u);  // green, bottom left
    selectObject(device, original);
    deleteDevice(device);
    deleteObject(bitmap);
}

TEST_F(BitmapLoad, UsesOnlyTheLowSixteenBitsOfTheId) {
    Object bitmap = loadBitmap(moduleInstance(), pictureId + 0x10000);
    ASSERT_NE(bitmap, nullptr);
    std::int32_t width = 0;
    std::int32_t height = 0;
    EXPECT_TRUE(bitmapSize(bitmap, &width, &height));
    EXPECT_EQ(width, 3);
    deleteObject(bitmap);
}

TEST_F(BitmapLoad, MissingResourceGivesNullAndCountsNothing) {
    const LiveObjects before = liveObjects();
    EXPECT_EQ(loadBitmap(moduleInstance(), 999), nullptr);
    EXPECT_EQ(liveObjects().bitmaps, before.bitmaps);
    std::int32_t width = -1;
    std::int32_t height = -1;
    EXPECT_FALSE(bitmapSize(nullptr, &width, &height));
}

TEST_F(BitmapLoad, LoadedBitmapsAreCountedUntilDeleted) {
    const LiveObjects before = liveObjects();
    Object bitmap = loadBitmap(moduleInstance(), canvasId);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(liveObjects().bitmaps, before.bitmaps + 1);
    EXPECT_TRUE(deleteObject(bitmap));
    EXPECT_EQ(liveObjects().bitmaps, before.bitmaps);
}

}  // namespace
}  // namespace melp::platform::test
