// The mouse button and modifier key state a draw context reports.
#pragma once

#include <cstdint>

namespace melp::toolkit {

// A bit set of the MouseButton bits; -1 where no context could be asked.
using MouseButtons = std::int32_t;

enum MouseButton : std::int32_t {
    mouseLeft = 1,
    mouseMiddle = 2,
    mouseRight = 4,
    mouseShift = 8,
    mouseControl = 16,
    mouseAlt = 32,
};

}  // namespace melp::toolkit
