#include "editor/tick_indicator.h"

#include "editor/meter_drawing.h"
#include "toolkit/bitmap.h"

namespace melp::editor {

using detail::releasePicture;
using detail::retainPicture;

TickIndicator::TickIndicator(const toolkit::Rect& bounds, toolkit::Bitmap* pointer,
                             toolkit::Bitmap* track) noexcept
    : Control(bounds, nullptr, 0, nullptr), pointer_(pointer), track_(track),
      pointerRect_(detail::normalised(bounds)), trackRect_(pointerRect_) {
    retainPicture(pointer_);
    retainPicture(track_);
}

TickIndicator::~TickIndicator() {
    releasePicture(pointer_);
    releasePicture(track_);
}

void TickIndicator::draw(toolkit::DrawContext* context) noexcept {
    detail::drawPointerOnTrack(context, pointer_, track_, bounds_, value_, pointerRect_, trackRect_,
                               detail::PointerShape{true, 2, 2});
}

}  // namespace melp::editor
