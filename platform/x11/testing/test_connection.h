// The test program's own connection to the X server, beside the backend's: for reading back
// what the server shows and for synthetic input (XTest), as another client would.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/platform.h"

namespace melp::platform::testing::x11 {

// Opened at first use; errors on it are counted, not fatal. Null without a display.
Display* connection() noexcept;
int errorCount() noexcept;

// The colour of a pixel of an X image in the default visual.
ColorRef colorOf(XImage* image, int x, int y) noexcept;

}  // namespace melp::platform::testing::x11
