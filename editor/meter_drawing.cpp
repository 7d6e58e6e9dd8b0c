#include "editor/meter_drawing.h"

namespace melp::editor::detail {

toolkit::Rect normalised(const toolkit::Rect& rect) noexcept {
    toolkit::Rect result = rect;
    if (result.left > result.right) {
        result.left = rect.right;
        result.right = rect.left;
    }
    if (result.top > result.bottom) {
        result.top = rect.bottom;
        result.bottom = rect.top;
    }
    return result;
}

void copyPicture(toolkit::Bitmap* picture, toolkit::DrawContext* context,
                 const toolkit::Rect& rect) noexcept {
    if (!picture || rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    picture->draw(context, rect, toolkit::Point{0, 0});
}

void drawPointerOnTrack(toolkit::DrawContext* context, toolkit::Bitmap* pointer,
                        toolkit::Bitmap* track, const toolkit::Rect& bounds, float& value,
                        toolkit::Rect& pointerRect, toolkit::Rect& trackRect,
                        const PointerShape& shape) noexcept {
    if (!pointer) {
        return;
    }
    trackRect.left = bounds.left;
    trackRect.right = bounds.right;
    value = clampPosition(value);
    const std::int32_t x =
        bounds.left + scaledPixels(pointer->width(), static_cast<double>(value), shape.rounded);
    pointerRect.left = x;
    pointerRect.right = x + shape.width;

    copyPicture(track, context, trackRect);
    trackRect.left = bounds.left + shape.trackShift;
    trackRect.right = bounds.right + shape.trackShift;
    copyPicture(track, context, trackRect);
    copyPicture(pointer, context, pointerRect);
}

}  // namespace melp::editor::detail
