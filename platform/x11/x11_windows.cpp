// Windows on an X server, each on a connection of its own; their events, the pointer, the
// clock and the stand-in for what X11 does not have (drag and drop).
#include "platform/x11/x11_state.h"

#include <X11/Xproto.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>
#include <string>

// Xlib's per-connection error hook (declared in Xlibint.h, which a C++ source cannot take):
// the procedure hears every protocol error of that connection first, and one that answers
// non-zero keeps it from the process-wide handler.
extern "C" {
using ConnectionErrorProcedure = int (*)(Display*, xError*, XExtCodes*, int*);
ConnectionErrorProcedure XESetError(Display* display, int extension,
                                    ConnectionErrorProcedure procedure);
}

namespace melp::platform {
namespace x11::detail {
namespace {

using raster::detail::checkedWindow;
using raster::detail::noteInvalidHandle;
using raster::detail::sendMessage;

// Win32 messages that have no constant in the contract: they reach the window procedure,
// which hands them to default processing, as Windows does for the frame.
constexpr std::uint32_t messageMouseMove = 0x0200;         // WM_MOUSEMOVE
constexpr std::uint32_t messageLeftButtonUp = 0x0202;      // WM_LBUTTONUP
constexpr std::uint32_t messageRightButtonUp = 0x0205;     // WM_RBUTTONUP
constexpr std::uint32_t messageMiddleButtonUp = 0x0208;    // WM_MBUTTONUP
constexpr std::uint32_t messageWheel = 0x020A;             // WM_MOUSEWHEEL
constexpr std::uint32_t messageHorizontalWheel = 0x020E;   // WM_MOUSEHWHEEL
constexpr std::int32_t wheelStep = 120;                    // WHEEL_DELTA

constexpr long windowEvents =
    ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;

struct Backend {
    std::vector<WindowTag*> windows;
    // Set while a window procedure runs for an input event: events taken meanwhile (the
    // paint pump inside a button's tracking loop) are Expose and destruction only.
    bool inInputProcedure = false;
    // Buttons whose press has been handed to a window and whose release has not: they count
    // as down for a short while even when the pointer says up, since events are taken only at
    // the host's idle and a quick click (a touchpad's tap) is often over by then; without it
    // the button under the press would find the mouse already up and ignore the click.
    unsigned int pressesSeen = 0;
    std::uint32_t pressSeenTick = 0;
};

// How long a press handed to a window counts as held, at the least.
constexpr std::uint32_t pressHeldMilliseconds = 50;

Backend& backend() noexcept {
    // Never destroyed: static destructors elsewhere may still ask about windows.
    static Backend& instance = *new Backend;
    return instance;
}

raster::detail::State& drawing() noexcept { return raster::detail::state(); }

int takeConnectionError(Display* display, xError*, XExtCodes*, int* result) {
    for (WindowTag* window : backend().windows) {
        if (window->display == display) {
            ++window->errors;
        }
    }
    *result = 0;
    return 1;
}

Display* openConnection() noexcept {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    XExtCodes* codes = XAddExtension(display);
    if (codes == nullptr) {
        XCloseDisplay(display);
        return nullptr;
    }
    XESetError(display, codes->extension, &takeConnectionError);
    return display;
}

// Takes the window out of the books, closes its connection (the server then forgets all
// it made there) and frees it.
void endWindow(WindowTag* window) noexcept {
    auto& windows = backend().windows;
    if (window->display != nullptr) {
        closePresenter(window);
        if (window->alive && window->id != 0) {
            // At once, so that other connections no longer see it; an error (the window
            // already gone with its parent) stays on this connection.
            XDestroyWindow(window->display, window->id);
            XSync(window->display, False);
        }
        XCloseDisplay(window->display);
    }
    if (window->alive && !window->topLevel) {
        --drawing().live.windows;
    }
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
    delete window;
}

std::intptr_t sendInput(WindowTag* window, std::uint32_t message, std::uintptr_t wParam,
                        std::intptr_t lParam) noexcept {
    Backend& b = backend();
    const bool outer = !b.inInputProcedure;
    b.inInputProcedure = true;
    const std::intptr_t result = sendMessage(window, message, wParam, lParam);
    if (outer) {
        b.inInputProcedure = false;
    }
    return result;
}

std::uintptr_t mouseKeyFlags(unsigned int state) noexcept {
    std::uintptr_t flags = 0;
    if ((state & Button1Mask) != 0) flags |= 0x0001;  // MK_LBUTTON
    if ((state & Button3Mask) != 0) flags |= 0x0002;  // MK_RBUTTON
    if ((state & ShiftMask) != 0) flags |= 0x0004;    // MK_SHIFT
    if ((state & ControlMask) != 0) flags |= 0x0008;  // MK_CONTROL
    if ((state & Button2Mask) != 0) flags |= 0x0010; // MK_MBUTTON
    return flags;
}

std::intptr_t packPoint(int x, int y) noexcept {
    const auto low = static_cast<std::uint32_t>(x) & 0xFFFFu;
    const auto high = static_cast<std::uint32_t>(y) & 0xFFFFu;
    return static_cast<std::intptr_t>(low | (high << 16));
}

// The host destroyed its window, and the server ours with it. As on Windows the window
// hears WM_DESTROY and its handle is dead from then on; its connection goes at once, since
// nobody destroys a window that is already gone.
void destroyedFromOutside(WindowTag* window) noexcept {
    if (!window->alive) {
        return;
    }
    sendMessage(window, messageDestroy, 0, 0);
    if (findWindow(window) != window) {
        return;  // the procedure ended it
    }
    window->id = 0;  // the server has no window to destroy
    endWindow(window);
}

void markLost(WindowTag* window, const Rectangle& area) noexcept {
    const Rectangle r = intersect(area, Rectangle{0, 0, window->framebuffer.width,
                                                  window->framebuffer.height});
    const auto stride = static_cast<std::size_t>(window->framebuffer.width);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x) {
            window->shown[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] =
                lostPixel;
        }
    }
}

unsigned int buttonMask(unsigned int button) noexcept {
    switch (button) {
    case Button1: return Button1Mask;
    case Button2: return Button2Mask;
    case Button3: return Button3Mask;
    default: return 0;
    }
}

// The buttons held by presses handed to windows, while they still count as held.
unsigned int pressesStillHeld() noexcept {
    Backend& b = backend();
    if (b.pressesSeen != 0 && tickCount() - b.pressSeenTick >= pressHeldMilliseconds) {
        b.pressesSeen = 0;
    }
    return b.pressesSeen;
}

// One event of the window's connection, as the Win32 message it stands for.
void handle(WindowTag* window, const XEvent& event) noexcept {
    switch (event.type) {
    case Expose: {
        const XExposeEvent& e = event.xexpose;
        const Rectangle area{e.x, e.y, e.x + e.width, e.y + e.height};
        if (!window->shown.empty()) {
            markLost(window, area);
        }
        // What the server lost is erased first, as Windows erases an exposed area.
        addToUpdate(window, area, true);
        break;
    }
    case DestroyNotify:
        if (event.xdestroywindow.window == window->id) {
            destroyedFromOutside(window);
        }
        break;
    case ButtonPress: {
        const XButtonEvent& e = event.xbutton;
        const std::uintptr_t flags = mouseKeyFlags(e.state);
        if (const unsigned int mask = buttonMask(e.button); mask != 0) {
            backend().pressesSeen |= mask;
            backend().pressSeenTick = tickCount();
        }
        switch (e.button) {
        case Button1: sendInput(window, messageLeftButtonDown, flags | 0x0001, packPoint(e.x, e.y)); break;
        case Button2: sendInput(window, messageMiddleButtonDown, flags | 0x0010, packPoint(e.x, e.y)); break;
        case Button3: sendInput(window, messageRightButtonDown, flags | 0x0002, packPoint(e.x, e.y)); break;
        case 4:
        case 5:
        case 6:
        case 7: {
            // Up and left are positive, as on Windows; the position is on the screen.
            const std::int32_t delta = (e.button == 4 || e.button == 7) ? wheelStep : -wheelStep;
            const std::uint32_t message = e.button <= 5 ? messageWheel : messageHorizontalWheel;
            const auto high = static_cast<std::uintptr_t>(static_cast<std::uint16_t>(delta)) << 16;
            sendInput(window, message, high | flags, packPoint(e.x_root, e.y_root));
            break;
        }
        default: break;
        }
        break;
    }
    case ButtonRelease: {
        const XButtonEvent& e = event.xbutton;
        const std::uintptr_t flags = mouseKeyFlags(e.state);
        backend().pressesSeen &= ~buttonMask(e.button);
        switch (e.button) {
        case Button1: sendInput(window, messageLeftButtonUp, flags & ~0x0001u, packPoint(e.x, e.y)); break;
        case Button2: sendInput(window, messageMiddleButtonUp, flags & ~0x0010u, packPoint(e.x, e.y)); break;
        case Button3: sendInput(window, messageRightButtonUp, flags & ~0x0002u, packPoint(e.x, e.y)); break;
        default: break;
        }
        break;
    }
    case MotionNotify: {
        const XMotionEvent& e = event.xmotion;
        sendInput(window, messageMouseMove, mouseKeyFlags(e.state), packPoint(e.x, e.y));
        break;
    }
    default:
        break;
    }
}

// Takes what is waiting on the window's connection: everything, or only Expose and
// structure events (inside an input procedure, and in the paint pump).
void takeEvents(WindowTag* window, bool input) noexcept {
    Display* display = window->display;
    while (findWindow(window) == window && XPending(display) > 0) {
        XEvent event;
        if (input) {
            XNextEvent(display, &event);
        } else if (!XCheckMaskEvent(display, ExposureMask | StructureNotifyMask, &event)) {
            break;
        }
        handle(window, event);
    }
}

void takeAllEvents(bool input) noexcept {
    // Procedures may end windows meanwhile: walk a copy, and skip what has gone.
    std::vector<WindowTag*> snapshot;
    try {
        snapshot = backend().windows;
    } catch (...) {
        return;
    }
    for (WindowTag* window : snapshot) {
        if (findWindow(window) == window && window->display != nullptr) {
            takeEvents(window, input);
        }
    }
}

// The connection that answers questions about the pointer: the newest window's.
Display* pointerConnection() noexcept {
    const auto& windows = backend().windows;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if ((*it)->alive && (*it)->display != nullptr) {
            return (*it)->display;
        }
    }
    return nullptr;
}

bool queryPointer(std::int32_t* x, std::int32_t* y, unsigned int* mask) noexcept {
    Display* display = pointerConnection();
    // The pointer is the screen's, as on Windows, even when the host has destroyed the window
    // whose connection answered: then a connection is opened for the one question.
    Display* const borrowed = display == nullptr ? openConnection() : nullptr;
    if (borrowed != nullptr) {
        display = borrowed;
    }
    if (display == nullptr) {
        return false;
    }
    ::Window root = 0;
    ::Window child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int state = 0;
    const bool answered = XQueryPointer(display, DefaultRootWindow(display), &root, &child,
                                        &rootX, &rootY, &windowX, &windowY, &state) != 0;
    if (borrowed != nullptr) {
        XCloseDisplay(borrowed);
    }
    if (!answered) {
        return false;
    }
    *x = rootX;
    *y = rootY;
    *mask = state;
    return true;
}

// A window of the backend, on a new connection: a child of `parentId` or, with `topLevel`, a
// window of the screen at (x, y).
WindowTag* makeWindow(::Window parentId, bool topLevel, std::int32_t x, std::int32_t y,
                      std::int32_t width, std::int32_t height, const char* title) noexcept {
    if (width < 0 || height < 0 || width > 16384 || height > 16384) {
        return nullptr;
    }
    // The framebuffer is allocated by the constructor: a failure there is a failed creation.
    WindowTag* made = nullptr;
    try {
        made = new WindowTag(width, height);
    } catch (...) {
        return nullptr;
    }
    WindowTag* window = raster::detail::enlist(backend().windows, made);
    if (window == nullptr) {
        return nullptr;
    }
    window->topLevel = topLevel;
    window->display = openConnection();
    if (window->display == nullptr) {
        endWindow(window);
        return nullptr;
    }
    Display* display = window->display;
    if (topLevel) {
        parentId = DefaultRootWindow(display);
    }
    // A window id the server does not know fails here, on this connection only.
    XWindowAttributes parent{};
    if (XGetWindowAttributes(display, parentId, &parent) == 0 || window->errors != 0) {
        endWindow(window);
        return nullptr;
    }
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // the panel paints every pixel itself
    attributes.border_pixel = 0;
    attributes.event_mask = windowEvents;
    // X has no empty windows; the framebuffer keeps the size asked for.
    window->id = XCreateWindow(display, parentId, x, y,
                               static_cast<unsigned int>(std::max(width, 1)),
                               static_cast<unsigned int>(std::max(height, 1)), 0,
                               CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
    window->parentId = parentId;
    if (title != nullptr) {
        XStoreName(display, window->id, title);
    }
    if (topLevel) {
        // Where it was asked for, even under a window manager.
        XSizeHints hints{};
        hints.flags = USPosition | PPosition | PMinSize | PMaxSize;
        hints.x = x;
        hints.y = y;
        hints.min_width = hints.max_width = width;
        hints.min_height = hints.max_height = height;
        XSetWMNormalHints(display, window->id, &hints);
    }
    XSync(display, False);
    if (window->errors != 0 || !openPresenter(window, parent.visual, parent.depth)) {
        endWindow(window);
        return nullptr;
    }
    XMapWindow(display, window->id);
    XSync(display, False);
    if (window->errors != 0) {
        endWindow(window);
        return nullptr;
    }
    window->alive = true;
    if (!topLevel) {
        ++drawing().live.windows;
    }
    // A new window is invalid and erased, as a shown window is on Win32.
    addToUpdate(window, Rectangle{0, 0, width, height}, true);
    return window;
}

}  // namespace

std::vector<WindowTag*>& windows() noexcept { return backend().windows; }

WindowTag* findWindow(const void* handle) noexcept {
    for (WindowTag* window : backend().windows) {
        if (window == handle) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace x11::detail

namespace raster::detail {

Surface* windowSurface(WindowTag* window) noexcept {
    return x11::detail::liveWindow(window) ? &window->framebuffer : nullptr;
}

// A panel may draw text for hours in a host: no log unless a test asks for one.
bool textLoggingAtStart() noexcept { return false; }

const std::vector<WindowTag*>& windowList() noexcept { return x11::detail::backend().windows; }

WindowRecord& recordOf(WindowTag* window) noexcept { return *window; }

bool windowOrigin(WindowTag* window, std::int32_t* x, std::int32_t* y) noexcept {
    int rootX = 0;
    int rootY = 0;
    ::Window child = 0;
    const std::int32_t errorsBefore = window->errors;
    if (!XTranslateCoordinates(window->display, window->id, DefaultRootWindow(window->display),
                               0, 0, &rootX, &rootY, &child) ||
        window->errors != errorsBefore) {
        return false;
    }
    *x = rootX;
    *y = rootY;
    return true;
}

void takePaintEvents() noexcept { x11::detail::takeAllEvents(false); }

void windowDrawn(WindowTag* window, const Rectangle& area) noexcept {
    if (x11::detail::liveWindow(window)) {
        x11::detail::present(window, area);
    }
}

}  // namespace raster::detail

using namespace x11::detail;

// --- windows -------------------------------------------------------------------------------

// As UnregisterClassA: only the module that registered the class unregisters it.
bool unregisterWindowClass(const char* className, Module module) noexcept {
    return raster::detail::removeWindowClass(className, &module);
}

// The server applies the pointer mapping before events reach any client.
std::int32_t swapButtonMetric() noexcept { return 0; }

Window createChildWindow(const char* className, const char* title, Window parent,
                         std::int32_t width, std::int32_t height, Module) noexcept {
    if (className == nullptr || drawing().switches.windowCreationFails) {
        return nullptr;
    }
    const raster::detail::WindowClass* windowClass = raster::detail::findWindowClass(className);
    if (windowClass == nullptr) {
        return nullptr;
    }
    // A window of ours, or the host's window as its X window id.
    ::Window parentId = 0;
    if (WindowTag* ours = findWindow(parent)) {
        if (!ours->alive) {
            noteInvalidHandle();
            return nullptr;
        }
        parentId = ours->id;
    } else {
        parentId = static_cast<::Window>(reinterpret_cast<std::uintptr_t>(parent));
    }
    if (parentId == 0) {
        return nullptr;
    }
    const WindowProcedure procedure = windowClass->procedure;
    std::string name;
    try {
        name = className;
    } catch (...) {
        return nullptr;
    }
    WindowTag* window = makeWindow(parentId, false, 0, 0, width, height, title);
    if (window == nullptr) {
        return nullptr;
    }
    window->className = std::move(name);
    window->procedure = procedure;
    return window;
}

bool destroyWindow(Window window) noexcept {
    WindowTag* w = findWindow(window);
    if (w == nullptr) {
        noteInvalidHandle();
        return false;
    }
    // A window the host destroyed with its own still needs its connection closed; the
    // call reports the failure DestroyWindow would.
    const bool wasAlive = w->alive;
    if (wasAlive) {
        sendMessage(w, messageDestroy, 0, 0);
        if (findWindow(window) != w) {
            return true;
        }
    } else {
        noteInvalidHandle();
    }
    endWindow(w);
    return wasAlive;
}

void dispatchWindowEvents() noexcept {
    takeAllEvents(!backend().inInputProcedure);
    // Then the paint messages, as a message loop does once the queue is empty; bounded, so
    // a procedure that never validates cannot hold the host.
    for (std::int32_t i = 0; i < 64 && dispatchOnePaintMessage(); ++i) {
    }
}

// --- input, time, cursor ---------------------------------------------------------------------

bool asyncKeyDown(std::int32_t virtualKey) noexcept {
    unsigned int mask = 0;
    switch (virtualKey) {
    case keyLeftButton: mask = Button1Mask; break;
    case keyRightButton: mask = Button3Mask; break;
    case keyMiddleButton: mask = Button2Mask; break;
    case keyShift: mask = ShiftMask; break;
    case keyControl: mask = ControlMask; break;
    case keyAlt: mask = Mod1Mask; break;
    default: return false;  // the contract's callers ask for buttons and modifiers only
    }
    std::int32_t x = 0;
    std::int32_t y = 0;
    unsigned int state = 0;
    const bool answered = queryPointer(&x, &y, &state);
    return (((answered ? state : 0u) | pressesStillHeld()) & mask) != 0;
}

bool cursorPosition(std::int32_t* x, std::int32_t* y) noexcept {
    if (x == nullptr || y == nullptr) {
        return false;
    }
    unsigned int state = 0;
    return queryPointer(x, y, &state);
}

std::uint32_t tickCount() noexcept {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);
}

void sleepMilliseconds(std::uint32_t milliseconds) noexcept {
    timespec remaining{static_cast<time_t>(milliseconds / 1000u),
                       static_cast<long>(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

// --- object linking and drag and drop -----------------------------------------------------------

// No drag and drop on X11.
bool registerDragDrop(Window, void*) noexcept { return false; }

bool revokeDragDrop(Window) noexcept { return false; }

// --- the test-facing side ---------------------------------------------------------------------

namespace x11 {

Window createTopLevelWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                            std::int32_t height) noexcept {
    return makeWindow(0, true, x, y, width, height, "MELP test host");
}

unsigned long windowId(Window window) noexcept {
    if (WindowTag* w = findWindow(window)) {
        return w->alive ? w->id : 0;
    }
    return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(window));
}

Window windowForId(unsigned long id) noexcept {
    for (WindowTag* window : backend().windows) {
        if (window->alive && window->id == id) {
            return window;
        }
    }
    return reinterpret_cast<Window>(static_cast<std::uintptr_t>(id));
}

bool classRegistered(const char* className) noexcept {
    return className != nullptr && raster::detail::findWindowClass(className) != nullptr;
}

bool windowExists(Window window) noexcept { return liveWindow(window); }

bool presentsThroughSharedMemory(Window window) noexcept {
    const WindowTag* w = findWindow(window);
    return w != nullptr && w->presenter.sharedMemory;
}

void synchronize() noexcept {
    for (WindowTag* window : backend().windows) {
        if (window->display != nullptr) {
            if (window->alive) {
                present(window, Rectangle{0, 0, window->framebuffer.width,
                                          window->framebuffer.height});
            }
            XSync(window->display, False);
        }
    }
    takeAllEvents(false);
}

void dispatchAll() noexcept { dispatchWindowEvents(); }

std::int32_t openConnections() noexcept {
    std::int32_t count = 0;
    for (const WindowTag* window : backend().windows) {
        count += window->display != nullptr ? 1 : 0;
    }
    return count;
}

}  // namespace x11
}  // namespace melp::platform
