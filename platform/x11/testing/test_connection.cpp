#include "platform/x11/testing/test_connection.h"

#include "platform/x11/x11_channels.h"

namespace melp::platform::testing::x11 {
namespace {

int errors = 0;

int countError(Display*, XErrorEvent*) {
    ++errors;
    return 0;
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
    using platform::x11::detail::fromChannel;
    return makeColorRef(static_cast<std::uint8_t>(fromChannel(pixel, image->red_mask)),
                        static_cast<std::uint8_t>(fromChannel(pixel, image->green_mask)),
                        static_cast<std::uint8_t>(fromChannel(pixel, image->blue_mask)));
}

}  // namespace melp::platform::testing::x11
