#include "editor/pin_indicator.h"

#include "editor/meter_drawing.h"
#include "toolkit/bitmap.h"

namespace melp::editor {

using detail::clampPosition;
using detail::copyPicture;
using detail::releasePicture;
using detail::retainPicture;
using detail::scaledPixels;

PinIndicator::PinIndicator(const toolkit::Rect& bounds, toolkit::Bitmap* pointer,
                           toolkit::Bitmap* track) noexcept
    : Control(bounds, nullptr, 0, nullptr), pointer_(pointer), track_(track),
      pointerRect_(detail::normalised(bounds)), trackRect_(pointerRect_) {
    retainPicture(pointer_);
    retainPicture(track_);
}

PinIndicator::~PinIndicator() {
    releasePicture(pointer_);
    releasePicture(track_);
}

void PinIndicator::draw(toolkit::DrawContext* context) noexcept {
    if (!pointer_) {
        return;
    }
    const std::int32_t left = bounds_.left;
    const std::int32_t right = bounds_.right;
    trackRect_.left = left;
    trackRect_.right = right;
    value_ = clampPosition(value_);
    const std::int32_t x = left + scaledPixels(pointer_->width(), static_cast<double>(value_), false);
    pointerRect_.left = x;
    pointerRect_.right = x + 9;

    copyPicture(track_, context, trackRect_);
    trackRect_.left = left + 10;
    trackRect_.right = right + 10;
    copyPicture(track_, context, trackRect_);
    copyPicture(pointer_, context, pointerRect_);
}

}  // namespace melp::editor
