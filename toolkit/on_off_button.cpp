#include "toolkit/on_off_button.h"

#include <cmath>

#include "toolkit/bitmap.h"
#include "toolkit/control_listener.h"
#include "toolkit/draw_context.h"

namespace melp::toolkit {

OnOffButton::OnOffButton(const Rect& bounds, ControlListener* listener, std::int32_t tag,
                         Bitmap* bitmap) noexcept
    : Control(bounds, listener, tag, bitmap) {}

void OnOffButton::draw(DrawContext* context) noexcept {
    Point source{0, 0};
    if (value_ != 0.0f && bitmap_) {
        source.y = bitmap_->height() / 2;
    }
    drawBitmap(context, source);
    setNeedsRedraw(false);
}

void OnOffButton::mouseDown(DrawContext* context, Point) noexcept {
    if (!isMouseEnabled() || !context || (context->mouseButtons() & mouseLeft) == 0) {
        return;
    }
    // Only the integer part counts, so 1.0 and 2.0 switch off and anything in (-1, 1) on.
    value_ = std::trunc(value_) != 0.0f ? 0.0f : 1.0f;
    idleWhileTracking();
    if (listener_) {
        listener_->controlChanged(context, this);
    }
}

}  // namespace melp::toolkit
