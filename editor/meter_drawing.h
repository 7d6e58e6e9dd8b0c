// Small helpers shared by the meter controls. [ui thread]
#pragma once

#include <cmath>
#include <cstdint>

#include "toolkit/bitmap.h"
#include "toolkit/geometry.h"

namespace melp::editor::detail {

// Above 1 becomes 1; anything not at least 0 (negative or NaN) becomes 0.
inline float clampPosition(float position) noexcept {
    if (position > 1.0f) {
        return 1.0f;
    }
    if (!(position >= 0.0f)) {
        return 0.0f;
    }
    return position;
}

// floor(a * b (+ 0.5)) in double precision, as whole pixels.
inline std::int32_t scaledPixels(double a, double b, bool rounded) noexcept {
    return static_cast<std::int32_t>(std::floor(a * b + (rounded ? 0.5 : 0.0)));
}

inline void retainPicture(toolkit::Bitmap* picture) noexcept {
    if (picture) {
        picture->retain();
    }
}

inline void releasePicture(toolkit::Bitmap* picture) noexcept {
    if (picture) {
        picture->release();
    }
}

toolkit::Rect normalised(const toolkit::Rect& rect) noexcept;

// An opaque copy of the picture's top-left corner into rect; nothing for a missing picture
// or an empty rectangle.
void copyPicture(toolkit::Bitmap* picture, toolkit::DrawContext* context,
                 const toolkit::Rect& rect) noexcept;

// How a pointer control places its pointer: at left + floor(w * value (+ 0.5 when rounded)),
// w the pointer picture's width, `width` columns wide; the track is copied at the control's
// columns and again `trackShift` columns further right, so the columns the pointer can reach
// right of the control are covered too.
struct PointerShape {
    bool rounded;
    std::int32_t width;
    std::int32_t trackShift;
};

// Draws a pointer control: clamps value in place, rewrites the two working rectangles'
// columns and copies track, shifted track and pointer. Nothing without a pointer picture.
void drawPointerOnTrack(toolkit::DrawContext* context, toolkit::Bitmap* pointer,
                        toolkit::Bitmap* track, const toolkit::Rect& bounds, float& value,
                        toolkit::Rect& pointerRect, toolkit::Rect& trackRect,
                        const PointerShape& shape) noexcept;

}  // namespace melp::editor::detail
