// The Win32 side of immediate input: SendInput for buttons and keys, SetCursorPos.
#if !defined(_WIN32)
#error "input.cpp belongs to the win32 backend"
#endif

#include "platform/testing/input.h"

#include <windows.h>

#include <initializer_list>

namespace melp::platform::testing {

namespace {

void send(std::int32_t virtualKey, bool down) noexcept {
    INPUT input{};
    switch (virtualKey) {
    case VK_LBUTTON:
    case VK_RBUTTON:
    case VK_MBUTTON:
        input.type = INPUT_MOUSE;
        if (virtualKey == VK_LBUTTON) {
            input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        } else if (virtualKey == VK_RBUTTON) {
            input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
        } else {
            input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
        }
        break;
    default:
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(virtualKey);
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        break;
    }
    SendInput(1, &input, sizeof input);
}

}  // namespace

void pressKey(std::int32_t virtualKey) noexcept {
    send(virtualKey, true);
}

void releaseKey(std::int32_t virtualKey) noexcept {
    send(virtualKey, false);
}

void moveCursor(std::int32_t screenX, std::int32_t screenY) noexcept {
    SetCursorPos(screenX, screenY);
}

void releaseAllKeys() noexcept {
    for (int key : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_SHIFT, VK_CONTROL, VK_MENU}) {
        if (GetAsyncKeyState(key) & 0x8000) {
            send(key, false);
        }
    }
}

}  // namespace melp::platform::testing
