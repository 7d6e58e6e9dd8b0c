// What the headless and X11 windows do alike: the module, window classes, user data, update
// regions and paints, window devices, the cursor and the OLE balance. Each backend keeps
// its own creation, destruction, geometry, input and events (raster_state.h's hooks).
#include "platform/raster/raster_state.h"

#include <algorithm>
#include <limits>

namespace melp::platform {
namespace raster::detail {
namespace {

constexpr ColorRef buttonFace = 0x00F0F0F0;

// Fake handles: addresses of private bytes, never dereferenced by anyone.
unsigned char moduleToken;
unsigned char arrowCursorToken;

WindowTag* firstInvalidWindow() noexcept {
    for (WindowTag* window : windowList()) {
        const WindowRecord& w = recordOf(window);
        if (w.alive && w.hasUpdate) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

bool liveWindow(const WindowTag* window) noexcept {
    const auto& windows = windowList();
    const auto found = std::find(windows.begin(), windows.end(), window);
    return found != windows.end() && recordOf(*found).alive;
}

WindowTag* checkedWindow(Window window) noexcept {
    if (!liveWindow(window)) {
        noteInvalidHandle();
        return nullptr;
    }
    return window;
}

const WindowClass* findWindowClass(const char* className) noexcept {
    for (const WindowClass& c : state().classes) {
        if (equalsIgnoringCase(c.name.c_str(), className)) {
            return &c;
        }
    }
    return nullptr;
}

bool removeWindowClass(const char* className, const Module* module) noexcept {
    auto& classes = state().classes;
    if (className == nullptr) {
        return false;
    }
    for (auto it = classes.begin(); it != classes.end(); ++it) {
        if (equalsIgnoringCase(it->name.c_str(), className) &&
            (module == nullptr || it->module == *module)) {
            for (WindowTag* window : windowList()) {
                const WindowRecord& w = recordOf(window);
                if (w.alive && equalsIgnoringCase(w.className.c_str(), className)) {
                    return false;  // ERROR_CLASS_HAS_WINDOWS
                }
            }
            classes.erase(it);
            return true;
        }
    }
    return false;
}

std::intptr_t sendMessage(WindowTag* window, std::uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) noexcept {
    const WindowProcedure procedure = recordOf(window).procedure;
    if (procedure != nullptr) {
        return procedure(window, message, wParam, lParam);
    }
    return defaultWindowProcedure(window, message, wParam, lParam);
}

void addToUpdate(WindowTag* window, const Rectangle& area, bool erase) noexcept {
    WindowRecord& w = recordOf(window);
    const Rectangle whole{0, 0, w.framebuffer.width, w.framebuffer.height};
    const Rectangle clipped = intersect(area, whole);
    if (clipped.empty()) {
        return;
    }
    // One union rather than a conditional between a temporary and the local: GCC 12 at -O2
    // on i686 takes the latter for a dangling pointer.
    w.update = unite(w.hasUpdate ? w.update : clipped, clipped);
    w.hasUpdate = true;
    w.eraseUpdate = w.eraseUpdate || erase;
}

}  // namespace raster::detail

using namespace raster::detail;

// --- module --------------------------------------------------------------------------------

Module moduleInstance() noexcept {
    Module module = state().module;
    return module != nullptr ? module : reinterpret_cast<Module>(&moduleToken);
}

void setModuleInstance(Module module) noexcept { state().module = module; }

// --- windows -------------------------------------------------------------------------------

bool registerWindowClass(const char* className, Module module,
                         WindowProcedure procedure) noexcept {
    if (className == nullptr || procedure == nullptr || state().switches.classRegistrationFails) {
        return false;
    }
    if (findWindowClass(className) != nullptr) {
        return false;  // ERROR_CLASS_ALREADY_EXISTS
    }
    try {
        state().classes.push_back(WindowClass{className, module, procedure});
    } catch (...) {
        return false;
    }
    return true;
}

void setWindowUserData(Window window, void* data) noexcept {
    if (WindowTag* w = checkedWindow(window)) {
        recordOf(w).userData = data;
    }
}

void* windowUserData(Window window) noexcept {
    WindowTag* w = checkedWindow(window);
    return w != nullptr ? recordOf(w).userData : nullptr;
}

std::intptr_t defaultWindowProcedure(Window window, std::uint32_t message, std::uintptr_t,
                                     std::intptr_t) noexcept {
    if (message == messagePaint && liveWindow(window)) {
        PaintRecord record;
        beginPaint(window, &record);
        endPaint(window, &record);
    }
    return 0;
}

bool windowRect(Window window, std::int32_t* left, std::int32_t* top, std::int32_t* right,
                std::int32_t* bottom) noexcept {
    WindowTag* w = checkedWindow(window);
    if (w == nullptr || left == nullptr || top == nullptr || right == nullptr ||
        bottom == nullptr) {
        return false;
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    if (!windowOrigin(w, &x, &y)) {
        return false;
    }
    const Surface& framebuffer = recordOf(w).framebuffer;
    *left = x;
    *top = y;
    *right = x + framebuffer.width;
    *bottom = y + framebuffer.height;
    return true;
}

bool hasUpdateRect(Window window) noexcept {
    WindowTag* w = checkedWindow(window);
    return w != nullptr && recordOf(w).hasUpdate;
}

Device beginPaint(Window window, PaintRecord* record) noexcept {
    if (checkedWindow(window) == nullptr || record == nullptr) {
        return nullptr;
    }
    WindowRecord& w = recordOf(window);
    const Rectangle area = w.hasUpdate ? w.update : Rectangle{};
    const bool erase = w.hasUpdate && w.eraseUpdate;
    w.hasUpdate = false;
    w.eraseUpdate = false;
    w.update = Rectangle{};
    Device device = newWindowDevice(window, true);
    record->device = device;
    record->left = area.left;
    record->top = area.top;
    record->right = area.right;
    record->bottom = area.bottom;
    if (device == nullptr) {
        return nullptr;
    }
    device->clip = area;
    // The erase with the class brush (the button face), as Windows does, where the
    // invalidation asked for it.
    if (erase) {
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            for (std::int32_t x = area.left; x < area.right; ++x) {
                putPixel(w.framebuffer, x, y, buttonFace);
            }
        }
    }
    return device;
}

void endPaint(Window window, PaintRecord* record) noexcept {
    if (record == nullptr || record->device == nullptr) {
        return;
    }
    if (!liveDevice(record->device) || !record->device->paint ||
        record->device->window != window) {
        noteInvalidHandle();
        return;
    }
    destroyDevice(record->device);
    record->device = nullptr;
    windowDrawn(window, Rectangle{record->left, record->top, record->right, record->bottom});
}

Device windowDevice(Window window) noexcept {
    WindowTag* w = checkedWindow(window);
    return w != nullptr ? newWindowDevice(w, false) : nullptr;
}

void releaseWindowDevice(Window window, Device device) noexcept {
    if (!liveDevice(device) || device->memory || device->paint || device->window != window) {
        noteInvalidHandle();
        return;
    }
    destroyDevice(device);
    // The device could draw anywhere in the window.
    constexpr std::int32_t beyond = std::numeric_limits<std::int32_t>::max();
    windowDrawn(window, Rectangle{0, 0, beyond, beyond});
}

bool dispatchOnePaintMessage() noexcept {
    takePaintEvents();
    WindowTag* window = firstInvalidWindow();
    if (window == nullptr) {
        return false;
    }
    ++state().counters.paintsDispatched;
    sendMessage(window, messagePaint, 0, 0);
    return true;
}

// --- cursor --------------------------------------------------------------------------------

// The frame only ever puts back the cursor it found.
Cursor currentCursor() noexcept {
    Cursor cursor = state().cursor;
    return cursor != nullptr ? cursor : reinterpret_cast<Cursor>(&arrowCursorToken);
}

void setCursor(Cursor cursor) noexcept { state().cursor = cursor; }

// --- object linking ------------------------------------------------------------------------

void oleInitialize() noexcept {
    ++state().counters.oleInitializations;
    ++state().oleBalance;
}

void oleUninitialize() noexcept {
    ++state().counters.oleUninitializations;
    --state().oleBalance;
}

LiveObjects liveObjects() noexcept { return state().live; }

}  // namespace melp::platform
