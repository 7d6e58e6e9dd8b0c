#include "host/editor_base.h"

namespace melp::host {

EditorBase::EditorBase(ExtendedEffect* owner) noexcept
    : effect(owner), parentWindow(nullptr), refreshPending(0) {}

EditorBase::~EditorBase() = default;

int32 EditorBase::editorRect(ERect** rect) noexcept {
    if (rect) {
        *rect = nullptr;
    }
    return 0;
}

int32 EditorBase::openEditor(void* parent) noexcept {
    parentWindow = parent;
    return 0;
}

void EditorBase::closeEditor() noexcept {}

void EditorBase::idleEditor() noexcept {
    // Cleared before refresh runs, so a request made during refresh is kept for the next idle.
    if (refreshPending.exchange(0, std::memory_order_relaxed) != 0) {
        refresh();
    }
}

void EditorBase::refresh() noexcept {}

void EditorBase::requestRefresh() noexcept {
    refreshPending.store(1, std::memory_order_relaxed);
}

int32 EditorBase::keyDown(VstKeyCode&) noexcept {
    return -1;
}

int32 EditorBase::keyUp(VstKeyCode&) noexcept {
    return -1;
}

int32 EditorBase::changeKnobMode(int32) noexcept {
    return 0;
}

bool EditorBase::wheel(float) noexcept {
    return false;
}

}  // namespace melp::host
