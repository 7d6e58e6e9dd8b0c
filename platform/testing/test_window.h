// Test support on either backend: a top-level window to parent editors in, pixel read-back
// and a message-loop step. Headless, these forward to platform/headless/headless.h; on
// Win32 they are real windows, so the tests that use them need a display (label "gui").
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace melp::platform::testing {

// A visible top-level window at (x, y) of the screen whose client area is width x height
// pixels. Null on failure. Destroy it with destroyTopLevelWindow.
Window createTopLevelWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) noexcept;
void destroyTopLevelWindow(Window window) noexcept;

// The colour of a pixel as drawn: client coordinates of a window, or coordinates of the
// surface of a device (a memory device's selected bitmap). 0xFFFFFFFF when unreadable.
ColorRef readWindowPixel(Window window, std::int32_t x, std::int32_t y) noexcept;
ColorRef readDevicePixel(Device device, std::int32_t x, std::int32_t y) noexcept;

// Dispatches every message waiting for this thread's windows, paint messages included.
void processMessages() noexcept;

}  // namespace melp::platform::testing
