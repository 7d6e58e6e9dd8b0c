#include "toolkit/draw_context.h"

#include <cstring>

namespace melp::toolkit {

const FontTableEntry fontTable[fontCount] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

namespace {
bool swappedButtons = false;

constexpr std::uint8_t pitchVariableSansSerif = 0x22;  // VARIABLE_PITCH | FF_SWISS
constexpr std::uint8_t pitchDefaultDecorative = 0x50;  // DEFAULT_PITCH | FF_DECORATIVE
constexpr std::uint8_t outPrecisionString = 1;
constexpr std::uint8_t clipPrecisionStroke = 2;
constexpr std::int32_t symbolFontId = 7;
}  // namespace

bool swappedMouseButtons() noexcept {
    return swappedButtons;
}

void setSwappedMouseButtons(bool swapped) noexcept {
    swappedButtons = swapped;
}

DrawContext::DrawContext(Frame* frame, platform::Device device, platform::Window window) noexcept
    : device_(device), window_(window), frame_(frame), fontColor_(colorWhite),
      lineColor_(colorWhite), fillColor_(colorBlack) {
    if (device_) {
        savedBrush_ = platform::currentObject(device_, platform::ObjectKind::brush);
        savedPen_ = platform::currentObject(device_, platform::ObjectKind::pen);
        savedFont_ = platform::currentObject(device_, platform::ObjectKind::font);
        platform::setBackgroundMode(device_, platform::backgroundTransparent);
    }
    if (window_) {
        std::int32_t left = 0, top = 0, right = 0, bottom = 0;
        if (platform::windowRect(window_, &left, &top, &right, &bottom)) {
            windowOrigin_ = Point{left, top};
        }
    }
    if (device_) {
        setLineColor(lineColor_);
        replacePen();
        setFillColor(fillColor_);
        setFontColor(fontColor_);
    }
}

DrawContext::~DrawContext() {
    if (savedBrush_) {
        platform::selectObject(device_, savedBrush_);
    }
    if (savedPen_) {
        platform::selectObject(device_, savedPen_);
    }
    if (savedFont_) {
        platform::selectObject(device_, savedFont_);
    }
    if (brush_) {
        platform::deleteObject(brush_);
    }
    if (pen_) {
        platform::deleteObject(pen_);
    }
    if (font_) {
        platform::deleteObject(font_);
    }
}

void DrawContext::setLineColor(Color color) noexcept {
    lineColor_ = color;
    replacePen();
}

// A pen that cannot be made leaves the previous one selected and kept: deleting it while
// it is still selected would fail and lose it.
void DrawContext::replacePen() noexcept {
    platform::Object pen = platform::createSolidPen(toColorRef(lineColor_));
    if (!pen) {
        return;
    }
    platform::selectObject(device_, pen);
    if (pen_) {
        platform::deleteObject(pen_);
    }
    pen_ = pen;
}

void DrawContext::setFillColor(Color color) noexcept {
    fillColor_ = color;
    platform::setBackgroundColor(device_, toColorRef(color));
    platform::Object brush = platform::createSolidBrush(toColorRef(color));
    if (!brush) {
        return;
    }
    platform::selectObject(device_, brush);
    if (brush_) {
        platform::deleteObject(brush_);
    }
    brush_ = brush;
}

void DrawContext::setFontColor(Color color) noexcept {
    fontColor_ = color;
    platform::setTextColor(device_, toColorRef(color));
}

void DrawContext::setFont(std::int32_t id, std::int32_t size, std::int32_t style) noexcept {
    if (id < 0 || id >= fontCount) {
        id = 0;
    }
    fontId_ = id;
    if (size == 0) {
        size = fontTable[id].defaultHeight;
    }
    fontSize_ = size;

    platform::FontDescription description;
    description.height = -fontSize_;
    description.weight = (style & fontBold) || id == 0 ? 700 : 400;
    description.italic = (style & fontItalic) ? 1 : 0;
    description.underline = (style & fontUnderline) ? 1 : 0;
    description.charSet = 0;
    description.outPrecision = outPrecisionString;
    description.clipPrecision = clipPrecisionStroke;
    description.quality = 0;
    description.pitchAndFamily = id == symbolFontId ? pitchDefaultDecorative
                                                     : pitchVariableSansSerif;
    std::strncpy(description.faceName, fontTable[id].faceName,
                 sizeof description.faceName - 1);

    platform::Object font = platform::createFont(description);
    if (!font) {
        return;  // as with the pen: the previous font stays selected and kept
    }
    platform::selectObject(device_, font);
    if (font_) {
        platform::deleteObject(font_);
    }
    font_ = font;
}

void DrawContext::moveTo(Point point) noexcept {
    platform::moveTo(device_, point.x, point.y);
}

void DrawContext::lineTo(Point point) noexcept {
    platform::lineTo(device_, point.x, point.y);
}

void DrawContext::outlineRect(const Rect& rect) noexcept {
    moveTo(Point{rect.left, rect.top});
    lineTo(Point{rect.right, rect.top});
    lineTo(Point{rect.right, rect.bottom});
    lineTo(Point{rect.left, rect.bottom});
    lineTo(Point{rect.left, rect.top});
}

void DrawContext::fillRect(const Rect& rect) noexcept {
    // Nothing lies strictly inside a rectangle without width or height; the platform's fill
    // would turn the reversed edges round and paint a column or row.
    if (rect.left + 1 >= rect.right || rect.top + 1 >= rect.bottom) {
        return;
    }
    platform::fillRect(device_, rect.left + 1, rect.top + 1, rect.right, rect.bottom, brush_);
}

void DrawContext::drawText(const char* text, const Rect& rect, std::int16_t opaque,
                           std::int32_t alignment) noexcept {
    if (!text) {
        return;
    }
    platform::setBackgroundMode(device_, opaque != 0 ? platform::backgroundOpaque
                                                     : platform::backgroundTransparent);
    std::uint32_t format = platform::textSingleLine | platform::textVerticalCenter |
                           platform::textNoPrefix;
    Rect target = rect;
    if (alignment == alignCenter) {
        format |= platform::textCenter;
    } else if (alignment == alignRight) {
        format |= platform::textRight;
    } else {
        format |= platform::textLeft;
        target.left += 1;
    }
    platform::drawText(device_, text, -1, target.left, target.top, target.right, target.bottom,
                       format);
    platform::setBackgroundMode(device_, platform::backgroundTransparent);
}

MouseButtons DrawContext::mouseButtons() const noexcept {
    bool left = platform::asyncKeyDown(platform::keyLeftButton);
    bool right = platform::asyncKeyDown(platform::keyRightButton);
    if (swappedButtons) {
        const bool physicalLeft = left;
        left = right;
        right = physicalLeft;
    }
    MouseButtons buttons = 0;
    if (left) {
        buttons |= mouseLeft;
    }
    if (platform::asyncKeyDown(platform::keyMiddleButton)) {
        buttons |= mouseMiddle;
    }
    if (right) {
        buttons |= mouseRight;
    }
    if (platform::asyncKeyDown(platform::keyShift)) {
        buttons |= mouseShift;
    }
    if (platform::asyncKeyDown(platform::keyControl)) {
        buttons |= mouseControl;
    }
    if (platform::asyncKeyDown(platform::keyAlt)) {
        buttons |= mouseAlt;
    }
    return buttons;
}

void DrawContext::mouseLocation(Point& point) const noexcept {
    std::int32_t x = 0, y = 0;
    platform::cursorPosition(&x, &y);
    point = Point{x - windowOrigin_.x, y - windowOrigin_.y};
}

}  // namespace melp::toolkit
