// A read-only text display of its value: the text comes from a converter (the one with
// data first) or "%2.2f", drawn over a bitmap, a filled box or nothing, with an optional
// bevel and shadow. Slots 51-62 follow Control's. [ui thread]
#pragma once

#include <cstdint>

#include "toolkit/color.h"
#include "toolkit/control.h"

namespace melp::toolkit {

// Write zero-terminated display text into text (256 bytes, first byte already 0).
using ValueToText = void (*)(float value, char* text);
using ValueToTextWithData = void (*)(float value, char* text, void* data);
// Reads text back into a value; stored only.
using TextToValue = void (*)(const char* text, float& value, void* data);

class ParamDisplay : public Control {
public:
    // Style bits; all others are ignored.
    static constexpr std::int32_t ShadowText = 0x4;
    static constexpr std::int32_t BevelBackgroundTopLeft = 0x80;
    static constexpr std::int32_t BevelBorderTopLeft = 0x100;
    static constexpr std::int32_t NoText = 0x800;
    static constexpr std::int32_t NoDraw = 0x1000;

    // No listener, tag 0. With NoDraw the display starts out marked as drawn.
    ParamDisplay(const Rect& bounds, Bitmap* bitmap, std::int32_t style) noexcept;

    void draw(DrawContext* context) noexcept override;

    virtual void setFontId(std::int32_t id) noexcept;                                  // 51
    // The colour setters mark for redraw only when red, green or blue differ, and store
    // all four bytes.
    virtual void setTextColor(Color color) noexcept;                                   // 52
    virtual void setBackgroundColor(Color color) noexcept;                             // 53
    virtual void setBorderColor(Color color) noexcept;                                 // 54
    virtual void setShadowColor(Color color) noexcept;                                 // 55
    virtual void setAlignment(std::int32_t alignment) noexcept;                        // 56
    virtual void setConverterWithData(ValueToTextWithData converter, void* data) noexcept; // 57
    virtual void setConverter(ValueToText converter) noexcept;                         // 58
    virtual void setTextToValue(TextToValue callback) noexcept;                        // 59
    virtual void setDisplayStyle(std::int32_t style) noexcept;                         // 60
    virtual void setFontStyle(std::int32_t style) noexcept;                            // 61
    virtual void setTextTransparent(bool transparent) noexcept;                        // 62

    // Draws the display with the given text over bitmap (or the control's own bitmap when
    // null); text may be null.
    void drawLabel(DrawContext* context, const char* text, Bitmap* bitmap) noexcept;

    std::int32_t fontId() const noexcept { return fontId_; }
    std::int32_t fontStyle() const noexcept { return fontStyle_; }
    std::int32_t displayStyle() const noexcept { return style_; }
    std::int32_t alignment() const noexcept { return alignment_; }
    Color textColor() const noexcept { return textColor_; }
    Color backgroundColor() const noexcept { return backgroundColor_; }
    Color borderColor() const noexcept { return borderColor_; }
    Color shadowColor() const noexcept { return shadowColor_; }
    bool textTransparent() const noexcept { return textTransparent_; }
    TextToValue textToValue() const noexcept { return textToValue_; }

private:
    ValueToText converter_ = nullptr;
    ValueToTextWithData converterWithData_ = nullptr;
    TextToValue textToValue_ = nullptr;
    void* userData_ = nullptr;
    std::int32_t alignment_ = 1;
    std::int32_t style_;
    std::int32_t fontId_ = 3;
    std::int32_t fontStyle_ = 0;
    Color textColor_ = colorWhite;
    Color backgroundColor_ = colorBlack;
    Color borderColor_ = colorBlack;
    Color shadowColor_ = colorRed;
    bool textTransparent_ = true;
};

}  // namespace melp::toolkit
