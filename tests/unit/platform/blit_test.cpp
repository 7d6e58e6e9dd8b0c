// Checks block copies with the three raster operations, the colour/monochrome conversions
// and the transparent copy (both the system's and the mask method built from block copies).
#include "tests/unit/platform/canvas.h"

namespace melp::platform::test {
namespace {

constexpr ColorRef red = 0x000000FF;
constexpr ColorRef green = 0x0000FF00;
constexpr ColorRef blue = 0x00FF0000;
constexpr ColorRef almostWhite = 0x00FEFFFF;  // (255, 255, 254)

// The 3 x 2 test picture in its own memory device.
class Picture {
public:
    Picture() {
        device = createCompatibleDevice(nullptr);
        bitmap = loadBitmap(moduleInstance(), pictureId);
        original = selectObject(device, bitmap);
    }
    ~Picture() {
        selectObject(device, original);
        deleteObject(bitmap);
        deleteDevice(device);
    }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    bool ready() const { return device != nullptr && bitmap != nullptr && original != nullptr; }

    Device device = nullptr;
    Object bitmap = nullptr;
    Object original = nullptr;
};

// A monochrome bitmap of the picture's size in a memory device.
class Mask {
public:
    explicit Mask(Device compatible) {
        device = createCompatibleDevice(compatible);
        bitmap = createMonochromeBitmap(3, 2);
        original = selectObject(device, bitmap);
    }
    ~Mask() {
        selectObject(device, original);
        deleteObject(bitmap);
        deleteDevice(device);
    }
    Mask(const Mask&) = delete;
    Mask& operator=(const Mask&) = delete;
    bool ready() const { return device != nullptr && bitmap != nullptr && original != nullptr; }

    Device device = nullptr;
    Object bitmap = nullptr;
    Object original = nullptr;
};

class Blit : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(canvas.ready());
        ASSERT_TRUE(picture.ready());
    }
    void expectPicture(std::int32_t x, std::int32_t y, const ColorRef (&expected)[6]) const {
        for (std::int32_t i = 0; i < 6; ++i) {
            EXPECT_EQ(canvas.at(x + i % 3, y + i / 3), expected[i]) << "pixel " << i;
        }
    }
    Canvas canvas;
    Picture picture;
};

TEST_F(Blit, SourceCopyCopiesEveryPixel) {
    ASSERT_TRUE(blit(canvas.device, 4, 5, 3, 2, picture.device, 0, 0, ropSourceCopy));
    expectPicture(4, 5, {white, almostWhite, red, green, blue, white});
    EXPECT_EQ(canvas.at(3, 5), grey);
    EXPECT_EQ(canvas.at(7, 5), grey);
    EXPECT_EQ(canvas.at(4, 7), grey);
}

TEST_F(Blit, SourceOffsetSelectsTheArea) {
    ASSERT_TRUE(blit(canvas.device, 0, 0, 2, 1, picture.device, 1, 1, ropSourceCopy));
    EXPECT_EQ(canvas.at(0, 0), blue);
    EXPECT_EQ(canvas.at(1, 0), white);
    EXPECT_EQ(canvas.at(2, 0), grey);
}

TEST_F(Blit, SourceInvertIsExclusiveOr) {
    ASSERT_TRUE(blit(canvas.device, 0, 0, 3, 2, picture.device, 0, 0, ropSourceInvert));
    expectPicture(0, 0,
                  {grey ^ white, grey ^ almostWhite, grey ^ red, grey ^ green, grey ^ blue,
                   grey ^ white});
    // Twice gives the destination back.
    ASSERT_TRUE(blit(canvas.device, 0, 0, 3, 2, picture.device, 0, 0, ropSourceInvert));
    expectPicture(0, 0, {grey, grey, grey, grey, grey, grey});
}

TEST_F(Blit, SourceAndIsLogicalAnd) {
    ASSERT_TRUE(blit(canvas.device, 0, 0, 3, 2, picture.device, 0, 0, ropSourceAnd));
    expectPicture(0, 0,
                  {grey & white, grey & almostWhite, grey & red, grey & green, grey & blue,
                   grey & white});
}

TEST_F(Blit, CopyIsClippedToTheSource) {
    ASSERT_TRUE(blit(canvas.device, 0, 0, 5, 1, picture.device, 1, 0, ropSourceCopy));
    EXPECT_EQ(canvas.at(0, 0), almostWhite);
    EXPECT_EQ(canvas.at(1, 0), red);
    EXPECT_EQ(canvas.at(2, 0), grey);  // beyond the picture's right edge: left alone
    ASSERT_TRUE(blit(canvas.device, 0, 1, 3, 1, picture.device, -1, 1, ropSourceCopy));
    EXPECT_EQ(canvas.at(0, 1), grey);  // left of the picture
    EXPECT_EQ(canvas.at(1, 1), green);
    EXPECT_EQ(canvas.at(2, 1), blue);
}

TEST_F(Blit, ColourToMonochromeMarksTheSourceBackgroundColour) {
    Mask mask(canvas.device);
    ASSERT_TRUE(mask.ready());
    setBackgroundColor(picture.device, white);
    ASSERT_TRUE(blit(mask.device, 0, 0, 3, 2, picture.device, 0, 0, ropSourceCopy));
    const ColorRef expected[6] = {white, 0, 0, 0, 0, white};
    for (std::int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(testing::readDevicePixel(mask.device, i % 3, i / 3), expected[i]) << i;
    }
    // Another background colour marks other pixels.
    setBackgroundColor(picture.device, red);
    ASSERT_TRUE(blit(mask.device, 0, 0, 3, 2, picture.device, 0, 0, ropSourceCopy));
    EXPECT_EQ(testing::readDevicePixel(mask.device, 2, 0), white);
    EXPECT_EQ(testing::readDevicePixel(mask.device, 0, 0), 0u);
}

TEST_F(Blit, MonochromeToColourTakesTheDestinationColours) {
    Mask mask(canvas.device);
    ASSERT_TRUE(mask.ready());
    setBackgroundColor(picture.device, white);
    ASSERT_TRUE(blit(mask.device, 0, 0, 3, 2, picture.device, 0, 0, ropSourceCopy));
    setBackgroundColor(canvas.device, 0x00AA0000);  // for 1 bits
    setTextColor(canvas.device, 0x000000BB);        // for 0 bits
    ASSERT_TRUE(blit(canvas.device, 2, 2, 3, 2, mask.device, 0, 0, ropSourceCopy));
    expectPicture(2, 2, {0x00AA0000, 0x000000BB, 0x000000BB, 0x000000BB, 0x000000BB, 0x00AA0000});
}

// The mask method: the destination where the picture has the key colour, the picture
// elsewhere, from three block copies.
void maskedCopy(Device destination, std::int32_t x, std::int32_t y, Device source,
                ColorRef key) {
    Mask mask(destination);
    ASSERT_TRUE(mask.ready());
    const ColorRef oldBackground = setBackgroundColor(destination, white);
    const ColorRef oldText = setTextColor(destination, 0);
    setBackgroundColor(source, key);
    ASSERT_TRUE(blit(mask.device, 0, 0, 3, 2, source, 0, 0, ropSourceCopy));
    ASSERT_TRUE(blit(destination, x, y, 3, 2, source, 0, 0, ropSourceInvert));
    ASSERT_TRUE(blit(destination, x, y, 3, 2, mask.device, 0, 0, ropSourceAnd));
    ASSERT_TRUE(blit(destination, x, y, 3, 2, source, 0, 0, ropSourceInvert));
    setBackgroundColor(destination, oldBackground);
    setTextColor(destination, oldText);
}

TEST_F(Blit, MaskMethodSkipsExactlyTheKeyColour) {
    maskedCopy(canvas.device, 1, 1, picture.device, white);
    expectPicture(1, 1, {grey, almostWhite, red, green, blue, grey});
}

TEST(TransparentCopy, SystemCopySkipsExactlyTheKeyColourLikeTheMaskMethod) {
    Module library = loadLibrary("msimg32.dll");
    ASSERT_NE(library, nullptr);
    TransparentCopy copy = resolveTransparentCopy(library);
    ASSERT_NE(copy, nullptr);
    Canvas withSystem;
    Canvas withMask;
    Picture picture;
    ASSERT_TRUE(withSystem.ready() && withMask.ready() && picture.ready());
    EXPECT_TRUE(copy(withSystem.device, 1, 1, 3, 2, picture.device, 0, 0, 3, 2, white));
    maskedCopy(withMask.device, 1, 1, picture.device, white);
    for (std::int32_t y = 0; y < 16; ++y) {
        for (std::int32_t x = 0; x < 16; ++x) {
            EXPECT_EQ(withSystem.at(x, y), withMask.at(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(withSystem.at(1, 1), grey);
    EXPECT_EQ(withSystem.at(2, 1), almostWhite);
    // Unlike a block copy, the system's transparent copy reads black beyond the source.
    EXPECT_TRUE(copy(withSystem.device, 0, 8, 4, 1, picture.device, 1, 0, 4, 1, white));
    EXPECT_EQ(withSystem.at(0, 8), almostWhite);
    EXPECT_EQ(withSystem.at(1, 8), red);
    EXPECT_EQ(withSystem.at(2, 8), 0u);
    freeLibrary(library);
}

TEST(TransparentCopy, LibraryWithoutTheEntryGivesNull) {
    Module library = loadLibrary("kernel32.dll");
    EXPECT_EQ(resolveTransparentCopy(library), nullptr);
    if (library != nullptr) {
        freeLibrary(library);
    }
    EXPECT_EQ(loadLibrary("no-such-library-here.dll"), nullptr);
}

}  // namespace
}  // namespace melp::platform::test
