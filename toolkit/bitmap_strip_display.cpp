#include "toolkit/bitmap_strip_display.h"

namespace melp::toolkit {

BitmapStripDisplay::BitmapStripDisplay(const Rect& bounds, ControlListener* listener,
                                       std::int32_t tag, std::int32_t frameCount,
                                       std::int32_t frameHeight, Bitmap* bitmap,
                                       Point sourceOffset) noexcept
    : Control(bounds, listener, tag, bitmap), sourceOffset_(sourceOffset),
      frameCount_(frameCount), frameHeight_(frameHeight) {}

std::int32_t BitmapStripDisplay::frameIndex() const noexcept {
    const float value = value_ > 1.0f ? 1.0f : value_;
    if (!(value > 0.0f)) {
        return 0;
    }
    // In double, as the index is defined: in single precision 5 x 0.7f rounds up to 3.5.
    return static_cast<std::int32_t>(static_cast<double>(frameCount_ - 1) *
                                         static_cast<double>(value) +
                                     0.5);
}

void BitmapStripDisplay::draw(DrawContext* context) noexcept {
    if (value_ > 1.0f) {
        value_ = 1.0f;
    }
    Point source = sourceOffset_;
    source.y += frameIndex() * frameHeight_;
    drawBitmap(context, source);
    setNeedsRedraw(false);
}

}  // namespace melp::toolkit
