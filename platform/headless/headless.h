// The headless backend's instrument panel: what tests and tools use to set the scene (host
// windows, the clock, scripted input, capability switches) and to read back what the code
// under test did (pixels, text draws, counters, drop registrations).
//
// The backend itself implements platform/platform.h with software framebuffers. Its rules:
// - Surfaces are 24-bit (a ColorRef per pixel) or monochrome (0 or 1 per pixel). Windows own
//   a colour framebuffer, initially black; memory devices draw into their selected bitmap.
// - A new child window is wholly invalid and marked for erasing, so it has a paint message
//   pending. beginPaint fills the update rectangle with the button-face colour (0x00F0F0F0,
//   the class brush) only when the invalidation asked for erasing, clips the paint device
//   to it and validates the window. The update region is kept as one rectangle.
// - registerDragDrop takes a reference on the target (a COM object: its first three slots
//   are QueryInterface, AddRef and Release) and revokeDragDrop gives it back, as OLE does.
// - Lines follow Bresenham and leave out their end pixel; fills cover left <= x < right,
//   top <= y < bottom; every draw is clipped to the surface (and to the paint rectangle).
// - blit copies only what lies inside the source surface: destination pixels whose source
//   is outside it keep their colour. The transparent copy reads such pixels as black.
//   Non-positive sizes copy nothing and succeed. (Both as GDI does under Wine.)
// - deleteObject fails (and deletes nothing) for an object still selected into a device;
//   stock objects (a device's defaults) are never counted nor deleted.
// - A handle that is not live (deleted, destroyed or never made) makes the call fail; each
//   such use is counted in counters().invalidHandles.
// - Text: "Arial" and any unknown face are Liberation Sans, "Symbol" is DejaVu Sans; weight
//   600 and above picks the bold file, italic the italic one. A negative height is the em
//   size in pixels, a positive one the cell height (ascent + descent), 0 means 12 pixels.
//   Bytes are taken as Latin-1 characters. Lines are never broken.
// Everything here is [ui thread] except the clock, which is safe from any thread.
#pragma once

#include "platform/platform.h"

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
// One pixel of a bitmap object: a colour bitmap's ColorRef, or 0 / 0x00FFFFFF for the bits
// of a monochrome one. 0 outside it or for a handle that is not a bitmap.
ColorRef bitmapPixel(Object bitmap, std::int32_t x, std::int32_t y) noexcept;

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
// paint message becomes pending. An empty rectangle changes nothing. With erase, the next
// paint fills its whole rectangle with the class brush first (InvalidateRect's bErase);
// otherwise the window keeps its pixels until the procedure draws.
void invalidate(Window window, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom, bool erase) noexcept;
void invalidateAll(Window window, bool erase) noexcept;
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

// --- capability switches -------------------------------------------------------------------

struct Switches {
    bool imageLibraryPresent = true;     // loadLibrary("msimg32.dll") succeeds
    bool transparentCopyPresent = true;  // resolveTransparentCopy finds "TransparentBlt"
    bool versionQueryFails = false;      // operatingSystemPlatformId answers false
    std::int32_t platformId = 2;         // what the version query reports (2: NT family)
    std::int32_t swapButtonMetric = 0;   // swapButtonMetric()
    bool penCreationFails = false;
    bool brushCreationFails = false;
    bool fontCreationFails = false;
    bool bitmapCreationFails = false;  // createMonochromeBitmap
    bool deviceCreationFails = false;  // createCompatibleDevice and windowDevice
    bool windowCreationFails = false;
    bool classRegistrationFails = false;
    bool dragDropRegistrationFails = false;
    bool antialiasedText = true;  // false: glyphs are drawn with full coverage or not at all
};
Switches& switches() noexcept;

// Back to the starting state for a new test: switches, clock, input script, cursor, posted
// messages, text log and counters. Windows, classes, objects, drop registrations and the
// OLE balance stay, so leaks remain visible.
void reset() noexcept;

// --- what happened -------------------------------------------------------------------------

struct Counters {
    std::int32_t invalidHandles = 0;     // calls given a handle that is not live
    std::int32_t blits = 0;              // blit calls that copied
    std::int32_t transparentCopies = 0;  // calls of the resolved transparent copy
    std::int32_t oleInitializations = 0;
    std::int32_t oleUninitializations = 0;
    std::int32_t librariesLoaded = 0;  // loadLibrary successes minus freeLibrary calls
    std::int32_t paintsDispatched = 0;
};
const Counters& counters() noexcept;

// One drawText call. Coordinates are those of the device's surface.
struct TextDraw {
    std::string text;           // the bytes drawn
    FontDescription font;       // the selected font (the device's default font if none)
    ColorRef textColor = 0;
    ColorRef backgroundColor = 0;
    std::int32_t backgroundMode = 0;
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // the rectangle given
    std::uint32_t format = 0;
    // Where the text cell was laid out: its left edge, top, advance width and line height.
    std::int32_t textLeft = 0, textTop = 0, textWidth = 0, textHeight = 0;
    // The bounding box of the glyph pixels actually drawn (after clipping), exclusive right
    // and bottom; empty (all 0, hasInk false) when nothing was drawn.
    bool hasInk = false;
    std::int32_t inkLeft = 0, inkTop = 0, inkRight = 0, inkBottom = 0;
    Window window = nullptr;  // the window of a window device; null for memory devices
};
const std::vector<TextDraw>& textLog() noexcept;
void clearTextLog() noexcept;

// Measures text as drawText would lay it out: advance width and line height in pixels.
bool measureText(const FontDescription& font, const std::string& text, std::int32_t* width,
                 std::int32_t* height) noexcept;

// --- object linking and drag and drop ------------------------------------------------------

// The target registered for a window, or null.
void* dropTarget(Window window) noexcept;
// Windows (live or destroyed) that still have a target registered.
std::int32_t dropRegistrationCount() noexcept;
// OleInitialize calls minus OleUninitialize calls.
std::int32_t oleBalance() noexcept;

// --- resources -----------------------------------------------------------------------------

// A bitmap resource embedded into the binary: a BMP file's bytes under its numeric id.
struct EmbeddedResource {
    std::int32_t id;
    const unsigned char* data;
    std::size_t size;
};
// The table loadBitmap reads: null restores the table built from resources/.
void useResources(const EmbeddedResource* table, std::size_t count) noexcept;

// A 24-bit picture decoded from a BMP file image (bottom-up or top-down, BI_RGB).
struct Picture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<ColorRef> pixels;  // row-major from the top row
};
// False (and the picture untouched) for anything malformed or not 24 bits per pixel.
bool decodeBmp(const unsigned char* data, std::size_t size, Picture* picture);

}  // namespace melp::platform::headless
