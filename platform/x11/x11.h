// The X11 backend's test-facing side. The backend implements platform/platform.h with real X
// windows over the shared software rasterizer (platform/raster/raster.h):
// - A window handle is either a window of this backend or, where a parent is expected (the
//   host's editor window), an X window id cast to the pointer.
// - Every window of the backend has a Display connection of its own, opened when the window
//   is made and closed when it is destroyed: no connection outlives its window, and the host's
//   connections and Xlib's process-wide settings (error handler, threads) are never touched.
//   Errors on the backend's connections are taken by a handler of that connection alone.
// - Drawing goes into the window's 24-bit framebuffer; what changed is put on the screen with
//   XPutImage (MIT-SHM when the server is local and offers it) when the device is released or
//   the paint ends. The image library is the rasterizer's (see raster.h).
// - X events are taken at the host's idle (dispatchWindowEvents) and in the paint pump
//   (dispatchOnePaintMessage, Expose only): Expose adds to the update region, button presses
//   post the Win32 button-down messages (the wheel as WM_MOUSEWHEEL), releases and motion
//   their messages, the window destroyed from outside WM_DESTROY. Inside a window procedure
//   called from there only Expose and destruction are taken, as Windows' own modal loops do.
// - asyncKeyDown and cursorPosition ask the server (XQueryPointer); tickCount reads
//   CLOCK_MONOTONIC. There is no drag and drop: registerDragDrop answers false.
// Everything here is [ui thread].
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace melp::platform::x11 {

// A top-level window at (x, y) of the screen, width x height, mapped and shown before this
// returns: a stand-in for a host's editor window, made and owned by the backend like its
// other windows (destroyWindow ends it). Null when no display can be opened.
Window createTopLevelWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) noexcept;

// The X window id of a backend window (0 when it is not one), or of an id-as-pointer.
unsigned long windowId(Window window) noexcept;

// The backend window with that X window id, or the id as a handle when it is not one of ours.
Window windowForId(unsigned long id) noexcept;

// Whether a window class of that name is registered.
bool classRegistered(const char* className) noexcept;

// Whether `window` is a live window of this backend.
bool windowExists(Window window) noexcept;

// Whether the window's presentation uses MIT-SHM.
bool presentsThroughSharedMemory(Window window) noexcept;

// Puts what the windows' devices have drawn so far on the screen, waits until the server has
// handled everything sent on every connection of the backend, then takes the Expose and
// destruction events that are waiting; input events stay queued, as messages do on Windows
// until a loop dispatches them. For tests that act on the server through connections of
// their own.
void synchronize() noexcept;

// synchronize, then every waiting event and paint message (as dispatchWindowEvents).
void dispatchAll() noexcept;

// Connections the backend holds open (one per live or destroyed-but-not-ended window).
std::int32_t openConnections() noexcept;

}  // namespace melp::platform::x11
