#include "toolkit/view.h"

#include "toolkit/frame.h"

namespace melp::toolkit {

View::View(const Rect& bounds) noexcept : bounds_(bounds), mouseArea_(bounds) {}

View::~View() = default;

void View::draw(DrawContext*) noexcept {
    setNeedsRedraw(false);
}

void View::drawInRect(DrawContext* context, const Rect&) noexcept {
    draw(context);
}

bool View::overlapsRect(const Rect& rect) const noexcept {
    if (rect.right < bounds_.left) {
        return false;
    }
    if (rect.left > bounds_.right) {
        return false;
    }
    if (rect.bottom < bounds_.top) {
        return false;
    }
    return rect.top <= bounds_.bottom;
}

void View::mouseDown(DrawContext*, Point) noexcept {}

void View::redrawIfDirty(DrawContext* context) noexcept {
    if (needsRedraw()) {
        draw(context);
        setNeedsRedraw(false);
    }
}

std::int32_t View::handleMessage(void*, const char*) noexcept {
    return 0;
}

std::int32_t View::keyDown(const KeyCode&) noexcept {
    return -1;
}

std::int32_t View::keyUp(const KeyCode&) noexcept {
    return -1;
}

bool View::dropItems(const char* const*, std::int32_t, std::int32_t, Point) noexcept {
    return false;
}

bool View::wheel(DrawContext*, Point, float) noexcept {
    return false;
}

void View::focusLost(DrawContext*) noexcept {}

void View::focusGained(DrawContext*) noexcept {}

bool View::needsRedraw() const noexcept {
    return needsRedraw_;
}

void View::setNeedsRedraw(bool needed) noexcept {
    needsRedraw_ = needed;
}

void View::enableMouse(bool enabled) noexcept {
    mouseEnabled_ = enabled;
}

bool View::isMouseEnabled() const noexcept {
    return mouseEnabled_;
}

void View::setMouseArea(const Rect& area) noexcept {
    mouseArea_ = area;
}

Rect& View::getMouseArea(Rect& area) const noexcept {
    area = mouseArea_;
    return area;
}

bool View::containsPoint(Point point, MouseButtons) const noexcept {
    return bounds_.left <= point.x && point.x <= bounds_.right && bounds_.top <= point.y &&
           point.y <= bounds_.bottom;
}

void View::setTransparent(bool transparent) noexcept {
    transparent_ = transparent;
}

bool View::isTransparent() const noexcept {
    return transparent_;
}

void View::setBounds(const Rect& bounds) noexcept {
    bounds_ = bounds;
    setNeedsRedraw(true);
}

Rect& View::getBounds(Rect& bounds) const noexcept {
    bounds = bounds_;
    return bounds;
}

void View::setParent(View* parent) noexcept {
    parent_ = parent;
}

void View::setOwnerFrame(Frame* frame) noexcept {
    ownerFrame_ = frame;
}

FrameEditor* View::ownerEditor() const noexcept {
    return ownerFrame_ ? ownerFrame_->ownerEditor() : nullptr;
}

bool View::detachedFrom(View*) noexcept {
    return true;
}

bool View::attachedTo(View*) noexcept {
    return true;
}

void View::release() noexcept {
    if (referenceCount_ <= 0) {
        return;
    }
    if (--referenceCount_ == 0) {
        delete this;
    }
}

void View::retain() noexcept {
    ++referenceCount_;
}

std::int32_t View::referenceCount() const noexcept {
    return referenceCount_;
}

}  // namespace melp::toolkit
