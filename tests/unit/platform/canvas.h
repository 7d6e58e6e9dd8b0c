// A drawing surface that works the same on both backends: the 16 x 16 grey test picture
// (resource 10) selected into a memory device, read back pixel by pixel.
#pragma once

#include "platform/platform.h"
#include "platform/testing/test_window.h"

#include <gtest/gtest.h>

namespace melp::platform::test {

constexpr std::int32_t canvasId = 10;
constexpr std::int32_t pictureId = 11;    // 3 x 2, bottom-up
constexpr std::int32_t topDownId = 12;    // 2 x 2, top-down
constexpr std::int32_t badFormatId = 13;  // 32 bits per pixel
constexpr ColorRef grey = 0x00808080;
constexpr ColorRef white = 0x00FFFFFF;

// Makes the test resources the ones loadBitmap sees (headless; the .rc does it on Win32).
void useTestResources() noexcept;

class Canvas {
public:
    Canvas() {
        useTestResources();
        device = createCompatibleDevice(nullptr);
        bitmap = loadBitmap(moduleInstance(), canvasId);
        original = selectObject(device, bitmap);
    }
    ~Canvas() {
        selectObject(device, original);
        deleteObject(bitmap);
        deleteDevice(device);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ready() const { return device != nullptr && bitmap != nullptr && original != nullptr; }
    ColorRef at(std::int32_t x, std::int32_t y) const {
        return testing::readDevicePixel(device, x, y);
    }
    // The pixels of one row that differ from the background, as a string of '#' and '.'.
    std::string row(std::int32_t y, std::int32_t from = 0, std::int32_t to = 16,
                    ColorRef background = grey) const {
        std::string marks;
        for (std::int32_t x = from; x < to; ++x) {
            marks.push_back(at(x, y) == background ? '.' : '#');
        }
        return marks;
    }
    void fill(ColorRef color) const {
        Object brush = createSolidBrush(color);
        fillRect(device, 0, 0, 16, 16, brush);
        deleteObject(brush);
    }

    Device device = nullptr;
    Object bitmap = nullptr;
    Object original = nullptr;
};

}  // namespace melp::platform::test
