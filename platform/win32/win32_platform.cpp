// The Win32 backend: each contract function is the system call it names, with its
// arguments passed straight on, plus the live-object accounting.
#if !defined(_WIN32)
#error "win32_platform.cpp belongs to the win32 backend"
#endif

#include "platform/platform.h"

#include <windows.h>
#include <ole2.h>

#include <new>

namespace melp::platform {
namespace {

HDC nativeDevice(Device device) noexcept { return reinterpret_cast<HDC>(device); }
HWND nativeWindow(Window window) noexcept { return reinterpret_cast<HWND>(window); }
HGDIOBJ nativeObject(Object object) noexcept { return reinterpret_cast<HGDIOBJ>(object); }
HMODULE nativeModule(Module module) noexcept { return reinterpret_cast<HMODULE>(module); }
Device wrap(HDC device) noexcept { return reinterpret_cast<Device>(device); }
Object wrap(HGDIOBJ object) noexcept { return reinterpret_cast<Object>(object); }

Module storedModule = nullptr;
LiveObjects live;

// --- transparent copy ----------------------------------------------------------------------

using TransparentBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int,
                                             UINT);
TransparentBltFunction transparentBlt = nullptr;

bool callTransparentBlt(Device destination, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, Device source, std::int32_t sourceX,
                        std::int32_t sourceY, std::int32_t sourceWidth, std::int32_t sourceHeight,
                        ColorRef transparent) noexcept {
    if (transparentBlt == nullptr) {
        return false;
    }
    return transparentBlt(nativeDevice(destination), x, y, width, height, nativeDevice(source),
                          sourceX, sourceY, sourceWidth, sourceHeight, transparent) != FALSE;
}

// --- window classes ------------------------------------------------------------------------

// The WNDPROC of every class registered here looks its platform procedure up by class atom:
// the classes carry no extra bytes to keep it in.
struct ClassEntry {
    ATOM atom;
    HINSTANCE module;
    char name[64];
    WindowProcedure procedure;
};
constexpr int classCapacity = 16;
ClassEntry classes[classCapacity] = {};

WindowProcedure procedureFor(HWND window) noexcept {
    const auto atom = static_cast<ATOM>(GetClassWord(window, GCW_ATOM));
    for (const ClassEntry& entry : classes) {
        if (entry.atom != 0 && entry.atom == atom) {
            return entry.procedure;
        }
    }
    return nullptr;
}

LRESULT CALLBACK forwardingProcedure(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) {
    const WindowProcedure procedure = procedureFor(window);
    const LRESULT result =
        procedure != nullptr
            ? static_cast<LRESULT>(procedure(reinterpret_cast<Window>(window), message,
                                             static_cast<std::uintptr_t>(wParam),
                                             static_cast<std::intptr_t>(lParam)))
            : DefWindowProcA(window, message, wParam, lParam);
    // Counted here rather than around CreateWindowExA and DestroyWindow, so windows that die
    // with their parent, or whose creation fails half-way, still balance.
    if (message == WM_NCCREATE && result != 0) {
        ++live.windows;
    } else if (message == WM_NCDESTROY) {
        --live.windows;
    }
    return result;
}

void countObject(DWORD type, std::int32_t delta) noexcept {
    switch (type) {
    case OBJ_PEN: live.pens += delta; break;
    case OBJ_BRUSH: live.brushes += delta; break;
    case OBJ_FONT: live.fonts += delta; break;
    case OBJ_BITMAP: live.bitmaps += delta; break;
    default: break;
    }
}

template <typename T>
T* counted(T* handle, std::int32_t& counter) noexcept {
    if (handle != nullptr) {
        ++counter;
    }
    return handle;
}

}  // namespace

// --- module --------------------------------------------------------------------------------

Module moduleInstance() noexcept {
    // Test programs have no load-time routine: their resources are the program's own.
    return storedModule != nullptr ? storedModule
                                   : reinterpret_cast<Module>(GetModuleHandleA(nullptr));
}

void setModuleInstance(Module module) noexcept { storedModule = module; }

Module loadLibrary(const char* name) noexcept {
    return reinterpret_cast<Module>(LoadLibraryA(name));
}

void freeLibrary(Module library) noexcept {
    if (library != nullptr) {
        FreeLibrary(nativeModule(library));
    }
}

bool operatingSystemPlatformId(std::int32_t* platformId) noexcept {
    OSVERSIONINFOEXA version{};
    static_assert(sizeof version == 156, "the extended version record");
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL answered = GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version));
#pragma GCC diagnostic pop
    if (answered == FALSE || platformId == nullptr) {
        return false;
    }
    *platformId = static_cast<std::int32_t>(version.dwPlatformId);
    return true;
}

TransparentCopy resolveTransparentCopy(Module library) noexcept {
    if (library == nullptr) {
        return nullptr;
    }
    const FARPROC entry = GetProcAddress(nativeModule(library), "TransparentBlt");
    if (entry == nullptr) {
        return nullptr;
    }
    // Through the generic function pointer type, which may be converted to any other.
    transparentBlt =
        reinterpret_cast<TransparentBltFunction>(reinterpret_cast<void (*)()>(entry));
    return &callTransparentBlt;
}

// --- device contexts and drawing objects -------------------------------------------------------

Object currentObject(Device device, ObjectKind kind) noexcept {
    return wrap(GetCurrentObject(nativeDevice(device), static_cast<UINT>(kind)));
}

Object selectObject(Device device, Object object) noexcept {
    return wrap(SelectObject(nativeDevice(device), nativeObject(object)));
}

bool deleteObject(Object object) noexcept {
    const DWORD type = GetObjectType(nativeObject(object));
    if (DeleteObject(nativeObject(object)) == FALSE) {
        return false;
    }
    countObject(type, -1);
    return true;
}

std::int32_t setBackgroundMode(Device device, std::int32_t mode) noexcept {
    return SetBkMode(nativeDevice(device), mode);
}

ColorRef setBackgroundColor(Device device, ColorRef color) noexcept {
    return SetBkColor(nativeDevice(device), color);
}

ColorRef setTextColor(Device device, ColorRef color) noexcept {
    return SetTextColor(nativeDevice(device), color);
}

Object createSolidPen(ColorRef color) noexcept {
    LOGPEN description{};
    description.lopnStyle = PS_SOLID;
    description.lopnWidth.x = 1;
    description.lopnColor = color;
    return wrap(counted(CreatePenIndirect(&description), live.pens));
}

Object createSolidBrush(ColorRef color) noexcept {
    LOGBRUSH description{};
    description.lbStyle = BS_SOLID;
    description.lbColor = color;
    return wrap(counted(CreateBrushIndirect(&description), live.brushes));
}

Object createFont(const FontDescription& description) noexcept {
    LOGFONTA font{};
    font.lfHeight = description.height;
    font.lfWidth = description.width;
    font.lfEscapement = description.escapement;
    font.lfOrientation = description.orientation;
    font.lfWeight = description.weight;
    font.lfItalic = description.italic;
    font.lfUnderline = description.underline;
    font.lfStrikeOut = description.strikeOut;
    font.lfCharSet = description.charSet;
    font.lfOutPrecision = description.outPrecision;
    font.lfClipPrecision = description.clipPrecision;
    font.lfQuality = description.quality;
    font.lfPitchAndFamily = description.pitchAndFamily;
    static_assert(sizeof font.lfFaceName == sizeof description.faceName, "LF_FACESIZE");
    for (std::size_t i = 0; i < sizeof font.lfFaceName; ++i) {
        font.lfFaceName[i] = description.faceName[i];
    }
    font.lfFaceName[sizeof font.lfFaceName - 1] = '\0';
    return wrap(counted(CreateFontIndirectA(&font), live.fonts));
}

void moveTo(Device device, std::int32_t x, std::int32_t y) noexcept {
    MoveToEx(nativeDevice(device), x, y, nullptr);
}

void lineTo(Device device, std::int32_t x, std::int32_t y) noexcept {
    LineTo(nativeDevice(device), x, y);
}

void fillRect(Device device, std::int32_t left, std::int32_t top, std::int32_t right,
              std::int32_t bottom, Object brush) noexcept {
    const RECT area{left, top, right, bottom};
    FillRect(nativeDevice(device), &area, reinterpret_cast<HBRUSH>(brush));
}

std::int32_t drawText(Device device, const char* text, std::int32_t length, std::int32_t left,
                      std::int32_t top, std::int32_t right, std::int32_t bottom,
                      std::uint32_t format) noexcept {
    if (text == nullptr) {
        return 0;
    }
    RECT area{left, top, right, bottom};
    return DrawTextA(nativeDevice(device), text, length, &area, format);
}

// --- bitmaps -------------------------------------------------------------------------------

Object loadBitmap(Module module, std::int32_t resourceId) noexcept {
    // MAKEINTRESOURCEA without its C cast.
    const auto name = reinterpret_cast<LPCSTR>(
        static_cast<ULONG_PTR>(static_cast<WORD>(resourceId & 0xFFFF)));
    return wrap(counted(LoadBitmapA(reinterpret_cast<HINSTANCE>(module), name), live.bitmaps));
}

bool bitmapSize(Object bitmap, std::int32_t* width, std::int32_t* height) noexcept {
    BITMAP description{};
    if (bitmap == nullptr ||
        GetObjectA(nativeObject(bitmap), sizeof description, &description) == 0) {
        return false;
    }
    if (width != nullptr) {
        *width = description.bmWidth;
    }
    if (height != nullptr) {
        *height = description.bmHeight;
    }
    return true;
}

Object createMonochromeBitmap(std::int32_t width, std::int32_t height) noexcept {
    return wrap(counted(CreateBitmap(width, height, 1, 1, nullptr), live.bitmaps));
}

Device createCompatibleDevice(Device device) noexcept {
    return wrap(counted(CreateCompatibleDC(nativeDevice(device)), live.devices));
}

void deleteDevice(Device device) noexcept {
    if (device != nullptr && DeleteDC(nativeDevice(device)) != FALSE) {
        --live.devices;
    }
}

bool blit(Device destination, std::int32_t x, std::int32_t y, std::int32_t width,
          std::int32_t height, Device source, std::int32_t sourceX, std::int32_t sourceY,
          std::uint32_t rasterOperation) noexcept {
    return BitBlt(nativeDevice(destination), x, y, width, height, nativeDevice(source), sourceX,
                  sourceY, rasterOperation) != FALSE;
}

// --- windows -------------------------------------------------------------------------------

bool registerWindowClass(const char* className, Module module,
                         WindowProcedure procedure) noexcept {
    if (className == nullptr || procedure == nullptr || lstrlenA(className) >= 64) {
        return false;
    }
    ClassEntry* slot = nullptr;
    for (ClassEntry& entry : classes) {
        if (entry.atom == 0) {
            slot = &entry;
            break;
        }
    }
    if (slot == nullptr) {
        return false;
    }
    WNDCLASSA description{};
    description.style = CS_GLOBALCLASS;
    description.lpfnWndProc = forwardingProcedure;
    description.cbClsExtra = 0;
    description.cbWndExtra = 0;
    description.hInstance = reinterpret_cast<HINSTANCE>(module);
    description.hIcon = nullptr;
    description.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(32512));  // IDC_ARROW
    description.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    description.lpszMenuName = nullptr;
    description.lpszClassName = className;
    // The slot is filled before registering: no message reaches the class before that.
    slot->procedure = procedure;
    slot->module = description.hInstance;
    lstrcpynA(slot->name, className, sizeof slot->name);
    const ATOM atom = RegisterClassA(&description);
    if (atom == 0) {
        *slot = ClassEntry{};
        return false;
    }
    slot->atom = atom;
    return true;
}

bool unregisterWindowClass(const char* className, Module module) noexcept {
    const auto instance = reinterpret_cast<HINSTANCE>(module);
    if (className == nullptr || UnregisterClassA(className, instance) == FALSE) {
        return false;
    }
    for (ClassEntry& entry : classes) {
        if (entry.atom != 0 && entry.module == instance && lstrcmpiA(entry.name, className) == 0) {
            entry = ClassEntry{};
        }
    }
    return true;
}

std::int32_t swapButtonMetric() noexcept { return GetSystemMetrics(SM_SWAPBUTTON); }

Window createChildWindow(const char* className, const char* title, Window parent,
                         std::int32_t width, std::int32_t height, Module module) noexcept {
    return reinterpret_cast<Window>(CreateWindowExA(0, className, title, WS_CHILD | WS_VISIBLE,
                                                    0, 0, width, height, nativeWindow(parent),
                                                    nullptr, reinterpret_cast<HINSTANCE>(module),
                                                    nullptr));
}

bool destroyWindow(Window window) noexcept { return DestroyWindow(nativeWindow(window)) != FALSE; }

void setWindowUserData(Window window, void* data) noexcept {
    SetWindowLongPtrA(nativeWindow(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

void* windowUserData(Window window) noexcept {
    return reinterpret_cast<void*>(GetWindowLongPtrA(nativeWindow(window), GWLP_USERDATA));
}

std::intptr_t defaultWindowProcedure(Window window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam) noexcept {
    return static_cast<std::intptr_t>(DefWindowProcA(nativeWindow(window), message,
                                                     static_cast<WPARAM>(wParam),
                                                     static_cast<LPARAM>(lParam)));
}

bool windowRect(Window window, std::int32_t* left, std::int32_t* top, std::int32_t* right,
                std::int32_t* bottom) noexcept {
    RECT area{};
    if (GetWindowRect(nativeWindow(window), &area) == FALSE) {
        return false;
    }
    *left = area.left;
    *top = area.top;
    *right = area.right;
    *bottom = area.bottom;
    return true;
}

bool hasUpdateRect(Window window) noexcept {
    return GetUpdateRect(nativeWindow(window), nullptr, FALSE) != FALSE;
}

static_assert(sizeof(PAINTSTRUCT) <= sizeof(PaintRecord::storage), "PAINTSTRUCT fits");
static_assert(alignof(PAINTSTRUCT) <= 8, "PAINTSTRUCT alignment");

Device beginPaint(Window window, PaintRecord* record) noexcept {
    auto* paint = new (record->storage) PAINTSTRUCT{};
    HDC device = BeginPaint(nativeWindow(window), paint);
    record->device = wrap(counted(device, live.devices));
    record->left = paint->rcPaint.left;
    record->top = paint->rcPaint.top;
    record->right = paint->rcPaint.right;
    record->bottom = paint->rcPaint.bottom;
    return record->device;
}

void endPaint(Window window, PaintRecord* record) noexcept {
    auto* paint = std::launder(reinterpret_cast<PAINTSTRUCT*>(record->storage));
    EndPaint(nativeWindow(window), paint);
    if (record->device != nullptr) {
        --live.devices;
        record->device = nullptr;
    }
}

Device windowDevice(Window window) noexcept {
    return wrap(counted(GetDC(nativeWindow(window)), live.devices));
}

void releaseWindowDevice(Window window, Device device) noexcept {
    if (device != nullptr && ReleaseDC(nativeWindow(window), nativeDevice(device)) == 1) {
        --live.devices;
    }
}

bool dispatchOnePaintMessage() noexcept {
    MSG message{};
    if (PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE) == FALSE) {
        return false;
    }
    DispatchMessageA(&message);
    return true;
}

// The host's message loop dispatches the frame's messages.
void dispatchWindowEvents() noexcept {}

// --- input, time, cursor ---------------------------------------------------------------------

bool asyncKeyDown(std::int32_t virtualKey) noexcept {
    return (static_cast<std::uint16_t>(GetAsyncKeyState(virtualKey)) & 0x8000u) != 0;
}

bool cursorPosition(std::int32_t* x, std::int32_t* y) noexcept {
    POINT point{};
    if (GetCursorPos(&point) == FALSE) {
        return false;
    }
    *x = point.x;
    *y = point.y;
    return true;
}

Cursor currentCursor() noexcept { return reinterpret_cast<Cursor>(GetCursor()); }

void setCursor(Cursor cursor) noexcept { SetCursor(reinterpret_cast<HCURSOR>(cursor)); }

std::uint32_t tickCount() noexcept { return GetTickCount(); }

void sleepMilliseconds(std::uint32_t milliseconds) noexcept { Sleep(milliseconds); }

// --- object linking and drag and drop -----------------------------------------------------------

void oleInitialize() noexcept { OleInitialize(nullptr); }

void oleUninitialize() noexcept { OleUninitialize(); }

bool registerDragDrop(Window window, void* target) noexcept {
    return RegisterDragDrop(nativeWindow(window), static_cast<IDropTarget*>(target)) == S_OK;
}

bool revokeDragDrop(Window window) noexcept {
    return RevokeDragDrop(nativeWindow(window)) == S_OK;
}

LiveObjects liveObjects() noexcept { return live; }

}  // namespace melp::platform
