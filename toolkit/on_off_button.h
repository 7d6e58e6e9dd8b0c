// A two-state switch: the upper half of its bitmap is the off image, the lower half the on
// image. A left click flips the value and tells the listener; it does not wait for the
// release. [ui thread]
#pragma once

#include "toolkit/control.h"

namespace melp::toolkit {

class OnOffButton : public Control {
public:
    OnOffButton(const Rect& bounds, ControlListener* listener, std::int32_t tag,
                Bitmap* bitmap) noexcept;

    void draw(DrawContext* context) noexcept override;
    void mouseDown(DrawContext* context, Point where) noexcept override;
};

}  // namespace melp::toolkit
