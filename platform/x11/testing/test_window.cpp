// The X11 side of the test-support helpers: real top-level windows, pixels read back from
// the server.
#include "platform/testing/test_window.h"

#include "platform/raster/raster.h"
#include "platform/x11/testing/test_connection.h"
#include "platform/x11/x11.h"

namespace melp::platform::testing {

Window createTopLevelWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) noexcept {
    Window window = platform::x11::createTopLevelWindow(x, y, width, height);
    processMessages();
    return window;
}

void destroyTopLevelWindow(Window window) noexcept {
    destroyWindow(window);
    // The windows made inside it hear of it on their own connections.
    platform::x11::synchronize();
}

ColorRef readWindowPixel(Window window, std::int32_t x, std::int32_t y) noexcept {
    Display* display = x11::connection();
    const unsigned long id = platform::x11::windowId(window);
    if (display == nullptr || id == 0 || x < 0 || y < 0) {
        return 0xFFFFFFFFu;
    }
    platform::x11::synchronize();
    const int errorsBefore = x11::errorCount();
    XImage* image = XGetImage(display, id, x, y, 1, 1, AllPlanes, ZPixmap);
    XSync(display, False);
    if (image == nullptr || x11::errorCount() != errorsBefore) {
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return 0xFFFFFFFFu;
    }
    const ColorRef color = x11::colorOf(image, 0, 0);
    XDestroyImage(image);
    return color;
}

ColorRef readDevicePixel(Device device, std::int32_t x, std::int32_t y) noexcept {
    return raster::devicePixel(device, x, y);
}

void processMessages() noexcept {
    platform::x11::synchronize();
    platform::x11::dispatchAll();
    for (int i = 0; i < 10000 && dispatchOnePaintMessage(); ++i) {
    }
}

}  // namespace melp::platform::testing
