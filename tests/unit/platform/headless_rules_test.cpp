// Checks the headless backend's own rules where GDI leaves a choice or where misuse must
// show: objects still selected, handles that are not live, copies onto themselves,
// default device objects, capability switches and the BMP decoder.
#include "platform/headless/headless.h"
#include "tests/unit/platform/canvas.h"

#include <cstring>
#include <vector>

namespace melp::platform::test {
namespace {

class Rules : public ::testing::Test {
protected:
    void SetUp() override { headless::reset(); }
    void TearDown() override { headless::reset(); }
};

TEST_F(Rules, SelectedObjectIsNotDeletedUntilDeselected) {
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    Object brush = createSolidBrush(0x00112233);
    Object previous = selectObject(canvas.device, brush);
    const LiveObjects before = liveObjects();
    EXPECT_FALSE(deleteObject(brush));
    EXPECT_EQ(liveObjects().brushes, before.brushes);
    selectObject(canvas.device, previous);
    EXPECT_TRUE(deleteObject(brush));
    EXPECT_EQ(liveObjects().brushes, before.brushes - 1);
}

TEST_F(Rules, HandlesThatAreNotLiveFailAndAreCounted) {
    Object pen = createSolidPen(0);
    ASSERT_TRUE(deleteObject(pen));
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    EXPECT_EQ(selectObject(canvas.device, pen), nullptr);
    EXPECT_FALSE(deleteObject(pen));
    Device device = createCompatibleDevice(nullptr);
    deleteDevice(device);
    EXPECT_FALSE(blit(canvas.device, 0, 0, 1, 1, device, 0, 0, ropSourceCopy));
    EXPECT_EQ(headless::counters().invalidHandles, 3);
}

TEST_F(Rules, CopyOntoItselfReadsTheOldPixels) {
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    Object brush = createSolidBrush(0x000000FF);
    fillRect(canvas.device, 0, 0, 1, 1, brush);
    deleteObject(brush);
    ASSERT_TRUE(blit(canvas.device, 1, 0, 4, 1, canvas.device, 0, 0, ropSourceCopy));
    EXPECT_EQ(canvas.row(0, 0, 6), "##....");
}

TEST_F(Rules, NewMemoryDeviceHoldsAOnePixelMonochromeBitmap) {
    Device device = createCompatibleDevice(nullptr);
    Object bitmap = currentObject(device, ObjectKind::bitmap);
    std::int32_t width = 0, height = 0;
    ASSERT_TRUE(bitmapSize(bitmap, &width, &height));
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 1);
    EXPECT_NE(currentObject(device, ObjectKind::pen), nullptr);
    EXPECT_NE(currentObject(device, ObjectKind::brush), nullptr);
    EXPECT_NE(currentObject(device, ObjectKind::font), nullptr);
    deleteDevice(device);
}

TEST_F(Rules, BitmapLivesInOneDeviceAtATime) {
    Canvas canvas;
    ASSERT_TRUE(canvas.ready());
    Device other = createCompatibleDevice(nullptr);
    EXPECT_EQ(selectObject(other, canvas.bitmap), nullptr);
    deleteDevice(other);
}

TEST_F(Rules, CreationSwitchesMakeCreationFail) {
    headless::switches().penCreationFails = true;
    headless::switches().brushCreationFails = true;
    headless::switches().fontCreationFails = true;
    headless::switches().bitmapCreationFails = true;
    headless::switches().deviceCreationFails = true;
    EXPECT_EQ(createSolidPen(0), nullptr);
    EXPECT_EQ(createSolidBrush(0), nullptr);
    EXPECT_EQ(createFont(FontDescription{}), nullptr);
    EXPECT_EQ(createMonochromeBitmap(2, 2), nullptr);
    EXPECT_EQ(createCompatibleDevice(nullptr), nullptr);
}

TEST_F(Rules, ImageLibraryAndVersionSwitches) {
    std::int32_t platformId = 0;
    ASSERT_TRUE(operatingSystemPlatformId(&platformId));
    EXPECT_EQ(platformId, 2);
    headless::switches().platformId = 1;
    operatingSystemPlatformId(&platformId);
    EXPECT_EQ(platformId, 1);
    headless::switches().versionQueryFails = true;
    EXPECT_FALSE(operatingSystemPlatformId(&platformId));

    Module library = loadLibrary("MSIMG32.DLL");
    ASSERT_NE(library, nullptr);
    headless::switches().transparentCopyPresent = false;
    EXPECT_EQ(resolveTransparentCopy(library), nullptr);
    freeLibrary(library);
    EXPECT_EQ(headless::counters().librariesLoaded, 0);
    headless::switches().imageLibraryPresent = false;
    EXPECT_EQ(loadLibrary("msimg32.dll"), nullptr);
}

TEST_F(Rules, TransparentCopyIsCounted) {
    Canvas canvas;
    Canvas source;
    ASSERT_TRUE(canvas.ready() && source.ready());
    TransparentCopy copy = resolveTransparentCopy(loadLibrary("msimg32.dll"));
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy(canvas.device, 0, 0, 2, 2, source.device, 0, 0, 2, 2, white));
    EXPECT_EQ(headless::counters().transparentCopies, 1);
}

std::vector<unsigned char> bmpFile(std::int32_t width, std::int32_t height, std::uint16_t bits) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::size_t rows = static_cast<std::size_t>(height < 0 ? -height : height);
    std::vector<unsigned char> file(54 + stride * rows, 0);
    auto put = [&file](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            file[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(value >> (8 * i));
        }
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<std::uint32_t>(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, bits, 2);
    return file;
}

TEST(BmpDecoder, AcceptsWellFormedTwentyFourBitFiles) {
    std::vector<unsigned char> file = bmpFile(2, 1, 24);
    file[54] = 3;  // blue of the first pixel
    file[55] = 2;
    file[56] = 1;
    headless::Picture picture;
    ASSERT_TRUE(headless::decodeBmp(file.data(), file.size(), &picture));
    EXPECT_EQ(picture.width, 2);
    EXPECT_EQ(picture.height, 1);
    EXPECT_EQ(picture.pixels[0], makeColorRef(1, 2, 3));
}

TEST(BmpDecoder, ReadsTopDownFilesToo) {
    // Only the headless loader promises this; resources for the DLL are bottom-up.
    useTestResources();
    Object bitmap = loadBitmap(moduleInstance(), topDownId);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(headless::bitmapPixel(bitmap, 0, 0), makeColorRef(1, 2, 3));
    EXPECT_EQ(headless::bitmapPixel(bitmap, 1, 1), makeColorRef(10, 11, 12));
    deleteObject(bitmap);
}

TEST(BmpDecoder, RefusesMalformedFiles) {
    headless::Picture picture;
    std::vector<unsigned char> truncated = bmpFile(4, 4, 24);
    truncated.resize(truncated.size() - 1);
    EXPECT_FALSE(headless::decodeBmp(truncated.data(), truncated.size(), &picture));
    std::vector<unsigned char> palette = bmpFile(4, 4, 8);
    EXPECT_FALSE(headless::decodeBmp(palette.data(), palette.size(), &picture));
    std::vector<unsigned char> huge = bmpFile(4, 4, 24);
    huge[21] = 0x7F;  // width far beyond anything the file holds
    EXPECT_FALSE(headless::decodeBmp(huge.data(), huge.size(), &picture));
    std::vector<unsigned char> farOffset = bmpFile(4, 4, 24);
    farOffset[13] = 0xFF;
    EXPECT_FALSE(headless::decodeBmp(farOffset.data(), farOffset.size(), &picture));
    EXPECT_FALSE(headless::decodeBmp(nullptr, 0, &picture));
    EXPECT_EQ(picture.width, 0);
}

TEST(BmpDecoder, RefusedResourceLoadsAsNull) {
    useTestResources();
    EXPECT_EQ(loadBitmap(moduleInstance(), badFormatId), nullptr);
}

}  // namespace
}  // namespace melp::platform::test
