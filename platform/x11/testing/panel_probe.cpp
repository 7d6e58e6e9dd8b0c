// The X11 side of the panel probe: the server's window tree, XGetImage captures and XTest
// clicks, all through the test program's own connections.
#include "platform/testing/panel_probe.h"

#include <X11/extensions/XTest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/x11/testing/test_connection.h"
#include "platform/x11/x11.h"

namespace melp::platform::testing {
namespace {

// The ids of the window's children in the server's tree, bottom first; empty on failure.
std::vector<unsigned long> childIds(Window parent) {
    std::vector<unsigned long> ids;
    Display* display = x11::connection();
    const unsigned long id = platform::x11::windowId(parent);
    if (display == nullptr || id == 0) {
        return ids;
    }
    platform::x11::synchronize();
    ::Window root = 0;
    ::Window parentOfParent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    const int errorsBefore = x11::errorCount();
    if (XQueryTree(display, id, &root, &parentOfParent, &children, &count) != 0 &&
        x11::errorCount() == errorsBefore) {
        ids.assign(children, children + count);
    }
    if (children != nullptr) {
        XFree(children);
    }
    return ids;
}

}  // namespace

Window firstChildWindow(Window parent) noexcept {
    try {
        const std::vector<unsigned long> ids = childIds(parent);
        return ids.empty() ? nullptr : platform::x11::windowForId(ids.front());
    } catch (...) {
        return nullptr;
    }
}

std::int32_t childWindowCount(Window parent) noexcept {
    try {
        return static_cast<std::int32_t>(childIds(parent).size());
    } catch (...) {
        return -1;
    }
}

bool captureWindow(Window window, std::int32_t width, std::int32_t height,
                   ColorRef* pixels) noexcept {
    Display* display = x11::connection();
    const unsigned long id = platform::x11::windowId(window);
    if (display == nullptr || id == 0 || pixels == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    platform::x11::synchronize();
    const int errorsBefore = x11::errorCount();
    XImage* image = XGetImage(display, id, 0, 0, static_cast<unsigned int>(width),
                              static_cast<unsigned int>(height), AllPlanes, ZPixmap);
    XSync(display, False);
    if (image == nullptr || x11::errorCount() != errorsBefore) {
        if (image != nullptr) {
            XDestroyImage(image);
        }
        return false;
    }
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)] = x11::colorOf(image, x, y);
        }
    }
    XDestroyImage(image);
    return true;
}

std::int32_t processWindowCount() noexcept { return platform::x11::openConnections(); }

bool windowClassRegistered(const char* className, Module) noexcept {
    return platform::x11::classRegistered(className);
}

bool clientOrigin(Window window, std::int32_t* x, std::int32_t* y) noexcept {
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    return windowRect(window, x, y, &right, &bottom);
}

void sendLeftClick(std::int32_t screenX, std::int32_t screenY, std::uint32_t holdMs) noexcept {
    // A connection of this thread's own: Xlib connections are not shared between threads
    // without XInitThreads.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return;
    }
    XTestFakeMotionEvent(display, -1, screenX, screenY, CurrentTime);
    XTestFakeButtonEvent(display, Button1, True, CurrentTime);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    XTestFakeButtonEvent(display, Button1, False, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
}

}  // namespace melp::platform::testing
