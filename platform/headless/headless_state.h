// The headless backend's internal records: simulated windows, messages and scripted input,
// on top of the shared rasterizer's records. Shared by the backend's source files only.
#pragma once

#include "platform/headless/headless.h"
#include "platform/raster/raster_state.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace melp::platform {

struct WindowTag : raster::detail::WindowRecord {
    WindowTag(std::int32_t width, std::int32_t height) : WindowRecord(width, height, true) {}

    std::string title;
    WindowTag* parent = nullptr;
    std::vector<WindowTag*> children;
    std::int32_t x = 0, y = 0;  // relative to the parent; screen position for top level
    bool counted = false;  // created through createChildWindow
    void* dropTarget = nullptr;
};

namespace headless::detail {

using raster::detail::Rectangle;
using raster::detail::Surface;

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
    std::vector<WindowTag*> windows;  // every window ever made, in creation order
    std::deque<PostedMessage> posted;

    std::vector<ScriptEvent> script;  // sorted by time, stable
    std::size_t nextEvent = 0;
    std::uint32_t scriptEnd = 0;
    bool scriptEnded = false;
    bool keys[256] = {};
    std::int32_t cursorX = 0, cursorY = 0;
};

State& state() noexcept;

// The clock lives apart from State so tickCount and sleep may run on any thread.
extern std::atomic<std::uint32_t> clockMs;
extern std::atomic<std::uint32_t> stalledPolls;

// Applies the input events whose time has come.
void runScript() noexcept;

using raster::detail::liveWindow;

}  // namespace headless::detail
}  // namespace melp::platform
