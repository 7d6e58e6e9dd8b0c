// The drawing surface of one pass over the frame window: the frame makes one per paint,
// idle redraw, click, wheel turn or immediate redraw, hands it to the views and destroys it
// at the end of the pass. It turns its colours and font into platform objects selected into
// the device, and puts the device's own objects back when it is destroyed. [ui thread]
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "toolkit/color.h"
#include "toolkit/geometry.h"
#include "toolkit/mouse_buttons.h"

namespace melp::toolkit {

class Frame;

// Font ids index this table; an id outside 0..7 is taken as 0.
constexpr std::int32_t fontCount = 8;
struct FontTableEntry {
    const char* faceName;
    std::int32_t defaultHeight;  // pixels
};
extern const FontTableEntry fontTable[fontCount];

// Font style bits of setFont; other bits are ignored.
enum FontStyle : std::int32_t { fontBold = 1, fontItalic = 2, fontUnderline = 4 };

// Text alignment of drawText: any other value aligns left.
enum TextAlignment : std::int32_t { alignLeft = 0, alignCenter = 1, alignRight = 2 };

// Whether the system had swapped mouse buttons when the frame window class was registered;
// set by the frame, read by mouseButtons. [ui thread]
bool swappedMouseButtons() noexcept;
void setSwappedMouseButtons(bool swapped) noexcept;

class DrawContext {
public:
    // Any argument may be null; the device and the window stay owned by the caller, who
    // releases the device after destroying the context.
    DrawContext(Frame* frame, platform::Device device, platform::Window window) noexcept;
    virtual ~DrawContext();
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    // A solid one-pixel pen of the colour.
    void setLineColor(Color color) noexcept;
    // The solid brush and the background of opaque text. If the brush cannot be made the
    // previous one stays selected (the colour is stored all the same).
    void setFillColor(Color color) noexcept;
    void setFontColor(Color color) noexcept;
    // id outside 0..7 becomes 0; size 0 (pixels) becomes the table's height; style bits
    // FontStyle. Font 0 is always bold.
    void setFont(std::int32_t id, std::int32_t size, std::int32_t style) noexcept;

    void moveTo(Point point) noexcept;
    // Covers the current position, stops one pixel short of point.
    void lineTo(Point point) noexcept;
    // Every pixel of the four edges, corners and the right and bottom edge included.
    void outlineRect(const Rect& rect) noexcept;
    // left + 1 <= x < right, top + 1 <= y < bottom: exactly inside outlineRect's outline.
    void fillRect(const Rect& rect) noexcept;
    // One line, vertically centred, clipped to rect; alignment TextAlignment (left also
    // moves the left edge one pixel in). Opaque non-zero backs the glyphs with the fill
    // colour. A null text draws nothing.
    void drawText(const char* text, const Rect& rect, std::int16_t opaque,
                  std::int32_t alignment) noexcept;

    // Read at the moment of the call from the asynchronous key state.
    MouseButtons mouseButtons() const noexcept;
    // The cursor relative to windowOrigin (screen coordinates without a window).
    void mouseLocation(Point& point) const noexcept;

    Point windowOrigin() const noexcept { return windowOrigin_; }
    platform::Device device() const noexcept { return device_; }
    platform::Window window() const noexcept { return window_; }
    Frame* frame() const noexcept { return frame_; }
    std::int32_t fontSize() const noexcept { return fontSize_; }
    std::int32_t fontId() const noexcept { return fontId_; }
    Color fontColor() const noexcept { return fontColor_; }
    Color lineColor() const noexcept { return lineColor_; }
    Color fillColor() const noexcept { return fillColor_; }

private:
    void replacePen() noexcept;

    Point windowOrigin_;
    platform::Device device_ = nullptr;
    platform::Window window_ = nullptr;
    Frame* frame_ = nullptr;
    std::int32_t fontSize_ = 0;
    std::int32_t fontId_ = 0;
    Color fontColor_;
    Color lineColor_;
    Color fillColor_;
    platform::Object brush_ = nullptr;
    platform::Object pen_ = nullptr;
    platform::Object font_ = nullptr;
    platform::Object savedBrush_ = nullptr;
    platform::Object savedPen_ = nullptr;
    platform::Object savedFont_ = nullptr;
};

}  // namespace melp::toolkit
