// The headless side of the test-support helpers.
#include "platform/testing/test_window.h"

#include "platform/headless/headless.h"

namespace melp::platform::testing {

Window createTopLevelWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) noexcept {
    return headless::createHostWindow(x, y, width, height);
}

void destroyTopLevelWindow(Window window) noexcept { headless::destroyWindowFromOutside(window); }

ColorRef readWindowPixel(Window window, std::int32_t x, std::int32_t y) noexcept {
    if (!headless::windowExists(window)) {
        return 0xFFFFFFFFu;
    }
    const headless::Framebuffer fb = headless::framebuffer(window);
    if (x < 0 || y < 0 || x >= fb.width || y >= fb.height) {
        return 0xFFFFFFFFu;
    }
    return headless::pixel(window, x, y);
}

ColorRef readDevicePixel(Device device, std::int32_t x, std::int32_t y) noexcept {
    return raster::devicePixel(device, x, y);
}

void processMessages() noexcept { headless::dispatchPendingMessages(); }

}  // namespace melp::platform::testing
