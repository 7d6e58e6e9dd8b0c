// Colours of the toolkit: four bytes red, green, blue and a fourth byte that is carried
// along but never reaches the device.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace melp::toolkit {

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t fourth = 0;
};
static_assert(sizeof(Color) == 4);

inline constexpr Color colorBlack{0, 0, 0, 0};
inline constexpr Color colorWhite{255, 255, 255, 0};
inline constexpr Color colorRed{255, 0, 0, 0};
inline constexpr Color colorTransparent{255, 255, 255, 0};

// The device colour 0x00BBGGRR; the fourth byte is dropped.
constexpr platform::ColorRef toColorRef(Color color) noexcept {
    return platform::makeColorRef(color.red, color.green, color.blue);
}

// Equality of what reaches the screen: the fourth byte is not compared.
constexpr bool sameRgb(Color a, Color b) noexcept {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

constexpr bool operator==(Color a, Color b) noexcept {
    return sameRgb(a, b) && a.fourth == b.fourth;
}

}  // namespace melp::toolkit
