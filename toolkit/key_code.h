// The host's key record as the editor base receives it (same layout as VstKeyCode), so the
// editor can hand the host's record to the views unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

namespace melp::toolkit {

// | field     | offset |
// | character |      0 |
// | virt      |      4 |
// | modifier  |      5 |
// size 8 (2 bytes of padding)
struct KeyCode {
    std::int32_t character = 0;
    std::uint8_t virt = 0;
    std::uint8_t modifier = 0;
};
static_assert(offsetof(KeyCode, character) == 0);
static_assert(offsetof(KeyCode, virt) == 4);
static_assert(offsetof(KeyCode, modifier) == 5);
static_assert(sizeof(KeyCode) == 8);

}  // namespace melp::toolkit
