// Input as a user gives it, taking effect at once: the physical buttons and keys that
// asyncKeyDown reads, and the cursor position. Headless: entered into the input script at
// the current time (and held until released); Win32: SendInput and SetCursorPos, so a button
// press also queues its button-down message for the window under the cursor, as a real one
// would. Keys are virtual-key codes (keyLeftButton, keyShift ...). [ui thread]
#pragma once

#include <cstdint>

namespace melp::platform::testing {

void pressKey(std::int32_t virtualKey) noexcept;
void releaseKey(std::int32_t virtualKey) noexcept;
void moveCursor(std::int32_t screenX, std::int32_t screenY) noexcept;
// Every mouse button and modifier key up, for the end of a test.
void releaseAllKeys() noexcept;

}  // namespace melp::platform::testing
