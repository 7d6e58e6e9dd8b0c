// The X11 backend's internal records, shared by its source files only.
#pragma once

#if defined(_WIN32)
#error "The X11 backend is for builds without Win32."
#endif

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <string>
#include <vector>

#include "platform/raster/raster_state.h"
#include "platform/x11/x11.h"

namespace melp::platform {

namespace x11::detail {

// The image the window's pixels travel in, in the window's visual.
struct Presenter {
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool sharedMemory = false;
    // The visual's channel layout, for the general conversion.
    unsigned long redMask = 0, greenMask = 0, blueMask = 0;
    bool directLayout = false;  // 32 bits per pixel, 0x00RRGGBB in host byte order
};

}  // namespace x11::detail

// Alive (WindowRecord::alive) once created and mapped, until destroyed.
struct WindowTag : raster::detail::WindowRecord {
    WindowTag(std::int32_t width, std::int32_t height) : WindowRecord(width, height, false) {}

    Display* display = nullptr;  // this window's own connection
    ::Window id = 0;
    ::Window parentId = 0;
    bool topLevel = false;    // a stand-in host window (x11::createTopLevelWindow)
    // What the screen shows, as last put there; 0xFF000000 marks pixels the server lost.
    std::vector<ColorRef> shown;
    x11::detail::Presenter presenter;
    std::int32_t errors = 0;  // protocol errors reported on this connection
};

namespace x11::detail {

using raster::detail::addToUpdate;
using raster::detail::intersect;
using raster::detail::liveWindow;
using raster::detail::Rectangle;
using raster::detail::Surface;

constexpr ColorRef lostPixel = 0xFF000000u;

// Windows made and not yet ended (destroyed from outside ones included).
std::vector<WindowTag*>& windows() noexcept;
WindowTag* findWindow(const void* handle) noexcept;  // live or dead

// Presentation: set up for the window's visual, put what changed inside `area` on the
// screen, and end.
bool openPresenter(WindowTag* window, Visual* visual, int depth) noexcept;
void present(WindowTag* window, const Rectangle& area) noexcept;
void closePresenter(WindowTag* window) noexcept;

}  // namespace x11::detail
}  // namespace melp::platform
