// The platform contract: every call the toolkit and the plug-in make of the operating
// system goes through these free functions. Exactly one backend is built:
//   platform/win32/     the real calls (USER32, GDI32, KERNEL32, OLE32, SHELL32, msimg32)
//   platform/headless/  simulated windows for Linux tests and tools
//   platform/x11/       real X11 windows, for the Linux plug-in
// (headless/ and x11/ draw with the same software rasterizer, platform/raster/)
//
// Conventions at this boundary:
// - native handles are opaque pointers; scalars are int32_t pixels; colours are
//   ColorRef values 0x00BBGGRR;
// - constants keep their Win32 values, so the win32 backend passes them straight on;
// - every function is [ui thread] unless it says otherwise, and none throws.
#pragma once

#include <cstddef>
#include <cstdint>

namespace melp::platform {

struct WindowTag;
struct DeviceTag;
struct ObjectTag;
struct ModuleTag;
struct CursorTag;

using Window = WindowTag*;  // HWND
using Device = DeviceTag*;  // HDC
using Object = ObjectTag*;  // HGDIOBJ: pen, brush, font or bitmap
using Module = ModuleTag*;  // HMODULE / HINSTANCE
using Cursor = CursorTag*;  // HCURSOR
using ColorRef = std::uint32_t;

constexpr ColorRef makeColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue) noexcept {
    return static_cast<ColorRef>(red) | (static_cast<ColorRef>(green) << 8) |
           (static_cast<ColorRef>(blue) << 16);
}

// --- module --------------------------------------------------------------------------------

// The library's module instance handle. The win32 backend's load-time routine records it;
// the headless backend answers a fixed non-null handle. [any thread]
Module moduleInstance() noexcept;
void setModuleInstance(Module module) noexcept;

// LoadLibraryA / FreeLibrary. Null when the library cannot be loaded.
Module loadLibrary(const char* name) noexcept;
void freeLibrary(Module library) noexcept;

// GetVersionExA with a 156-byte record: stores dwPlatformId; false when the query fails.
bool operatingSystemPlatformId(std::int32_t* platformId) noexcept;

// A transparent block copy with TransparentBlt's arguments: pixels of exactly `transparent`
// are skipped. Returns the system call's success.
using TransparentCopy = bool (*)(Device destination, std::int32_t x, std::int32_t y,
                                 std::int32_t width, std::int32_t height, Device source,
                                 std::int32_t sourceX, std::int32_t sourceY,
                                 std::int32_t sourceWidth, std::int32_t sourceHeight,
                                 ColorRef transparent) noexcept;

// GetProcAddress(library, "TransparentBlt"), wrapped as a TransparentCopy; null when the
// library lacks it (or, headless, when the capability is switched off).
TransparentCopy resolveTransparentCopy(Module library) noexcept;

// --- device contexts and drawing objects -------------------------------------------------------

enum class ObjectKind : std::int32_t { pen = 1, brush = 2, font = 6, bitmap = 7 };  // OBJ_*

// GetCurrentObject. Null on failure.
Object currentObject(Device device, ObjectKind kind) noexcept;
// SelectObject: returns the object previously selected of the same kind (null on failure).
Object selectObject(Device device, Object object) noexcept;
// DeleteObject.
bool deleteObject(Object object) noexcept;

constexpr std::int32_t backgroundTransparent = 1;  // TRANSPARENT
constexpr std::int32_t backgroundOpaque = 2;       // OPAQUE
// SetBkMode: returns the previous mode.
std::int32_t setBackgroundMode(Device device, std::int32_t mode) noexcept;
// SetBkColor / SetTextColor: return the previous colour.
ColorRef setBackgroundColor(Device device, ColorRef color) noexcept;
ColorRef setTextColor(Device device, ColorRef color) noexcept;

// CreatePenIndirect(PS_SOLID, width 1, color). Null on failure.
Object createSolidPen(ColorRef color) noexcept;
// CreateBrushIndirect(BS_SOLID, color). Null on failure.
Object createSolidBrush(ColorRef color) noexcept;

// The LOGFONTA fields, in their order.
struct FontDescription {
    std::int32_t height = 0;  // negative: character height without internal leading
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    char faceName[32] = {};
};
// CreateFontIndirectA. Null on failure.
Object createFont(const FontDescription& description) noexcept;

// MoveToEx (no previous point returned) and LineTo with the selected pen: the line covers
// its start pixel and stops one short of (x, y).
void moveTo(Device device, std::int32_t x, std::int32_t y) noexcept;
void lineTo(Device device, std::int32_t x, std::int32_t y) noexcept;
// FillRect: fills left <= x < right, top <= y < bottom with brush.
void fillRect(Device device, std::int32_t left, std::int32_t top, std::int32_t right,
              std::int32_t bottom, Object brush) noexcept;

// DrawTextA format bits.
constexpr std::uint32_t textLeft = 0x0;
constexpr std::uint32_t textCenter = 0x1;
constexpr std::uint32_t textRight = 0x2;
constexpr std::uint32_t textVerticalCenter = 0x4;
constexpr std::uint32_t textSingleLine = 0x20;
constexpr std::uint32_t textNoPrefix = 0x800;
// DrawTextA of `length` bytes (-1: up to the terminator) into the rectangle, clipped to it,
// with the selected font, text colour, background colour and mode. Returns the text height.
std::int32_t drawText(Device device, const char* text, std::int32_t length, std::int32_t left,
                      std::int32_t top, std::int32_t right, std::int32_t bottom,
                      std::uint32_t format) noexcept;

// --- bitmaps -------------------------------------------------------------------------------

// LoadBitmapA(module, MAKEINTRESOURCE(id)): id is taken modulo 65536. Null when missing.
Object loadBitmap(Module module, std::int32_t resourceId) noexcept;
// GetObjectA(BITMAP): bmWidth and bmHeight. False on failure.
bool bitmapSize(Object bitmap, std::int32_t* width, std::int32_t* height) noexcept;
// CreateBitmap(width, height, 1 plane, 1 bit per pixel, no bits): a monochrome bitmap.
Object createMonochromeBitmap(std::int32_t width, std::int32_t height) noexcept;
// CreateCompatibleDC / DeleteDC.
Device createCompatibleDevice(Device device) noexcept;
void deleteDevice(Device device) noexcept;

constexpr std::uint32_t ropSourceCopy = 0x00CC0020;    // SRCCOPY
constexpr std::uint32_t ropSourceInvert = 0x00660046;  // SRCINVERT
constexpr std::uint32_t ropSourceAnd = 0x008800C6;     // SRCAND
// BitBlt, with GDI's colour rules between monochrome and colour surfaces.
bool blit(Device destination, std::int32_t x, std::int32_t y, std::int32_t width,
          std::int32_t height, Device source, std::int32_t sourceX, std::int32_t sourceY,
          std::uint32_t rasterOperation) noexcept;

// --- windows -------------------------------------------------------------------------------

constexpr std::uint32_t messageDestroy = 0x0002;          // WM_DESTROY
constexpr std::uint32_t messagePaint = 0x000F;            // WM_PAINT
constexpr std::uint32_t messageLeftButtonDown = 0x0201;   // WM_LBUTTONDOWN
constexpr std::uint32_t messageRightButtonDown = 0x0204;  // WM_RBUTTONDOWN
constexpr std::uint32_t messageMiddleButtonDown = 0x0207; // WM_MBUTTONDOWN

// A window procedure in platform terms. The win32 backend's real window procedure
// forwards every message of the class to the one registered with the class.
using WindowProcedure = std::intptr_t (*)(Window window, std::uint32_t message,
                                          std::uintptr_t wParam, std::intptr_t lParam) noexcept;

// RegisterClassA: style CS_GLOBALCLASS, the procedure, no extra bytes, the module, no icon,
// IDC_ARROW, the COLOR_BTNFACE system brush, no menu. False on failure.
bool registerWindowClass(const char* className, Module module,
                         WindowProcedure procedure) noexcept;
// UnregisterClassA.
bool unregisterWindowClass(const char* className, Module module) noexcept;
// GetSystemMetrics(SM_SWAPBUTTON).
std::int32_t swapButtonMetric() noexcept;

// CreateWindowExA(0, className, title, WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent,
// no menu, module, no creation data). Null on failure.
Window createChildWindow(const char* className, const char* title, Window parent,
                         std::int32_t width, std::int32_t height, Module module) noexcept;
// DestroyWindow.
bool destroyWindow(Window window) noexcept;
// SetWindowLongPtrA / GetWindowLongPtrA with GWL_USERDATA.
void setWindowUserData(Window window, void* data) noexcept;
void* windowUserData(Window window) noexcept;
// DefWindowProcA.
std::intptr_t defaultWindowProcedure(Window window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) noexcept;
// GetWindowRect: the window's rectangle in screen coordinates.
bool windowRect(Window window, std::int32_t* left, std::int32_t* top, std::int32_t* right,
                std::int32_t* bottom) noexcept;
// GetUpdateRect without erasing: true when the window has a non-empty update region.
bool hasUpdateRect(Window window) noexcept;

// BeginPaint / EndPaint. The record keeps the native paint record in its storage.
struct PaintRecord {
    Device device = nullptr;
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // rcPaint
    alignas(8) unsigned char storage[128] = {};
};
Device beginPaint(Window window, PaintRecord* record) noexcept;
void endPaint(Window window, PaintRecord* record) noexcept;

// GetDC / ReleaseDC.
Device windowDevice(Window window) noexcept;
void releaseWindowDevice(Window window, Device device) noexcept;

// PeekMessageA(any window of this thread, WM_PAINT..WM_PAINT, PM_REMOVE) and, when one was
// taken, DispatchMessageA. True when a message was dispatched.
bool dispatchOnePaintMessage() noexcept;

// The host's idle: lets the window system's events reach this thread's windows, paint
// messages included. On X11 no loop of the host's takes the plug-in's connections, so this
// does; on Win32 the host's message loop does it, and headless tests dispatch for
// themselves: there the call does nothing.
void dispatchWindowEvents() noexcept;

// --- input, time, cursor ---------------------------------------------------------------------

constexpr std::int32_t keyLeftButton = 0x01;    // VK_LBUTTON
constexpr std::int32_t keyRightButton = 0x02;   // VK_RBUTTON
constexpr std::int32_t keyMiddleButton = 0x04;  // VK_MBUTTON
constexpr std::int32_t keyShift = 0x10;         // VK_SHIFT
constexpr std::int32_t keyControl = 0x11;       // VK_CONTROL
constexpr std::int32_t keyAlt = 0x12;           // VK_MENU
// GetAsyncKeyState: true while the key or physical mouse button is down (high bit).
bool asyncKeyDown(std::int32_t virtualKey) noexcept;
// GetCursorPos: the cursor in screen coordinates.
bool cursorPosition(std::int32_t* x, std::int32_t* y) noexcept;
// GetCursor / SetCursor.
Cursor currentCursor() noexcept;
void setCursor(Cursor cursor) noexcept;

// GetTickCount: milliseconds, 32 bits, wrapping. [any thread]
std::uint32_t tickCount() noexcept;
// Sleep. [any thread]
void sleepMilliseconds(std::uint32_t milliseconds) noexcept;

// --- object linking and drag and drop -----------------------------------------------------------

// OleInitialize(nullptr) / OleUninitialize for the calling thread.
void oleInitialize() noexcept;
void oleUninitialize() noexcept;
// RegisterDragDrop / RevokeDragDrop. `target` is a COM IDropTarget on win32.
bool registerDragDrop(Window window, void* target) noexcept;
bool revokeDragDrop(Window window) noexcept;

// --- accounting ---------------------------------------------------------------------------

// What the backend has created and not yet deleted, for leak tests.
struct LiveObjects {
    std::int32_t pens = 0;
    std::int32_t brushes = 0;
    std::int32_t fonts = 0;
    std::int32_t bitmaps = 0;
    std::int32_t devices = 0;  // memory device contexts and window devices not released
    std::int32_t windows = 0;
};
LiveObjects liveObjects() noexcept;

}  // namespace melp::platform
