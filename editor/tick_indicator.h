// TickIndicator: a 2 px pointer picture on a track picture at the control value (0..1,
// clamped in place when drawn): x = left + floor(w * value + 0.5), w the pointer picture's
// width. Drawn only with opaque picture copies; the track is copied twice, the second copy
// 2 px further right, so the columns the pointer can reach right of the control are covered
// too. Retains the pictures it is given. [ui thread]
#pragma once

#include "toolkit/control.h"

namespace melp::editor {

class TickIndicator : public toolkit::Control {
public:
    // Either picture may be null; without the pointer picture nothing is drawn. No listener,
    // tag 0.
    TickIndicator(const toolkit::Rect& bounds, toolkit::Bitmap* pointer,
                  toolkit::Bitmap* track) noexcept;
    ~TickIndicator() override;
    void draw(toolkit::DrawContext* context) noexcept override;

    toolkit::Bitmap* pointerPicture() const noexcept { return pointer_; }
    toolkit::Bitmap* trackPicture() const noexcept { return track_; }

private:
    toolkit::Bitmap* pointer_;
    toolkit::Bitmap* track_;
    toolkit::Rect pointerRect_;
    toolkit::Rect trackRect_;
};

}  // namespace melp::editor
