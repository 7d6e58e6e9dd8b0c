// The software rasterizer that the headless and X11 backends share, and its instrument panel:
// GDI's pixel rules on 24-bit and monochrome surfaces, text drawn with FreeType from fonts
// embedded in the binary, bitmaps decoded from embedded BMP files.
//
// Its rules:
// - Surfaces are 24-bit (a ColorRef per pixel) or monochrome (0 or 1 per pixel). A window
//   device draws into its window's framebuffer; memory devices into their selected bitmap.
// - Lines follow Bresenham and leave out their end pixel; fills cover left <= x < right,
//   top <= y < bottom; every draw is clipped to the surface (and to the paint rectangle).
// - blit copies only what lies inside the source surface: destination pixels whose source
//   is outside it keep their colour. The transparent copy reads such pixels as black.
//   Non-positive sizes copy nothing and succeed. (Both as GDI does under Wine.)
// - deleteObject fails (and deletes nothing) for an object still selected into a device;
//   stock objects (a device's defaults) are never counted nor deleted.
// - A handle that is not live (deleted, destroyed or never made) makes the call fail; each
//   such use is counted in counters().invalidHandles.
// - The image library: loadLibrary("msimg32.dll") gives the rasterizer's own, whose
//   TransparentBlt follows the rules above; the version query reports the NT family.
// - Text: "Arial" and any unknown face are Liberation Sans, "Symbol" is DejaVu Sans; weight
//   600 and above picks the bold file, italic the italic one. A negative height is the em
//   size in pixels, a positive one the cell height (ascent + descent), 0 means 12 pixels.
//   Bytes are taken as Latin-1 characters. Lines are never broken. The font files are part
//   of the binary: nothing is read from the file system.
// Everything here is [ui thread].
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace melp::platform::raster {

// One pixel of a bitmap object: a colour bitmap's ColorRef, or 0 / 0x00FFFFFF for the bits
// of a monochrome one. 0 outside it or for a handle that is not a bitmap.
ColorRef bitmapPixel(Object bitmap, std::int32_t x, std::int32_t y) noexcept;
// One pixel of what a device draws into (a window's framebuffer or the selected bitmap),
// monochrome bits read as 0 / 0x00FFFFFF. 0xFFFFFFFF outside it or for a dead device.
ColorRef devicePixel(Device device, std::int32_t x, std::int32_t y) noexcept;

// --- capability switches -------------------------------------------------------------------

// Failures and capabilities a test can switch. The headless backend honours all of them;
// the X11 backend those of drawing objects, text and the image library (its windows are
// real).
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
// The drawText calls since the last clearTextLog. Kept only while text logging is on: the
// headless backend has it on from the start; the X11 backend, whose panel may draw text for
// hours in a host, only after setTextLogging(true).
const std::vector<TextDraw>& textLog() noexcept;
void clearTextLog() noexcept;
void setTextLogging(bool on) noexcept;

// Measures text as drawText would lay it out: advance width and line height in pixels.
bool measureText(const FontDescription& font, const std::string& text, std::int32_t* width,
                 std::int32_t* height) noexcept;

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

}  // namespace melp::platform::raster
