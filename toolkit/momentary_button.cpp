#include "toolkit/momentary_button.h"

#include "toolkit/control_listener.h"
#include "toolkit/draw_context.h"
#include "toolkit/frame.h"

namespace melp::toolkit {

MomentaryButton::MomentaryButton(const Rect& bounds, ControlListener* listener,
                                 std::int32_t tag, std::int32_t pressedOffset, Bitmap* bitmap,
                                 Point sourceOffset) noexcept
    : Control(bounds, listener, tag, bitmap), sourceOffset_(sourceOffset),
      pressedOffset_(pressedOffset) {}

void MomentaryButton::draw(DrawContext* context) noexcept {
    clampValue();
    Point source = sourceOffset_;
    if (value_ != 0.0f) {
        source.y += pressedOffset_;
    }
    drawBitmap(context, source);
    setNeedsRedraw(false);
}

void MomentaryButton::mouseDown(DrawContext* context, Point where) noexcept {
    if (!isMouseEnabled() || !context || (context->mouseButtons() & mouseLeft) == 0) {
        return;
    }
    const float pressValue = value_;
    const float heldValue = pressValue == 0.0f ? 1.0f : 0.0f;
    if (context->mouseButtons() == mouseLeft) {
        Frame* frame = ownerFrame_;
        if (frame) {
            frame->beginParameterEdit(tag_);
        }
        Point point = where;
        do {
            const bool inside = bounds_.left <= point.x && point.x <= bounds_.right &&
                                bounds_.top <= point.y && point.y <= bounds_.bottom;
            value_ = inside ? heldValue : pressValue;
            // Reported until an idle pass has drawn the new state, and on every crossing
            // of the edge.
            if (needsRedraw() && listener_) {
                listener_->controlChanged(context, this);
            }
            context->mouseLocation(point);
            idleWhileTracking();
            // The host may close the editor from the idle: then the press is over.
        } while (!(frame && frame->closing()) && context->mouseButtons() == mouseLeft);
        if (frame) {
            frame->endParameterEdit(tag_);
        }
    } else {
        // A press with a modifier or a second button: one flip without tracking.
        value_ = value_ == 0.0f ? 1.0f : 0.0f;
        if (listener_) {
            listener_->controlChanged(context, this);
        }
    }
    value_ = 0.0f;
    if (listener_) {
        listener_->controlChanged(context, this);
    }
}

}  // namespace melp::toolkit
