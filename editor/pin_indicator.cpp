#include "editor/pin_indicator.h"

#include "editor/meter_drawing.h"
#include "toolkit/bitmap.h"

namespace melp::editor {

using detail::releasePicture;
using detail::retainPicture;

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
    detail::drawPointerOnTrack(context, pointer_, track_, bounds_, value_, pointerRect_, trackRect_,
                               detail::PointerShape{false, 9, 10});
}

}  // namespace melp::editor
