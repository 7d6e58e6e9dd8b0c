// The headless side of immediate input: events entered into the script at the current time.
#include "platform/testing/input.h"

#include "platform/headless/headless.h"

namespace melp::platform::testing {

namespace {
// The script ends (and every key reads as released) at its last event: keep it open.
constexpr std::uint32_t holdMilliseconds = 24u * 3600u * 1000u;
}  // namespace

void pressKey(std::int32_t virtualKey) noexcept {
    const std::uint32_t now = headless::now();
    headless::scheduleKeyDown(now, virtualKey);
    headless::endScriptAt(now + holdMilliseconds);
}

void releaseKey(std::int32_t virtualKey) noexcept {
    headless::scheduleKeyUp(headless::now(), virtualKey);
}

void moveCursor(std::int32_t screenX, std::int32_t screenY) noexcept {
    headless::setCursorPosition(screenX, screenY);
}

void releaseAllKeys() noexcept {
    headless::clearInputScript();
}

}  // namespace melp::platform::testing
