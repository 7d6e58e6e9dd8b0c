// GuiEditorBase: the editor base that connects the host's editor requests to a toolkit
// Frame. It reports the editor rectangle, forwards keys and wheel to the frame, runs the
// frame's idle redraw, keeps OLE initialised for the editor's lifetime and offers the
// rate-limited idle pump that controls call while they track the mouse.
//
// Its operations follow EditorBase's in the table (parameterChanged, redraw, pumpIdle are
// appended). It also implements the toolkit's FrameEditor, the frame's road back to its
// editor; that interface is a second base with a table of its own, so EditorBase's order
// is untouched.
//
// Threads: everything runs on the host's user-interface thread (the one that owns the
// editor window); parameterChanged may come from any thread and only sets a flag.
// Ownership: the effect owns the editor; the derived editor creates the frame in its
// openEditor and destroys it in its closeEditor; this base never deletes the frame.
#pragma once

#include <cstdint>

#include "host/editor_base.h"
#include "toolkit/frame_editor.h"

namespace melp::toolkit {
class Frame;
}

namespace melp::host {

// Set by changeKnobMode (effSetEditKnobMode); nothing in this plug-in reads it.
extern int32 knobMode;

class GuiEditorBase : public EditorBase, public toolkit::FrameEditor {
public:
    // Attaches itself to the effect (sets effFlagsHasEditor) and initialises OLE for the
    // calling thread. The derived editor fills rect.
    explicit GuiEditorBase(ExtendedEffect* owner) noexcept;
    // Uninitialises OLE once; does not touch frame.
    ~GuiEditorBase() override;
    // Stores the address of rect; returns 1.
    int32 editorRect(ERect** where) noexcept override;
    // Requests a refresh and records parent; returns 0. The derived editor builds the frame
    // after calling this.
    int32 openEditor(void* parent) noexcept override;
    void closeEditor() noexcept override;
    // Pending refresh, then the frame's redraw of dirty views; nothing while pumpIdle waits
    // for the host's answer to its idle request.
    void idleEditor() noexcept override;
    // -1 without a frame, otherwise the frame's answer.
    int32 keyDown(VstKeyCode& key) noexcept override;
    int32 keyUp(VstKeyCode& key) noexcept override;
    // Stores mode in knobMode; returns 1.
    int32 changeKnobMode(int32 mode) noexcept override;
    // False without a frame.
    bool wheel(float distance) noexcept override;
    // [any thread] Requests a refresh.
    virtual void parameterChanged(int32 index, float value) noexcept;
    // Draws the whole frame at once (rect is not used); nothing without a frame.
    virtual void redraw(ERect* where) noexcept;
    // Called repeatedly from a control's mouse-tracking loop: runs idleEditor, one pending
    // paint message and the host's idle at most about every 46 ms, sleeping 4 ms per call
    // in between; a call made 100 ms or more after the last run works without sleeping.
    virtual void pumpIdle() noexcept;

    // The system's millisecond tick count (32 bits, wrapping) and a sleep of the calling
    // thread, both through the platform (the headless clock in tests).
    static std::uint32_t tickCount() noexcept;
    static void pauseFor(std::uint32_t milliseconds) noexcept;

    // FrameEditor: the frame's requests.
    void frameIdleWhileTracking() noexcept override;
    bool frameBeginParameterEdit(std::int32_t index) noexcept override;
    bool frameEndParameterEdit(std::int32_t index) noexcept override;
    // Hold the effect (and so this editor) for the click; the end may destroy both.
    void frameClickBegins() noexcept override;
    void frameClickEnds() noexcept override;
    // The host closed the effect.
    bool frameEditorClosing() const noexcept override;

    // Fields, in this order, following EditorBase's.
    ERect rect;                   // the editor's size in pixels; filled by the derived editor
    toolkit::Frame* frame;        // owned while open (by the derived editor); null when closed
    std::uint32_t nextIdleTicks;  // tick count before which pumpIdle does not work again
    bool inIdlePump;              // true only while pumpIdle waits for the host's idle answer
};

}  // namespace melp::host
