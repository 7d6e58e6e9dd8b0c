// A read-only display showing one of frameCount images stacked vertically in its bitmap,
// chosen by rounding (frameCount - 1) x value; values above 1 are stored back as 1 by the
// draw. [ui thread]
#pragma once

#include <cstdint>

#include "toolkit/control.h"

namespace melp::toolkit {

class BitmapStripDisplay : public Control {
public:
    BitmapStripDisplay(const Rect& bounds, ControlListener* listener, std::int32_t tag,
                       std::int32_t frameCount, std::int32_t frameHeight, Bitmap* bitmap,
                       Point sourceOffset) noexcept;

    void draw(DrawContext* context) noexcept override;

    // The frame draw would show for the current value (0 .. frameCount - 1).
    std::int32_t frameIndex() const noexcept;

private:
    Point sourceOffset_;
    std::int32_t frameCount_;
    std::int32_t frameHeight_;  // pixels
};

}  // namespace melp::toolkit
