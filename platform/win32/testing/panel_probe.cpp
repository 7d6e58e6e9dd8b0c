// The Win32 side of the panel probes: real windows, a DIB capture and SendInput.
#if !defined(_WIN32)
#error "panel_probe.cpp belongs to the win32 backend"
#endif

#include "platform/testing/panel_probe.h"

#include <windows.h>

namespace melp::platform::testing {
namespace {

HWND native(Window window) noexcept {
    return reinterpret_cast<HWND>(window);
}

BOOL CALLBACK countChild(HWND, LPARAM count) {
    ++*reinterpret_cast<std::int32_t*>(count);
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) {
        ++*reinterpret_cast<std::int32_t*>(count);
        EnumChildWindows(window, countChild, count);
    }
    return TRUE;
}

}  // namespace

Window firstChildWindow(Window parent) noexcept {
    return reinterpret_cast<Window>(GetWindow(native(parent), GW_CHILD));
}

std::int32_t childWindowCount(Window parent) noexcept {
    if (!IsWindow(native(parent))) {
        return -1;
    }
    std::int32_t count = 0;
    for (HWND child = GetWindow(native(parent), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        ++count;
    }
    return count;
}

bool captureWindow(Window window, std::int32_t width, std::int32_t height,
                   ColorRef* pixels) noexcept {
    if (!pixels || width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(native(window));
    if (!screen) {
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(screen);
    bool copied = false;
    if (dib && memory && bits) {
        HGDIOBJ previous = SelectObject(memory, dib);
        copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, previous);
        const auto* source = static_cast<const std::uint32_t*>(bits);
        for (std::int32_t i = 0; copied && i < width * height; ++i) {
            const std::uint32_t bgra = source[i];  // 0x00RRGGBB in memory order B, G, R
            pixels[i] = makeColorRef(static_cast<std::uint8_t>(bgra >> 16),
                                     static_cast<std::uint8_t>(bgra >> 8),
                                     static_cast<std::uint8_t>(bgra));
        }
    }
    if (memory) {
        DeleteDC(memory);
    }
    if (dib) {
        DeleteObject(dib);
    }
    ReleaseDC(native(window), screen);
    return copied;
}

std::int32_t processWindowCount() noexcept {
    std::int32_t count = 0;
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

bool windowClassRegistered(const char* className, Module module) noexcept {
    WNDCLASSA description{};
    return GetClassInfoA(reinterpret_cast<HINSTANCE>(module), className, &description) != FALSE;
}

bool clientOrigin(Window window, std::int32_t* x, std::int32_t* y) noexcept {
    POINT origin{0, 0};
    if (!x || !y || !ClientToScreen(native(window), &origin)) {
        return false;
    }
    *x = origin.x;
    *y = origin.y;
    return true;
}

void sendLeftClick(std::int32_t screenX, std::int32_t screenY, std::uint32_t holdMs) noexcept {
    SetCursorPos(screenX, screenY);
    INPUT press{};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof(INPUT));
    Sleep(holdMs);
    INPUT release{};
    release.type = INPUT_MOUSE;
    release.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &release, sizeof(INPUT));
}

}  // namespace melp::platform::testing
