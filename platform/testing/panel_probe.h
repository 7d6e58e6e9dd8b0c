// Test support for the editor panel in a real host window (Win32, X11): finding the panel's
// window, capturing its pixels, counting the process's windows and window classes, and a
// real mouse click sent from another thread (the panel's buttons poll the mouse inside
// their button-down handling, so the release must come from outside the UI thread).
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace melp::platform::testing {

// The first child of parent, null when it has none. [ui thread]
Window firstChildWindow(Window parent) noexcept;

// Copies the window's client area (width x height from its top-left corner) as drawn into
// pixels, row-major ColorRefs. False when it cannot be read. [ui thread]
bool captureWindow(Window window, std::int32_t width, std::int32_t height,
                   ColorRef* pixels) noexcept;

// The number of windows the window system lists directly under `parent` (X11: XQueryTree),
// whoever made them; -1 when it cannot be asked.
std::int32_t childWindowCount(Window parent) noexcept;

// Windows that belong to this process: every top-level window and all their descendants
// (X11: the backend's windows, each on its connection).
std::int32_t processWindowCount() noexcept;

// Whether module has a window class of that name registered.
bool windowClassRegistered(const char* className, Module module) noexcept;

// The screen position of a window's client area origin. False on failure.
bool clientOrigin(Window window, std::int32_t* x, std::int32_t* y) noexcept;

// Moves the cursor to the screen point, presses the left button, waits holdMs and releases
// it, all through SendInput. Blocks the calling thread, which must not be the UI thread.
void sendLeftClick(std::int32_t screenX, std::int32_t screenY, std::uint32_t holdMs) noexcept;

}  // namespace melp::platform::testing
