#include "editor/level_bar.h"

#include "editor/meter_drawing.h"
#include "toolkit/bitmap.h"

namespace melp::editor {

using detail::clampPosition;
using detail::copyPicture;
using detail::scaledPixels;

LevelBar::LevelBar(const toolkit::Rect& bounds, toolkit::Bitmap* lit, toolkit::Bitmap* unlit,
                   std::int32_t orientation) noexcept
    : Control(bounds, nullptr, 0, nullptr), lit_(lit), unlit_(unlit),
      orientation_(orientation) {
    detail::retainPicture(lit_);
    detail::retainPicture(unlit_);
    unlitRect_ = detail::normalised(bounds);
    litRect_ = unlitRect_;
    firstMarkRect_ = unlitRect_;
    secondMarkRect_ = unlitRect_;
}

LevelBar::~LevelBar() {
    detail::releasePicture(lit_);
    detail::releasePicture(unlit_);
}

void LevelBar::draw(toolkit::DrawContext* context) noexcept {
    if (!lit_) {
        return;
    }
    barLevel = clampPosition(barLevel);
    firstMark = clampPosition(firstMark);
    secondMark = clampPosition(secondMark);

    if (orientation_ & horizontal) {
        const std::int32_t left = bounds_.left;
        const double w = lit_->width();
        const std::int32_t x0 = left + scaledPixels(static_cast<double>(barLevel), w, true);
        std::int32_t x1 = left + scaledPixels(static_cast<double>(firstMark), w, true);
        std::int32_t x2 = left + scaledPixels(static_cast<double>(secondMark), w, true);
        // A marker ends at its position and is 2 px wide: keep it on the window.
        if (x1 < 2) {
            x1 = 2;
        }
        if (x2 < 2) {
            x2 = 2;
        }
        litRect_.right = x0;
        unlitRect_.left = x0;
        firstMarkRect_.left = x1 - 2;
        firstMarkRect_.right = x1;
        secondMarkRect_.left = x2 - 2;
        secondMarkRect_.right = x2;
    } else {
        const std::int32_t top = bounds_.top;
        const double h = lit_->height();
        const std::int32_t y0 = top + scaledPixels(h, 1.0 - static_cast<double>(barLevel), true);
        const std::int32_t y1 = top + scaledPixels(h, 1.0 - static_cast<double>(firstMark), true);
        const std::int32_t y2 = top + scaledPixels(h, 1.0 - static_cast<double>(secondMark), true);
        unlitRect_.bottom = y0;
        litRect_.top = y0;
        firstMarkRect_.top = y1 - 1;
        firstMarkRect_.bottom = y1;
        secondMarkRect_.top = y2 - 1;
        secondMarkRect_.bottom = y2;
    }

    copyPicture(unlit_, context, unlitRect_);
    copyPicture(lit_, context, litRect_);
    copyPicture(lit_, context, firstMarkRect_);
    copyPicture(lit_, context, secondMarkRect_);
}

}  // namespace melp::editor
