// A button that is on only while the left button holds it: it follows the mouse in a
// polling loop of its own, bracketed by the frame's begin/end parameter edit, and always
// ends at 0 with a last report to the listener. The pressed image lies pressedOffset pixels
// below sourceOffset in the bitmap. [ui thread]
#pragma once

#include <cstdint>

#include "toolkit/control.h"

namespace melp::toolkit {

class MomentaryButton : public Control {
public:
    MomentaryButton(const Rect& bounds, ControlListener* listener, std::int32_t tag,
                    std::int32_t pressedOffset, Bitmap* bitmap, Point sourceOffset) noexcept;

    void draw(DrawContext* context) noexcept override;
    // Returns only when the button is released.
    void mouseDown(DrawContext* context, Point where) noexcept override;

    Point sourceOffset() const noexcept { return sourceOffset_; }
    std::int32_t pressedOffset() const noexcept { return pressedOffset_; }

private:
    Point sourceOffset_;
    std::int32_t pressedOffset_;
};

}  // namespace melp::toolkit
