#include "platform/testing/x11_probe.h"

#include "platform/x11/testing/test_connection.h"
#include "platform/x11/x11.h"

namespace melp::platform::testing {

std::int32_t processWideErrors() noexcept {
    x11::connection();
    return x11::errorCount();
}

void destroyFromAnotherClient(Window window) noexcept {
    Display* display = x11::connection();
    const unsigned long id = platform::x11::windowId(window);
    if (display != nullptr && id != 0) {
        XDestroyWindow(display, id);
        XSync(display, False);
    }
}

}  // namespace melp::platform::testing
