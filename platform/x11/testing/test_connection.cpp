#include "platform/x11/testing/test_connection.h"

namespace melp::platform::testing::x11 {
namespace {

int errors = 0;

int countError(Display*, XErrorEvent*) {
    ++errors;
    return 0;
}

int channelOf(unsigned long pixel, unsigned long mask) noexcept {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1ul) == 0) {
        ++shift;
    }
    int bits = 0;
    while (((mask >> (shift + bits)) & 1ul) != 0) {
        ++bits;
    }
    const unsigned long value = (pixel & mask) >> shift;
    return bits >= 8 ? static_cast<int>(value >> (bits - 8))
                     : static_cast<int>(value << (8 - bits));
}

}  // namespace

Display* connection() noexcept {
    static Display* display = [] {
        // The test program's own handler: a test that reads a window that is gone fails
        // its check instead of ending the program. The backend's connections do not use it.
        XSetErrorHandler(&countError);
        return XOpenDisplay(nullptr);
    }();
    return display;
}

int errorCount() noexcept { return errors; }

ColorRef colorOf(XImage* image, int x, int y) noexcept {
    const unsigned long pixel = XGetPixel(image, x, y);
    return makeColorRef(static_cast<std::uint8_t>(channelOf(pixel, image->red_mask)),
                        static_cast<std::uint8_t>(channelOf(pixel, image->green_mask)),
                        static_cast<std::uint8_t>(channelOf(pixel, image->blue_mask)));
}

}  // namespace melp::platform::testing::x11
