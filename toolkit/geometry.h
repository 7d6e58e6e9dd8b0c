// Pixel geometry of the frame window: (0, 0) is its top-left corner, x grows to the right,
// y downwards. All values are 32-bit signed pixels.
#pragma once

#include <cstdint>

namespace melp::toolkit {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// Width is right - left, height bottom - top; which edges belong to a rectangle depends on
// the operation (hit testing includes all four, filling excludes right and bottom).
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t width() const noexcept { return right - left; }
    constexpr std::int32_t height() const noexcept { return bottom - top; }
};

constexpr bool operator==(const Point& a, const Point& b) noexcept {
    return a.x == b.x && a.y == b.y;
}
constexpr bool operator==(const Rect& a, const Rect& b) noexcept {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace melp::toolkit
