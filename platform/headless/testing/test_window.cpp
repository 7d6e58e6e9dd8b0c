// The headless side of the test-support helpers.
#include "platform/testing/test_window.h"

#include "platform/headless/headless.h"
#include "platform/headless/headless_state.h"

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
    if (!headless::detail::liveDevice(device)) {
        return 0xFFFFFFFFu;
    }
    const headless::detail::Surface* surface = headless::detail::targetOf(device);
    if (surface == nullptr || x < 0 || y < 0 || x >= surface->width || y >= surface->height) {
        return 0xFFFFFFFFu;
    }
    const ColorRef value = headless::detail::readPixel(*surface, x, y);
    return surface->monochrome ? (value != 0 ? 0x00FFFFFFu : 0u) : value;
}

void processMessages() noexcept { headless::dispatchPendingMessages(); }

}  // namespace melp::platform::testing
