// LevelBar: a meter bar split into a lit and an unlit part at barLevel, with two 1 or 2 px
// markers at firstMark and secondMark, horizontal (growing right) or vertical (growing up).
// Drawn only with opaque picture copies taken from the pictures' top-left corners.
//
// Its control value is not a level: the editor writes a change counter into it so that the
// frame redraws the bar. The levels (0..1) are written directly and clamped, in place, when
// the bar draws. Retains the pictures it is given. [ui thread]
#pragma once

#include <cstdint>

#include "toolkit/control.h"

namespace melp::editor {

class LevelBar : public toolkit::Control {
public:
    static constexpr std::int32_t vertical = 0;
    static constexpr std::int32_t horizontal = 1;  // orientation bit 0

    // lit draws the lit part and both markers; either picture may be null. No listener, tag 0.
    LevelBar(const toolkit::Rect& bounds, toolkit::Bitmap* lit, toolkit::Bitmap* unlit,
             std::int32_t orientation) noexcept;
    ~LevelBar() override;

    // Draws nothing without the lit picture. Does not clear the redraw need (redrawIfDirty
    // does that after the draw).
    void draw(toolkit::DrawContext* context) noexcept override;

    // Positions 0..1 along the bar; out-of-range values (and NaN) are clamped by draw.
    float barLevel = 0.0f;
    float firstMark = 0.0f;
    float secondMark = 0.0f;

    toolkit::Bitmap* litPicture() const noexcept { return lit_; }
    toolkit::Bitmap* unlitPicture() const noexcept { return unlit_; }
    std::int32_t orientation() const noexcept { return orientation_; }

private:
    toolkit::Bitmap* lit_;
    toolkit::Bitmap* unlit_;
    std::int32_t orientation_;
    // Working rectangles: draw rewrites only their coordinates along the bar's axis.
    toolkit::Rect unlitRect_;
    toolkit::Rect litRect_;
    toolkit::Rect firstMarkRect_;
    toolkit::Rect secondMarkRect_;
};

}  // namespace melp::editor
