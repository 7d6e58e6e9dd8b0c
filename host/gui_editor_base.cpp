#include "host/gui_editor_base.h"

#include "host/extended_effect.h"
#include "platform/platform.h"
#include "toolkit/frame.h"
#include "toolkit/key_code.h"

namespace melp::host {

int32 knobMode = 0;

namespace {

toolkit::KeyCode toToolkitKey(const VstKeyCode& key) noexcept {
    toolkit::KeyCode code;
    code.character = key.character;
    code.virt = key.virt;
    code.modifier = key.modifier;
    return code;
}

}  // namespace

GuiEditorBase::GuiEditorBase(ExtendedEffect* owner) noexcept
    : EditorBase(owner), rect{}, frame(nullptr), nextIdleTicks(0), inIdlePump(false) {
    refreshPending = 0;
    if (effect) {
        effect->attachEditor(this);
    }
    parentWindow = nullptr;
    nextIdleTicks = tickCount();
    platform::oleInitialize();
}

GuiEditorBase::~GuiEditorBase() {
    platform::oleUninitialize();
}

int32 GuiEditorBase::editorRect(ERect** where) noexcept {
    if (where) {
        *where = &rect;
    }
    return 1;
}

int32 GuiEditorBase::openEditor(void* parent) noexcept {
    requestRefresh();
    parentWindow = parent;
    return 0;
}

void GuiEditorBase::closeEditor() noexcept {}

void GuiEditorBase::idleEditor() noexcept {
    // A host answering the pump's idle request with another effEditIdle must not re-enter
    // the refresh or the frame's redraw.
    if (inIdlePump) {
        return;
    }
    // Where no message loop of the host's reaches the panel's window (X11), its events are
    // taken now, before the refresh draws.
    platform::dispatchWindowEvents();
    if (refreshPending != 0) {
        refreshPending = 0;
        refresh();
    }
    if (frame) {
        frame->redrawDirtyViews();
    }
}

int32 GuiEditorBase::keyDown(VstKeyCode& key) noexcept {
    if (!frame) {
        return -1;
    }
    return frame->keyDown(toToolkitKey(key));
}

int32 GuiEditorBase::keyUp(VstKeyCode& key) noexcept {
    if (!frame) {
        return -1;
    }
    return frame->keyUp(toToolkitKey(key));
}

int32 GuiEditorBase::changeKnobMode(int32 mode) noexcept {
    knobMode = mode;
    return 1;
}

bool GuiEditorBase::wheel(float distance) noexcept {
    if (!frame) {
        return false;
    }
    return frame->wheel(nullptr, toolkit::Point{0, 0}, distance);
}

void GuiEditorBase::parameterChanged(int32 /*index*/, float /*value*/) noexcept {
    requestRefresh();
}

void GuiEditorBase::redraw(ERect* /*where*/) noexcept {
    if (frame) {
        frame->redrawView(nullptr);
    }
}

void GuiEditorBase::pumpIdle() noexcept {
    std::uint32_t now = tickCount();
    if (now < nextIdleTicks) {
        pauseFor(4);
        now += 4;
        if (now < nextIdleTicks - 50) {
            return;
        }
    }
    idleEditor();
    platform::dispatchOnePaintMessage();
    nextIdleTicks = now + 100;
    inIdlePump = true;
    if (effect) {
        effect->hostIdle();
    }
    inIdlePump = false;
}

std::uint32_t GuiEditorBase::tickCount() noexcept {
    return platform::tickCount();
}

void GuiEditorBase::pauseFor(std::uint32_t milliseconds) noexcept {
    platform::sleepMilliseconds(milliseconds);
}

void GuiEditorBase::frameIdleWhileTracking() noexcept {
    pumpIdle();
}

bool GuiEditorBase::frameBeginParameterEdit(std::int32_t index) noexcept {
    return effect ? effect->hostBeginEdit(index) : false;
}

bool GuiEditorBase::frameEndParameterEdit(std::int32_t index) noexcept {
    return effect ? effect->hostEndEdit(index) : false;
}

}  // namespace melp::host
