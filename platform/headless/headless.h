// The headless backend's instrument panel: what tests and tools use to set the scene (host
// windows, the clock, scripted input, capability switches) and to read back what the code
// under test did (pixels, text draws, counters, drop registrations).
//
// The backend itself implements platform/platform.h with simulated windows over the shared
// software rasterizer (platform/raster/raster.h: surfaces, drawing rules, text, bitmaps, and
// the switches, counters and text log re-exported below). Its window rules:
// - Windows own a colour framebuffer, initially black.
// - A new child window is wholly invalid, so it has a paint message pending. beginPaint fills
//   the update rectangle with the button-face colour (0x00F0F0F0, the class brush), clips the
//   paint device to it and validates the window. The update region is kept as one rectangle.
// Everything here is [ui thread] except the clock, which is safe from any thread.
#pragma once

#include "platform/platform.h"
#include "platform/raster/raster.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace melp::platform::headless {

// --- windows and pixels --------------------------------------------------------------------

// A top-level window standing in for the host's editor window, at (x, y) on the screen,
// width x height pixels. It has no window procedure: its messages get default processing.
// Owned by the backend until destroyWindowFromOutside. Not counted in liveObjects().
Window createHostWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height) noexcept;

// Destroys a window as its owner would (the host closing its window first): WM_DESTROY goes
// to the window and then to each descendant, and all of them stop existing.
void destroyWindowFromOutside(Window window) noexcept;

// Whether `window` is a live window of this backend.
bool windowExists(Window window) noexcept;

// The window's parent and its children in creation order (later ones lie on top).
Window parentOf(Window window) noexcept;
std::vector<Window> childrenOf(Window window);

// One pixel of a window's own framebuffer, client coordinates. 0 outside it.
ColorRef pixel(Window window, std::int32_t x, std::int32_t y) noexcept;
// Read and write access to a window's framebuffer: row-major, width * height ColorRefs.
// Null pixels for a window that does not exist. Valid until the window is destroyed.
struct Framebuffer {
    std::int32_t width = 0;
    std::int32_t height = 0;
    ColorRef* pixels = nullptr;
};
Framebuffer framebuffer(Window window) noexcept;
// Fills the whole framebuffer with one colour, to give a test a known background.
void clearWindow(Window window, ColorRef color) noexcept;

// Writes the window as an 8-bit RGB PNG, with its live descendants drawn over it at their
// positions. False when the window does not exist or the file cannot be written.
bool writePng(Window window, const std::string& path) noexcept;

// --- messages ------------------------------------------------------------------------------

// Adds a rectangle (client coordinates, clipped to the window) to the update region, so a
// paint message becomes pending. An empty rectangle changes nothing.
void invalidate(Window window, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom) noexcept;
void invalidateAll(Window window) noexcept;
// The update rectangle; false when the window has none.
bool updateRect(Window window, std::int32_t* left, std::int32_t* top, std::int32_t* right,
                std::int32_t* bottom) noexcept;

// One step of a message loop until nothing is left: every posted message in order, then the
// paint messages of all invalid windows. Returns the number dispatched; stops after 10000 so
// a procedure that never validates cannot hang a test.
std::int32_t dispatchPendingMessages() noexcept;
// Number of posted (non-paint) messages waiting.
std::int32_t pendingPostedMessages() noexcept;

// --- clock ---------------------------------------------------------------------------------

// The millisecond clock that tickCount answers and sleepMilliseconds advances. It starts
// at 0 and wraps at 2^32. A poll of asyncKeyDown or tickCount repeated 100000 times without
// the clock moving advances it by 1 ms, so a loop that never sleeps still ends. [any thread]
void setTime(std::uint32_t milliseconds) noexcept;
std::uint32_t now() noexcept;
void advanceTime(std::uint32_t milliseconds) noexcept;

// --- scripted input ------------------------------------------------------------------------

// The input timeline. Events take effect when the clock reaches their time; a press of a
// mouse button posts its button-down message to the top-most window under the cursor
// (lParam = client x | y << 16; with swapped buttons the physical left button posts the
// right-button message and the other way round). Keys are virtual-key codes (keyLeftButton,
// keyShift ...); asyncKeyDown reports the physical state. Once the clock has reached the end
// of the script (its last event, or endScriptAt if later) every key reads as released; the
// cursor stays where the script left it.
void clearInputScript() noexcept;
void scheduleKeyDown(std::uint32_t timeMs, std::int32_t virtualKey) noexcept;
void scheduleKeyUp(std::uint32_t timeMs, std::int32_t virtualKey) noexcept;
void scheduleCursorMove(std::uint32_t timeMs, std::int32_t screenX, std::int32_t screenY) noexcept;
void endScriptAt(std::uint32_t timeMs) noexcept;
// Convenience: move to (screenX, screenY) and press `virtualKey` at timeMs, release it
// durationMs later.
void scheduleClick(std::uint32_t timeMs, std::int32_t screenX, std::int32_t screenY,
                   std::uint32_t durationMs, std::int32_t virtualKey = keyLeftButton) noexcept;
// Places the cursor at once, outside any script.
void setCursorPosition(std::int32_t screenX, std::int32_t screenY) noexcept;

// Back to the starting state for a new test: switches, clock, input script, cursor, posted
// messages, text log and counters. Windows, classes, objects, drop registrations and the
// OLE balance stay, so leaks remain visible.
void reset() noexcept;

// --- object linking and drag and drop ------------------------------------------------------

// The target registered for a window, or null.
void* dropTarget(Window window) noexcept;
// Windows (live or destroyed) that still have a target registered.
std::int32_t dropRegistrationCount() noexcept;
// OleInitialize calls minus OleUninitialize calls.
std::int32_t oleBalance() noexcept;

// --- drawing, shared with the X11 backend ---------------------------------------------------

using raster::bitmapPixel;
using raster::clearTextLog;
using raster::counters;
using raster::Counters;
using raster::decodeBmp;
using raster::EmbeddedResource;
using raster::measureText;
using raster::Picture;
using raster::switches;
using raster::Switches;
using raster::TextDraw;
using raster::textLog;
using raster::useResources;

}  // namespace melp::platform::headless
