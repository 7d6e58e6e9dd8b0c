// The Win32 side of the test-support helpers: a real top-level window and GetPixel.
#if !defined(_WIN32)
#error "test_window.cpp belongs to the win32 backend"
#endif

#include "platform/testing/test_window.h"

#include <windows.h>

namespace melp::platform::testing {
namespace {

constexpr char hostClassName[] = "MelpTestHostWindow";

bool registerHostClass() noexcept {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA description{};
        description.lpfnWndProc = DefWindowProcA;
        description.hInstance = GetModuleHandleA(nullptr);
        description.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(32512));
        description.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        description.lpszClassName = hostClassName;
        registered = RegisterClassA(&description) != 0;
    }
    return registered;
}

}  // namespace

Window createTopLevelWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) noexcept {
    if (!registerHostClass()) {
        return nullptr;
    }
    // Popup windows have no frame: the window rectangle is the client area.
    HWND window = CreateWindowExA(WS_EX_TOPMOST, hostClassName, "MELP test host",
                                  WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr) {
        UpdateWindow(window);
    }
    return reinterpret_cast<Window>(window);
}

void destroyTopLevelWindow(Window window) noexcept {
    DestroyWindow(reinterpret_cast<HWND>(window));
}

ColorRef readWindowPixel(Window window, std::int32_t x, std::int32_t y) noexcept {
    HWND handle = reinterpret_cast<HWND>(window);
    HDC device = GetDC(handle);
    if (device == nullptr) {
        return 0xFFFFFFFFu;
    }
    const COLORREF color = GetPixel(device, x, y);
    ReleaseDC(handle, device);
    return color == CLR_INVALID ? 0xFFFFFFFFu : color;
}

ColorRef readDevicePixel(Device device, std::int32_t x, std::int32_t y) noexcept {
    const COLORREF color = GetPixel(reinterpret_cast<HDC>(device), x, y);
    return color == CLR_INVALID ? 0xFFFFFFFFu : color;
}

void processMessages() noexcept {
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace melp::platform::testing
