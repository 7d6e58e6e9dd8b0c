#include "toolkit/param_display.h"

#include <cstdio>

#include "toolkit/bitmap.h"
#include "toolkit/draw_context.h"

namespace melp::toolkit {

namespace {
constexpr std::int32_t anyBevel =
    ParamDisplay::BevelBackgroundTopLeft | ParamDisplay::BevelBorderTopLeft;
constexpr std::size_t textSize = 256;
}  // namespace

ParamDisplay::ParamDisplay(const Rect& bounds, Bitmap* bitmap, std::int32_t style) noexcept
    : Control(bounds, nullptr, 0, bitmap), style_(style) {
    if (style_ & NoDraw) {
        Control::setNeedsRedraw(false);
    }
}

void ParamDisplay::draw(DrawContext* context) noexcept {
    char text[textSize] = {};
    if (converterWithData_) {
        converterWithData_(value_, text, userData_);
    } else if (converter_) {
        converter_(value_, text);
    } else {
        std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value_));
    }
    // A converter that fills the whole buffer must not make the text run past it.
    text[textSize - 1] = '\0';
    drawLabel(context, text, nullptr);
}

void ParamDisplay::drawLabel(DrawContext* context, const char* text, Bitmap* bitmap) noexcept {
    setNeedsRedraw(false);
    if ((style_ & NoDraw) || !context) {
        return;
    }
    Bitmap* background = bitmap ? bitmap : bitmap_;
    if (background) {
        if (transparent_) {
            background->drawTransparent(context, bounds_, bitmapOffset_);
        } else {
            background->draw(context, bounds_, bitmapOffset_);
        }
    } else if (!transparent_) {
        context->setFillColor(backgroundColor_);
        context->fillRect(bounds_);
        if ((style_ & anyBevel) == 0) {
            context->setLineColor(borderColor_);
            context->outlineRect(bounds_);
        }
    }
    if (style_ & anyBevel) {
        const bool backgroundTopLeft = (style_ & BevelBackgroundTopLeft) != 0;
        context->setLineColor(backgroundTopLeft ? backgroundColor_ : borderColor_);
        context->moveTo(Point{bounds_.left, bounds_.bottom});
        context->lineTo(Point{bounds_.left, bounds_.top});
        context->lineTo(Point{bounds_.right + 1, bounds_.top});
        context->setLineColor(backgroundTopLeft ? borderColor_ : backgroundColor_);
        context->moveTo(Point{bounds_.right, bounds_.top + 1});
        context->lineTo(Point{bounds_.right, bounds_.bottom});
        context->lineTo(Point{bounds_.left, bounds_.bottom});
    }
    if ((style_ & NoText) || !text) {
        return;
    }
    context->setFont(fontId_, 0, fontStyle_);
    const std::int16_t opaque = textTransparent_ ? 0 : 1;
    if (style_ & ShadowText) {
        context->setFontColor(shadowColor_);
        const Rect shadow{bounds_.left + 1, bounds_.top + 1, bounds_.right + 1,
                          bounds_.bottom + 1};
        context->drawText(text, shadow, opaque, alignment_);
    }
    context->setFontColor(textColor_);
    context->drawText(text, bounds_, opaque, alignment_);
}

void ParamDisplay::setFontId(std::int32_t id) noexcept {
    if (id != fontId_) {
        setNeedsRedraw(true);
    }
    fontId_ = id;
}

void ParamDisplay::setTextColor(Color color) noexcept {
    if (!sameRgb(color, textColor_)) {
        setNeedsRedraw(true);
    }
    textColor_ = color;
}

void ParamDisplay::setBackgroundColor(Color color) noexcept {
    if (!sameRgb(color, backgroundColor_)) {
        setNeedsRedraw(true);
    }
    backgroundColor_ = color;
}

void ParamDisplay::setBorderColor(Color color) noexcept {
    if (!sameRgb(color, borderColor_)) {
        setNeedsRedraw(true);
    }
    borderColor_ = color;
}

void ParamDisplay::setShadowColor(Color color) noexcept {
    if (!sameRgb(color, shadowColor_)) {
        setNeedsRedraw(true);
    }
    shadowColor_ = color;
}

void ParamDisplay::setAlignment(std::int32_t alignment) noexcept {
    if (alignment != alignment_) {
        setNeedsRedraw(true);
    }
    alignment_ = alignment;
}

void ParamDisplay::setConverterWithData(ValueToTextWithData converter, void* data) noexcept {
    converterWithData_ = converter;
    userData_ = data;
}

void ParamDisplay::setConverter(ValueToText converter) noexcept {
    converter_ = converter;
}

void ParamDisplay::setTextToValue(TextToValue callback) noexcept {
    textToValue_ = callback;
}

void ParamDisplay::setDisplayStyle(std::int32_t style) noexcept {
    if (style != style_) {
        style_ = style;
        setNeedsRedraw(true);
    }
}

void ParamDisplay::setFontStyle(std::int32_t style) noexcept {
    if (style != fontStyle_) {
        setNeedsRedraw(true);
    }
    fontStyle_ = style;
}

void ParamDisplay::setTextTransparent(bool transparent) noexcept {
    textTransparent_ = transparent;
}

}  // namespace melp::toolkit
