// Simulated windows, their messages, scripted input, the clock and drag and drop.
#include "platform/headless/headless_state.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <new>

namespace melp::platform {
namespace headless::detail {

using raster::Counters;
using raster::Switches;
using raster::detail::addToUpdate;
using raster::detail::checkedWindow;
using raster::detail::findWindowClass;
using raster::detail::noteInvalidHandle;
using raster::detail::sendMessage;

std::atomic<std::uint32_t> clockMs{0};
std::atomic<std::uint32_t> stalledPolls{0};

State& state() noexcept {
    // Never destroyed, like the rasterizer's records: windows may still be used from other
    // static destructors, and what the backend holds stays reachable for leak checkers.
    static State& instance = *new State;
    return instance;
}

// The rasterizer's records: switches, counters and live-object accounting.
raster::detail::State& drawing() noexcept { return raster::detail::state(); }

namespace {

constexpr std::uint32_t stallLimit = 100000;

void setClock(std::uint32_t value) noexcept {
    clockMs.store(value, std::memory_order_relaxed);
    stalledPolls.store(0, std::memory_order_relaxed);
}

// A poll that cannot see the clock move still has to end some day.
void notePoll() noexcept {
    if (stalledPolls.fetch_add(1, std::memory_order_relaxed) + 1 >= stallLimit) {
        setClock(clockMs.load(std::memory_order_relaxed) + 1);
    }
}

void screenOrigin(const WindowTag* window, std::int32_t* x, std::int32_t* y) noexcept {
    std::int32_t left = 0;
    std::int32_t top = 0;
    for (const WindowTag* w = window; w != nullptr; w = w->parent) {
        left += w->x;
        top += w->y;
    }
    *x = left;
    *y = top;
}

bool containsScreenPoint(const WindowTag* window, std::int32_t x, std::int32_t y) noexcept {
    std::int32_t left = 0;
    std::int32_t top = 0;
    screenOrigin(window, &left, &top);
    return x >= left && y >= top && x < left + window->framebuffer.width &&
           y < top + window->framebuffer.height;
}

WindowTag* topmostChildAt(WindowTag* window, std::int32_t x, std::int32_t y) noexcept {
    for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) {
        if ((*it)->alive && containsScreenPoint(*it, x, y)) {
            return topmostChildAt(*it, x, y);
        }
    }
    return window;
}

WindowTag* windowAt(std::int32_t x, std::int32_t y) noexcept {
    const auto& windows = state().windows;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if ((*it)->alive && (*it)->parent == nullptr && containsScreenPoint(*it, x, y)) {
            return topmostChildAt(*it, x, y);
        }
    }
    return nullptr;
}

std::uintptr_t mouseKeyFlags() noexcept {
    const State& s = state();
    std::uintptr_t flags = 0;
    const bool swapped = drawing().switches.swapButtonMetric > 0;
    if (s.keys[swapped ? keyRightButton : keyLeftButton]) flags |= 0x0001;   // MK_LBUTTON
    if (s.keys[swapped ? keyLeftButton : keyRightButton]) flags |= 0x0002;   // MK_RBUTTON
    if (s.keys[keyShift]) flags |= 0x0004;                                   // MK_SHIFT
    if (s.keys[keyControl]) flags |= 0x0008;                                 // MK_CONTROL
    if (s.keys[keyMiddleButton]) flags |= 0x0010;                            // MK_MBUTTON
    return flags;
}

void postButtonDown(std::int32_t key) noexcept {
    State& s = state();
    std::uint32_t message = 0;
    const bool swapped = drawing().switches.swapButtonMetric > 0;
    if (key == keyLeftButton) {
        message = swapped ? messageRightButtonDown : messageLeftButtonDown;
    } else if (key == keyRightButton) {
        message = swapped ? messageLeftButtonDown : messageRightButtonDown;
    } else if (key == keyMiddleButton) {
        message = messageMiddleButtonDown;
    } else {
        return;
    }
    WindowTag* target = windowAt(s.cursorX, s.cursorY);
    if (target == nullptr) {
        return;
    }
    std::int32_t left = 0;
    std::int32_t top = 0;
    screenOrigin(target, &left, &top);
    const auto clientX = static_cast<std::uint32_t>(s.cursorX - left) & 0xFFFFu;
    const auto clientY = static_cast<std::uint32_t>(s.cursorY - top) & 0xFFFFu;
    try {
        s.posted.push_back(PostedMessage{target, message, mouseKeyFlags(),
                                         static_cast<std::intptr_t>(clientX | (clientY << 16))});
    } catch (...) {
    }
}

void destroyTree(WindowTag* window) noexcept {
    if (!window->alive) {
        return;
    }
    // Win32 order: the window hears WM_DESTROY before its children do.
    sendMessage(window, messageDestroy, 0, 0);
    for (WindowTag* child : window->children) {
        destroyTree(child);
    }
    window->alive = false;
    window->hasUpdate = false;
    if (window->counted) {
        --drawing().live.windows;
    }
    auto& posted = state().posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [window](const PostedMessage& m) { return m.window == window; }),
                 posted.end());
}

WindowTag* newWindow(std::int32_t width, std::int32_t height) noexcept {
    if (width < 0 || height < 0 || width > 16384 || height > 16384) {
        return nullptr;
    }
    WindowTag* window = nullptr;
    try {
        window = new WindowTag(width, height);
        state().windows.push_back(window);
    } catch (...) {
        delete window;
        return nullptr;
    }
    return window;
}

}  // namespace

void runScript() noexcept {
    State& s = state();
    const std::uint32_t time = clockMs.load(std::memory_order_relaxed);
    while (s.nextEvent < s.script.size() && s.script[s.nextEvent].time <= time) {
        const ScriptEvent& event = s.script[s.nextEvent++];
        switch (event.kind) {
        case ScriptEvent::Kind::move:
            s.cursorX = event.x;
            s.cursorY = event.y;
            break;
        case ScriptEvent::Kind::keyDown:
            if (!s.keys[event.key & 0xFF]) {
                s.keys[event.key & 0xFF] = true;
                postButtonDown(event.key);
            }
            break;
        case ScriptEvent::Kind::keyUp:
            s.keys[event.key & 0xFF] = false;
            break;
        }
    }
    if (!s.script.empty() && !s.scriptEnded && s.nextEvent == s.script.size() &&
        time >= s.scriptEnd) {
        s.scriptEnded = true;
        std::fill(std::begin(s.keys), std::end(s.keys), false);
    }
}

}  // namespace headless::detail

namespace raster::detail {

Surface* windowSurface(WindowTag* window) noexcept {
    return window->alive ? &window->framebuffer : nullptr;
}

// Tests read every text draw.
bool textLoggingAtStart() noexcept { return true; }

const std::vector<WindowTag*>& windowList() noexcept { return headless::detail::state().windows; }

WindowRecord& recordOf(WindowTag* window) noexcept { return *window; }

bool windowOrigin(WindowTag* window, std::int32_t* x, std::int32_t* y) noexcept {
    headless::detail::screenOrigin(window, x, y);
    return true;
}

void takePaintEvents() noexcept { headless::detail::runScript(); }

// What is drawn is in the framebuffer already.
void windowDrawn(WindowTag*, const Rectangle&) noexcept {}

}  // namespace raster::detail

using namespace headless::detail;

// --- windows -------------------------------------------------------------------------------

// As UnregisterClassA: only for the module that registered the class.
bool unregisterWindowClass(const char* className, Module module) noexcept {
    return raster::detail::removeWindowClass(className, &module);
}

std::int32_t swapButtonMetric() noexcept { return drawing().switches.swapButtonMetric; }

Window createChildWindow(const char* className, const char* title, Window parent,
                         std::int32_t width, std::int32_t height, Module module) noexcept {
    if (className == nullptr || drawing().switches.windowCreationFails) {
        return nullptr;
    }
    if (!liveWindow(parent)) {
        noteInvalidHandle();
        return nullptr;
    }
    const raster::detail::WindowClass* windowClass = findWindowClass(className);
    if (windowClass == nullptr) {
        return nullptr;
    }
    (void)module;
    WindowTag* window = newWindow(width, height);
    if (window == nullptr) {
        return nullptr;
    }
    try {
        window->className = className;
        window->title = title != nullptr ? title : "";
        parent->children.push_back(window);
    } catch (...) {
        window->alive = false;
        return nullptr;
    }
    window->procedure = windowClass->procedure;
    window->parent = parent;
    window->counted = true;
    ++drawing().live.windows;
    // A new window is invalid and erased, as a shown window is on Win32.
    addToUpdate(window, Rectangle{0, 0, width, height}, true);
    return window;
}

bool destroyWindow(Window window) noexcept {
    WindowTag* w = checkedWindow(window);
    if (w == nullptr) {
        return false;
    }
    destroyTree(w);
    return true;
}

// Tests dispatch with dispatchPendingMessages when they choose to.
void dispatchWindowEvents() noexcept {}

// --- input, time, cursor ---------------------------------------------------------------------

bool asyncKeyDown(std::int32_t virtualKey) noexcept {
    notePoll();
    runScript();
    return virtualKey >= 0 && virtualKey < 256 && state().keys[virtualKey];
}

bool cursorPosition(std::int32_t* x, std::int32_t* y) noexcept {
    if (x == nullptr || y == nullptr) {
        return false;
    }
    runScript();
    *x = state().cursorX;
    *y = state().cursorY;
    return true;
}

std::uint32_t tickCount() noexcept {
    notePoll();
    return clockMs.load(std::memory_order_relaxed);
}

void sleepMilliseconds(std::uint32_t milliseconds) noexcept {
    setClock(clockMs.load(std::memory_order_relaxed) + milliseconds);
}

// --- object linking and drag and drop -----------------------------------------------------------

namespace {

// The target is a COM object: OLE reaches its reference count through the first slots of
// its table of operations (IUnknown's QueryInterface, AddRef, Release), as C code does.
struct UnknownTable {
    void* queryInterface;
    std::uint32_t (*addRef)(void* self);
    std::uint32_t (*release)(void* self);
};

const UnknownTable* unknownTable(void* object) noexcept {
    return *static_cast<const UnknownTable* const*>(object);
}

}  // namespace

bool registerDragDrop(Window window, void* target) noexcept {
    WindowTag* w = checkedWindow(window);
    // OLE refuses a thread that has not initialised it, and a second registration.
    if (w == nullptr || target == nullptr || drawing().oleBalance <= 0 ||
        w->dropTarget != nullptr || drawing().switches.dragDropRegistrationFails) {
        return false;
    }
    // The registration holds a reference of its own until it is revoked.
    unknownTable(target)->addRef(target);
    w->dropTarget = target;
    return true;
}

bool revokeDragDrop(Window window) noexcept {
    WindowTag* w = checkedWindow(window);
    if (w == nullptr || w->dropTarget == nullptr) {
        return false;
    }
    void* target = w->dropTarget;
    w->dropTarget = nullptr;
    unknownTable(target)->release(target);
    return true;
}

// --- the test-facing API ------------------------------------------------------------------------

namespace headless {

Window createHostWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height) noexcept {
    WindowTag* window = newWindow(width, height);
    if (window != nullptr) {
        window->x = x;
        window->y = y;
    }
    return window;
}

void destroyWindowFromOutside(Window window) noexcept { destroyWindow(window); }

bool windowExists(Window window) noexcept { return liveWindow(window); }

Window parentOf(Window window) noexcept {
    return liveWindow(window) ? window->parent : nullptr;
}

std::vector<Window> childrenOf(Window window) {
    std::vector<Window> result;
    if (liveWindow(window)) {
        for (WindowTag* child : window->children) {
            if (child->alive) {
                result.push_back(child);
            }
        }
    }
    return result;
}

ColorRef pixel(Window window, std::int32_t x, std::int32_t y) noexcept {
    return liveWindow(window) ? readPixel(window->framebuffer, x, y) : 0;
}

Framebuffer framebuffer(Window window) noexcept {
    if (!liveWindow(window)) {
        return Framebuffer{};
    }
    Surface& surface = window->framebuffer;
    return Framebuffer{surface.width, surface.height, surface.pixels.data()};
}

void clearWindow(Window window, ColorRef color) noexcept {
    if (liveWindow(window)) {
        std::fill(window->framebuffer.pixels.begin(), window->framebuffer.pixels.end(),
                  color & 0x00FFFFFFu);
    }
}

void invalidate(Window window, std::int32_t left, std::int32_t top, std::int32_t right,
                std::int32_t bottom, bool erase) noexcept {
    if (WindowTag* w = checkedWindow(window)) {
        addToUpdate(w, Rectangle{left, top, right, bottom}, erase);
    }
}

void invalidateAll(Window window, bool erase) noexcept {
    if (WindowTag* w = checkedWindow(window)) {
        addToUpdate(w, Rectangle{0, 0, w->framebuffer.width, w->framebuffer.height}, erase);
    }
}

bool updateRect(Window window, std::int32_t* left, std::int32_t* top, std::int32_t* right,
                std::int32_t* bottom) noexcept {
    WindowTag* w = checkedWindow(window);
    if (w == nullptr || !w->hasUpdate) {
        return false;
    }
    *left = w->update.left;
    *top = w->update.top;
    *right = w->update.right;
    *bottom = w->update.bottom;
    return true;
}

std::int32_t dispatchPendingMessages() noexcept {
    std::int32_t dispatched = 0;
    State& s = state();
    runScript();
    while (dispatched < 10000) {
        if (!s.posted.empty()) {
            const PostedMessage message = s.posted.front();
            s.posted.pop_front();
            if (liveWindow(message.window)) {
                sendMessage(message.window, message.message, message.wParam, message.lParam);
                ++dispatched;
            }
            continue;
        }
        if (!dispatchOnePaintMessage()) {
            break;
        }
        ++dispatched;
    }
    return dispatched;
}

std::int32_t pendingPostedMessages() noexcept {
    runScript();
    return static_cast<std::int32_t>(state().posted.size());
}

void setTime(std::uint32_t milliseconds) noexcept {
    setClock(milliseconds);
    runScript();
}

std::uint32_t now() noexcept { return clockMs.load(std::memory_order_relaxed); }

void advanceTime(std::uint32_t milliseconds) noexcept {
    setClock(clockMs.load(std::memory_order_relaxed) + milliseconds);
    runScript();
}

namespace {

void schedule(const ScriptEvent& event) noexcept {
    State& s = state();
    try {
        // Stable: events at the same time keep the order they were scheduled in.
        const auto at = std::upper_bound(
            s.script.begin() + static_cast<std::ptrdiff_t>(s.nextEvent), s.script.end(), event,
            [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
        s.script.insert(at, event);
    } catch (...) {
        return;
    }
    s.scriptEnd = std::max(s.scriptEnd, event.time);
    s.scriptEnded = false;
}

}  // namespace

void clearInputScript() noexcept {
    State& s = state();
    s.script.clear();
    s.nextEvent = 0;
    s.scriptEnd = 0;
    s.scriptEnded = false;
    std::fill(std::begin(s.keys), std::end(s.keys), false);
}

void scheduleKeyDown(std::uint32_t timeMs, std::int32_t virtualKey) noexcept {
    schedule(ScriptEvent{timeMs, ScriptEvent::Kind::keyDown, virtualKey & 0xFF, 0, 0});
}

void scheduleKeyUp(std::uint32_t timeMs, std::int32_t virtualKey) noexcept {
    schedule(ScriptEvent{timeMs, ScriptEvent::Kind::keyUp, virtualKey & 0xFF, 0, 0});
}

void scheduleCursorMove(std::uint32_t timeMs, std::int32_t screenX, std::int32_t screenY) noexcept {
    schedule(ScriptEvent{timeMs, ScriptEvent::Kind::move, 0, screenX, screenY});
}

void endScriptAt(std::uint32_t timeMs) noexcept {
    state().scriptEnd = std::max(state().scriptEnd, timeMs);
}

void scheduleClick(std::uint32_t timeMs, std::int32_t screenX, std::int32_t screenY,
                   std::uint32_t durationMs, std::int32_t virtualKey) noexcept {
    scheduleCursorMove(timeMs, screenX, screenY);
    scheduleKeyDown(timeMs, virtualKey);
    scheduleKeyUp(timeMs + durationMs, virtualKey);
}

void setCursorPosition(std::int32_t screenX, std::int32_t screenY) noexcept {
    state().cursorX = screenX;
    state().cursorY = screenY;
}

void reset() noexcept {
    raster::detail::State& drawing = raster::detail::state();
    drawing.switches = Switches{};
    drawing.counters = Counters{};
    drawing.textLog.clear();
    State& s = state();
    s.posted.clear();
    clearInputScript();
    s.cursorX = 0;
    s.cursorY = 0;
    drawing.cursor = nullptr;
    setClock(0);
}

void* dropTarget(Window window) noexcept {
    const auto& windows = state().windows;
    if (window == nullptr || std::find(windows.begin(), windows.end(), window) == windows.end()) {
        return nullptr;
    }
    return window->dropTarget;
}

std::int32_t dropRegistrationCount() noexcept {
    std::int32_t count = 0;
    for (const WindowTag* w : state().windows) {
        count += w->dropTarget != nullptr ? 1 : 0;
    }
    return count;
}

std::int32_t oleBalance() noexcept { return drawing().oleBalance; }

}  // namespace headless
}  // namespace melp::platform
