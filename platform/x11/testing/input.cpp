// Input through XTest: the server takes it as a real device's, so the window under the
// pointer gets its events and XQueryPointer reports the state.
#include "platform/testing/input.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "platform/x11/testing/test_connection.h"
#include "platform/x11/x11.h"

namespace melp::platform::testing {
namespace {

unsigned int buttonOf(std::int32_t virtualKey) noexcept {
    switch (virtualKey) {
    case keyLeftButton: return Button1;
    case keyMiddleButton: return Button2;
    case keyRightButton: return Button3;
    default: return 0;
    }
}

KeySym keySymOf(std::int32_t virtualKey) noexcept {
    switch (virtualKey) {
    case keyShift: return XK_Shift_L;
    case keyControl: return XK_Control_L;
    case keyAlt: return XK_Alt_L;
    default: return NoSymbol;
    }
}

void fake(std::int32_t virtualKey, bool down) noexcept {
    Display* display = x11::connection();
    if (display == nullptr) {
        return;
    }
    if (const unsigned int button = buttonOf(virtualKey)) {
        XTestFakeButtonEvent(display, button, down ? True : False, CurrentTime);
    } else if (const KeySym symbol = keySymOf(virtualKey); symbol != NoSymbol) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbol), down ? True : False,
                          CurrentTime);
    }
    XSync(display, False);
    platform::x11::synchronize();
}

}  // namespace

void pressKey(std::int32_t virtualKey) noexcept { fake(virtualKey, true); }

void releaseKey(std::int32_t virtualKey) noexcept { fake(virtualKey, false); }

void moveCursor(std::int32_t screenX, std::int32_t screenY) noexcept {
    Display* display = x11::connection();
    if (display == nullptr) {
        return;
    }
    XTestFakeMotionEvent(display, -1, screenX, screenY, CurrentTime);
    XSync(display, False);
    platform::x11::synchronize();
}

void releaseAllKeys() noexcept {
    Display* display = x11::connection();
    if (display == nullptr) {
        return;
    }
    ::Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int state = 0;
    XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                  &state);
    // Only what is down: a release of a button that is up would reach the window as one.
    const std::int32_t keys[] = {keyLeftButton, keyMiddleButton, keyRightButton,
                                 keyShift, keyControl, keyAlt};
    const unsigned int masks[] = {Button1Mask, Button2Mask, Button3Mask,
                                  ShiftMask, ControlMask, Mod1Mask};
    for (int i = 0; i < 6; ++i) {
        if ((state & masks[i]) != 0) {
            fake(keys[i], false);
        }
    }
}

}  // namespace melp::platform::testing
