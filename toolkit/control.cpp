#include "toolkit/control.h"

#include "toolkit/bitmap.h"
#include "toolkit/frame.h"

namespace melp::toolkit {

Control::Control(const Rect& bounds, ControlListener* listener, std::int32_t tag,
                 Bitmap* bitmap) noexcept
    : View(bounds), listener_(listener), tag_(tag), bitmap_(bitmap) {
    if (bitmap_) {
        bitmap_->retain();
    }
}

Control::~Control() {
    if (bitmap_) {
        bitmap_->release();
    }
}

bool Control::needsRedraw() const noexcept {
    return value_ != drawnValue_ || needsRedraw_;
}

void Control::setNeedsRedraw(bool needed) noexcept {
    needsRedraw_ = needed;
    if (!needed) {
        drawnValue_ = value_;
    } else {
        drawnValue_ = value_ == -1.0f ? 0.0f : -1.0f;
    }
}

void Control::idleWhileTracking() noexcept {
    if (ownerFrame_) {
        ownerFrame_->idleWhileTracking();
    }
}

void Control::setValue(float value) noexcept {
    value_ = value;
}

float Control::value() const noexcept {
    return value_;
}

void Control::setMinimum(float minimum) noexcept {
    minimum_ = minimum;
}

float Control::minimum() const noexcept {
    return minimum_;
}

void Control::setMaximum(float maximum) noexcept {
    maximum_ = maximum;
}

float Control::maximum() const noexcept {
    return maximum_;
}

void Control::setDrawnValue(float drawnValue) noexcept {
    drawnValue_ = drawnValue;
}

float Control::drawnValue() const noexcept {
    return drawnValue_;
}

void Control::setDefaultValue(float defaultValue) noexcept {
    defaultValue_ = defaultValue;
}

float Control::defaultValue() const noexcept {
    return defaultValue_;
}

void Control::setTag(std::int32_t tag) noexcept {
    tag_ = tag;
}

void Control::setBitmap(Bitmap* bitmap) noexcept {
    // Retain first: giving a control the bitmap it already holds must not destroy it.
    if (bitmap) {
        bitmap->retain();
    }
    if (bitmap_) {
        bitmap_->release();
    }
    bitmap_ = bitmap;
}

Bitmap* Control::bitmap() const noexcept {
    return bitmap_;
}

void Control::setBitmapOffset(Point offset) noexcept {
    bitmapOffset_ = offset;
}

void Control::alignBitmapOffsetToBounds() noexcept {
    bitmapOffset_ = Point{bounds_.left, bounds_.top};
}

void Control::setWheelStep(float step) noexcept {
    wheelStep_ = step;
}

float Control::wheelStep() const noexcept {
    return wheelStep_;
}

void Control::clampValue() noexcept {
    if (value_ > maximum_) {
        value_ = maximum_;
    } else if (value_ < minimum_) {
        value_ = minimum_;
    }
}

void Control::drawBitmap(DrawContext* context, Point source) noexcept {
    if (!bitmap_) {
        return;
    }
    if (transparent_) {
        bitmap_->drawTransparent(context, bounds_, source);
    } else {
        bitmap_->draw(context, bounds_, source);
    }
}

}  // namespace melp::toolkit
