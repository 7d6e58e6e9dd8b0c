// The software rasterizer's internal records, shared by its source files and by the two
// backends built on it (headless and X11), which define WindowTag on WindowRecord and the
// hooks at the end.
#pragma once

#if defined(_WIN32)
#error "The software rasterizer is for builds without Win32."
#endif

#include "platform/raster/raster.h"

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

namespace raster::detail {

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

}  // namespace raster::detail

struct DeviceTag {
    bool memory = false;
    bool paint = false;  // a beginPaint device: clipped to the paint rectangle
    WindowTag* window = nullptr;
    raster::detail::Surface* bitmap = nullptr;  // memory devices
    raster::detail::Pen* pen = nullptr;
    raster::detail::Brush* brush = nullptr;
    raster::detail::Font* font = nullptr;
    std::int32_t backgroundMode = backgroundOpaque;
    ColorRef backgroundColor = 0x00FFFFFF;
    ColorRef textColor = 0;
    std::int32_t positionX = 0, positionY = 0;
    raster::detail::Rectangle clip;  // paint devices only
};

namespace raster::detail {

// What both backends keep of a window alike; their WindowTag derives from it.
struct WindowRecord {
    WindowRecord(std::int32_t width, std::int32_t height, bool aliveAtStart)
        : alive(aliveAtStart), framebuffer(width, height, false, true) {}

    std::string className;
    WindowProcedure procedure = nullptr;
    bool alive;
    void* userData = nullptr;
    bool hasUpdate = false;
    bool eraseUpdate = false;  // the next paint erases its rectangle first
    Rectangle update;
    Surface framebuffer;
};

struct WindowClass {
    std::string name;
    Module module;
    WindowProcedure procedure;
};

struct State {
    Switches switches;
    Counters counters;
    LiveObjects live;
    std::vector<TextDraw> textLog;
    bool textLogging = false;

    std::vector<ObjectTag*> objects;  // live non-stock objects
    std::vector<DeviceTag*> devices;
    // Deleted objects and devices are kept a while before their memory is reused, so a
    // stale handle is reported as such instead of finding a newer object at its address.
    std::deque<ObjectTag*> retiredObjects;
    std::deque<DeviceTag*> retiredDevices;
    const EmbeddedResource* resources = nullptr;
    std::size_t resourceCount = 0;

    // The windows' side, alike in both backends.
    std::vector<WindowClass> classes;
    Module module = nullptr;
    Cursor cursor = nullptr;
    std::int32_t oleBalance = 0;
};

State& state() noexcept;

// Puts a newly made record (null: the making failed) into its list; deletes it and answers
// null when the list cannot grow.
template <typename T, typename Listed>
T* enlist(std::vector<Listed*>& list, T* made) noexcept {
    if (made == nullptr) {
        return nullptr;
    }
    try {
        list.push_back(made);
    } catch (...) {
        delete made;
        return nullptr;
    }
    return made;
}

bool liveObject(const ObjectTag* object) noexcept;
bool liveDevice(const DeviceTag* device) noexcept;
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

// Window class, face and library names compare as Windows compares them: ASCII letters
// without regard to case.
bool equalsIgnoringCase(const char* a, const char* b) noexcept;

// The bytes of an embedded font file ("LiberationSans-Regular.ttf" ...); false when the
// binary has no file of that name.
bool embeddedFont(const char* fileName, const unsigned char** data, std::size_t* size) noexcept;

// The device's default font, used until one is selected.
const FontDescription& systemFontDescription() noexcept;

// --- windows, alike in both backends (raster_windows.cpp) ---------------------------------------

// Whether the window is one of windowList() and alive.
bool liveWindow(const WindowTag* window) noexcept;
// The window when it is live; otherwise counts an invalid handle and answers null.
WindowTag* checkedWindow(Window window) noexcept;
// The registered class of that name; null when there is none.
const WindowClass* findWindowClass(const char* className) noexcept;
// Unregisters the class, refused while a live window has it; `module` null: whatever module
// registered it.
bool removeWindowClass(const char* className, const Module* module) noexcept;
// Hands the message to the window's procedure, or to default processing when it has none.
std::intptr_t sendMessage(WindowTag* window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) noexcept;
// Adds a rectangle (clipped to the window) to the update region; `erase`: the paint that
// takes it erases it first.
void addToUpdate(WindowTag* window, const Rectangle& area, bool erase) noexcept;

// --- what each backend provides ----------------------------------------------------------------

// The framebuffer a window device draws into; null once the window is gone.
Surface* windowSurface(WindowTag* window) noexcept;
// Whether drawText keeps its log from the start (see setTextLogging).
bool textLoggingAtStart() noexcept;
// The backend's windows, in creation order; ended ones may stay there, not alive.
const std::vector<WindowTag*>& windowList() noexcept;
// The part of a window that is alike in both backends.
WindowRecord& recordOf(WindowTag* window) noexcept;
// Where a live window's top left is on the screen; false when the window system cannot say.
bool windowOrigin(WindowTag* window, std::int32_t* x, std::int32_t* y) noexcept;
// Takes what the window system has for the windows before a paint message is looked for.
void takePaintEvents() noexcept;
// Drawing through a window device ended (endPaint, releaseWindowDevice): `area`, which may
// reach beyond the window, may now be shown.
void windowDrawn(WindowTag* window, const Rectangle& area) noexcept;

}  // namespace raster::detail
}  // namespace melp::platform
