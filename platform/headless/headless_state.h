// The headless backend's internal records, shared by its source files only.
#pragma once

#if defined(_WIN32)
#error "The headless backend is for builds without Win32."
#endif

#include "platform/headless/headless.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace melp::platform {

struct ObjectTag {
    ObjectTag(ObjectKind objectKind, bool isStock) noexcept : kind(objectKind), stock(isStock) {}
    virtual ~ObjectTag() = default;
    ObjectTag(const ObjectTag&) = delete;
    ObjectTag& operator=(const ObjectTag&) = delete;

    ObjectKind kind;
    bool stock;
    std::int32_t selections = 0;  // devices that have it selected
};

namespace headless::detail {

struct Pen final : ObjectTag {
    Pen(ColorRef penColor, bool isStock) noexcept
        : ObjectTag(ObjectKind::pen, isStock), color(penColor) {}
    ColorRef color;
};

struct Brush final : ObjectTag {
    Brush(ColorRef brushColor, bool isStock) noexcept
        : ObjectTag(ObjectKind::brush, isStock), color(brushColor) {}
    ColorRef color;
};

struct Font final : ObjectTag {
    Font(const FontDescription& fontDescription, bool isStock) noexcept
        : ObjectTag(ObjectKind::font, isStock), description(fontDescription) {}
    FontDescription description;
};

// A pixel surface: a bitmap object, or a window's framebuffer (which is never handed out).
struct Surface final : ObjectTag {
    Surface(std::int32_t surfaceWidth, std::int32_t surfaceHeight, bool isMonochrome, bool isStock);
    std::int32_t width;
    std::int32_t height;
    bool monochrome;
    std::vector<ColorRef> pixels;  // monochrome: 0 or 1
};

struct Rectangle {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const noexcept { return right <= left || bottom <= top; }
};
Rectangle intersect(const Rectangle& a, const Rectangle& b) noexcept;
Rectangle unite(const Rectangle& a, const Rectangle& b) noexcept;

}  // namespace headless::detail

struct WindowTag {
    std::string className;
    std::string title;
    WindowProcedure procedure = nullptr;
    WindowTag* parent = nullptr;
    std::vector<WindowTag*> children;
    std::int32_t x = 0, y = 0;  // relative to the parent; screen position for top level
    bool alive = true;
    bool counted = false;  // created through createChildWindow
    void* userData = nullptr;
    void* dropTarget = nullptr;
    bool hasUpdate = false;
    bool eraseUpdate = false;  // the next paint erases its rectangle first
    headless::detail::Rectangle update;
    headless::detail::Surface framebuffer;

    WindowTag(std::int32_t width, std::int32_t height)
        : framebuffer(width, height, false, true) {}
};

struct DeviceTag {
    bool memory = false;
    bool paint = false;  // a beginPaint device: clipped to the paint rectangle
    WindowTag* window = nullptr;
    headless::detail::Surface* bitmap = nullptr;  // memory devices
    headless::detail::Pen* pen = nullptr;
    headless::detail::Brush* brush = nullptr;
    headless::detail::Font* font = nullptr;
    std::int32_t backgroundMode = backgroundOpaque;
    ColorRef backgroundColor = 0x00FFFFFF;
    ColorRef textColor = 0;
    std::int32_t positionX = 0, positionY = 0;
    headless::detail::Rectangle clip;  // paint devices only
};

namespace headless::detail {

struct ScriptEvent {
    enum class Kind { keyDown, keyUp, move };
    std::uint32_t time;
    Kind kind;
    std::int32_t key;
    std::int32_t x, y;
};

struct PostedMessage {
    WindowTag* window;
    std::uint32_t message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
};

struct State {
    Switches switches;
    Counters counters;
    LiveObjects live;
    std::vector<TextDraw> textLog;

    std::vector<ObjectTag*> objects;  // live non-stock objects
    std::vector<DeviceTag*> devices;
    // Deleted objects and devices are kept a while before their memory is reused, so a
    // stale handle is reported as such instead of finding a newer object at its address.
    std::deque<ObjectTag*> retiredObjects;
    std::deque<DeviceTag*> retiredDevices;
    std::vector<WindowTag*> windows;  // every window ever made, in creation order

    struct WindowClass {
        std::string name;
        Module module;
        WindowProcedure procedure;
    };
    std::vector<WindowClass> classes;
    std::deque<PostedMessage> posted;

    std::vector<ScriptEvent> script;  // sorted by time, stable
    std::size_t nextEvent = 0;
    std::uint32_t scriptEnd = 0;
    bool scriptEnded = false;
    bool keys[256] = {};
    std::int32_t cursorX = 0, cursorY = 0;
    Cursor cursor = nullptr;

    Module module = nullptr;
    std::int32_t oleBalance = 0;
    const EmbeddedResource* resources = nullptr;
    std::size_t resourceCount = 0;
};

State& state() noexcept;

// The clock lives apart from State so tickCount and sleep may run on any thread.
extern std::atomic<std::uint32_t> clockMs;
extern std::atomic<std::uint32_t> stalledPolls;

// Applies the input events whose time has come.
void runScript() noexcept;

bool liveObject(const ObjectTag* object) noexcept;
bool liveDevice(const DeviceTag* device) noexcept;
bool liveWindow(const WindowTag* window) noexcept;
void noteInvalidHandle() noexcept;

// Window devices (windowDevice, beginPaint) and their end.
Device newWindowDevice(WindowTag* window, bool paint) noexcept;
void destroyDevice(DeviceTag* device) noexcept;
// A decoded picture as a counted colour bitmap; null when memory runs out.
Object adoptPicture(const Picture& picture) noexcept;
TransparentCopy transparentCopyFunction() noexcept;

// The surface a device draws into and the rectangle it may touch (empty when none).
Surface* targetOf(DeviceTag* device) noexcept;
Rectangle clipOf(DeviceTag* device) noexcept;

void putPixel(Surface& surface, std::int32_t x, std::int32_t y, ColorRef color) noexcept;
ColorRef readPixel(const Surface& surface, std::int32_t x, std::int32_t y) noexcept;
// A colour as it lands on a monochrome surface: the nearer of black and white.
std::uint32_t monochromeBit(ColorRef color) noexcept;

// The device's default font, used until one is selected.
const FontDescription& systemFontDescription() noexcept;

}  // namespace headless::detail
}  // namespace melp::platform
