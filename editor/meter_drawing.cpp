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

}  // namespace melp::editor::detail
